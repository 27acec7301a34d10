#pragma once
// Reads a fuzzer's bytes as a sequence of small decisions, giving zeros once they run out, so
// that every input, however short, decodes to something a target can run.

#include "framework/host/value.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace tessivra::fuzz {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    template <typename T> T number() {
        T v{};
        unsigned char buf[sizeof(T)]{};
        for (auto& b : buf)
            b = byte();
        std::memcpy(&v, buf, sizeof(T));
        return v;
    }
    // Up to `max` UTF-16 code units, unpaired surrogates and all.
    std::u16string text(std::size_t max) {
        const std::size_t n = byte() % (max + 1);
        std::u16string s;
        for (std::size_t i = 0; i < n && !empty(); ++i) {
            // Mostly ASCII, which is where names and numbers live; sometimes any unit.
            const std::uint8_t b = byte();
            s += (b & 0x80) ? static_cast<char16_t>(number<std::uint16_t>())
                            : static_cast<char16_t>(b);
        }
        return s;
    }

    // A value of any automation type the dispatcher may be handed.
    Value value() {
        switch (byte() % 12) {
        case 0:
            return Value();
        case 1:
            return Value::missing();
        case 2:
            return Value::nothing();
        case 3:
            return Value(number<std::int16_t>());
        case 4:
            return Value(number<std::int32_t>());
        case 5:
            return Value::boolean(byte() & 1);
        case 6:
            return Value(number<float>());
        case 7:
            return Value(text(24));
        case 8:
            return Value(std::make_shared<Font>(text(8), number<float>()));
        case 9:
            return Value(std::make_shared<Picture>(text(8), number<std::int16_t>(),
                                                   number<std::int32_t>(), number<std::int32_t>()));
        case 10:
            return Value(std::make_shared<Object>());
        default: {
            // Numbers written as text, including automation's hexadecimal form.
            static const char16_t* const numbers[] = {u"7",    u"-1",    u"&HFF0000", u"&H80000005",
                                                      u"1e10", u"32768", u" 12 ",     u"0.5",
                                                      u"True", u"&H",    u"--1",      u"1e-400"};
            return Value(numbers[byte() % 12]);
        }
        }
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace tessivra::fuzz
