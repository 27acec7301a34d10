#pragma once
// The rows the text controls build their member, event and persisted-key tables from. A control
// lists the rows it has, in its own order; the identifiers follow from its interface order.

#include "framework/member_rows.h"
#include "framework/wrapped_text.h"

namespace tessivra {

namespace textrows {
using W = WrappedText;
using MT = MemberType;
#define TESSIVRA_TEXT_ROW(Name, Type)                                                              \
    inline constexpr DispatchMember Name =                                                         \
        property<W, MT::Type, &W::Name, &W::set##Name>(u"" #Name);
TESSIVRA_TEXT_ROW(Alignment, I2)
TESSIVRA_TEXT_ROW(BackColor, OleColor)
TESSIVRA_TEXT_ROW(BorderStyle, I2)
TESSIVRA_TEXT_ROW(Enabled, Bool)
TESSIVRA_TEXT_ROW(Font, Font)
TESSIVRA_TEXT_ROW(ForeColor, OleColor)
TESSIVRA_TEXT_ROW(Locked, Bool)
TESSIVRA_TEXT_ROW(MaxLength, I4)
TESSIVRA_TEXT_ROW(MouseIcon, Picture)
TESSIVRA_TEXT_ROW(MousePointer, I2)
TESSIVRA_TEXT_ROW(PasswordChar, BSTR)
TESSIVRA_TEXT_ROW(SelLength, I4)
TESSIVRA_TEXT_ROW(SelStart, I4)
TESSIVRA_TEXT_ROW(SelText, BSTR)
TESSIVRA_TEXT_ROW(Text, BSTR)
TESSIVRA_TEXT_ROW(ToolTipText, BSTR)
#undef TESSIVRA_TEXT_ROW
// Text1's fixed single-line settings, reported but never assigned.
inline constexpr DispatchMember MultiLine =
    property<W, MT::Bool, &W::MultiLine, nullptr>(u"MultiLine");
inline constexpr DispatchMember ScrollBars =
    property<W, MT::I2, &W::ScrollBars, nullptr>(u"ScrollBars");
// A property the form can assign but not read.
inline constexpr DispatchMember EnabledLetOnly =
    property<W, MT::Bool, nullptr, &W::setEnabled>(u"Enabled");
} // namespace textrows

// The common persisted keys: each goes straight to Text1, except "MouseIcon", which goes through
// the control's own property and so notifies the container while loading.
namespace textkeys {
using W = WrappedText;
using MT = MemberType;
using T = TextBox;
inline constexpr KeyDefault Zero16{KeyDefault::I2, 0};
#define TESSIVRA_TEXT_KEY(Name, Type, Default)                                                     \
    inline constexpr PersistedKey Name =                                                           \
        persisted<W, MT::Type, &W::Text1, &T::Name, &T::set##Name>(u"" #Name, Default);
TESSIVRA_TEXT_KEY(Alignment, I2, Zero16)
TESSIVRA_TEXT_KEY(BackColor, OleColor,
                  (KeyDefault{KeyDefault::I4,
                              static_cast<std::int32_t>(syscolour::WindowBackground)}))
TESSIVRA_TEXT_KEY(BorderStyle, I2, (KeyDefault{KeyDefault::I2, 1}))
TESSIVRA_TEXT_KEY(Enabled, Bool, (KeyDefault{KeyDefault::Bool, 1}))
TESSIVRA_TEXT_KEY(Font, Font, KeyDefault{KeyDefault::AmbientFont})
TESSIVRA_TEXT_KEY(ForeColor, OleColor,
                  (KeyDefault{KeyDefault::I4, static_cast<std::int32_t>(syscolour::WindowText)}))
TESSIVRA_TEXT_KEY(Locked, Bool, (KeyDefault{KeyDefault::Bool, 0}))
TESSIVRA_TEXT_KEY(MaxLength, I4, Zero16)
TESSIVRA_TEXT_KEY(MousePointer, I2, Zero16)
TESSIVRA_TEXT_KEY(PasswordChar, BSTR, KeyDefault{KeyDefault::EmptyString})
TESSIVRA_TEXT_KEY(SelLength, I4, Zero16)
TESSIVRA_TEXT_KEY(SelStart, I4, Zero16)
TESSIVRA_TEXT_KEY(SelText, BSTR, KeyDefault{KeyDefault::EmptyString})
TESSIVRA_TEXT_KEY(Text, BSTR, KeyDefault{KeyDefault::EmptyString})
TESSIVRA_TEXT_KEY(ToolTipText, BSTR, KeyDefault{KeyDefault::EmptyString})
#undef TESSIVRA_TEXT_KEY
inline constexpr PersistedKey DataSource = placeholderKey(u"DataSource");
inline constexpr PersistedKey MouseIcon =
    persistedOwn<W, MT::Picture, &W::MouseIcon, &W::setMouseIcon>(u"MouseIcon",
                                                                  {KeyDefault::NoObject});
} // namespace textkeys

// Text1's events as the form sees them, in the order of TextEvent.
namespace textevents {
inline constexpr auto All = numberedEvents({
    eventrows::Change,
    eventrows::Click,
    eventrows::DblClick,
    eventrows::KeyDown,
    eventrows::KeyPress,
    eventrows::KeyUp,
    eventrows::MouseDown,
    eventrows::MouseMove,
    eventrows::MouseUp,
});
inline constexpr auto WithoutDblClick = withoutEvent(All, u"DblClick");
} // namespace textevents

} // namespace tessivra
