#pragma once
// Builds member-table and persisted-key rows from a control's typed accessors, so that each
// class's tables stay plain data: one line a row.

#include "framework/control.h"

#include <array>
#include <span>
#include <type_traits>

namespace tessivra {

// A member's argument as its procedure takes it. The value was converted to the member's type
// where it came in (the dispatcher, the property bag), so this only takes out what it holds: a
// text is viewed in place, never copied, and no value is converted twice.
template <MemberType T> auto valueAs(const Value& v) {
    if constexpr (T == MemberType::I2)
        return v.i2();
    else if constexpr (T == MemberType::I4)
        return v.i4();
    else if constexpr (T == MemberType::OleColor)
        return static_cast<Colour>(v.i4());
    else if constexpr (T == MemberType::Bool)
        return toVBool(v.boolean());
    else if constexpr (T == MemberType::BSTR)
        return std::u16string_view(v.string());
    else if constexpr (T == MemberType::R4)
        return v.r4();
    // "No object" converts to Nothing, not to an empty reference of the object's type.
    else if constexpr (T == MemberType::Font)
        return v.isNothing() ? FontRef() : v.font();
    else if constexpr (T == MemberType::Picture)
        return v.isNothing() ? PictureRef() : v.picture();
    else
        static_assert(T == MemberType::I2, "no value of this member type");
}

// Takes what a getter returned by value, so a text read is moved into the Value, not copied.
template <MemberType T, typename X> Value toValue(X&& x) {
    if constexpr (T == MemberType::OleColor)
        return Value(static_cast<std::int32_t>(x));
    else if constexpr (T == MemberType::Bool)
        return Value::boolean(x != 0);
    else
        return Value(std::forward<X>(x));
}

template <class C, MemberType T, auto Get> ErrorOr<Value> memberGet(Control& c) {
    auto got = (static_cast<C&>(c).*Get)();
    if (got.isError()) return got.releaseError();
    if constexpr (T == MemberType::OleColor || T == MemberType::Bool)
        return toValue<T>(got.value());
    else
        // The Value is built in place from what the getter returned: a text is moved once.
        return ErrorOr<Value>(std::move(got).value());
}

template <class C, MemberType T, auto Put> ErrorOr<void> memberPut(Control& c, const Value& v) {
    return (static_cast<C&>(c).*Put)(valueAs<T>(v));
}

// A property of class C read through Get and assigned through Put (either may be nullptr). Its
// dispatch identifier follows from its place in the class's table (interfaceMembers below).
template <class C, MemberType T, auto Get, auto Put>
constexpr DispatchMember property(std::u16string_view name) {
    DispatchMember m{name, 0, 0, T, memberDoc(name)};
    if constexpr (!std::is_null_pointer_v<decltype(Get)>) {
        m.access |= access::Get;
        m.get = &memberGet<C, T, Get>;
    }
    if constexpr (!std::is_null_pointer_v<decltype(Put)>) {
        m.access |= (T == MemberType::Font || T == MemberType::Picture) ? access::Set : access::Let;
        m.put = &memberPut<C, T, Put>;
    }
    return m;
}

// A class's member table: its rows in interface order, each property given the identifier of its
// place. The last property is numbered 0, the one before it 1, and so on up the table; the font
// property keeps the standard font identifier and a method the identifier its row names, and
// neither is counted. A property row that names an identifier of its own, a method without one,
// or a second font property does not compile.
template <std::size_t N>
constexpr std::array<DispatchMember, N> interfaceMembers(const DispatchMember (&rows)[N]) {
    int counted = 0;
    bool font = false;
    for (const DispatchMember& m : rows) {
        if (m.access & access::Call) {
            if (m.id == 0) throw "a method names its own dispatch identifier";
        } else {
            if (m.id != 0) throw "a property's dispatch identifier follows from its place";
            if (m.type == MemberType::Font) {
                if (font) throw "an interface has one font property";
                font = true;
            } else
                ++counted;
        }
    }
    std::array<DispatchMember, N> table{};
    for (std::size_t i = 0; i < N; ++i) {
        table[i] = rows[i];
        if (rows[i].access & access::Call) continue;
        table[i].id = rows[i].type == MemberType::Font ? FontDispId : propertyId(--counted);
    }
    return table;
}

// Events as a class declares them: numbered 1, 2, 3 ... in the order of the rows.
template <std::size_t N>
constexpr std::array<EventInfo, N> numberedEvents(const std::array<EventInfo, N>& rows) {
    std::array<EventInfo, N> table = rows;
    for (std::size_t i = 0; i < N; ++i)
        table[i].id = static_cast<DispId>(i + 1);
    return table;
}
template <std::size_t N>
constexpr std::array<EventInfo, N> numberedEvents(const EventInfo (&rows)[N]) {
    return numberedEvents(std::to_array(rows));
}

// The same events without the one named, those after it numbered one lower.
template <std::size_t N>
constexpr std::array<EventInfo, N - 1> withoutEvent(const std::array<EventInfo, N>& events,
                                                    std::u16string_view name) {
    std::array<EventInfo, N - 1> rows{};
    std::size_t kept = 0;
    for (const EventInfo& e : events) {
        if (e.name == name) continue;
        if (kept == N - 1) throw "the event to leave out is not in the table";
        rows[kept++] = e;
    }
    return numberedEvents(rows);
}

// The number an event is raised under: its identifier in the class's table, or 0 when the class
// has no such event.
constexpr DispId eventNumber(std::span<const EventInfo> events, std::u16string_view name) {
    for (const EventInfo& e : events)
        if (e.name == name) return e.id;
    return 0;
}

// The events a constituent reports and a control re-raises as its own, with their parameters.
namespace eventrows {
inline constexpr ParamInfo KeyParams[] = {{u"KeyCode", MemberType::I2}, {u"Shift", MemberType::I2}};
inline constexpr ParamInfo KeyAsciiParams[] = {{u"KeyAscii", MemberType::I2}};
inline constexpr ParamInfo MouseParams[] = {{u"Button", MemberType::I2},
                                            {u"Shift", MemberType::I2},
                                            {u"X", MemberType::R4},
                                            {u"Y", MemberType::R4}};
constexpr EventInfo event(std::u16string_view name, std::span<const ParamInfo> p = {}) {
    return {name, 0, p, memberDoc(name)};
}
inline constexpr EventInfo Change = event(u"Change");
inline constexpr EventInfo Click = event(u"Click");
inline constexpr EventInfo DblClick = event(u"DblClick");
inline constexpr EventInfo KeyDown = event(u"KeyDown", KeyParams);
inline constexpr EventInfo KeyPress = event(u"KeyPress", KeyAsciiParams);
inline constexpr EventInfo KeyUp = event(u"KeyUp", KeyParams);
inline constexpr EventInfo MouseDown = event(u"MouseDown", MouseParams);
inline constexpr EventInfo MouseMove = event(u"MouseMove", MouseParams);
inline constexpr EventInfo MouseUp = event(u"MouseUp", MouseParams);
} // namespace eventrows

// Persisted keys applied through, and taken from, a constituent C::*Part or the control itself.
template <class C, MemberType T, auto Part, auto Set>
ErrorOr<void> keyApply(Control& c, const Value& v) {
    auto& target = (static_cast<C&>(c).*Part)();
    return (target.*Set)(valueAs<T>(v));
}
template <class C, MemberType T, auto Part, auto Get> ErrorOr<Value> keyTake(Control& c) {
    auto& source = (static_cast<C&>(c).*Part)();
    return toValue<T>(TRY((source.*Get)()));
}

template <class C, MemberType T, auto Part, auto Get, auto Set>
constexpr PersistedKey persisted(std::u16string_view key, KeyDefault def) {
    return {key, valueTypeOf(T), def, &keyApply<C, T, Part, Set>, &keyTake<C, T, Part, Get>};
}

// A key applied through the control's own property procedures, which notify the container.
template <class C, MemberType T, auto Get, auto Set>
constexpr PersistedKey persistedOwn(std::u16string_view key, KeyDefault def) {
    return {key, valueTypeOf(T), def, &memberPut<C, T, Set>, &memberGet<C, T, Get>};
}

// A placeholder key: read with "no object" and dropped, written as the empty value.
constexpr PersistedKey placeholderKey(std::u16string_view key) {
    return {key, ValueType::Object, {KeyDefault::NoObject}, nullptr, nullptr};
}

} // namespace tessivra
