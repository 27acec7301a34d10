#include "controls/text/UrlText/UrlText.h"

#include "controls/text/focus_return.h"
#include "framework/module1.h"
#include "framework/registry/resources.h"
#include "framework/wrapped_text_tables.h"

#include <cmath>

namespace tessivra {

namespace {

constexpr TextFamily kFamily{
    .text1 = {.name = u"Text1", .bounds = {0, 0, 3495, 300}, .tabIndex = 0},
};

// Lines are broken by a lone carriage return, as the message box expects.
constexpr std::u16string_view kPrompt = u"O endereço está incorreto!\r"
                                        u"\r"
                                        u"Prováveis problemas:\r"
                                        u"Está faltando ''http://'' e/ou ''.''";
constexpr std::u16string_view kTitle = u"Aviso!";

namespace r = textrows;
constexpr auto kMembers = interfaceMembers({
    r::Alignment,
    r::BackColor,
    r::BorderStyle,
    r::EnabledLetOnly,
    r::Font,
    r::ForeColor,
    r::Locked,
    r::MaxLength,
    r::MouseIcon,
    r::MousePointer,
    r::SelLength,
    r::SelStart,
    r::SelText,
    r::Text,
    r::ToolTipText,
});

// The common keys without "PasswordChar". "Enabled" is taken straight from Text1 on saving,
// since the control's own Enabled cannot be read.
constexpr PersistedKey kKeys[] = {
    textkeys::Alignment, textkeys::BackColor, textkeys::BorderStyle,  textkeys::DataSource,
    textkeys::Enabled,   textkeys::Font,      textkeys::ForeColor,    textkeys::Locked,
    textkeys::MaxLength, textkeys::MouseIcon, textkeys::MousePointer, textkeys::SelLength,
    textkeys::SelStart,  textkeys::SelText,   textkeys::Text,         textkeys::ToolTipText,
};

} // namespace

const ControlClass UrlText::Class{u"UrlText", kMembers, textevents::WithoutDblClick,
                                  kKeys,      3975,     300};

UrlText::UrlText(Site site) : WrappedText(site, Class, kFamily) {}

UrlText::~UrlText() {
    FocusReturn::forget(this);
}

ErrorOr<void> UrlText::createConstituents() {
    TRY(WrappedText::createConstituents());
    // The button shows the green check mark of the library's resources. It is disabled until a
    // key is released in a box that holds text.
    PictureRef checkMark = TRY(objects().LoadResPicture(resid::LaunchButton, ResourceKind::Icon));
    const CommandButtonDesign design{
        .name = u"Command1",
        .bounds = {3480, 0, 495, 300},
        .tabIndex = 1,
        .tabStop = true,
        .enabled = false,
        .caption = {},
        .picture = std::move(checkMark),
    };
    command1_ = TRY(container().addCommandButton(design, &command1Events_));
    return {};
}

// The button keeps its size and sits flush against the right end of the text box.
ErrorOr<void> UrlText::UserControl_Resize() {
    TRY(container().setHeight(300));
    Twips own = TRY(container().Width());
    Twips button = TRY(Command1().Width());
    Twips width = own - button;
    if (!std::isfinite(width)) return Error::overflow();
    // A control narrower than the button gives a negative width, which the text box judges.
    TRY(Text1().setWidth(width));
    TRY(Text1().setHeight(TRY(container().Height())));
    TRY(Command1().setLeft(TRY(Text1().Width())));
    return {};
}

ErrorOr<void> UrlText::Text1_KeyPress(std::int16_t& KeyAscii) {
    TRY(raise(TextEvent::KeyPress, KeyAscii));
    return convertKeyCase(KeyAscii, Case::Lower);
}

// Every key release, whatever the key. Text that arrives without one leaves the button alone.
ErrorOr<void> UrlText::Text1_KeyUp(std::int16_t& KeyCode, std::int16_t& Shift) {
    TRY(raise(TextEvent::KeyUp, KeyCode, Shift));
    if (TRY(Text1().Text()).empty())
        TRY(Command1().setEnabled(VFalse));
    else
        TRY(Command1().setEnabled(VTrue));
    return {};
}

ErrorOr<void> UrlText::Text1_GotFocus() {
    FocusReturn::arrived(this);
    return {};
}

// Only the presence of "http://" (or "https://") and "." in the text as it stands is looked at; the
// shell gets a lower-cased copy and the box keeps its text.
ErrorOr<void> UrlText::Command1_Click() {
    // Another box's check is showing its message or taking the focus back (focus_return.h).
    if (FocusReturn::inProgress()) return {};
    auto address = TRY(Text1().Text());
    if (address.empty()) return {};
    auto prefix = TRY(runtime().InStr(address, u"http://"));
    // A secure address is as good as a plain one; it is looked for the same way, and only when
    // the plain prefix is absent, so every address that passed before passes with the same calls.
    if (prefix == 0) prefix = TRY(runtime().InStr(address, u"https://"));
    auto dot = TRY(runtime().InStr(address, u"."));
    if (prefix == 0 || dot == 0) {
        FocusReturn returning(this);
        TRY(Command1().setEnabled(VFalse));
        TRY(runtime().MsgBox(kPrompt, msgbox::Information, kTitle));
        TRY(Text1().SetFocus());
        returning.waitForArrival();
        return {};
    }
    auto hwnd = TRY(container().hWnd());
    auto lowered = TRY(runtime().LCase(TRY(Text1().Text())));
    auto appPath = TRY(runtime().AppPath());
    // Whether the shell could open the address is its own business.
    TRY(Module1::ShellExecuteA(runtime(), shell(), hwnd, u"Open", lowered, u"", appPath, 1));
    return Text1().SetFocus();
}

} // namespace tessivra
