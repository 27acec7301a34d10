#include "hosts/qt/control_widget.h"

#include "controls/shipped_classes.h"
#include "hosts/qt/qt_host.h"
#include "hosts/qt/qt_parts.h"

#include <QCoreApplication>
#include <QFont>
#include <QPointer>
#include <QResizeEvent>

#include <cmath>
#include <limits>

namespace tessivra::qt {

namespace {

std::u16string u16(const QString& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()),
                          static_cast<std::size_t>(s.size()));
}
QString qs(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

// A class of the library by its name, ProgId (in any case) or class identifier in braces.
ErrorOr<const ControlClassInfo*> findClass(const QString& classId) {
    const std::string id = classId.trimmed().toStdString();
    const ControlClassInfo* info = nullptr;
    if (id.starts_with('{')) {
        const Guid clsid = TRY(Guid::parse(id));
        info = findByClsid(shippedClasses(), clsid);
    } else {
        info = findByProgId(shippedClasses(), id);
        if (!info) info = findByProgId(shippedClasses(), "Tessivra." + id);
    }
    if (!info)
        return Error{errc::ClassNotAvailable, u"no class " + fromUtf8(id) + u" in the library"};
    if (!info->isAvailable())
        return Error{errc::ClassNotAvailable,
                     u"ActiveX component can't create object: " + fromUtf8(info->ProgId)};
    return info;
}

// A member's own failure reached through the dispatcher is reported with its own code;
// refusals keep the dispatcher's status. The call counts as one of the control's handlers, so
// that a widget deleted by a slot of an event it raises keeps its container until it returns.
ErrorOr<Value> invoke(QtHost& host, Dispatcher& d, DispId id, InvokeKind kind,
                      std::span<const Value> args) {
    QtHostImpl::HandlerScope scope(host.impl());
    auto r = d.invoke(id, kind, args);
    if (!r.isError()) return r.releaseValue();
    DispatchError e = r.releaseError();
    if (e.isException()) return e.exception;
    return Error{e.code, e.description};
}

// Owns the application's host and goes with the application.
class HostHolder final : public QObject {
public:
    explicit HostHolder(QObject* app) : QObject(app) {}
    QtHost host;
};

Error notMade() {
    return {errc::ClassNotAvailable, u"the control was not made"};
}

} // namespace

QtHost& applicationHost() {
    static QPointer<HostHolder> holder;
    if (!holder) holder = new HostHolder(QCoreApplication::instance());
    return holder->host;
}

ControlWidget::ControlWidget(const QString& classId, QWidget* parent, const QString& name,
                             PropertyBag* saved)
    : QWidget(parent) {
    make(applicationHost(), classId, name.isEmpty() ? classId : name, saved);
}

ControlWidget::ControlWidget(QtHost& host, const QString& classId, QWidget* parent,
                             const QString& name, PropertyBag* saved)
    : QWidget(parent) {
    make(host, classId, name.isEmpty() ? classId : name, saved);
}

ControlWidget::~ControlWidget() {
    if (!container_) return;
    container_->setSink(nullptr);
    dispatcher_.reset();
    if (host_->inHandler()) {
        // One of the control's own handlers is on the stack (a slot deleting the widget from its
        // event): the container goes once it has returned, its surface taken out of this widget
        // so that it outlives it until then.
        if (QWidget* s = container_->widget()) s->setParent(nullptr);
        host_->destroyLater(std::move(container_));
    }
    container_.reset();
}

void ControlWidget::make(QtHost& host, const QString& classId, const QString& name,
                         PropertyBag* saved) {
    host_ = &host;
    name_ = name;
    auto info = findClass(classId);
    if (info.isError()) {
        fail(info.releaseError());
        return;
    }
    info_ = info.value();
    auto create = info_->create;
    auto made = host.create(
        [create](Site s) -> ErrorOr<std::shared_ptr<Control>> {
            return std::shared_ptr<Control>(TRY(create(s)));
        },
        info_->Class->designWidth, info_->Class->designHeight, u16(name), this, false);
    if (made.isError()) {
        fail(made.releaseError());
        return;
    }
    container_ = made.releaseValue();
    container_->setSink(this);
    dispatcher_ = std::make_unique<Dispatcher>(*container_->control());
    // A control that fails to load stays as far as it was loaded, as on any form.
    if (saved) {
        if (auto r = container_->load(*saved); r.isError()) fail(r.releaseError());
    }
    if (auto r = container_->place(); r.isError()) fail(r.releaseError());
    followSurface();
}

QString ControlWidget::errorString() const {
    if (lastError_.code == 0) return {};
    return QString::number(lastError_.code) + ' ' + qs(lastError_.description);
}

Control* ControlWidget::control() const {
    return container_ ? container_->control() : nullptr;
}
QWidget* ControlWidget::surface() const {
    return container_ ? container_->widget() : nullptr;
}

bool ControlWidget::fail(Error e) {
    lastError_ = std::move(e);
    emit errorOccurred(lastError_.code, qs(lastError_.description));
    return false;
}

ErrorOr<Value> ControlWidget::get(std::u16string_view property) {
    if (!dispatcher_) return notMade();
    DispId id = TRY(dispatcher_->idOfName(property));
    return invoke(*host_, *dispatcher_, id, InvokeKind::Get, {});
}

ErrorOr<void> ControlWidget::put(std::u16string_view property, const Value& v) {
    if (!dispatcher_) return notMade();
    DispId id = TRY(dispatcher_->idOfName(property));
    // A slot may delete the widget in an event the assignment raises: then it is not touched.
    QPointer<ControlWidget> self(this);
    // Objects are given by reference (Set), everything else by value (Let).
    auto r = invoke(*host_, *dispatcher_, id, v.isObject() ? InvokeKind::Set : InvokeKind::Let,
                    std::span<const Value>(&v, 1));
    if (self) followSurface();
    if (r.isError()) return r.releaseError();
    return {};
}

QVariant ControlWidget::value(const QString& property, bool* ok) {
    auto r = get(u16(property));
    if (ok) *ok = !r.isError();
    if (r.isError()) {
        fail(r.releaseError());
        return {};
    }
    succeed();
    return toVariant(r.value());
}

bool ControlWidget::setValue(const QString& property, const QVariant& value) {
    auto v = fromVariant(value);
    if (v.isError()) return fail(v.releaseError());
    QPointer<ControlWidget> self(this);
    auto r = put(u16(property), v.value());
    if (!self) return !r.isError();
    if (r.isError()) return fail(r.releaseError());
    succeed();
    return true;
}

QVariant ControlWidget::call(const QString& method, const QVariantList& args, bool* ok) {
    if (ok) *ok = false;
    if (!dispatcher_) return fail(notMade()), QVariant();
    auto id = dispatcher_->idOfName(u16(method));
    if (id.isError()) return fail(id.releaseError()), QVariant();
    std::vector<Value> values;
    for (const QVariant& a : args) {
        auto v = fromVariant(a);
        if (v.isError()) return fail(v.releaseError()), QVariant();
        values.push_back(v.releaseValue());
    }
    QPointer<ControlWidget> self(this);
    auto r = invoke(*host_, *dispatcher_, id.value(), InvokeKind::Call, values);
    if (!self) {
        if (ok) *ok = !r.isError();
        return r.isError() ? QVariant() : toVariant(r.value());
    }
    if (r.isError()) return fail(r.releaseError()), QVariant();
    followSurface();
    succeed();
    if (ok) *ok = true;
    return toVariant(r.value());
}

bool ControlWidget::save(PropertyBag& bag) {
    if (!container_) return fail(notMade());
    if (auto r = container_->save(bag); r.isError()) return fail(r.releaseError());
    succeed();
    return true;
}

bool ControlWidget::load(PropertyBag& bag) {
    if (!container_) return fail(notMade());
    QPointer<ControlWidget> self(this);
    auto r = container_->load(bag);
    if (!self) return !r.isError();
    followSurface();
    if (r.isError()) return fail(r.releaseError());
    succeed();
    return true;
}

ErrorOr<void> ControlWidget::Invoke(DispId id, EventArgs args) {
    const EventInfo* info = eventById(info_->Class ? *info_->Class : control()->controlClass(), id);
    if (!info) return {};
    QVariantList list;
    list.reserve(static_cast<qsizetype>(args.size()));
    for (const EventArg& a : args)
        list.push_back(toVariant(a.get()));
    // Events nest (a slot that assigns Text raises Change inside KeyPress): the outer event's
    // arguments come back when the inner one is done.
    const EventInfo* outerEvent = currentEvent_;
    const EventArgs outerArgs = currentArgs_;
    currentEvent_ = info;
    currentArgs_ = args;
    // A slot may delete the widget; nothing of it is touched then.
    QPointer<ControlWidget> self(this);
    emit controlEvent(qs(info->name), list);
    if (!self) return {};
    currentEvent_ = outerEvent;
    currentArgs_ = outerArgs;
    return {};
}

bool ControlWidget::setEventArgument(int index, const QVariant& value) {
    if (!currentEvent_) return fail({errc::InvalidProcedureCall, u"no event is being delivered"});
    if (index < 0 || static_cast<std::size_t>(index) >= currentArgs_.size())
        return fail(
            {errc::InvalidProcedureCall, u"the event " + std::u16string(currentEvent_->name) +
                                             u" has no argument " + u16(QString::number(index))});
    auto v = fromVariant(value);
    if (v.isError()) return fail(v.releaseError());
    if (auto r = currentArgs_[static_cast<std::size_t>(index)].set(v.value()); r.isError())
        return fail(r.releaseError());
    succeed();
    return true;
}

bool ControlWidget::setEventArgument(const QString& name, const QVariant& value) {
    if (!currentEvent_) return fail({errc::InvalidProcedureCall, u"no event is being delivered"});
    for (std::size_t i = 0; i < currentEvent_->params.size(); ++i)
        if (namesMatch(currentEvent_->params[i].name, u16(name)))
            return setEventArgument(static_cast<int>(i), value);
    return fail({errc::InvalidProcedureCall, u"the event " + std::u16string(currentEvent_->name) +
                                                 u" has no argument " + u16(name)});
}

QSize ControlWidget::sizeHint() const {
    if (QWidget* s = surface()) return s->size();
    return QWidget::sizeHint();
}

void ControlWidget::followSurface() {
    QWidget* s = surface();
    if (!s || resizing_) return;
    resizing_ = true;
    s->move(0, 0);
    if (size() != s->size()) resize(s->size());
    updateGeometry();
    resizing_ = false;
}

void ControlWidget::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (!container_ || resizing_) return;
    resizing_ = true;
    // The control may keep a size of its own (a text box its height): the widget follows it.
    auto r =
        container_->resize(QtHost::toTwips(e->size().width()), QtHost::toTwips(e->size().height()));
    resizing_ = false;
    if (r.isError()) fail(r.releaseError());
    followSurface();
}

QVariant ControlWidget::toVariant(const Value& v) {
    switch (v.type()) {
    case ValueType::Empty:
        return {};
    case ValueType::I2:
        return QVariant(static_cast<int>(v.i2()));
    case ValueType::I4:
        return QVariant(static_cast<int>(v.i4()));
    case ValueType::Bool:
        return QVariant(v.boolean());
    case ValueType::R4:
        return QVariant(v.r4());
    case ValueType::String:
        return QVariant(qs(v.string()));
    case ValueType::Font: {
        const Font& f = *v.font();
        QFont q(qs(f.name));
        q.setPointSizeF(f.size);
        q.setWeight(f.weight >= 700 ? QFont::Bold : QFont::Normal);
        q.setItalic(f.italic);
        q.setUnderline(f.underline);
        q.setStrikeOut(f.strikethrough);
        return q;
    }
    default:
        return QVariant::fromValue(v);
    }
}

ErrorOr<Value> ControlWidget::fromVariant(const QVariant& q) {
    if (!q.isValid()) return Value();
    if (q.canConvert<Value>() && q.metaType() == QMetaType::fromType<Value>())
        return q.value<Value>();
    switch (q.metaType().id()) {
    case QMetaType::Bool:
        return Value::boolean(q.toBool());
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        // Any integer: 16-bit when it fits, else 32-bit, and one past 32 bits is an overflow,
        // never a value wrapped around.
        bool ok = false;
        const qlonglong n = q.toLongLong(&ok);
        if (!ok ||
            (q.metaType().id() == QMetaType::ULongLong &&
             q.toULongLong() > static_cast<qulonglong>(std::numeric_limits<qlonglong>::max())))
            return Error::overflow();
        if (n >= -32768 && n <= 32767) return Value(static_cast<std::int16_t>(n));
        if (n < std::numeric_limits<std::int32_t>::min() ||
            n > std::numeric_limits<std::int32_t>::max())
            return Error::overflow();
        return Value(static_cast<std::int32_t>(n));
    }
    case QMetaType::Float:
    case QMetaType::Double: {
        const double d = q.toDouble();
        if (std::isnan(d)) return Error::typeMismatch();
        if (!(std::fabs(d) <= static_cast<double>(std::numeric_limits<float>::max())))
            return Error::overflow();
        return Value(static_cast<float>(d));
    }
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QChar:
        return Value(u16(q.toString()));
    case QMetaType::QFont: {
        const QFont f = q.value<QFont>();
        auto font = std::make_shared<Font>(u16(f.family()), static_cast<float>(f.pointSizeF()));
        if (!(font->size > 0)) return Error::invalidPropertyValue();
        font->weight = f.bold() ? 700 : 400;
        font->italic = f.italic();
        font->underline = f.underline();
        font->strikethrough = f.strikeOut();
        return Value(std::move(font));
    }
    default:
        return Error{errc::TypeMismatch, u"Type mismatch: a " + u16(QString(q.metaType().name())) +
                                             u" is not a value a control takes"};
    }
}

} // namespace tessivra::qt
