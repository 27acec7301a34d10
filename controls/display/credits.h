#pragma once
// The library's credits as both the credits panel and the about window show them: the texts,
// the four text lines, the logo and the web-address label, described once so that the two
// cannot drift apart. The lines sit inside the panel's picture box, `Picture1`.

#include "framework/host/container.h"

namespace tessivra::credits {

inline constexpr std::u16string_view RightsLine = u"© 2026 Tessivra";
inline constexpr std::u16string_view Author = u"The Tessivra developers";
inline constexpr std::u16string_view MailLine = u"tessivra@example.org";
inline constexpr std::u16string_view Notice = u"Free to use and to redistribute";
// Written with capitals as people read it; it is opened in lower case. Short enough that the
// link, sized to it, ends inside the panel even when it lights up in bold.
inline constexpr std::u16string_view WebAddress = u"http://Tessivra.example/";

// The panel: the window background, with window text.
inline constexpr Twips PanelWidth = 3495;
inline constexpr Twips PanelHeight = 3375;
PictureBoxDesign panel(Twips left, Twips top);

// Each asks `objects` for the fonts and pictures it shows, a new one for every call, and places
// the constituent on `surface`.
//
// The four text lines (Label2, Label3, Label5, Label4), at the same places in both. None has a
// handler.
ErrorOr<void> addTextLines(Surface&, HostObjects&);
// Image1, the logo, at `top` inside the panel.
ErrorOr<PartHandle<Image>> addLogo(Surface&, HostObjects&, Twips top);
// Label1, the web address: black Arial on the window background, a pointing hand over it.
// The events go to `events`, or nowhere when it is null.
ErrorOr<PartHandle<Label>> addWebAddress(Surface&, HostObjects&, Twips top, LabelEvents* events);

} // namespace tessivra::credits
