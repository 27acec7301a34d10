#include "framework/host/edit_rules.h"

#include <algorithm>
#include <cstddef>

namespace tessivra {

std::optional<std::u16string_view> admittedEdit(std::u16string_view insert, EditSource source,
                                                bool locked, std::int32_t maxLength,
                                                std::int32_t textLength, std::int32_t selLength) {
    if (source == EditSource::Assigned) return insert;
    if (locked) return std::nullopt;
    if (maxLength > 0) {
        const auto kept = textLength - selLength;
        const auto room = std::max(0, maxLength - kept);
        if (source == EditSource::Typed && static_cast<std::int32_t>(insert.size()) > room)
            return std::nullopt;
        insert = insert.substr(0, static_cast<std::size_t>(room));
    }
    if (insert.empty() && selLength == 0) return std::nullopt;
    return insert;
}

std::int32_t caretAfterKey(std::int16_t keyCode, std::int32_t selStart, std::int32_t selLength,
                           std::int32_t length) {
    using namespace keycodes;
    switch (keyCode) {
    case KeyLeft:
        return std::max(0, selStart - 1);
    case KeyRight:
        return std::min(length, selStart + selLength + 1);
    case KeyHome:
        return 0;
    case KeyEnd:
        return length;
    default:
        return selStart;
    }
}

bool selectForDeletion(std::int16_t keyCode, std::int32_t& selStart, std::int32_t& selLength,
                       std::int32_t length) {
    if (selLength > 0) return true;
    if (keyCode == keycodes::KeyBackspace) {
        if (selStart == 0) return false;
        --selStart;
    } else if (selStart >= length) {
        return false;
    }
    selLength = 1;
    return true;
}

} // namespace tessivra
