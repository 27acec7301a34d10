#pragma once
// The values of a property bag a host keeps between runs (as a file, as a page's text): by key,
// in the order each key was first written, a later value under a key taking the earlier one's
// place. Only what the kept text can hold is let in, so that every bag written reads back.

#include "framework/host/error.h"
#include "framework/host/value.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessivra {

// Whether text is whole UTF-16, every surrogate in a pair: what UTF-8, and so a kept file's text,
// can carry. Text that is not is kept as its code units.
bool isWholeUtf16(std::u16string_view);

class KeptValues {
public:
    // Puts a value in by hand, of any type, replacing one under the same key.
    void put(std::u16string_view key, Value value);
    const Value* find(std::u16string_view key) const;
    const std::vector<std::pair<std::u16string, Value>>& entries() const { return entries_; }
    void clear() { entries_.clear(); }

    // Whether the kept text can hold a value: an object that is not a font or a picture cannot
    // (330), nor can a font of a size it cannot be shown at (380).
    static ErrorOr<void> checkKeepable(const Value&);

private:
    std::vector<std::pair<std::u16string, Value>> entries_;
};

} // namespace tessivra
