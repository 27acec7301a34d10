#include "framework/dispatch.h"

#include "framework/host/value_text.h"

#include <algorithm>
#include <functional>
#include <tuple>

namespace tessivra {

std::u16string_view dispatchStatusText(std::int32_t status) {
    switch (status) {
    case dispstatus::MemberNotFound:
        return u"Member not found";
    case dispstatus::TypeMismatch:
        return u"Type mismatch";
    case dispstatus::UnknownName:
        return u"Unknown name";
    case dispstatus::Exception:
        return u"Exception occurred";
    case dispstatus::Overflow:
        return u"Overflow";
    case dispstatus::BadParamCount:
        return u"Invalid number of parameters";
    case dispstatus::ParamNotOptional:
        return u"Parameter not optional";
    }
    return u"Dispatch failure";
}

std::u16string_view invokeKindName(InvokeKind k) {
    switch (k) {
    case InvokeKind::Get:
        return u"get";
    case InvokeKind::Let:
        return u"let";
    case InvokeKind::Set:
        return u"set";
    case InvokeKind::Call:
        return u"call";
    }
    return u"?";
}

DispatchError DispatchError::refusal(std::int32_t status, int argument) {
    DispatchError e;
    e.code = status;
    e.description = std::u16string(dispatchStatusText(status));
    e.argument = argument;
    return e;
}

DispatchError DispatchError::memberFailed(Error memberError) {
    DispatchError e;
    e.code = dispstatus::Exception;
    e.description = memberError.description;
    e.exception = std::move(memberError);
    return e;
}

const DispatchMember* memberById(const ControlClass& cls, DispId id) {
    for (const DispatchMember& m : cls.members)
        if (m.id == id) return &m;
    return nullptr;
}

const EventInfo* eventById(const ControlClass& cls, DispId id) {
    for (const EventInfo& e : cls.events)
        if (e.id == id) return &e;
    return nullptr;
}

std::string eventLine(std::u16string_view controlName, const ControlClass* cls, DispId id,
                      EventArgs args) {
    std::string line = "event " + toUtf8(controlName) + " ";
    const EventInfo* info = cls ? eventById(*cls, id) : nullptr;
    line += info ? toUtf8(info->name) : std::to_string(id);
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string pname =
            info && i < info->params.size() ? toUtf8(info->params[i].name) : std::to_string(i + 1);
        line += " " + pname + "=" + formatValue(args[i].get());
    }
    return line;
}

ErrorOr<void> raiseEvent(const ControlClass& cls, EventSink* sink, DispId event, EventArgs args) {
    const EventInfo* info = eventById(cls, event);
    if (!info) return DispatchError::refusal(dispstatus::MemberNotFound);
    if (args.size() != info->params.size())
        return DispatchError::refusal(dispstatus::BadParamCount);
    for (std::size_t i = 0; i < args.size(); ++i)
        if (args[i].type() != valueTypeOf(info->params[i].type))
            return DispatchError::refusal(dispstatus::TypeMismatch, static_cast<int>(i));
    if (!sink) return {};
    return sink->Invoke(event, args);
}

// --- EventArgStore -------------------------------------------------------------------------

ErrorOr<EventArgStore> EventArgStore::forEvent(const EventInfo& info) {
    if (info.params.size() > MaxParams) return DispatchError::refusal(dispstatus::BadParamCount);
    EventArgStore store;
    store.count_ = info.params.size();
    for (std::size_t i = 0; i < store.count_; ++i) {
        ValueType t = valueTypeOf(info.params[i].type);
        // Event arguments are 16-bit integers or single-precision numbers and nothing else.
        if (t != ValueType::I2 && t != ValueType::R4)
            return DispatchError::refusal(dispstatus::TypeMismatch, static_cast<int>(i));
        store.types_[i] = t;
    }
    store.bindViews();
    return store;
}

EventArgStore::EventArgStore(const EventArgStore& other)
    : slots_(other.slots_), types_(other.types_), count_(other.count_) {
    bindViews();
}

EventArgStore& EventArgStore::operator=(const EventArgStore& other) {
    slots_ = other.slots_;
    types_ = other.types_;
    count_ = other.count_;
    bindViews();
    return *this;
}

void EventArgStore::bindViews() {
    for (std::size_t i = 0; i < count_; ++i)
        views_[i] = types_[i] == ValueType::R4 ? EventArg(slots_[i].r4) : EventArg(slots_[i].i2);
}

ErrorOr<void> EventArgStore::assign(std::span<const Value> values) {
    if (values.size() != count_) return DispatchError::refusal(dispstatus::BadParamCount);
    // Convert into a copy first so that a refused value changes no argument.
    std::array<Slot, MaxParams> next = slots_;
    for (std::size_t i = 0; i < count_; ++i) {
        if (types_[i] == ValueType::R4) {
            auto v = values[i].toR4();
            if (v.isError())
                return DispatchError::refusal(dispstatus::TypeMismatch, static_cast<int>(i));
            next[i].r4 = v.value();
        } else {
            auto v = values[i].toI2();
            if (v.isError())
                return DispatchError::refusal(dispstatus::TypeMismatch, static_cast<int>(i));
            next[i].i2 = v.value();
        }
    }
    slots_ = next;
    return {};
}

// --- Names ---------------------------------------------------------------------------------

namespace {

constexpr char16_t foldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

} // namespace

std::uint32_t foldedNameHash(std::u16string_view name) noexcept {
    // FNV-1a over the folded code units.
    std::uint32_t h = 2166136261u;
    for (char16_t c : name) {
        h ^= foldAscii(c);
        h *= 16777619u;
    }
    return h;
}

bool namesMatch(std::u16string_view a, std::u16string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    return true;
}

// --- Dispatcher ----------------------------------------------------------------------------

Dispatcher::Dispatcher(Control& control) : control_(control), class_(control.controlClass()) {
    names_.reserve(class_.members.size() + class_.events.size());
    for (const DispatchMember& m : class_.members)
        names_.push_back(
            {foldedNameHash(m.name), static_cast<std::uint32_t>(m.name.size()), m.name, m.id});
    for (const EventInfo& e : class_.events)
        names_.push_back(
            {foldedNameHash(e.name), static_cast<std::uint32_t>(e.name.size()), e.name, e.id});
    for (std::size_t i = 0; i < class_.members.size() && i < 255; ++i)
        if (auto n = propertyNumber(class_.members[i].id))
            propertyRow_[*n] = static_cast<std::uint8_t>(i + 1);
}

std::optional<std::size_t> Dispatcher::propertyNumber(DispId id) {
    // Unsigned, so that identifiers far below the base wrap to large numbers instead of
    // overflowing.
    const std::uint32_t n =
        static_cast<std::uint32_t>(id) - static_cast<std::uint32_t>(PropertyBase);
    if (n < std::tuple_size_v<decltype(propertyRow_)>) return n;
    return std::nullopt;
}

const DispatchMember* Dispatcher::member(DispId id) const {
    if (auto n = propertyNumber(id)) {
        const std::uint8_t row = propertyRow_[*n];
        return row ? &class_.members[row - 1u] : nullptr;
    }
    return memberById(class_, id);
}

std::optional<DispId> Dispatcher::findIdOfName(std::u16string_view name) const noexcept {
    const std::uint32_t h = foldedNameHash(name);
    for (const NameEntry& e : names_)
        if (e.hash == h && e.length == name.size() && namesMatch(e.name, name)) return e.id;
    return std::nullopt;
}

ErrorOr<DispId> Dispatcher::idOfName(std::u16string_view name) const {
    if (auto id = findIdOfName(name)) return *id;
    return Error{dispstatus::UnknownName, u"Unknown name"};
}

namespace {

// Converts one argument as automation does before a member sees it; the status says why not.
InvokeResult convertArgument(const Value& v, MemberType type, int position) {
    auto converted = v.convertTo(valueTypeOf(type));
    if (!converted.isError()) return converted.releaseValue();
    if (converted.error().code == errc::Overflow)
        return DispatchError::refusal(dispstatus::Overflow, position);
    return DispatchError::refusal(dispstatus::TypeMismatch, position);
}

// The access bit each kind needs: a property of an object type is assigned by reference only,
// one of a value type by value only, as the type library declares them.
std::uint8_t accessFor(InvokeKind kind) {
    switch (kind) {
    case InvokeKind::Get:
        return access::Get;
    case InvokeKind::Let:
        return access::Let;
    case InvokeKind::Set:
        return access::Set;
    case InvokeKind::Call:
        return access::Call;
    }
    return 0;
}

} // namespace

InvokeResult Dispatcher::invoke(DispId id, InvokeKind kind, std::span<const Value> args) {
    const DispatchMember* m = member(id);
    if (!m) return DispatchError::refusal(dispstatus::MemberNotFound);
    return invoke(*m, kind, args);
}

InvokeResult Dispatcher::invoke(const DispatchMember& row, InvokeKind kind,
                                std::span<const Value> args) {
    const DispatchMember* m = &row;
    const std::less<const DispatchMember*> before;
    if (before(m, class_.members.data()) ||
        !before(m, class_.members.data() + class_.members.size()) || !(m->access & accessFor(kind)))
        return DispatchError::refusal(dispstatus::MemberNotFound);

    switch (kind) {
    case InvokeKind::Get: {
        if (!args.empty()) return DispatchError::refusal(dispstatus::BadParamCount);
        if (!m->get) return DispatchError::refusal(dispstatus::MemberNotFound);
        return InvokeResult(std::in_place, [&] { return m->get(control_); });
    }
    case InvokeKind::Let:
    case InvokeKind::Set: {
        if (args.size() != 1) return DispatchError::refusal(dispstatus::BadParamCount);
        if (!m->put) return DispatchError::refusal(dispstatus::MemberNotFound);
        // The one conversion the value gets; one of the member's type already is passed as it
        // is, so a text is not copied on its way to the constituent.
        std::optional<Value> converted;
        if (args[0].type() != valueTypeOf(m->type)) {
            auto v = convertArgument(args[0], m->type, 0);
            if (v.isError()) return v.releaseError();
            converted = v.releaseValue();
        }
        auto r = m->put(control_, converted ? *converted : args[0]);
        if (r.isError()) return DispatchError::memberFailed(r.releaseError());
        return Value();
    }
    case InvokeKind::Call: {
        const std::size_t all = m->params.size();
        const std::size_t required = static_cast<std::size_t>(std::count_if(
            m->params.begin(), m->params.end(), [](const ParamInfo& p) { return !p.optional; }));
        if (args.size() < required || args.size() > all)
            return DispatchError::refusal(dispstatus::BadParamCount);
        if (!m->call) return DispatchError::refusal(dispstatus::MemberNotFound);
        std::vector<Value> converted;
        converted.reserve(all);
        for (std::size_t i = 0; i < all; ++i) {
            const ParamInfo& p = m->params[i];
            const int position = static_cast<int>(i);
            if (i >= args.size() || args[i].isMissing()) {
                if (!p.optional)
                    return DispatchError::refusal(dispstatus::ParamNotOptional, position);
                converted.push_back(Value::missing());
                continue;
            }
            auto v = convertArgument(args[i], p.type, position);
            if (v.isError()) return v.releaseError();
            converted.push_back(v.releaseValue());
        }
        auto r = m->call(control_, converted);
        if (r.isError()) return DispatchError::memberFailed(r.releaseError());
        return Value();
    }
    }
    return DispatchError::refusal(dispstatus::MemberNotFound);
}

} // namespace tessivra
