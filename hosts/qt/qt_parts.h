#pragma once
// The Qt host's insides: the shared services and the constituents on their widgets. Tests and
// tools that drive the widgets directly include this; applications need only qt_host.h.

#include "framework/host/checks.h"
#include "framework/host/edit_rules.h"
#include "framework/host/form_focus.h"
#include "hosts/qt/qt_host.h"
#include "runtime/icu/text_services.h"

#include <QColor>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QString>
#include <QTimer>

#include <deque>
#include <map>

namespace tessivra::qt {

inline QString toQ(std::u16string_view s) {
    return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}
inline std::u16string fromQ(const QString& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()),
                          static_cast<std::size_t>(s.size()));
}

// A colour as the desktop draws it: an RGB value as it is, a system colour from the
// application's palette (Window → Base, Window text → Text, Button face → Button...).
QColor toQColor(Colour);
// The cursor of a MousePointer value (99 takes the icon's picture); refused values fail.
ErrorOr<QCursor> cursorFor(std::int16_t pointer, const PictureRef& icon);
// Shows a MousePointer value's cursor over a widget (0: the widget's own); a refused value
// changes nothing.
ErrorOr<void> showPointer(QWidget&, std::int16_t pointer, const PictureRef& icon);
// The Qt font of an automation font; null gives the application's.
QFont toQFont(const FontRef&);
// Fonts, sizes and positions are checked as every host checks them: a font's size finite and
// positive, sizes and positions within what a 32-bit coordinate holds.
using tessivra::checkFont;
using tessivra::checkPosition;
using tessivra::checkSize;

// A picture the host can draw: the automation picture with its pixmap (and, for a cursor, the
// hotspot its file names).
class QtPicture final : public Picture {
public:
    QPixmap pixmap;
    QPoint hotspot;
};

class QtObjects final : public HostObjects {
public:
    ErrorOr<PictureRef> LoadResPicture(std::int32_t id, ResourceKind) override;
    ErrorOr<PictureRef> LoadPicture(std::span<const std::uint8_t> bytes) override;
    ErrorOr<FontRef> NewFont(const FontDescription&) override;
};
// Decodes a picture's bytes: a bitmap resource (no file header), or an icon or cursor file.
ErrorOr<std::shared_ptr<QtPicture>> decodeBitmapResource(std::span<const std::uint8_t>);
ErrorOr<std::shared_ptr<QtPicture>> decodeIconFile(std::span<const std::uint8_t>, ResourceKind);
ErrorOr<std::shared_ptr<QtPicture>> decodePictureFile(std::span<const std::uint8_t>);

// The ICU text services, held here, and the desktop's own message box, keys and clock.
class QtRuntime final : public TextRuntime<icuruntime::IcuTextServices> {
public:
    QtRuntime(QtHostImpl&, icuruntime::TextSettings);
    ErrorOr<std::int32_t> MsgBox(std::u16string_view prompt, std::int32_t style,
                                 std::u16string_view title) override;
    ErrorOr<void> SendKeys(std::u16string_view keys, const Value& wait) override;
    ErrorOr<TimeOfDay> Time() override;
    ErrorOr<std::u16string> AppPath() override;

private:
    // Delivers one request's keys to whatever holds the focus then.
    void deliver(const std::u16string& keys);
    QtHostImpl& host_;
};

// Opens addresses and files with the desktop's handler (QDesktopServices::openUrl), the texts
// read from the code page into UTF-8.
class QtShell final : public Shell {
public:
    explicit QtShell(QtHostImpl& host) : host_(host) {}
    ErrorOr<std::int32_t> ShellExecuteA(std::int32_t hwnd, std::string_view operation,
                                        std::string_view file, std::string_view parameters,
                                        std::string_view directory,
                                        std::int32_t showCommand) override;

private:
    QtHostImpl& host_;
};

class QtTimerPart;

class QtHostImpl {
public:
    explicit QtHostImpl(HostSettings);
    ~QtHostImpl();

    HostSettings settings;
    QtRuntime runtime;
    QtShell shell{*this};
    QtObjects objects;
    HostObserver* observer = nullptr;
    FontRef ambientFont;
    std::vector<std::unique_ptr<QtWindow>> windows;
    std::int32_t nextHwnd = 0x10000;
    // The virtual clock of manual time, and the timers that run on it.
    std::int64_t clockMs = 12 * 3600 * 1000;
    std::vector<QtTimerPart*> timers;
    std::uint64_t timersMade = 0;

    // Every delivery of an event to a control runs inside one of these, so that the host
    // knows when a control's handler is on the stack.
    class HandlerScope {
    public:
        explicit HandlerScope(QtHostImpl& h) : h_(h) { ++h_.depth_; }
        ~HandlerScope() {
            if (--h_.depth_ == 0 && !h_.doomed_.empty()) h_.destroyDoomed();
        }
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;

    private:
        QtHostImpl& h_;
    };
    bool inHandler() const { return depth_ > 0; }
    void destroyLater(std::unique_ptr<QtContainer>);
    // A handler's failure from input that has no caller.
    void failed(ErrorOr<void>&& r) {
        if (r.isError() && observer) observer->handlerFailed(r.error());
    }
    // Inside a focus event: a focus request then waits for the move to complete.
    int focusMoving = 0;
    // A move of the focus is told of once, as it starts: from the losing widget's focus-out
    // (the toolkit has already named the new holder), or from the new holder's focus-in when
    // nothing of ours lost it.
    void focusLeaving(QtConstituent& from);
    void focusArriving(QtConstituent& to);

private:
    void destroyDoomed();
    const QtConstituent* announced_ = nullptr;
    int depth_ = 0;
    std::vector<std::unique_ptr<QtContainer>> doomed_;
};

// A surface constituents are placed on: a control's own widget, or a window's.
class Placer {
public:
    Placer(QtHostImpl& h, std::u16string n, QWidget* w) : host(h), name(std::move(n)), widget(w) {}
    Placer(const Placer&) = delete;
    Placer& operator=(const Placer&) = delete;
    ~Placer();
    QtHostImpl& host;
    std::u16string name;
    QPointer<QWidget> widget;
    std::vector<std::unique_ptr<QtConstituent>> parts;

    QtConstituent* find(std::u16string_view part) const;
    // The widget a constituent of that parent name goes on: a picture box of this surface, or
    // the surface itself for an empty name.
    ErrorOr<QWidget*> parentFor(std::u16string_view parentName) const;
    // Orders the surface's focusable widgets by their tab indexes.
    void orderTabs();
    void destroyParts();

    ErrorOr<PartHandle<TextBox>> addTextBox(const TextBoxDesign&, TextBoxEvents*);
    ErrorOr<PartHandle<CommandButton>> addCommandButton(const CommandButtonDesign&,
                                                        CommandButtonEvents*);
    ErrorOr<PartHandle<VScrollBar>> addVScrollBar(const VScrollBarDesign&, VScrollBarEvents*);
    ErrorOr<PartHandle<Label>> addLabel(const LabelDesign&, LabelEvents*);
    ErrorOr<PartHandle<Timer>> addTimer(const TimerDesign&, TimerEvents*);
    ErrorOr<PartHandle<PictureBox>> addPictureBox(const PictureBoxDesign&, PictureBoxEvents*);
    ErrorOr<PartHandle<Image>> addImage(const ImageDesign&);
};

// What every constituent shares: its name, its place in twips, and its widget.
class QtConstituent {
public:
    QtConstituent(Placer& owner, std::u16string_view name, Bounds b, std::int16_t tabIndex)
        : owner_(owner), name_(name), bounds_(b), tabIndex_(tabIndex) {}
    virtual ~QtConstituent() = default;
    const std::u16string& name() const { return name_; }
    Placer& owner() const { return owner_; }
    const Bounds& bounds() const { return bounds_; }
    std::int16_t tabIndex() const { return tabIndex_; }
    // Null for a constituent without one (a timer).
    virtual QWidget* widget() const = 0;
    virtual const char* kind() const = 0;
    // The constituent whose widget this is, or null.
    static QtConstituent* of(const QObject*);

protected:
    QtHostImpl& host() const { return owner_.host; }
    // Places the widget at the bounds, in pixels.
    void place(QWidget*, QWidget* parent);
    void reposition(QWidget*);
    // Moves or resizes the widget: one of the bounds set, checked as a position (left, top) or a
    // size (width, height) first.
    ErrorOr<void> setBound(QWidget*, Twips Bounds::*bound, Twips value);
    // Focus events of the widget: tells the controls of real moves only. A window activation
    // (a modal box opening or closing) or a pop-up is not a move of the form's focus.
    static bool isFocusMove(Qt::FocusReason r) {
        return r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason;
    }
    // Shift bits of the automation: 1 Shift, 2 Ctrl, 4 Alt.
    static std::int16_t shiftBits(Qt::KeyboardModifiers);
    static std::int16_t buttonBits(Qt::MouseButtons);
    ErrorOr<void> setFocusOn(QWidget*);

    Placer& owner_;
    std::u16string name_;
    Bounds bounds_;
    std::int16_t tabIndex_;
};

class QtTextBox;

// The line edit of a text box: every key and every change of text goes through its box's
// edit path; the QLineEdit keeps the text, the caret and the selection, and draws them.
class EditWidget final : public QLineEdit {
public:
    EditWidget(QtTextBox& box, QWidget* parent) : QLineEdit(parent), box_(box) {}

protected:
    void keyPressEvent(QKeyEvent*) override;
    void keyReleaseEvent(QKeyEvent*) override;
    void inputMethodEvent(QInputMethodEvent*) override;
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;

private:
    void restoreSelection(int start, int length);
    friend class QtTextBox;
    QtTextBox& box_;
    // The release that ends a double click is not a click of its own.
    bool afterDoubleClick_ = false;
};

class QtTextBox final : public TextBox, public QtConstituent {
public:
    QtTextBox(Placer&, const TextBoxDesign&, TextBoxEvents*, QWidget* parent);
    ~QtTextBox() override;
    PartHandle<TextBox> handle() const { return anchor_.handle(); }
    QWidget* widget() const override { return edit_; }
    const char* kind() const override { return "TextBox"; }
    EditWidget* edit() const { return edit_; }

    ErrorOr<std::int16_t> Alignment() override;
    ErrorOr<void> setAlignment(std::int16_t) override;
    ErrorOr<Colour> BackColor() override;
    ErrorOr<void> setBackColor(Colour) override;
    ErrorOr<std::int16_t> BorderStyle() override;
    ErrorOr<void> setBorderStyle(std::int16_t) override;
    ErrorOr<VBool> Enabled() override;
    ErrorOr<void> setEnabled(VBool) override;
    ErrorOr<FontRef> Font() override;
    ErrorOr<void> setFont(FontRef) override;
    ErrorOr<Colour> ForeColor() override;
    ErrorOr<void> setForeColor(Colour) override;
    ErrorOr<VBool> Locked() override;
    ErrorOr<void> setLocked(VBool) override;
    ErrorOr<std::int32_t> MaxLength() override;
    ErrorOr<void> setMaxLength(std::int32_t) override;
    ErrorOr<PictureRef> MouseIcon() override;
    ErrorOr<void> setMouseIcon(PictureRef) override;
    ErrorOr<std::int16_t> MousePointer() override;
    ErrorOr<void> setMousePointer(std::int16_t) override;
    ErrorOr<VBool> MultiLine() override;
    ErrorOr<std::u16string> PasswordChar() override;
    ErrorOr<void> setPasswordChar(std::u16string_view) override;
    ErrorOr<std::int16_t> ScrollBars() override;
    ErrorOr<std::int32_t> SelLength() override;
    ErrorOr<void> setSelLength(std::int32_t) override;
    ErrorOr<std::int32_t> SelStart() override;
    ErrorOr<void> setSelStart(std::int32_t) override;
    ErrorOr<std::u16string> SelText() override;
    ErrorOr<void> setSelText(std::u16string_view) override;
    ErrorOr<std::u16string> Text() override;
    ErrorOr<void> setText(std::u16string_view) override;
    ErrorOr<std::u16string> ToolTipText() override;
    ErrorOr<void> setToolTipText(std::u16string_view) override;
    ErrorOr<Twips> Width() override;
    ErrorOr<void> setWidth(Twips) override;
    ErrorOr<Twips> Height() override;
    ErrorOr<void> setHeight(Twips) override;
    ErrorOr<void> SetFocus() override;

    // The user's side, from the widget's events.
    ErrorOr<void> keyPress(QKeyEvent&);
    ErrorOr<void> keyRelease(QKeyEvent&);
    // Inserts at the caret, replacing the selection, without key events.
    ErrorOr<void> paste(std::u16string_view);
    ErrorOr<void> mouse(int what, QMouseEvent&);
    TextBoxEvents* events() const { return events_.get(); }

    std::int32_t maxLength() const { return maxLength_; }
    Colour backColor() const { return backColor_; }
    Colour foreColor() const { return foreColor_; }

private:
    friend class EditWidget;
    // The one editing path: typing, pasting and assignment all replace the selection here;
    // only typing and pasting are held to MaxLength and Locked.
    ErrorOr<void> replaceSelection(std::u16string_view, EditSource);
    ErrorOr<void> typed(std::int16_t& keyAscii, std::u16string_view asTyped);
    ErrorOr<void> deleteKey(bool backspace);
    std::int32_t selStart() const;
    std::int32_t selLength() const;
    void applyPalette();
    void selectionChanged();
    // The selection a box without the focus keeps, or -1 when the line edit holds it.
    std::int32_t keptStart_ = -1, keptLength_ = 0;

    SinkRef<TextBoxEvents> events_;
    QPointer<EditWidget> edit_;
    PartAnchor<TextBox> anchor_{*this};
    std::int16_t alignment_ = 0, borderStyle_ = 1, mousePointer_ = 0;
    Colour backColor_ = syscolour::WindowBackground, foreColor_ = syscolour::WindowText;
    bool locked_ = false;
    std::int32_t maxLength_ = 0;
    FontRef font_;
    PictureRef mouseIcon_;
    std::u16string passwordChar_, toolTipText_;
    QObject* passwordStyle_ = nullptr;
};

class ButtonWidget;
class QtCommandButton final : public CommandButton, public QtConstituent {
public:
    QtCommandButton(Placer&, const CommandButtonDesign&, CommandButtonEvents*, QWidget* parent);
    ~QtCommandButton() override;
    PartHandle<CommandButton> handle() const { return anchor_.handle(); }
    QWidget* widget() const override;
    const char* kind() const override { return "CommandButton"; }
    ErrorOr<VBool> Enabled() override;
    ErrorOr<void> setEnabled(VBool) override;
    ErrorOr<Twips> Width() override;
    ErrorOr<Twips> Left() override;
    ErrorOr<void> setLeft(Twips) override;
    const PictureRef& picture() const { return picture_; }
    QPushButton* button() const;
    void clicked();

private:
    SinkRef<CommandButtonEvents> events_;
    QPointer<ButtonWidget> button_;
    PartAnchor<CommandButton> anchor_{*this};
    PictureRef picture_;
};

class BarWidget;
class QtVScrollBar final : public VScrollBar, public QtConstituent {
public:
    QtVScrollBar(Placer&, const VScrollBarDesign&, VScrollBarEvents*, QWidget* parent);
    ~QtVScrollBar() override;
    PartHandle<VScrollBar> handle() const { return anchor_.handle(); }
    QWidget* widget() const override;
    const char* kind() const override { return "VScrollBar"; }
    QScrollBar* bar() const;
    ErrorOr<std::int16_t> Min() override;
    ErrorOr<void> setMin(std::int16_t) override;
    ErrorOr<std::int16_t> Max() override;
    ErrorOr<void> setMax(std::int16_t) override;
    ErrorOr<std::int16_t> Value() override;
    ErrorOr<void> setValue(std::int16_t) override;
    ErrorOr<Twips> Width() override;
    ErrorOr<void> setLeft(Twips) override;
    ErrorOr<void> setHeight(Twips) override;
    std::int16_t value() const { return value_; }
    // From the widget: the user moved the bar to this step (0 at the top).
    void userMoved(int step, bool dragging);

private:
    // Every change of position, by the user or by code, is reported; staying put is not.
    ErrorOr<void> moveTo(std::int16_t);
    // The widget's range and step after a change of Min, Max or Value. The widget counts
    // steps from the top, 0 to |Max - Min|, so that Min is at the top whichever is larger.
    void sync();
    SinkRef<VScrollBarEvents> events_;
    QPointer<BarWidget> bar_;
    PartAnchor<VScrollBar> anchor_{*this};
    std::int16_t min_, max_, value_;
    bool syncing_ = false;
};

class LabelWidget;
class QtLabel final : public Label, public QtConstituent {
public:
    QtLabel(Placer&, const LabelDesign&, LabelEvents*, QWidget* parent);
    ~QtLabel() override;
    PartHandle<Label> handle() const { return anchor_.handle(); }
    QWidget* widget() const override;
    const char* kind() const override { return "Label"; }
    ErrorOr<std::u16string> Caption() override;
    ErrorOr<void> setCaption(std::u16string_view) override;
    ErrorOr<Twips> Width() override;
    ErrorOr<void> setWidth(Twips) override;
    ErrorOr<Twips> Height() override;
    ErrorOr<void> setHeight(Twips) override;
    ErrorOr<Colour> BackColor() override;
    ErrorOr<void> setBackColor(Colour) override;
    ErrorOr<Colour> ForeColor() override;
    ErrorOr<void> setForeColor(Colour) override;
    ErrorOr<FontRef> Font() override;
    ErrorOr<void> setFont(FontRef) override;
    ErrorOr<VBool> FontBold() override;
    ErrorOr<void> setFontBold(VBool) override;
    ErrorOr<PictureRef> MouseIcon() override;
    ErrorOr<void> setMouseIcon(PictureRef) override;
    ErrorOr<std::int16_t> MousePointer() override;
    ErrorOr<void> setMousePointer(std::int16_t) override;
    ErrorOr<std::u16string> ToolTipText() override;
    ErrorOr<void> setToolTipText(std::u16string_view) override;

    LabelEvents* events() const { return events_.get(); }
    std::u16string caption() const;
    Colour foreColor() const { return foreColor_; }
    Colour backColor() const { return backColor_; }
    bool bold() const { return bold_; }
    const FontRef& font() const { return font_; }
    std::int16_t backStyle() const { return backStyle_; }
    std::int16_t alignment() const { return alignment_; }

private:
    void applyLook();
    SinkRef<LabelEvents> events_;
    QPointer<LabelWidget> label_;
    PartAnchor<Label> anchor_{*this};
    std::int16_t alignment_, backStyle_, mousePointer_;
    bool autoSize_, bold_;
    Colour backColor_, foreColor_;
    FontRef font_;
    PictureRef mouseIcon_;
    std::u16string toolTipText_;
};

class QtTimerPart final : public Timer, public QtConstituent {
public:
    QtTimerPart(Placer&, const TimerDesign&, TimerEvents*);
    ~QtTimerPart() override;
    PartHandle<Timer> handle() const { return anchor_.handle(); }
    QWidget* widget() const override { return nullptr; }
    const char* kind() const override { return "Timer"; }
    ErrorOr<std::int32_t> Interval() override;
    ErrorOr<VBool> Enabled() override;
    ErrorOr<void> fire();
    // Manual time: when it is next due, and the last moment up to `now` at which it is due.
    std::int64_t due = 0;
    std::int64_t lastDueBy(std::int64_t now) const;
    bool running() const { return enabled_ && interval_ > 0; }
    std::uint64_t order = 0;
    QTimer& timer() { return timer_; }

private:
    SinkRef<TimerEvents> events_;
    QTimer timer_;
    PartAnchor<Timer> anchor_{*this};
    std::int32_t interval_;
    bool enabled_;
};

class BoxWidget;
class QtPictureBox final : public PictureBox, public QtConstituent {
public:
    QtPictureBox(Placer&, const PictureBoxDesign&, PictureBoxEvents*, QWidget* parent);
    ~QtPictureBox() override;
    PartHandle<PictureBox> handle() const { return anchor_.handle(); }
    QWidget* widget() const override;
    const char* kind() const override { return "PictureBox"; }
    ErrorOr<Colour> BackColor() override;
    PictureBoxEvents* events() const { return events_.get(); }

private:
    SinkRef<PictureBoxEvents> events_;
    QPointer<BoxWidget> box_;
    PartAnchor<PictureBox> anchor_{*this};
    Colour backColor_, foreColor_;
};

class QtImage final : public Image, public QtConstituent {
public:
    QtImage(Placer&, const ImageDesign&, QWidget* parent);
    ~QtImage() override;
    PartHandle<Image> handle() const { return anchor_.handle(); }
    QWidget* widget() const override { return label_; }
    const char* kind() const override { return "Image"; }
    ErrorOr<PictureRef> Picture() override;

private:
    PictureRef picture_;
    QPointer<QLabel> label_;
    PartAnchor<Image> anchor_{*this};
};

struct QtContainer::State {
    State(QtHostImpl& host, std::u16string name, QWidget* parent);
    QtHostImpl& host;
    QPointer<QWidget> surface;
    Placer placer;
    std::shared_ptr<Control> control;
    EventSink* sink = nullptr;
    Twips width = 0, height = 0;
    PictureRef maskPicture;
    std::int32_t hwnd;
};

struct QtWindow::Parts {
    Parts(QtHostImpl& h, std::u16string n, QWidget* w) : placer(h, std::move(n), w) {}
    Placer placer;
};

} // namespace tessivra::qt
