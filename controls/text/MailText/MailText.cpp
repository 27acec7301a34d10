#include "controls/text/MailText/MailText.h"

#include "controls/text/focus_return.h"
#include "framework/wrapped_text_tables.h"

namespace tessivra {

namespace {

constexpr TextFamily kFamily{
    .text1 = {.name = u"Text1", .bounds = {0, 0, 3975, 300}, .tabIndex = 0},
    .creationHeight300 = true,
};

// Lines are broken by a lone carriage return, as the message box expects.
constexpr std::u16string_view kPrompt = u"O endereço está incorreto!\r"
                                        u"\r"
                                        u"Prováveis problemas:\r"
                                        u"Está faltando ''@'' e/ou ''.''";
constexpr std::u16string_view kTitle = u"Aviso!";

namespace r = textrows;
// Font stands between BorderStyle and Enabled in this interface.
constexpr auto kMembers = interfaceMembers({
    r::Alignment,
    r::BackColor,
    r::BorderStyle,
    r::Font,
    r::Enabled,
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

// The common keys without "PasswordChar", with "Font" read and written before "Enabled".
constexpr PersistedKey kKeys[] = {
    textkeys::Alignment, textkeys::BackColor, textkeys::BorderStyle,  textkeys::DataSource,
    textkeys::Font,      textkeys::Enabled,   textkeys::ForeColor,    textkeys::Locked,
    textkeys::MaxLength, textkeys::MouseIcon, textkeys::MousePointer, textkeys::SelLength,
    textkeys::SelStart,  textkeys::SelText,   textkeys::Text,         textkeys::ToolTipText,
};

} // namespace

const ControlClass MailText::Class{u"MailText", kMembers, textevents::All, kKeys, 3975, 300};

MailText::MailText(Site site) : WrappedText(site, Class, kFamily) {}

MailText::~MailText() {
    FocusReturn::forget(this);
}

ErrorOr<void> MailText::UserControl_Resize() {
    TRY(container().setHeight(300));
    return plainLayout();
}

ErrorOr<void> MailText::Text1_KeyPress(std::int16_t& KeyAscii) {
    TRY(raise(TextEvent::KeyPress, KeyAscii));
    return convertKeyCase(KeyAscii, Case::Lower);
}

ErrorOr<void> MailText::Text1_GotFocus() {
    FocusReturn::arrived(this);
    return {};
}

// Only the presence of "@" and "." is looked at, never their order or count, and the text is
// never changed.
ErrorOr<void> MailText::Text1_LostFocus() {
    // This loss of focus is part of another check taking the focus back (focus_return.h).
    if (FocusReturn::inProgress()) {
        FocusReturn::lossHeldBack();
        return {};
    }
    auto address = TRY(Text1().Text());
    if (address.empty()) return {};
    auto at = TRY(runtime().InStr(address, u"@"));
    auto dot = TRY(runtime().InStr(address, u"."));
    if (at != 0 && dot != 0) return {};

    FocusReturn returning(this);
    TRY(runtime().MsgBox(kPrompt, msgbox::Information, kTitle));
    auto back = Text1().SetFocus();
    if (back.isError()) {
        // The box refuses the focus when it cannot hold it: the form disabled or hid it (which
        // is what took the focus away) or is closing. The focus then stays wherever the host
        // sent it, and the form's own call, such as Enabled = False, must not fail for it.
        // Any other failure goes back as usual.
        if (back.error().code == errc::CannotTakeFocus) return {};
        return back;
    }
    returning.waitForArrival();
    return {};
}

} // namespace tessivra
