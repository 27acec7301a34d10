#pragma once
// A single-line text box that turns every typed character into lower case as it is typed.
// Text that arrives any other way (pasted, assigned, loaded) keeps its case.

#include "framework/wrapped_text.h"

namespace tessivra {

class TextoEmMinusculo final : public WrappedText {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<TextoEmMinusculo>> create(Site site) {
        return createControl<TextoEmMinusculo>(site);
    }

protected:
    // The form sees the key as typed; the lower-case form is taken from what its handler left.
    ErrorOr<void> Text1_KeyPress(std::int16_t& KeyAscii) override;

private:
    explicit TextoEmMinusculo(Site site);
    template <typename C> friend ErrorOr<std::unique_ptr<C>> createControl(Site);
};

} // namespace tessivra
