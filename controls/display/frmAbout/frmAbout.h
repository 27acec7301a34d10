#pragma once
// The library's about window: the credits of the panel on a window of their own, with a close
// label. The library never opens it; a host that does gets it loaded and hidden, to show.

#include "framework/host/container.h"
#include "framework/sink.h"

#include <memory>

namespace tessivra {

class frmAbout final {
public:
    static constexpr std::u16string_view Title = u"Sobre";
    // The client area, which the panel fills.
    static constexpr Twips ClientWidth = 3495;
    static constexpr Twips ClientHeight = 3375;

    // Dresses the window and places its constituents on it; the window stays hidden.
    static ErrorOr<std::unique_ptr<frmAbout>> create(Form& window);

    frmAbout(const frmAbout&) = delete;
    frmAbout& operator=(const frmAbout&) = delete;

    Form& window() const { return window_; }

private:
    explicit frmAbout(Form& window) : window_(window) {}
    ErrorOr<void> createConstituents();

    // Closing only hides the window: it stays loaded.
    ErrorOr<void> Label6_Click();

    Form& window_;
    Sink<frmAbout, Handlers<frmAbout>{.Click = &frmAbout::Label6_Click}> label6Events_{*this};
};

} // namespace tessivra
