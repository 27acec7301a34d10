#pragma once
// A single-line text box that turns every typed character into upper case as it is typed.
// Text that arrives any other way (pasted, assigned, loaded) keeps its case.

#include "framework/wrapped_text.h"

namespace tessivra {

class TextoEmMaiusculo final : public WrappedText {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<TextoEmMaiusculo>> create(Site site) {
        return createControl<TextoEmMaiusculo>(site);
    }

    // Asks the container to show Menu as a pop-up menu, passing every argument on unchanged;
    // optional ones left out stay marked as missing.
    ErrorOr<void> PopupMenu(const Value& Menu, const Value& Flags = Value::missing(),
                            const Value& X = Value::missing(), const Value& Y = Value::missing(),
                            const Value& DefaultMenu = Value::missing());

protected:
    // The form sees the key as typed; the capital is taken from what its handler left.
    ErrorOr<void> Text1_KeyPress(std::int16_t& KeyAscii) override;

private:
    explicit TextoEmMaiusculo(Site site);
    template <typename C> friend ErrorOr<std::unique_ptr<C>> createControl(Site);
};

} // namespace tessivra
