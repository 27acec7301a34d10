#pragma once
// The value a property bag or a dispatch call carries, with the conversions automation makes
// between its types.

#include "framework/host/error.h"
#include "framework/host/types.h"

#include <string>
#include <string_view>
#include <variant>

namespace tessivra {

enum class ValueType : std::uint8_t {
    Empty,   // a value that was never set
    Missing, // an optional argument the caller left out
    Nothing, // no object
    I2,
    I4,
    Bool,
    R4,
    String,
    Font,
    Picture,
    Object,
};

std::u16string_view valueTypeName(ValueType);

class Value {
public:
    struct Empty {};
    struct Missing {};
    struct Nothing {};
    struct Bool {
        bool value;
    };

    Value() = default;
    Value(Empty) {}
    Value(Missing v) : v_(v) {}
    Value(Nothing v) : v_(v) {}
    Value(std::int16_t v) : v_(v) {}
    Value(std::int32_t v) : v_(v) {}
    Value(Bool v) : v_(v) {}
    Value(float v) : v_(v) {}
    Value(std::u16string&& v) : v_(std::move(v)) {}
    Value(const std::u16string& v) : v_(v) {}
    Value(std::u16string_view v) : v_(std::u16string(v)) {}
    Value(const char16_t* v) : v_(std::u16string(v)) {}
    // A null object reference becomes Nothing, so "no object" has one spelling.
    Value(FontRef v);
    Value(PictureRef v);
    Value(ObjectRef v);

    static Value boolean(bool b) { return Value(Bool{b}); }
    static Value missing() { return Value(Missing{}); }
    static Value nothing() { return Value(Nothing{}); }

    ValueType type() const { return static_cast<ValueType>(v_.index()); }
    bool isEmpty() const { return type() == ValueType::Empty; }
    bool isMissing() const { return type() == ValueType::Missing; }
    bool isNothing() const { return type() == ValueType::Nothing; }
    bool isObject() const;

    // Automation's conversions: a value that cannot be converted is a type mismatch, one out of
    // range an overflow.
    ErrorOr<std::int16_t> toI2() const;
    ErrorOr<std::int32_t> toI4() const;
    ErrorOr<VBool> toBool() const;
    ErrorOr<float> toR4() const;
    ErrorOr<std::u16string> toString() const;
    ErrorOr<FontRef> toFont() const;
    ErrorOr<PictureRef> toPicture() const;
    ErrorOr<ObjectRef> toObject() const;
    ErrorOr<Value> convertTo(ValueType) const;

    // The stored alternatives, for readers that know the type.
    std::int16_t i2() const { return std::get<std::int16_t>(v_); }
    std::int32_t i4() const { return std::get<std::int32_t>(v_); }
    bool boolean() const { return std::get<Bool>(v_).value; }
    float r4() const { return std::get<float>(v_); }
    const std::u16string& string() const { return std::get<std::u16string>(v_); }
    const FontRef& font() const { return std::get<FontRef>(v_); }
    const PictureRef& picture() const { return std::get<PictureRef>(v_); }
    const ObjectRef& object() const { return std::get<ObjectRef>(v_); }
    // Any object alternative as the common base; null for Nothing.
    ObjectRef anyObject() const;

    // Same type and same value; objects compare by identity.
    friend bool operator==(const Value&, const Value&);

private:
    std::variant<Empty, Missing, Nothing, std::int16_t, std::int32_t, Bool, float, std::u16string,
                 FontRef, PictureRef, ObjectRef>
        v_;
};

// Text helpers the framework uses for printing and reading values.
std::string toUtf8(std::u16string_view);
std::u16string fromUtf8(std::string_view);

} // namespace tessivra
