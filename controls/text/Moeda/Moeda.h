#pragma once
// A currency amount box. While the user edits it, it shows the amount plainly with two decimals
// and takes at most 15 characters; when the focus leaves, it shows the same amount with
// thousands separators and a limit of 18. What is typed is not checked: the amount is only laid
// out again at the next change of focus.

#include "framework/wrapped_text.h"

namespace tessivra {

class Moeda final : public WrappedText {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<Moeda>> create(Site site) { return createControl<Moeda>(site); }

protected:
    // The editing layout.
    ErrorOr<void> Text1_GotFocus() override;
    // The display layout.
    ErrorOr<void> Text1_LostFocus() override;

private:
    explicit Moeda(Site site);
    template <typename C> friend ErrorOr<std::unique_ptr<C>> createControl(Site);

    // The limit comes first, so the text assigned next is laid out under the new limit; the
    // text box holds back typing and pasting with it, never an amount assigned here.
    ErrorOr<void> layOut(std::int32_t maxLength, std::u16string_view pattern);
};

} // namespace tessivra
