#pragma once
// What the two typed-case boxes, TextoEmMaiusculo and TextoEmMinusculo, have in common besides
// the core: the same Text1 and the same persisted keys. They differ only in the case a typed key
// is turned into and in TextoEmMaiusculo's PopupMenu, so each keeps its own class and member
// table and takes the rest from here.

#include "framework/wrapped_text_tables.h"

namespace tessivra::typedcase {

inline constexpr TextFamily Family{
    .text1 = {.name = u"Text1", .bounds = {0, 0, 3975, 300}, .tabIndex = 0},
    .creationHeight300 = true,
};

// All the common keys, in their common order.
inline constexpr PersistedKey Keys[] = {
    textkeys::Alignment,   textkeys::BackColor, textkeys::BorderStyle,  textkeys::DataSource,
    textkeys::Enabled,     textkeys::Font,      textkeys::ForeColor,    textkeys::Locked,
    textkeys::MaxLength,   textkeys::MouseIcon, textkeys::MousePointer, textkeys::PasswordChar,
    textkeys::SelLength,   textkeys::SelStart,  textkeys::SelText,      textkeys::Text,
    textkeys::ToolTipText,
};

inline constexpr Twips DesignWidth = 3975;
inline constexpr Twips DesignHeight = 300;

} // namespace tessivra::typedcase
