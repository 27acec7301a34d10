#pragma once
// A property bag kept in the page, and kept as JSON text in the layout tessivra-run writes: a
// list of entries, each a key, a type name and a typed value. The browser's JSON reader parses
// the text; every value is checked against its type as it is read.

#include "framework/host/kept_values.h"
#include "framework/host/property_bag.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessivra::web {

class WebPropertyBag final : public PropertyBag, public KeptValues {
public:
    ErrorOr<Value> ReadProperty(std::u16string_view key, const Value& defaultValue) override;
    ErrorOr<void> WriteProperty(std::u16string_view key, const Value& value,
                                const Value& defaultValue) override;

    std::string toJson() const;
    // Bad text is refused with 380 and the words of what was wrong, never half read.
    static ErrorOr<WebPropertyBag> fromJson(std::string_view text);
};

} // namespace tessivra::web
