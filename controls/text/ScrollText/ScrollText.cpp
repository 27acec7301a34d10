#include "controls/text/ScrollText/ScrollText.h"

#include "framework/wrapped_text_tables.h"

#include <algorithm>

namespace tessivra {

namespace {

// The two overlap by 15 twips at design time; the first resize removes the overlap.
const TextFamily kFamily{
    .text1 =
        {.name = u"Text1", .bounds = {0, 0, 495, 300}, .tabIndex = 0, .text = u"0", .alignment = 2},
};
const VScrollBarDesign kVScroll1{
    .name = u"VScroll1",
    .bounds = {480, 0, 255, 300},
    .tabIndex = 1,
    .min = 0,
    .max = 32767,
    .value = 0,
    .smallChange = 1,
    .largeChange = 1,
};

using S = ScrollText;
using MT = MemberType;

namespace r = textrows;
constexpr auto kMembers = interfaceMembers({
    r::BackColor,
    r::BorderStyle,
    r::Enabled,
    r::Font,
    r::ForeColor,
    r::Locked,
    property<S, MT::Picture, &S::MaskPicture, &S::setMaskPicture>(u"MaskPicture"),
    property<S, MT::I2, &S::Max, &S::setMax>(u"Max"),
    r::MaxLength,
    property<S, MT::I2, &S::Min, &S::setMin>(u"Min"),
    r::MouseIcon,
    r::MousePointer,
    r::SelLength,
    r::SelStart,
    r::SelText,
    r::Text,
    r::ToolTipText,
    property<S, MT::I2, &S::Value, &S::setValue>(u"Value"),
});

// The bar's keys go straight to it and notify nothing; "MaskPicture" goes through the control's
// own property and notifies.
constexpr PersistedKey kMaskPicture =
    persistedOwn<S, MT::Picture, &S::MaskPicture, &S::setMaskPicture>(u"MaskPicture",
                                                                      {KeyDefault::NoObject});
constexpr PersistedKey kMax =
    persisted<S, MT::I2, &S::VScroll1, &VScrollBar::Max, &VScrollBar::setMax>(
        u"Max", {KeyDefault::I2, 32767});
constexpr PersistedKey kMin =
    persisted<S, MT::I2, &S::VScroll1, &VScrollBar::Min, &VScrollBar::setMin>(u"Min",
                                                                              {KeyDefault::I2, 0});
constexpr PersistedKey kValue =
    persisted<S, MT::I2, &S::VScroll1, &VScrollBar::Value, &VScrollBar::setValue>(
        u"Value", {KeyDefault::I2, 0});

// "Max" comes before "Min", and "Value" after "Text": a loaded value that moves the bar
// rewrites the loaded text.
constexpr PersistedKey kKeys[] = {
    textkeys::BackColor,
    textkeys::BorderStyle,
    textkeys::DataSource,
    textkeys::Enabled,
    textkeys::Font,
    textkeys::ForeColor,
    textkeys::Locked,
    kMaskPicture,
    kMax,
    textkeys::MaxLength,
    kMin,
    textkeys::MouseIcon,
    textkeys::MousePointer,
    textkeys::SelLength,
    textkeys::SelStart,
    textkeys::SelText,
    textkeys::Text,
    textkeys::ToolTipText,
    kValue,
};

} // namespace

const ControlClass ScrollText::Class{u"ScrollText", kMembers, textevents::All, kKeys, 735, 300};

ScrollText::ScrollText(Site site) : WrappedText(site, Class, kFamily) {}

ErrorOr<void> ScrollText::createConstituents() {
    TRY(WrappedText::createConstituents());
    vscroll1_ = TRY(container().addVScrollBar(kVScroll1, &vscroll1Events_));
    return {};
}

// ---- own properties -------------------------------------------------------------------------

ErrorOr<std::int16_t> ScrollText::Max() {
    return VScroll1().Max();
}
ErrorOr<void> ScrollText::setMax(std::int16_t New_Max) {
    TRY(VScroll1().setMax(New_Max));
    return container().PropertyChanged(u"Max");
}
ErrorOr<std::int16_t> ScrollText::Min() {
    return VScroll1().Min();
}
ErrorOr<void> ScrollText::setMin(std::int16_t New_Min) {
    TRY(VScroll1().setMin(New_Min));
    return container().PropertyChanged(u"Min");
}
ErrorOr<std::int16_t> ScrollText::Value() {
    return VScroll1().Value();
}
ErrorOr<void> ScrollText::setValue(std::int16_t New_Value) {
    TRY(VScroll1().setValue(New_Value));
    return container().PropertyChanged(u"Value");
}
ErrorOr<PictureRef> ScrollText::MaskPicture() {
    return container().MaskPicture();
}
ErrorOr<void> ScrollText::setMaskPicture(PictureRef New_MaskPicture) {
    TRY(container().setMaskPicture(std::move(New_MaskPicture)));
    return container().PropertyChanged(u"MaskPicture");
}

// ---- handlers -------------------------------------------------------------------------------

ErrorOr<void> ScrollText::VScroll1_Change() {
    auto position = TRY(VScroll1().Value());
    return Text1().setText(TRY(runtime().CStr(position)));
}

ErrorOr<void> ScrollText::UserControl_Resize() {
    auto barWidth = TRY(VScroll1().Width());
    // A control narrower than the bar leaves Text1 no width rather than a negative one; the
    // minimum width below then widens the control and the nested resize lays it out again.
    TRY(Text1().setWidth(std::max(TRY(container().Width()) - barWidth, Twips{0})));
    TRY(Text1().setHeight(TRY(container().Height())));
    TRY(VScroll1().setLeft(TRY(Text1().Width())));
    TRY(VScroll1().setHeight(TRY(Text1().Height())));
    if (TRY(container().Width()) <= 700) TRY(container().setWidth(735));
    if (TRY(container().Height()) < 300) TRY(container().setHeight(300));
    return {};
}

} // namespace tessivra
