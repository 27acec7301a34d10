#pragma once
// The credits panel: a fixed-size panel with a drop shadow, holding the library's logo, four
// lines of credits and a link label with the web address. Pointing at the link lights it up;
// clicking it has the shell open the address. No members, no events, nothing saved.

#include "framework/control.h"
#include "framework/sink.h"

namespace tessivra {

class Sobre final : public Control {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<Sobre>> create(Site site) { return createControl<Sobre>(site); }

    static constexpr Twips FixedWidth = 3735;
    static constexpr Twips FixedHeight = 3600;

    // Whatever size the container asks for, the panel keeps its own.
    ErrorOr<void> UserControl_Resize() override;

    Label& Label1() const { return *label1_; }

protected:
    ErrorOr<void> createConstituents() override;

private:
    explicit Sobre(Site site);
    template <typename C> friend ErrorOr<std::unique_ptr<C>> createControl(Site);

    ErrorOr<void> Label1_MouseMove(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y);
    ErrorOr<void> Label1_Click();
    ErrorOr<void> Picture1_MouseMove(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y);

    PartHandle<Label> label1_;
    Sink<Sobre,
         Handlers<Sobre>{.Click = &Sobre::Label1_Click, .MouseMove = &Sobre::Label1_MouseMove}>
        label1Events_{*this};
    Sink<Sobre, Handlers<Sobre>{.MouseMove = &Sobre::Picture1_MouseMove}> picture1Events_{*this};
};

} // namespace tessivra
