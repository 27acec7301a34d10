#pragma once
// A text box that keeps only digits from the keyboard: every key reaches the form as typed, and
// one that is not a digit, Backspace or another control key is then dropped. It is not one of
// the library's classes; the tests enter it in a class table of their own to show what a ninth
// control takes: this folder and one row.

#include "framework/wrapped_text.h"

namespace tessivra {

class SoDigitos final : public WrappedText {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<SoDigitos>> create(Site site) {
        return createControl<SoDigitos>(site);
    }

    // How many digits the text holds, however they came in; read only.
    ErrorOr<std::int32_t> Digitos();

protected:
    ErrorOr<void> Text1_KeyPress(std::int16_t& KeyAscii) override;

private:
    explicit SoDigitos(Site site);
    template <typename C> friend ErrorOr<std::unique_ptr<C>> createControl(Site);
};

} // namespace tessivra
