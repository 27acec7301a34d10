#pragma once
// A clock: a label covering the control shows the time of day, refreshed by a timer once a
// second. The label's appearance is the control's; its mouse events are the control's too.

#include "framework/control.h"
#include "framework/sink.h"

namespace tessivra {

class HoraAtual final : public Control {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<HoraAtual>> create(Site site) {
        return createControl<HoraAtual>(site);
    }

    // The smallest size the clock keeps: its design size.
    static constexpr Twips MinWidth = 1095;
    static constexpr Twips MinHeight = 240;
    // The colour of the control's own surface, which shows behind the transparent label; the
    // label's BackColor is kept and saved but never painted.
    static constexpr Colour SurfaceBackColor = syscolour::ActiveBorder;

    // Forwarded to Label1. Getters make one read; setters assign Label1 and then tell the
    // container, and tell it nothing when the assignment fails.
    ErrorOr<Colour> BackColor();
    ErrorOr<void> setBackColor(Colour New_BackColor);
    ErrorOr<FontRef> Font();
    ErrorOr<void> setFont(FontRef New_Font);
    ErrorOr<Colour> ForeColor();
    ErrorOr<void> setForeColor(Colour New_ForeColor);
    ErrorOr<PictureRef> MouseIcon();
    ErrorOr<void> setMouseIcon(PictureRef New_MouseIcon);
    ErrorOr<std::int16_t> MousePointer();
    ErrorOr<void> setMousePointer(std::int16_t New_MousePointer);
    ErrorOr<std::u16string> ToolTipText();
    ErrorOr<void> setToolTipText(std::u16string_view New_ToolTipText);

    // The label follows the control's size; the control keeps its minimum size.
    ErrorOr<void> UserControl_Resize() override;

    Label& Label1() const { return *label1_; }
    Timer& Timer1() const { return *timer1_; }

protected:
    ErrorOr<void> createConstituents() override;

private:
    explicit HoraAtual(Site site);
    template <typename C> friend ErrorOr<std::unique_ptr<C>> createControl(Site);

    ErrorOr<void> Timer1_Timer();
    ErrorOr<void> Label1_DblClick();
    ErrorOr<void> Label1_MouseDown(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y);
    ErrorOr<void> Label1_MouseMove(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y);
    ErrorOr<void> Label1_MouseUp(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y);

    // Raises one of the clock's events with the label handler's arguments as references.
    ErrorOr<void> raiseMouse(DispId number, std::int16_t& Button, std::int16_t& Shift, float& X,
                             float& Y);

    PartHandle<Label> label1_;
    PartHandle<Timer> timer1_;
    // A single click is not an event of the clock: it goes to no handler.
    Sink<HoraAtual, Handlers<HoraAtual>{.DblClick = &HoraAtual::Label1_DblClick,
                                        .MouseDown = &HoraAtual::Label1_MouseDown,
                                        .MouseMove = &HoraAtual::Label1_MouseMove,
                                        .MouseUp = &HoraAtual::Label1_MouseUp}>
        label1Events_{*this};
    Sink<HoraAtual, Handlers<HoraAtual>{.Timer = &HoraAtual::Timer1_Timer}> timer1Events_{*this};
};

} // namespace tessivra
