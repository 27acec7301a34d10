#include "framework/host/container.h"
#include "framework/host/handle.h"

// Stand-ins that fail every call with the reason the real object is not there. They let a
// handle or a site always point at something, so that no caller tests for null and none reaches
// freed memory.

namespace tessivra {

namespace {

class FailingTextBox final : public TextBox {
public:
    explicit FailingTextBox(Error e) : error_(std::move(e)) {}
    ErrorOr<std::int16_t> Alignment() override { return error_; }
    ErrorOr<void> setAlignment(std::int16_t) override { return error_; }
    ErrorOr<Colour> BackColor() override { return error_; }
    ErrorOr<void> setBackColor(Colour) override { return error_; }
    ErrorOr<std::int16_t> BorderStyle() override { return error_; }
    ErrorOr<void> setBorderStyle(std::int16_t) override { return error_; }
    ErrorOr<VBool> Enabled() override { return error_; }
    ErrorOr<void> setEnabled(VBool) override { return error_; }
    ErrorOr<FontRef> Font() override { return error_; }
    ErrorOr<void> setFont(FontRef) override { return error_; }
    ErrorOr<Colour> ForeColor() override { return error_; }
    ErrorOr<void> setForeColor(Colour) override { return error_; }
    ErrorOr<VBool> Locked() override { return error_; }
    ErrorOr<void> setLocked(VBool) override { return error_; }
    ErrorOr<std::int32_t> MaxLength() override { return error_; }
    ErrorOr<void> setMaxLength(std::int32_t) override { return error_; }
    ErrorOr<PictureRef> MouseIcon() override { return error_; }
    ErrorOr<void> setMouseIcon(PictureRef) override { return error_; }
    ErrorOr<std::int16_t> MousePointer() override { return error_; }
    ErrorOr<void> setMousePointer(std::int16_t) override { return error_; }
    ErrorOr<VBool> MultiLine() override { return error_; }
    ErrorOr<std::u16string> PasswordChar() override { return error_; }
    ErrorOr<void> setPasswordChar(std::u16string_view) override { return error_; }
    ErrorOr<std::int16_t> ScrollBars() override { return error_; }
    ErrorOr<std::int32_t> SelLength() override { return error_; }
    ErrorOr<void> setSelLength(std::int32_t) override { return error_; }
    ErrorOr<std::int32_t> SelStart() override { return error_; }
    ErrorOr<void> setSelStart(std::int32_t) override { return error_; }
    ErrorOr<std::u16string> SelText() override { return error_; }
    ErrorOr<void> setSelText(std::u16string_view) override { return error_; }
    ErrorOr<std::u16string> Text() override { return error_; }
    ErrorOr<void> setText(std::u16string_view) override { return error_; }
    ErrorOr<std::u16string> ToolTipText() override { return error_; }
    ErrorOr<void> setToolTipText(std::u16string_view) override { return error_; }
    ErrorOr<Twips> Width() override { return error_; }
    ErrorOr<void> setWidth(Twips) override { return error_; }
    ErrorOr<Twips> Height() override { return error_; }
    ErrorOr<void> setHeight(Twips) override { return error_; }
    ErrorOr<void> SetFocus() override { return error_; }

private:
    Error error_;
};

class FailingCommandButton final : public CommandButton {
public:
    explicit FailingCommandButton(Error e) : error_(std::move(e)) {}
    ErrorOr<VBool> Enabled() override { return error_; }
    ErrorOr<void> setEnabled(VBool) override { return error_; }
    ErrorOr<Twips> Width() override { return error_; }
    ErrorOr<Twips> Left() override { return error_; }
    ErrorOr<void> setLeft(Twips) override { return error_; }

private:
    Error error_;
};

class FailingVScrollBar final : public VScrollBar {
public:
    explicit FailingVScrollBar(Error e) : error_(std::move(e)) {}
    ErrorOr<std::int16_t> Min() override { return error_; }
    ErrorOr<void> setMin(std::int16_t) override { return error_; }
    ErrorOr<std::int16_t> Max() override { return error_; }
    ErrorOr<void> setMax(std::int16_t) override { return error_; }
    ErrorOr<std::int16_t> Value() override { return error_; }
    ErrorOr<void> setValue(std::int16_t) override { return error_; }
    ErrorOr<Twips> Width() override { return error_; }
    ErrorOr<void> setLeft(Twips) override { return error_; }
    ErrorOr<void> setHeight(Twips) override { return error_; }

private:
    Error error_;
};

class FailingLabel final : public Label {
public:
    explicit FailingLabel(Error e) : error_(std::move(e)) {}
    ErrorOr<std::u16string> Caption() override { return error_; }
    ErrorOr<void> setCaption(std::u16string_view) override { return error_; }
    ErrorOr<Twips> Width() override { return error_; }
    ErrorOr<void> setWidth(Twips) override { return error_; }
    ErrorOr<Twips> Height() override { return error_; }
    ErrorOr<void> setHeight(Twips) override { return error_; }
    ErrorOr<Colour> BackColor() override { return error_; }
    ErrorOr<void> setBackColor(Colour) override { return error_; }
    ErrorOr<Colour> ForeColor() override { return error_; }
    ErrorOr<void> setForeColor(Colour) override { return error_; }
    ErrorOr<FontRef> Font() override { return error_; }
    ErrorOr<void> setFont(FontRef) override { return error_; }
    ErrorOr<VBool> FontBold() override { return error_; }
    ErrorOr<void> setFontBold(VBool) override { return error_; }
    ErrorOr<PictureRef> MouseIcon() override { return error_; }
    ErrorOr<void> setMouseIcon(PictureRef) override { return error_; }
    ErrorOr<std::int16_t> MousePointer() override { return error_; }
    ErrorOr<void> setMousePointer(std::int16_t) override { return error_; }
    ErrorOr<std::u16string> ToolTipText() override { return error_; }
    ErrorOr<void> setToolTipText(std::u16string_view) override { return error_; }

private:
    Error error_;
};

class FailingTimer final : public Timer {
public:
    explicit FailingTimer(Error e) : error_(std::move(e)) {}
    ErrorOr<std::int32_t> Interval() override { return error_; }
    ErrorOr<VBool> Enabled() override { return error_; }

private:
    Error error_;
};

class FailingPictureBox final : public PictureBox {
public:
    explicit FailingPictureBox(Error e) : error_(std::move(e)) {}
    ErrorOr<Colour> BackColor() override { return error_; }

private:
    Error error_;
};

class FailingImage final : public Image {
public:
    explicit FailingImage(Error e) : error_(std::move(e)) {}
    ErrorOr<PictureRef> Picture() override { return error_; }

private:
    Error error_;
};

Error gone(std::u16string_view kind) {
    return {errc::ObjectDisconnected,
            u"The " + std::u16string(kind) + u" has been destroyed by its host"};
}

Error notMade(std::u16string_view kind) {
    return {errc::ClientSiteNotAvailable,
            u"Client site not available: the " + std::u16string(kind) + u" has not been made"};
}

Error unsited() {
    return {errc::ClientSiteNotAvailable, u"Client site not available"};
}

class UnsitedContainer final : public Container {
public:
    ErrorOr<PartHandle<TextBox>> addTextBox(const TextBoxDesign&, TextBoxEvents*) override {
        return error_;
    }
    ErrorOr<PartHandle<CommandButton>> addCommandButton(const CommandButtonDesign&,
                                                        CommandButtonEvents*) override {
        return error_;
    }
    ErrorOr<PartHandle<VScrollBar>> addVScrollBar(const VScrollBarDesign&,
                                                  VScrollBarEvents*) override {
        return error_;
    }
    ErrorOr<PartHandle<Label>> addLabel(const LabelDesign&, LabelEvents*) override {
        return error_;
    }
    ErrorOr<PartHandle<Timer>> addTimer(const TimerDesign&, TimerEvents*) override {
        return error_;
    }
    ErrorOr<PartHandle<PictureBox>> addPictureBox(const PictureBoxDesign&,
                                                  PictureBoxEvents*) override {
        return error_;
    }
    ErrorOr<PartHandle<Image>> addImage(const ImageDesign&) override { return error_; }
    ErrorOr<Twips> Width() override { return error_; }
    ErrorOr<void> setWidth(Twips) override { return error_; }
    ErrorOr<Twips> Height() override { return error_; }
    ErrorOr<void> setHeight(Twips) override { return error_; }
    ErrorOr<void> PropertyChanged(std::u16string_view) override { return error_; }
    ErrorOr<void> RaiseEvent(DispId, EventArgs) override { return error_; }
    ErrorOr<FontRef> AmbientFont() override { return error_; }
    ErrorOr<PictureRef> MaskPicture() override { return error_; }
    ErrorOr<void> setMaskPicture(PictureRef) override { return error_; }
    ErrorOr<std::int32_t> hWnd() override { return error_; }
    ErrorOr<void> PopupMenu(const Value&, const Value&, const Value&, const Value&,
                            const Value&) override {
        return error_;
    }

private:
    Error error_ = unsited();
};

class UnsitedRuntime final : public Runtime {
public:
    ErrorOr<std::u16string> UCase(std::u16string_view) override { return error_; }
    ErrorOr<std::u16string> LCase(std::u16string_view) override { return error_; }
    ErrorOr<std::u16string> Chr(std::int32_t) override { return error_; }
    ErrorOr<std::int16_t> Asc(std::u16string_view) override { return error_; }
    ErrorOr<std::u16string> Format(const Value&, std::u16string_view, std::int32_t,
                                   std::int32_t) override {
        return error_;
    }
    ErrorOr<std::u16string> CStr(std::int16_t) override { return error_; }
    ErrorOr<std::int32_t> InStr(std::u16string_view, std::u16string_view) override {
        return error_;
    }
    ErrorOr<std::u16string> TimeText(TimeOfDay) override { return error_; }
    ErrorOr<std::string> StrConvFromUnicode(std::u16string_view) override { return error_; }
    ErrorOr<std::int32_t> MsgBox(std::u16string_view, std::int32_t, std::u16string_view) override {
        return error_;
    }
    ErrorOr<void> SendKeys(std::u16string_view, const Value&) override { return error_; }
    ErrorOr<TimeOfDay> Time() override { return error_; }
    ErrorOr<std::u16string> AppPath() override { return error_; }

private:
    Error error_ = unsited();
};

class UnsitedShell final : public Shell {
public:
    ErrorOr<std::int32_t> ShellExecuteA(std::int32_t, std::string_view, std::string_view,
                                        std::string_view, std::string_view, std::int32_t) override {
        return error_;
    }

private:
    Error error_ = unsited();
};

class UnsitedObjects final : public HostObjects {
public:
    ErrorOr<PictureRef> LoadResPicture(std::int32_t, ResourceKind) override { return error_; }
    ErrorOr<PictureRef> LoadPicture(std::span<const std::uint8_t>) override { return error_; }
    ErrorOr<FontRef> NewFont(const FontDescription&) override { return error_; }

private:
    Error error_ = unsited();
};

UnsitedContainer unsitedContainer;
UnsitedRuntime unsitedRuntime;
UnsitedShell unsitedShell;
UnsitedObjects unsitedObjects;

} // namespace

template <> TextBox& Standin<TextBox>::gone() {
    static FailingTextBox standin(tessivra::gone(u"text box"));
    return standin;
}
template <> TextBox& Standin<TextBox>::notMade() {
    static FailingTextBox standin(tessivra::notMade(u"text box"));
    return standin;
}
template <> CommandButton& Standin<CommandButton>::gone() {
    static FailingCommandButton standin(tessivra::gone(u"command button"));
    return standin;
}
template <> CommandButton& Standin<CommandButton>::notMade() {
    static FailingCommandButton standin(tessivra::notMade(u"command button"));
    return standin;
}
template <> VScrollBar& Standin<VScrollBar>::gone() {
    static FailingVScrollBar standin(tessivra::gone(u"scroll bar"));
    return standin;
}
template <> VScrollBar& Standin<VScrollBar>::notMade() {
    static FailingVScrollBar standin(tessivra::notMade(u"scroll bar"));
    return standin;
}
template <> Label& Standin<Label>::gone() {
    static FailingLabel standin(tessivra::gone(u"label"));
    return standin;
}
template <> Label& Standin<Label>::notMade() {
    static FailingLabel standin(tessivra::notMade(u"label"));
    return standin;
}
template <> Timer& Standin<Timer>::gone() {
    static FailingTimer standin(tessivra::gone(u"timer"));
    return standin;
}
template <> Timer& Standin<Timer>::notMade() {
    static FailingTimer standin(tessivra::notMade(u"timer"));
    return standin;
}
template <> PictureBox& Standin<PictureBox>::gone() {
    static FailingPictureBox standin(tessivra::gone(u"picture box"));
    return standin;
}
template <> PictureBox& Standin<PictureBox>::notMade() {
    static FailingPictureBox standin(tessivra::notMade(u"picture box"));
    return standin;
}
template <> Image& Standin<Image>::gone() {
    static FailingImage standin(tessivra::gone(u"image"));
    return standin;
}
template <> Image& Standin<Image>::notMade() {
    static FailingImage standin(tessivra::notMade(u"image"));
    return standin;
}

Site unsitedSite() {
    return Site{unsitedContainer, unsitedRuntime, unsitedShell, unsitedObjects};
}

bool isSited(const Site& site) {
    return &site.container != &unsitedContainer;
}

} // namespace tessivra
