#pragma once
// One control of the library as an ordinary QWidget, for any Qt application:
//
//     tessivra::qt::ControlWidget mail("MailText", &window);
//     mail.setValue("Text", "ana@example.org");
//     QObject::connect(&mail, &tessivra::qt::ControlWidget::controlEvent,
//                      [&](const QString& event, const QVariantList& args) { ... });
//
// The widget is the container of one control instance: it makes the control by class name,
// ProgId or class identifier on a QtHost (its own application-wide one unless given one), reaches
// its properties and methods through the dispatcher by name, hands its events on as a signal,
// and saves and loads its property bag. A failure never throws: the call returns false or an
// invalid QVariant, lastError() holds the failure, and errorOccurred() is emitted.

#include "framework/dispatch.h"
#include "framework/host/error.h"
#include "framework/host/property_bag.h"
#include "framework/registry/class_table.h"

#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>
#include <optional>

namespace tessivra::qt {

class QtHost;
class QtContainer;

class ControlWidget : public QWidget, private EventSink {
    Q_OBJECT
public:
    // Makes the control of a shipped class: "MailText", "Tessivra.MailText" (in any case) or
    // "{4F0033FB-...}". When `saved` is given the control is loaded from it before its first
    // placement, as a form loads its controls; otherwise it starts from its defaults.
    explicit ControlWidget(const QString& classId, QWidget* parent = nullptr,
                           const QString& name = {}, PropertyBag* saved = nullptr);
    ControlWidget(QtHost& host, const QString& classId, QWidget* parent = nullptr,
                  const QString& name = {}, PropertyBag* saved = nullptr);
    ~ControlWidget() override;

    // False when the control could not be made; lastError() says why.
    bool isValid() const { return container_ != nullptr; }
    const Error& lastError() const { return lastError_; }
    // "CODE DESCRIPTION", empty when the last call succeeded.
    QString errorString() const;
    // The class's record (name, ProgId, identifier, toolbox bitmap), null when not found.
    const ControlClassInfo* classInfo() const { return info_; }
    QString controlName() const { return name_; }

    // Properties and methods through the dispatcher, names in any case. Values convert as
    // automation converts them (a QString to a number, an int to a Boolean...); a value the
    // property refuses leaves the control as it was.
    QVariant value(const QString& property, bool* ok = nullptr);
    bool setValue(const QString& property, const QVariant& value);
    QVariant call(const QString& method, const QVariantList& args = {}, bool* ok = nullptr);
    // The same in the library's own values, for fonts, pictures and objects.
    ErrorOr<Value> get(std::u16string_view property);
    ErrorOr<void> put(std::u16string_view property, const Value& value);

    // The property bag: what the control writes of itself, and reading it back into the control.
    bool save(PropertyBag& bag);
    bool load(PropertyBag& bag);

    // While a slot connected to controlEvent runs: changes a by-reference argument of the event
    // being delivered (KeyAscii, KeyCode...), by its place or name, converted to its own type.
    // False outside an event, for an argument the event does not have, or for a value that does
    // not convert.
    bool setEventArgument(int index, const QVariant& value);
    bool setEventArgument(const QString& name, const QVariant& value);

    Control* control() const;
    QtContainer* container() const { return container_.get(); }
    QWidget* surface() const;

    QSize sizeHint() const override;

    // Conversions between the library's values and QVariant: strings, numbers and Booleans as
    // themselves, Empty as an invalid QVariant, fonts as QFont; other objects are carried as a
    // tessivra::Value inside the QVariant.
    static QVariant toVariant(const Value&);
    static ErrorOr<Value> fromVariant(const QVariant&);

signals:
    // The control raised an event: its name as its event table spells it and its arguments in
    // order. Slots run in the event; see setEventArgument.
    void controlEvent(const QString& event, const QVariantList& arguments);
    // A call on the widget failed; the same as lastError().
    void errorOccurred(int code, const QString& description);

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    ErrorOr<void> Invoke(DispId id, EventArgs args) override;
    void make(QtHost& host, const QString& classId, const QString& name, PropertyBag* saved);
    bool fail(Error e);
    void succeed() { lastError_ = {}; }
    // Follows the control's own size (a text box keeps its height).
    void followSurface();

    QtHost* host_ = nullptr;
    const ControlClassInfo* info_ = nullptr;
    QString name_;
    std::unique_ptr<QtContainer> container_;
    std::unique_ptr<Dispatcher> dispatcher_;
    Error lastError_;
    // The event being delivered, while controlEvent's slots run.
    const EventInfo* currentEvent_ = nullptr;
    EventArgs currentArgs_;
    bool resizing_ = false;
};

// The QtHost a ControlWidget uses when it is given none: one for the application, made on first
// use and gone with the QApplication.
QtHost& applicationHost();

} // namespace tessivra::qt

Q_DECLARE_METATYPE(tessivra::Value)
