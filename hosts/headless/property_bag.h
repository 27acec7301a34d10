#pragma once
// The headless property bag: typed values kept in the order they were written, read back with
// a default for absent keys, and kept in a JSON file between runs.

#include "framework/host/kept_values.h"
#include "framework/host/property_bag.h"
#include "hosts/headless/faults.h"

#include <string>
#include <utility>
#include <vector>

namespace tessivra::headless {

class HeadlessPropertyBag final : public PropertyBag, public KeptValues {
public:
    HeadlessPropertyBag() = default;
    explicit HeadlessPropertyBag(FaultPlan* faults) : faults_(faults) {}

    ErrorOr<Value> ReadProperty(std::u16string_view key, const Value& defaultValue) override;
    ErrorOr<void> WriteProperty(std::u16string_view key, const Value& value,
                                const Value& defaultValue) override;

    void setFaults(FaultPlan* f) { faults_ = f; }

    // JSON: {"entries": [{"key": ..., "type": ..., "value": ...}, ...]}. Fonts and pictures are
    // written by their attributes and come back as new objects.
    std::string toJson() const;
    static ErrorOr<HeadlessPropertyBag> fromJson(std::string_view text);

private:
    FaultPlan* faults_ = nullptr;
};

} // namespace tessivra::headless
