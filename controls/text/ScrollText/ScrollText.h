#pragma once
// A small number box: a text box with a vertical scroll bar at its right edge. Every change of
// the bar's position writes the position into the text; nothing runs the other way, so typing
// leaves the bar where it is and its next change overwrites the text.

#include "framework/wrapped_text.h"

namespace tessivra {

class ScrollText final : public WrappedText {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<ScrollText>> create(Site site) {
        return createControl<ScrollText>(site);
    }

    // The bar's range and position. The bar decides what it accepts; a value it refuses comes
    // back as its failure, with no notice.
    ErrorOr<std::int16_t> Max();
    ErrorOr<void> setMax(std::int16_t New_Max);
    ErrorOr<std::int16_t> Min();
    ErrorOr<void> setMin(std::int16_t New_Min);
    ErrorOr<std::int16_t> Value();
    ErrorOr<void> setValue(std::int16_t New_Value);
    // Held by the control's own surface and handed back unchanged.
    ErrorOr<PictureRef> MaskPicture();
    ErrorOr<void> setMaskPicture(PictureRef New_MaskPicture);

    // Text1 takes what the bar leaves of the width; the control keeps a minimum size.
    ErrorOr<void> UserControl_Resize() override;

    VScrollBar& VScroll1() const { return *vscroll1_; }

protected:
    ErrorOr<void> createConstituents() override;

private:
    explicit ScrollText(Site site);
    template <typename C> friend ErrorOr<std::unique_ptr<C>> createControl(Site);

    // Shows the bar's position as decimal text.
    ErrorOr<void> VScroll1_Change();

    PartHandle<VScrollBar> vscroll1_;
    Sink<ScrollText, Handlers<ScrollText>{.Change = &ScrollText::VScroll1_Change}> vscroll1Events_{
        *this};
};

} // namespace tessivra
