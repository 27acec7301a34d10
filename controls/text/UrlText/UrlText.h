#pragma once
// A single-line box for a web address with a launch button at its right end. Typed characters
// arrive in lower case; the button is usable once a key has been released in a box that holds
// text. A click on it checks that the address holds "http://" and a ".", and has the system's
// shell open the address in lower case, or says in a message what is missing.

#include "framework/wrapped_text.h"

namespace tessivra {

class UrlText final : public WrappedText {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<UrlText>> create(Site site) {
        return createControl<UrlText>(site);
    }
    ~UrlText() override;

    // The form may set Enabled, which acts on Text1 alone, but cannot read it.
    ErrorOr<VBool> Enabled() = delete;

    // Text box and button side by side, 300 twips high whatever the container asks for.
    ErrorOr<void> UserControl_Resize() override;

    CommandButton& Command1() const { return *command1_; }

protected:
    // Text1, then the launch button beside it.
    ErrorOr<void> createConstituents() override;

    // The form sees the key as typed; the small letter is taken from what its handler left.
    ErrorOr<void> Text1_KeyPress(std::int16_t& KeyAscii) override;
    // After the form's handler, the button follows whether the box holds any text.
    ErrorOr<void> Text1_KeyUp(std::int16_t& KeyCode, std::int16_t& Shift) override;
    // Raises nothing; ends a focus return this box was waiting for.
    ErrorOr<void> Text1_GotFocus() override;
    // The address check and the launch; raises nothing.
    ErrorOr<void> Command1_Click();

private:
    explicit UrlText(Site site);
    template <typename C> friend ErrorOr<std::unique_ptr<C>> createControl(Site);

    PartHandle<CommandButton> command1_;
    Sink<UrlText, Handlers<UrlText>{.Click = &UrlText::Command1_Click}> command1Events_{*this};
};

} // namespace tessivra
