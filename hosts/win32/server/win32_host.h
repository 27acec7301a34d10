#pragma once
// The control's surface on the desktop: one child window per instance (the user control's own),
// with the constituents as Win32 child windows of it: EDIT for a text box, BUTTON, SCROLLBAR,
// STATIC for labels and picture boxes, SetTimer for timers. Until a container in-place activates
// the control, its window waits in a hidden parking window, so that a script host can drive a
// control it never shows.

#include "com_values.h"
#include "framework/host/container.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessivra::win32 {

// What the surface hands on to the COM object that owns it.
class SurfaceOwner {
public:
    virtual ~SurfaceOwner() = default;
    virtual ErrorOr<void> propertyChanged(std::u16string_view name) = 0;
    virtual ErrorOr<void> raiseEvent(DispId id, EventArgs args) = 0;
    virtual ErrorOr<FontRef> ambientFont() = 0;
    // The control's resize handler, after the surface changed its size.
    virtual ErrorOr<void> resized() = 0;
    // The container should make this control's window the active one (a click, the focus).
    virtual void activatedByUser() = 0;
    // Shows a menu that is not an automation object (the form's own); none can be by default.
    virtual ErrorOr<void> popupMenu(const Value& /*menu*/, const Value& /*flags*/,
                                    const Value& /*x*/, const Value& /*y*/,
                                    const Value& /*defaultMenu*/) {
        return Error::objectRequired();
    }
};

inline constexpr double TwipsPerPixel = 15.0; // at 96 dots to the inch

inline int toPixels(Twips t) {
    return static_cast<int>(static_cast<double>(t) / TwipsPerPixel + (t >= 0 ? 0.5 : -0.5));
}
inline Twips toTwips(int pixels) {
    return static_cast<Twips>(pixels * TwipsPerPixel);
}

class Win32Constituent;

// What one constituent shows, read from its window and its own state, for a form that hosts
// controls directly and inspects them as a user would see them (a test, a designer).
struct PartView {
    std::u16string name;
    std::string kind; // TextBox, CommandButton, VScrollBar, Label, Timer, PictureBox, Image
    HWND hwnd = nullptr;
    Bounds bounds;
    std::int16_t tabIndex = 0;
    std::u16string text; // the window's text: a box's text, a label's or a button's caption
    bool enabled = true;
    Colour foreColor = 0, backColor = 0;
    std::int16_t alignment = 0, backStyle = 1;
    std::int16_t value = 0;
    PictureRef picture;
    TextBox* textBox = nullptr;
    VScrollBar* scrollBar = nullptr;
    Label* label = nullptr;
    Timer* timer = nullptr;
    PictureBox* pictureBox = nullptr;
    Image* image = nullptr;
    UINT_PTR timerId = 0; // the WM_TIMER identifier on the surface's window
};

// Hears what the message loop would otherwise keep to itself: where the focus goes (reported
// once per move, before the constituent losing it hears of it) and the failure of a handler the
// desktop delivered an event to.
class InputObserver {
public:
    virtual ~InputObserver() = default;
    virtual void focusMoved(HWND /*to*/) {}
    virtual void handlerFailed(const Error&) {}
};
// One for the thread that runs the windows; null for none.
void setInputObserver(InputObserver*);

// The user control's window, the container a control instance sees.
class Win32Container final : public Container {
public:
    Win32Container(SurfaceOwner& owner, HMODULE module);
    ~Win32Container() override;
    Win32Container(const Win32Container&) = delete;
    Win32Container& operator=(const Win32Container&) = delete;

    HWND window() const { return hwnd_; }
    // Moves the window into a container's window (null: back to the parking window).
    void reparent(HWND parent);
    // The size a container gives the control, in pixels; runs the resize handler.
    void place(const RECT& r);
    void setVisible(bool visible);
    // Draws the control's face into a device context (IViewObject::Draw).
    void paintInto(HDC dc, const RECT& bounds);
    // Gives the focus to the first constituent that takes it.
    bool focusFirst();
    // Every constituent, in the order they were added.
    std::vector<PartView> parts() const;
    // The code page typed characters are converted with for KeyPress: the runtime's, which is
    // the system's ANSI code page unless the runtime was set up with another.
    void setCodePage(UINT codePage) { codePage_ = codePage; }
    UINT codePage() const { return codePage_; }

    ErrorOr<PartHandle<TextBox>> addTextBox(const TextBoxDesign&, TextBoxEvents*) override;
    ErrorOr<PartHandle<CommandButton>> addCommandButton(const CommandButtonDesign&,
                                                        CommandButtonEvents*) override;
    ErrorOr<PartHandle<VScrollBar>> addVScrollBar(const VScrollBarDesign&,
                                                  VScrollBarEvents*) override;
    ErrorOr<PartHandle<Label>> addLabel(const LabelDesign&, LabelEvents*) override;
    ErrorOr<PartHandle<Timer>> addTimer(const TimerDesign&, TimerEvents*) override;
    ErrorOr<PartHandle<PictureBox>> addPictureBox(const PictureBoxDesign&,
                                                  PictureBoxEvents*) override;
    ErrorOr<PartHandle<Image>> addImage(const ImageDesign&) override;

    ErrorOr<Twips> Width() override { return width_; }
    ErrorOr<void> setWidth(Twips) override;
    ErrorOr<Twips> Height() override { return height_; }
    ErrorOr<void> setHeight(Twips) override;
    ErrorOr<void> PropertyChanged(std::u16string_view propertyName) override;
    ErrorOr<void> RaiseEvent(DispId number, EventArgs args) override;
    ErrorOr<FontRef> AmbientFont() override;
    ErrorOr<PictureRef> MaskPicture() override { return maskPicture_; }
    ErrorOr<void> setMaskPicture(PictureRef p) override;
    ErrorOr<std::int32_t> hWnd() override;
    ErrorOr<void> PopupMenu(const Value& menu, const Value& flags, const Value& x, const Value& y,
                            const Value& defaultMenu) override;

    // The message a SendKeys "{tab}" posts to the window: move the focus on.
    static constexpr UINT MsgTabOn = WM_APP + 1;
    // A focus request made while the focus was moving, carried out afterwards.
    static constexpr UINT MsgFocus = WM_APP + 2;

    static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);
    // The window class names, registered once per process.
    static void registerClasses(HMODULE module);
    static void unregisterClasses(HMODULE module);

private:
    friend class Win32Constituent;
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    ErrorOr<void> resize(Twips w, Twips h);
    HWND parentFor(std::u16string_view parentName) const;
    Win32Constituent* constituentOf(HWND) const;
    // Takes a new constituent's window into the surface: its name, its part and its handle.
    template <class Part, class Design, class... Events>
    auto adopt(HWND h, const Design& d, const char* kind, std::int16_t tabIndex, Events*... e);

    SurfaceOwner& owner_;
    HWND hwnd_ = nullptr;
    Twips width_ = 0, height_ = 0;
    PictureRef maskPicture_;
    std::vector<std::unique_ptr<Win32Constituent>> parts_;
    // Each window by its constituent's name, for a label placed inside a picture box.
    std::vector<std::pair<std::u16string, HWND>> names_;
    UINT_PTR nextTimer_ = 1;
    UINT codePage_ = CP_ACP;
};

// The runtime services that are the host's own on the desktop, with the text services handed in.
class Win32Runtime final : public TextRuntime<TextServices&> {
public:
    Win32Runtime(TextServices& text, HMODULE module) : TextRuntime(text), module_(module) {}
    // Where a message box is owned and where "{tab}" is posted.
    void setWindow(HWND hwnd) { window_ = hwnd; }

    ErrorOr<std::int32_t> MsgBox(std::u16string_view prompt, std::int32_t style,
                                 std::u16string_view title) override;
    ErrorOr<void> SendKeys(std::u16string_view keys, const Value& wait) override;
    ErrorOr<TimeOfDay> Time() override;
    ErrorOr<std::u16string> AppPath() override;

private:
    HMODULE module_;
    HWND window_ = nullptr;
};

class Win32Shell final : public Shell {
public:
    ErrorOr<std::int32_t> ShellExecuteA(std::int32_t hwnd, std::string_view operation,
                                        std::string_view file, std::string_view parameters,
                                        std::string_view directory,
                                        std::int32_t showCommand) override;
};

// A top-level window of the library (the about window): a frame whose client area is a surface
// like a control's, hidden until shown; closing it only hides it.
class Win32Form final : public Form, private SurfaceOwner {
public:
    Win32Form(HMODULE module, std::u16string name);
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    const std::u16string& name() const { return name_; }
    HWND window() const { return frame_; }
    Win32Container& surface() { return *surface_; }
    std::u16string caption() const;
    PictureRef icon() const { return icon_; }
    bool visible() const { return IsWindowVisible(frame_) != FALSE; }
    // Called after the window was shown or hidden.
    std::function<void(bool shown)> onShown;

    ErrorOr<PartHandle<TextBox>> addTextBox(const TextBoxDesign& d, TextBoxEvents* e) override {
        return surface_->addTextBox(d, e);
    }
    ErrorOr<PartHandle<CommandButton>> addCommandButton(const CommandButtonDesign& d,
                                                        CommandButtonEvents* e) override {
        return surface_->addCommandButton(d, e);
    }
    ErrorOr<PartHandle<VScrollBar>> addVScrollBar(const VScrollBarDesign& d,
                                                  VScrollBarEvents* e) override {
        return surface_->addVScrollBar(d, e);
    }
    ErrorOr<PartHandle<Label>> addLabel(const LabelDesign& d, LabelEvents* e) override {
        return surface_->addLabel(d, e);
    }
    ErrorOr<PartHandle<Timer>> addTimer(const TimerDesign& d, TimerEvents* e) override {
        return surface_->addTimer(d, e);
    }
    ErrorOr<PartHandle<PictureBox>> addPictureBox(const PictureBoxDesign& d,
                                                  PictureBoxEvents* e) override {
        return surface_->addPictureBox(d, e);
    }
    ErrorOr<PartHandle<Image>> addImage(const ImageDesign& d) override {
        return surface_->addImage(d);
    }
    ErrorOr<void> setCaption(std::u16string_view) override;
    ErrorOr<void> setIcon(PictureRef) override;
    ErrorOr<void> Show() override;
    ErrorOr<void> Hide() override;
    HostObjects& objects() override { return objects_; }

    static LRESULT CALLBACK frameProc(HWND, UINT, WPARAM, LPARAM);

private:
    // The surface's owner: a window raises no events of its own and has no ambient font.
    ErrorOr<void> propertyChanged(std::u16string_view) override { return {}; }
    ErrorOr<void> raiseEvent(DispId, EventArgs) override { return {}; }
    ErrorOr<FontRef> ambientFont() override { return FontRef(); }
    ErrorOr<void> resized() override { return {}; }
    void activatedByUser() override {}
    void shown(bool);

    std::u16string name_;
    HWND frame_ = nullptr;
    std::unique_ptr<Win32Container> surface_;
    PictureRef icon_;
    Win32Objects objects_;
};

// The hidden top-level window that holds the windows of controls no container shows.
HWND parkingWindow(HMODULE module);
void destroyParkingWindow();

} // namespace tessivra::win32
