#pragma once
// Builds member-table and persisted-key rows from a control's typed accessors, so that each
// class's tables stay plain data: one line a row.

#include "framework/control.h"

#include <type_traits>

namespace tessivra {

template <MemberType T> auto fromValue(const Value& v) {
    if constexpr (T == MemberType::I2)
        return v.toI2();
    else if constexpr (T == MemberType::I4)
        return v.toI4();
    else if constexpr (T == MemberType::OleColor) {
        auto r = v.toI4();
        return r.isError() ? ErrorOr<Colour>(r.releaseError())
                           : ErrorOr<Colour>(static_cast<Colour>(r.value()));
    } else if constexpr (T == MemberType::Bool)
        return v.toBool();
    else if constexpr (T == MemberType::BSTR)
        return v.toString();
    else if constexpr (T == MemberType::R4)
        return v.toR4();
    else if constexpr (T == MemberType::Font)
        return v.toFont();
    else if constexpr (T == MemberType::Picture)
        return v.toPicture();
    else
        static_assert(T == MemberType::I2, "no conversion for this member type");
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
    return toValue<T>(TRY((static_cast<C&>(c).*Get)()));
}

template <class C, MemberType T, auto Put> ErrorOr<void> memberPut(Control& c, const Value& v) {
    return (static_cast<C&>(c).*Put)(TRY(fromValue<T>(v)));
}

// A property of class C read through Get and assigned through Put (either may be nullptr).
template <class C, MemberType T, auto Get, auto Put>
constexpr DispatchMember property(std::u16string_view name, DispId id) {
    DispatchMember m{name, id, 0, T, memberDoc(name)};
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

// The dispatch identifier of the property n places from the end of its interface.
constexpr DispId propertyId(int n) {
    return 0x68030000 + n;
}
inline constexpr DispId FontDispId = -512;

// Persisted keys applied through, and taken from, a constituent C::*Part or the control itself.
template <class C, MemberType T, auto Part, auto Set>
ErrorOr<void> keyApply(Control& c, const Value& v) {
    auto& target = (static_cast<C&>(c).*Part)();
    return (target.*Set)(TRY(fromValue<T>(v)));
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
