#include "controls/display/HoraAtual/HoraAtual.h"

#include "framework/member_rows.h"

namespace tessivra {

namespace {

// What the label shows until the first tick.
constexpr std::u16string_view Placeholder = u"00:00:00";

using H = HoraAtual;
using MT = MemberType;

constexpr auto kMembers = interfaceMembers({
    property<H, MT::OleColor, &H::BackColor, &H::setBackColor>(u"BackColor"),
    property<H, MT::Font, &H::Font, &H::setFont>(u"Font"),
    property<H, MT::OleColor, &H::ForeColor, &H::setForeColor>(u"ForeColor"),
    property<H, MT::Picture, &H::MouseIcon, &H::setMouseIcon>(u"MouseIcon"),
    property<H, MT::I2, &H::MousePointer, &H::setMousePointer>(u"MousePointer"),
    property<H, MT::BSTR, &H::ToolTipText, &H::setToolTipText>(u"ToolTipText"),
});

constexpr auto kEvents = numberedEvents({
    eventrows::DblClick,
    eventrows::MouseDown,
    eventrows::MouseMove,
    eventrows::MouseUp,
});
// The numbers the label's events are raised under.
constexpr DispId DblClickEvent = eventNumber(kEvents, u"DblClick");
constexpr DispId MouseDownEvent = eventNumber(kEvents, u"MouseDown");
constexpr DispId MouseMoveEvent = eventNumber(kEvents, u"MouseMove");
constexpr DispId MouseUpEvent = eventNumber(kEvents, u"MouseUp");
static_assert(DblClickEvent != 0 && MouseDownEvent != 0 && MouseMoveEvent != 0 &&
              MouseUpEvent != 0);

// Each key goes straight to Label1, except "MouseIcon", which goes through the control's own
// property and so notifies the container while loading.
constexpr PersistedKey kKeys[] = {
    persisted<H, MT::OleColor, &H::Label1, &Label::BackColor, &Label::setBackColor>(
        u"BackColor", {KeyDefault::I4, static_cast<std::int32_t>(syscolour::ButtonFace)}),
    persisted<H, MT::Font, &H::Label1, &Label::Font, &Label::setFont>(u"Font",
                                                                      {KeyDefault::AmbientFont}),
    persisted<H, MT::OleColor, &H::Label1, &Label::ForeColor, &Label::setForeColor>(
        u"ForeColor", {KeyDefault::I4, static_cast<std::int32_t>(syscolour::ButtonText)}),
    persistedOwn<H, MT::Picture, &H::MouseIcon, &H::setMouseIcon>(u"MouseIcon",
                                                                  {KeyDefault::NoObject}),
    persisted<H, MT::I2, &H::Label1, &Label::MousePointer, &Label::setMousePointer>(
        u"MousePointer", {KeyDefault::I2, 0}),
    persisted<H, MT::BSTR, &H::Label1, &Label::ToolTipText, &Label::setToolTipText>(
        u"ToolTipText", {KeyDefault::EmptyString}),
};

} // namespace

const ControlClass HoraAtual::Class{u"HoraAtual", kMembers, kEvents, kKeys, MinWidth, MinHeight};

HoraAtual::HoraAtual(Site site) : Control(site, Class) {}

ErrorOr<void> HoraAtual::createConstituents() {
    // Every clock gets a font object of its own from the host: fonts are shared by reference.
    FontRef arial = TRY(objects().NewFont({.name = u"Arial", .size = 9.75f}));
    LabelDesign label1{
        .name = u"Label1",
        .bounds = {0, 0, MinWidth, MinHeight},
        .tabIndex = 0,
        .caption = Placeholder,
        .alignment = 2,
        .backStyle = 0,
        .autoSize = false,
        .backColor = syscolour::ButtonFace,
        .foreColor = syscolour::ButtonText,
        .font = std::move(arial),
        .mousePointer = 0,
    };
    label1_ = TRY(container().addLabel(label1, &label1Events_));
    timer1_ = TRY(container().addTimer({.name = u"Timer1", .interval = 1000, .enabled = true},
                                       &timer1Events_));
    return {};
}

// ---- forwarded properties -------------------------------------------------------------------

ErrorOr<Colour> HoraAtual::BackColor() {
    return Label1().BackColor();
}
ErrorOr<void> HoraAtual::setBackColor(Colour New_BackColor) {
    return assignThenNotify(Label1(), &Label::setBackColor, New_BackColor, u"BackColor");
}
ErrorOr<FontRef> HoraAtual::Font() {
    return Label1().Font();
}
ErrorOr<void> HoraAtual::setFont(FontRef New_Font) {
    return assignThenNotify(Label1(), &Label::setFont, std::move(New_Font), u"Font");
}
ErrorOr<Colour> HoraAtual::ForeColor() {
    return Label1().ForeColor();
}
ErrorOr<void> HoraAtual::setForeColor(Colour New_ForeColor) {
    return assignThenNotify(Label1(), &Label::setForeColor, New_ForeColor, u"ForeColor");
}
ErrorOr<PictureRef> HoraAtual::MouseIcon() {
    return Label1().MouseIcon();
}
ErrorOr<void> HoraAtual::setMouseIcon(PictureRef New_MouseIcon) {
    return assignThenNotify(Label1(), &Label::setMouseIcon, std::move(New_MouseIcon), u"MouseIcon");
}
ErrorOr<std::int16_t> HoraAtual::MousePointer() {
    return Label1().MousePointer();
}
ErrorOr<void> HoraAtual::setMousePointer(std::int16_t New_MousePointer) {
    return assignThenNotify(Label1(), &Label::setMousePointer, New_MousePointer, u"MousePointer");
}
ErrorOr<std::u16string> HoraAtual::ToolTipText() {
    return Label1().ToolTipText();
}
ErrorOr<void> HoraAtual::setToolTipText(std::u16string_view New_ToolTipText) {
    return assignThenNotify(Label1(), &Label::setToolTipText, New_ToolTipText, u"ToolTipText");
}

// ---- handlers -------------------------------------------------------------------------------

ErrorOr<void> HoraAtual::Timer1_Timer() {
    TimeOfDay now = TRY(runtime().Time());
    std::u16string text = TRY(runtime().TimeText(now));
    return Label1().setCaption(text);
}

// The label is sized first; enlarging the control then runs this handler again, nested, and
// that run gives the label the enlarged size. The tests are strict, so the minimum itself stays.
ErrorOr<void> HoraAtual::UserControl_Resize() {
    TRY(Label1().setWidth(TRY(container().Width())));
    TRY(Label1().setHeight(TRY(container().Height())));
    if (TRY(container().Width()) < MinWidth) TRY(container().setWidth(MinWidth));
    if (TRY(container().Height()) < MinHeight) TRY(container().setHeight(MinHeight));
    return {};
}

ErrorOr<void> HoraAtual::Label1_DblClick() {
    return container().RaiseEvent(DblClickEvent, {});
}
ErrorOr<void> HoraAtual::Label1_MouseDown(std::int16_t& Button, std::int16_t& Shift, float& X,
                                          float& Y) {
    return raiseMouse(MouseDownEvent, Button, Shift, X, Y);
}
ErrorOr<void> HoraAtual::Label1_MouseMove(std::int16_t& Button, std::int16_t& Shift, float& X,
                                          float& Y) {
    return raiseMouse(MouseMoveEvent, Button, Shift, X, Y);
}
ErrorOr<void> HoraAtual::Label1_MouseUp(std::int16_t& Button, std::int16_t& Shift, float& X,
                                        float& Y) {
    return raiseMouse(MouseUpEvent, Button, Shift, X, Y);
}

ErrorOr<void> HoraAtual::raiseMouse(DispId number, std::int16_t& Button, std::int16_t& Shift,
                                    float& X, float& Y) {
    const EventArg args[] = {EventArg(Button), EventArg(Shift), EventArg(X), EventArg(Y)};
    return container().RaiseEvent(number, args);
}

} // namespace tessivra
