#pragma once
// The desktop host on Qt 6 Widgets: every host interface of framework/host/ on real widgets.
//
// The entry point is QtHost. A QtHost holds what every control on it shares (the runtime with
// its locale and code page, the shell, the picture and font objects) and makes one QtContainer
// for each control placed on a QWidget of the application's:
//
//     QApplication app(argc, argv);
//     QWidget window;
//     tessivra::qt::QtHost host;                        // the system's locale and code page
//     auto site = host.create("Tessivra.MailText", u"Mail1", &window).value();
//     site->setSink(&myEvents);                         // a tessivra::EventSink of the form's
//     window.show();
//
// `create` takes a class name, a ProgId (in any case) or a class identifier ("{...}") of the
// shipped class table, makes the control on a surface widget that is a child of the given
// parent, runs its creation handler and its first resize. The QtContainer is the control's
// Container (its Site's), the owner of its surface widget (`widget()`), and the place its events
// go (`setSink`). Destroy it to remove the control; while one of the control's handlers is on
// the stack, use QtHost::destroyLater instead, which waits until the handler has returned. A
// container must go before its host. If the parent widget deletes the surface first, the
// constituents go with it and the control's calls through them fail cleanly (disconnected).
//
// The rules the host keeps are those of framework/host/: key events raise KeyDown with Windows
// virtual-key codes, KeyPress with the character's code in the code page, then the character
// KeyAscii holds is inserted; typing, pasting and assignment run through one edit path, and
// MaxLength holds back typing and pasting only. Sizes are twips, converted to pixels by the
// screen's logical DPI.

#include "framework/control.h"
#include "framework/host/container.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessivra::qt {

class QtHostImpl;
class QtContainer;
class QtWindow;
class QtConstituent;

struct HostSettings {
    // An ICU locale name or language tag; empty for the system's (QLocale::system()).
    std::string locale;
    // The system's single-byte code page by an ICU converter name; empty for the ANSI code page
    // a Windows system of the locale uses (windows-1250 for pl-PL, windows-1251 for ru-RU...).
    std::string codePage;
    // The folder reported as the library's; empty for the application's own folder.
    std::u16string appPath;
    // Timers and the clock run on real time unless set: then the clock stands still at the
    // time QtHost::setClock gave it, and timers fire only when QtHost::advance moves it on.
    bool manualTime = false;
};

// The ANSI code page Windows uses for a locale ("pl-PL" gives "windows-1250"); windows-1252 for
// any locale it does not list, and for the East Asian ones, whose code pages are not single-byte.
std::string ansiCodePageFor(std::string_view localeTag);

// What a form or a test hears of the host besides the controls' events. Every hook is
// optional; a host without an observer pays one pointer test for each.
class HostObserver {
public:
    virtual ~HostObserver() = default;
    // Before the form's sink hears the event.
    virtual void eventRaised(QtContainer&, DispId, EventArgs) {}
    // After the form's sink has run, with the arguments it left.
    virtual void eventHandled(QtContainer&, DispId, EventArgs) {}
    virtual void propertyChanged(QtContainer&, std::u16string_view) {}
    // A constituent took the focus (a move the controls were told of).
    virtual void focusMoved(QtConstituent&) {}
    // Just before the modal box runs its loop; `box` is the QMessageBox.
    virtual void messageBoxShown(QWidget& /*box*/, std::u16string_view /*prompt*/,
                                 std::int32_t /*style*/, std::u16string_view /*title*/) {}
    virtual void keysSent(std::u16string_view) {}
    // Return true to have the request taken as handled, with `result` as the shell's answer,
    // without opening anything.
    virtual bool shellRequest(std::int32_t /*hwnd*/, std::string_view /*operation*/,
                              std::string_view /*file*/, std::string_view /*parameters*/,
                              std::string_view /*directory*/, std::int32_t /*show*/,
                              std::int32_t& /*result*/) {
        return false;
    }
    virtual void popupMenu(QtContainer&, const Value&, const Value&, const Value&, const Value&,
                           const Value&) {}
    virtual void windowShown(QtWindow&, bool /*shown*/) {}
    // A handler run for the user's input (a key, a click, a timer) failed: the failure has no
    // caller to go back to, so it comes here.
    virtual void handlerFailed(const Error&) {}
};

using ControlFactory = std::function<ErrorOr<std::shared_ptr<Control>>(Site)>;

class QtHost {
public:
    explicit QtHost(HostSettings = {});
    ~QtHost();
    QtHost(const QtHost&) = delete;
    QtHost& operator=(const QtHost&) = delete;

    // Creates a control of a shipped class on `parent` (see the top of this file).
    ErrorOr<std::unique_ptr<QtContainer>> create(std::string_view classNameProgIdOrClsid,
                                                 std::u16string_view name, QWidget* parent);
    // The same for any factory, at the size given in twips; `place` false leaves the first
    // resize to the caller (QtContainer::place), as a form that loads properties first does.
    ErrorOr<std::unique_ptr<QtContainer>> create(const ControlFactory&, Twips width, Twips height,
                                                 std::u16string_view name, QWidget* parent,
                                                 bool place = true);
    // A top-level window of the library (the about window), hidden until its class shows it.
    // The host keeps it until it is destroyed.
    QtWindow& openWindow(std::u16string_view name);
    QtWindow* window(std::u16string_view name) const;

    // Destroys the container now, or, when a control's handler is on the stack, once the
    // outermost handler has returned.
    void destroyLater(std::unique_ptr<QtContainer>);
    // True while a handler of some control on this host is running.
    bool inHandler() const;

    Runtime& runtime();
    Shell& shell();
    HostObjects& objects();
    const HostSettings& settings() const;
    void setObserver(HostObserver*);
    // The font a control sees as its container's ambient font.
    FontRef ambientFont() const;

    // With manual time: sets the clock (milliseconds since midnight), or advances it, firing
    // each timer due meanwhile once, at its last due moment, in the order of those moments,
    // the clock showing each moment as its timer fires (missed intervals coalesce, as a
    // desktop's timer messages do). A negative advance is refused.
    void setClock(std::int64_t msSinceMidnight);
    std::int64_t clock() const;
    ErrorOr<void> advance(std::int64_t milliseconds);

    // Twips and pixels at the primary screen's logical DPI, 1440 twips to the inch.
    static int toPixels(Twips);
    // Pointer positions come in fractions of a pixel.
    static Twips toTwips(double pixels);

    QtHostImpl& impl() { return *impl_; }

private:
    std::unique_ptr<QtHostImpl> impl_;
};

// The container of one control: its surface widget, its constituents and its events.
class QtContainer : public Container {
public:
    ~QtContainer() override;
    QWidget* widget() const;
    Control* control() const;
    std::shared_ptr<Control> controlRef() const;
    const std::u16string& name() const;
    void setSink(EventSink*);
    EventSink* sink() const;
    // The first placement: the control's resize handler at the current size.
    ErrorOr<void> place();
    ErrorOr<void> resize(Twips width, Twips height);
    ErrorOr<void> load(PropertyBag&);
    ErrorOr<void> save(PropertyBag&);
    const std::vector<std::unique_ptr<QtConstituent>>& constituents() const;
    QtConstituent* find(std::u16string_view name) const;
    // The container's size as it stands.
    Twips width() const;
    Twips height() const;

    struct State;
    explicit QtContainer(std::unique_ptr<State>);
    State& state() { return *state_; }

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
    ErrorOr<Twips> Width() override;
    ErrorOr<void> setWidth(Twips) override;
    ErrorOr<Twips> Height() override;
    ErrorOr<void> setHeight(Twips) override;
    ErrorOr<void> PropertyChanged(std::u16string_view) override;
    ErrorOr<void> RaiseEvent(DispId, EventArgs) override;
    ErrorOr<FontRef> AmbientFont() override;
    ErrorOr<PictureRef> MaskPicture() override;
    ErrorOr<void> setMaskPicture(PictureRef) override;
    ErrorOr<std::int32_t> hWnd() override;
    ErrorOr<void> PopupMenu(const Value&, const Value&, const Value&, const Value&,
                            const Value&) override;

private:
    std::unique_ptr<State> state_;
};

// A top-level window of the library.
class QtWindow final : public Form {
public:
    QtWindow(QtHostImpl&, std::u16string name);
    ~QtWindow() override;
    QWidget* widget() const;
    const std::u16string& name() const { return name_; }
    std::u16string caption() const;
    PictureRef icon() const { return icon_; }
    bool visible() const;
    QtConstituent* find(std::u16string_view name) const;
    const std::vector<std::unique_ptr<QtConstituent>>& constituents() const;

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
    ErrorOr<void> setCaption(std::u16string_view) override;
    ErrorOr<void> setIcon(PictureRef) override;
    ErrorOr<void> Show() override;
    ErrorOr<void> Hide() override;
    HostObjects& objects() override;

    struct Parts;

private:
    QtHostImpl& host_;
    std::u16string name_;
    std::unique_ptr<QWidget> widget_;
    PictureRef icon_;
    std::unique_ptr<Parts> parts_;
};

} // namespace tessivra::qt
