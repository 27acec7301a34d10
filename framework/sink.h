#pragma once
// The sink an owner hands a host with each constituent it creates. One template serves every
// kind of constituent and every owner: the owner names, where it declares the sink, which of its
// handlers each event goes to, and an event it names no handler for does nothing.

#include "framework/host/constituents.h"

namespace tessivra {

// The owner's handler for each event a constituent can report, or null.
template <class Owner> struct Handlers {
    using Plain = ErrorOr<void> (Owner::*)();
    using Key = ErrorOr<void> (Owner::*)(std::int16_t& KeyCode, std::int16_t& Shift);
    using Ascii = ErrorOr<void> (Owner::*)(std::int16_t& KeyAscii);
    using Mouse = ErrorOr<void> (Owner::*)(std::int16_t& Button, std::int16_t& Shift, float& X,
                                           float& Y);

    Plain Change = nullptr;
    Plain Click = nullptr;
    Plain DblClick = nullptr;
    Plain GotFocus = nullptr;
    Plain LostFocus = nullptr;
    Key KeyDown = nullptr;
    Ascii KeyPress = nullptr;
    Key KeyUp = nullptr;
    Mouse MouseDown = nullptr;
    Mouse MouseMove = nullptr;
    Mouse MouseUp = nullptr;
    Plain Scroll = nullptr;
    Plain Timer = nullptr;
};

// Any constituent's events, handed to the owner's handlers H with the host's argument references.
// It is a sink of every kind, so the same template goes to a text box, a label or a timer; each
// host call sees only the kind it asks for. A handler taken through a pointer to a virtual member
// runs the owner's override.
template <class Owner, Handlers<Owner> H>
class Sink final : public TextBoxEvents,
                   public CommandButtonEvents,
                   public VScrollBarEvents,
                   public LabelEvents,
                   public TimerEvents,
                   public PictureBoxEvents {
public:
    explicit Sink(Owner& owner) : owner_(owner) {}
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;

    ErrorOr<void> Change() override { return run<H.Change>(); }
    ErrorOr<void> Click() override { return run<H.Click>(); }
    ErrorOr<void> DblClick() override { return run<H.DblClick>(); }
    ErrorOr<void> GotFocus() override { return run<H.GotFocus>(); }
    ErrorOr<void> LostFocus() override { return run<H.LostFocus>(); }
    ErrorOr<void> KeyDown(std::int16_t& k, std::int16_t& s) override {
        return run<H.KeyDown>(k, s);
    }
    ErrorOr<void> KeyPress(std::int16_t& k) override { return run<H.KeyPress>(k); }
    ErrorOr<void> KeyUp(std::int16_t& k, std::int16_t& s) override { return run<H.KeyUp>(k, s); }
    ErrorOr<void> MouseDown(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
        return run<H.MouseDown>(b, s, x, y);
    }
    ErrorOr<void> MouseMove(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
        return run<H.MouseMove>(b, s, x, y);
    }
    ErrorOr<void> MouseUp(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
        return run<H.MouseUp>(b, s, x, y);
    }
    ErrorOr<void> Scroll() override { return run<H.Scroll>(); }
    ErrorOr<void> Timer() override { return run<H.Timer>(); }

private:
    // A plain test rather than a compile-time one: some compilers (g++ with the undefined
    // behaviour sanitizer) cannot compare a pointer to member while compiling. It folds away.
    template <auto Handler, typename... Args> ErrorOr<void> run(Args&... args) {
        if (Handler == nullptr) return {};
        return (owner_.*Handler)(args...);
    }

    Owner& owner_;
};

} // namespace tessivra
