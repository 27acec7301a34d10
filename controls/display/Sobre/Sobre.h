#pragma once
// The credits panel: a fixed-size panel with a drop shadow, holding the library's logo, four
// lines of credits and a link label with the web address. Pointing at the link lights it up;
// clicking it has the shell open the address. No members, no events, nothing saved.

#include "framework/control.h"

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

    class Label1Events final : public LabelEvents {
    public:
        explicit Label1Events(Sobre& c) : c_(c) {}
        ErrorOr<void> Click() override { return c_.Label1_Click(); }
        ErrorOr<void> MouseMove(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
            return c_.Label1_MouseMove(b, s, x, y);
        }

    private:
        Sobre& c_;
    };

    class Picture1Events final : public PictureBoxEvents {
    public:
        explicit Picture1Events(Sobre& c) : c_(c) {}
        ErrorOr<void> MouseMove(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
            return c_.Picture1_MouseMove(b, s, x, y);
        }

    private:
        Sobre& c_;
    };

    Label* label1_ = nullptr;
    Label1Events label1Events_{*this};
    Picture1Events picture1Events_{*this};
};

} // namespace tessivra
