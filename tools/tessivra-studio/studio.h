#pragma once
// Tessivra Studio: the desktop form container. It opens a form file and runs its controls on
// the Qt host; in design mode it adds a toolbox of the library's classes, placing, moving and
// sizing controls with the mouse, a property sheet of the selected control (every member of its
// member table with its type and help string, edits through the dispatcher), an event log, and
// saving the form file again.

#include "hosts/headless/form_file.h"
#include "hosts/qt/control_widget.h"
#include "hosts/qt/qt_host.h"

#include <QMainWindow>
#include <QPoint>
#include <QString>

#include <memory>
#include <vector>

class QListWidget;
class QPlainTextEdit;
class QTableWidget;
class QTableWidgetItem;

namespace tessivra::studio {

// One control on the form, and where it stands in twips (kept as the file gave it, so that
// nothing is lost to rounding through pixels).
struct PlacedControl {
    qt::ControlWidget* widget = nullptr;
    Twips left = 0, top = 0;
};

class Studio : public QMainWindow {
    Q_OBJECT
public:
    // `design`: the toolbox, property sheet and event log beside the form. `settings` are the
    // host's (a still clock for screenshots, a locale).
    explicit Studio(bool design, qt::HostSettings settings = {}, QWidget* parent = nullptr);
    ~Studio() override;

    qt::QtHost& host() { return *host_; }
    // With the design panes: whether the form is being designed (controls moved, sized and
    // edited in the sheet) or run (the controls take the mouse and keys, their events logged).
    bool designing() const { return designing_; }
    void setDesigning(bool);

    // Replaces the form with the file's; the file is checked whole before anything changes.
    ErrorOr<void> openForm(const QString& path);
    ErrorOr<void> loadForm(const headless::FormFile&);
    // The form as it stands, each control saved into its bag, in tab order.
    ErrorOr<headless::FormFile> formFile();
    ErrorOr<void> saveForm(const QString& path);
    // The form alone, drawn into a PNG file; with the design panes, the whole window.
    ErrorOr<void> screenshot(const QString& path);

    // Design: a new control of a class at a point of the form (pixels), named after its class
    // (MailText1, MailText2...), selected.
    ErrorOr<qt::ControlWidget*> addControl(const ControlClassInfo&, QPoint at);
    void moveControl(qt::ControlWidget*, QPoint topLeft);
    void sizeControl(qt::ControlWidget*, QSize size);
    void select(qt::ControlWidget*);
    qt::ControlWidget* selected() const { return selected_; }
    qt::ControlWidget* control(const QString& name) const;
    const std::vector<PlacedControl>& controls() const { return controls_; }

    QWidget* canvas() const { return canvas_; }
    QListWidget* toolbox() const { return toolbox_; }
    QTableWidget* propertySheet() const { return sheet_; }
    QPlainTextEdit* eventLog() const { return log_; }

    // An edit of the property sheet's value cell: assigned through the dispatcher. Returns what
    // the sheet shows beside the property: empty when the value was taken, the refusal
    // ("380 Invalid property value") when not, the cell then showing the control's value again.
    QString editProperty(const QString& property, const QString& text);

    // The sheet's columns.
    enum Column { MemberColumn, TypeColumn, ValueColumn, RefusedColumn, HelpColumn };

protected:
    bool eventFilter(QObject*, QEvent*) override;

private:
    void clearForm();
    qt::ControlWidget* place(std::unique_ptr<qt::ControlWidget>, Twips left, Twips top);
    PlacedControl* placed(qt::ControlWidget*);
    qt::ControlWidget* controlAt(QObject*) const;
    void buildToolbox();
    void fillSheet();
    void refreshValues();
    void sheetEdited(QTableWidgetItem*);
    void logEvent(qt::ControlWidget*, const QString& event, const QVariantList& args);
    QString uniqueName(std::string_view className) const;

    bool design_;
    bool designing_;
    std::unique_ptr<qt::QtHost> host_;
    QWidget* canvas_ = nullptr;
    QListWidget* toolbox_ = nullptr;
    QTableWidget* sheet_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    std::vector<PlacedControl> controls_;
    qt::ControlWidget* selected_ = nullptr;
    QString path_;
    std::u16string caption_ = u"Form1";
    Twips formWidth_ = 7200, formHeight_ = 4800;
    bool filling_ = false;
    // A drag in progress on the form: moving, or sizing from the bottom-right corner.
    enum class Drag { None, Move, Size } drag_ = Drag::None;
    QPoint dragStart_;
    QRect dragFrom_;
};

// The command line: tessivra-studio [--design] [--screenshot FILE.png] [FORM]. Returns the exit
// status; `argv` is QApplication's.
int studioMain(int argc, char** argv);

} // namespace tessivra::studio
