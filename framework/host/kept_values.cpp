#include "framework/host/kept_values.h"

#include <cmath>

namespace tessivra {

bool isWholeUtf16(std::u16string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF)
            ++i;
        else if (s[i] >= 0xD800 && s[i] <= 0xDFFF)
            return false;
    }
    return true;
}

void KeptValues::put(std::u16string_view key, Value value) {
    for (auto& [k, v] : entries_)
        if (k == key) {
            v = std::move(value);
            return;
        }
    entries_.emplace_back(std::u16string(key), std::move(value));
}

const Value* KeptValues::find(std::u16string_view key) const {
    for (const auto& [k, v] : entries_)
        if (k == key) return &v;
    return nullptr;
}

ErrorOr<void> KeptValues::checkKeepable(const Value& value) {
    if (value.type() == ValueType::Object)
        return Error{330, u"Illegal parameter. Can't write object because it does not support "
                          u"persistence"};
    if (value.type() == ValueType::Font &&
        !(std::isfinite(value.font()->size) && value.font()->size > 0))
        return Error::invalidPropertyValue();
    return {};
}

} // namespace tessivra
