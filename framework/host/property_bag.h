#pragma once

#include "framework/host/value.h"

namespace tessivra {

// The container's store of one instance's design-time settings.
class PropertyBag {
public:
    virtual ~PropertyBag() = default;
    // The stored value, or the default when the key is absent.
    virtual ErrorOr<Value> ReadProperty(std::u16string_view key, const Value& defaultValue) = 0;
    virtual ErrorOr<void> WriteProperty(std::u16string_view key, const Value& value,
                                        const Value& defaultValue) = 0;
};

} // namespace tessivra
