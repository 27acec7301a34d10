#pragma once
// Event arguments travel by reference in both directions: the form's handler may change them and
// whoever raised the event reads the changed value back.

#include "framework/host/value.h"

#include <span>

namespace tessivra {

class EventArg {
public:
    EventArg(std::int16_t& v) : type_(ValueType::I2), p_(&v) {}
    EventArg(float& v) : type_(ValueType::R4), p_(&v) {}

    ValueType type() const { return type_; }
    std::int16_t& i2() const { return *static_cast<std::int16_t*>(p_); }
    float& r4() const { return *static_cast<float*>(p_); }

    Value get() const { return type_ == ValueType::I2 ? Value(i2()) : Value(r4()); }
    // Assigns with automation's conversion to the argument's own type.
    ErrorOr<void> set(const Value& v) const {
        if (type_ == ValueType::I2)
            i2() = TRY(v.toI2());
        else
            r4() = TRY(v.toR4());
        return {};
    }

private:
    ValueType type_;
    void* p_;
};

using EventArgs = std::span<const EventArg>;

} // namespace tessivra
