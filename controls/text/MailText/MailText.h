#pragma once
// A single-line box for an e-mail address. Typed characters arrive in lower case; when the user
// leaves a box that holds an address without an "@" or a ".", a message says so and the focus
// is put back into the box. Text that arrives any other way keeps its case and is only looked
// at when the box is next left.

#include "framework/wrapped_text.h"

namespace tessivra {

class MailText final : public WrappedText {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<MailText>> create(Site site) {
        return createControl<MailText>(site);
    }
    ~MailText() override;

    // The height stays 300 twips whatever the container asks for; Text1 then covers the
    // control.
    ErrorOr<void> UserControl_Resize() override;

protected:
    // The form sees the key as typed; the small letter is taken from what its handler left.
    ErrorOr<void> Text1_KeyPress(std::int16_t& KeyAscii) override;
    // Raises nothing; ends a focus return this box was waiting for.
    ErrorOr<void> Text1_GotFocus() override;
    // The address check; raises nothing.
    ErrorOr<void> Text1_LostFocus() override;

private:
    explicit MailText(Site site);
    template <typename C> friend ErrorOr<std::unique_ptr<C>> createControl(Site);
};

} // namespace tessivra
