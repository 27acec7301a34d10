#include "stream_format.h"

#include "com_values.h"

#include <array>
#include <cstring>
#include <utility>

namespace tessivra::win32 {

// ---- the stream layout ------------------------------------------------------------------------
//
// IPersistStreamInit keeps the same keys, in the same order, as a property bag receives them:
//
//   "TSVS"                 4 bytes
//   version                u16, 1
//   count                  u32, number of entries (at most MaxEntries)
//   count entries:
//     key                  text
//     tag                  u8: 0 empty, 1 I2, 2 I4, 3 Boolean, 4 Single, 5 text, 6 font,
//                              7 picture, 8 Nothing
//     value                I2 i16; I4 i32; Boolean u8 (0 or 1); Single f32; text as below;
//                          font: name text, size u64 in ten-thousandths of a point, weight i16,
//                          charset i16, u8 flags (1 italic, 2 underline, 4 strikethrough);
//                          picture: u32 byte count and the picture's file bytes
//                          (IPicture::SaveAsFile; read back with OleLoadPicture)
//   text                   u32 count of UTF-16 units (at most MaxText), then the units
//
// Every number is little-endian. A reader refuses a stream that ends early, a wrong magic or
// version, an unknown tag, or a count beyond its limit.

namespace {

constexpr std::uint32_t MaxEntries = 4096;
constexpr std::uint32_t MaxText = 1u << 20;
constexpr std::uint32_t MaxPicture = 16u << 20;

class Writer {
public:
    std::vector<std::uint8_t> bytes;
    template <class T> void put(T v) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(&v);
        bytes.insert(bytes.end(), p, p + sizeof v);
    }
    void text(std::u16string_view s) {
        put(static_cast<std::uint32_t>(s.size()));
        const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
        bytes.insert(bytes.end(), p, p + s.size() * 2);
    }
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> b) : b_(b) {}
    template <class T> bool get(T& v) {
        if (b_.size() - at_ < sizeof v) return false;
        std::memcpy(&v, b_.data() + at_, sizeof v);
        at_ += sizeof v;
        return true;
    }
    bool text(std::u16string& s) {
        std::uint32_t n = 0;
        if (!get(n) || n > MaxText || (b_.size() - at_) / 2 < n) return false;
        s.resize(n);
        std::memcpy(s.data(), b_.data() + at_, std::size_t(n) * 2);
        at_ += std::size_t(n) * 2;
        return true;
    }
    bool bytes(std::span<const std::uint8_t>& out, std::uint32_t n) {
        if (b_.size() - at_ < n) return false;
        out = b_.subspan(at_, n);
        at_ += n;
        return true;
    }
    bool atEnd() const { return at_ == b_.size(); }

private:
    std::span<const std::uint8_t> b_;
    std::size_t at_ = 0;
};

std::vector<std::uint8_t> pictureBytes(const PictureRef& p) {
    auto* w = dynamic_cast<Win32Picture*>(p.get());
    if (!w) return {};
    ComPtr<IStream> s;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, s.put()))) return {};
    LONG size = 0;
    if (FAILED(w->picture()->SaveAsFile(s.get(), TRUE, &size)) || size <= 0) return {};
    std::vector<std::uint8_t> out(static_cast<std::size_t>(size));
    LARGE_INTEGER zero{};
    s->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    s->Read(out.data(), static_cast<ULONG>(size), &read);
    out.resize(read);
    return out;
}

Error badStream(std::u16string_view what) {
    std::u16string d = u"Invalid stream: ";
    d += what;
    return {380, d};
}

} // namespace

std::vector<std::uint8_t>
encodeStream(const std::vector<std::pair<std::u16string, Value>>& entries) {
    Writer w;
    w.bytes = {'T', 'S', 'V', 'S'};
    w.put(std::uint16_t{1});
    w.put(static_cast<std::uint32_t>(entries.size()));
    for (const auto& [key, v] : entries) {
        w.text(key);
        switch (v.type()) {
        case ValueType::I2:
            w.put(std::uint8_t{1});
            w.put(v.i2());
            break;
        case ValueType::I4:
            w.put(std::uint8_t{2});
            w.put(v.i4());
            break;
        case ValueType::Bool:
            w.put(std::uint8_t{3});
            w.put(static_cast<std::uint8_t>(v.boolean() ? 1 : 0));
            break;
        case ValueType::R4:
            w.put(std::uint8_t{4});
            w.put(v.r4());
            break;
        case ValueType::String:
            w.put(std::uint8_t{5});
            w.text(v.string());
            break;
        case ValueType::Font: {
            const Font& f = *v.font();
            w.put(std::uint8_t{6});
            w.text(f.name);
            w.put(static_cast<std::uint64_t>(static_cast<double>(f.size) * 10000.0 + 0.5));
            w.put(f.weight);
            w.put(f.charset);
            w.put(static_cast<std::uint8_t>((f.italic ? 1 : 0) | (f.underline ? 2 : 0) |
                                            (f.strikethrough ? 4 : 0)));
            break;
        }
        case ValueType::Picture: {
            std::vector<std::uint8_t> b = pictureBytes(v.picture());
            if (b.empty()) {
                w.put(std::uint8_t{8});
                break;
            }
            w.put(std::uint8_t{7});
            w.put(static_cast<std::uint32_t>(b.size()));
            w.bytes.insert(w.bytes.end(), b.begin(), b.end());
            break;
        }
        case ValueType::Nothing:
        case ValueType::Object:
            w.put(std::uint8_t{8});
            break;
        case ValueType::Empty:
        case ValueType::Missing:
            w.put(std::uint8_t{0});
            break;
        }
    }
    return std::move(w.bytes);
}

ErrorOr<std::vector<std::pair<std::u16string, Value>>>
decodeStream(std::span<const std::uint8_t> bytes) {
    Reader r(bytes);
    std::array<char, 4> magic{};
    std::uint16_t version = 0;
    std::uint32_t count = 0;
    if (!r.get(magic) || std::memcmp(magic.data(), "TSVS", 4) != 0) return badStream(u"magic");
    if (!r.get(version) || version != 1) return badStream(u"version");
    if (!r.get(count) || count > MaxEntries) return badStream(u"entry count");
    std::vector<std::pair<std::u16string, Value>> out;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::u16string key;
        std::uint8_t tag = 0;
        if (!r.text(key) || !r.get(tag)) return badStream(u"truncated entry");
        Value v;
        bool ok = true;
        switch (tag) {
        case 0:
            break;
        case 1: {
            std::int16_t x = 0;
            ok = r.get(x);
            v = Value(x);
            break;
        }
        case 2: {
            std::int32_t x = 0;
            ok = r.get(x);
            v = Value(x);
            break;
        }
        case 3: {
            std::uint8_t x = 0;
            ok = r.get(x) && x <= 1;
            v = Value::boolean(x != 0);
            break;
        }
        case 4: {
            float x = 0;
            ok = r.get(x);
            v = Value(x);
            break;
        }
        case 5: {
            std::u16string s;
            ok = r.text(s);
            v = Value(std::move(s));
            break;
        }
        case 6: {
            std::u16string name;
            std::uint64_t size = 0;
            std::int16_t weight = 0, charset = 0;
            std::uint8_t flags = 0;
            ok = r.text(name) && r.get(size) && r.get(weight) && r.get(charset) && r.get(flags);
            if (!ok) break;
            FontDescription d{name,
                              static_cast<float>(static_cast<double>(size) / 10000.0),
                              weight,
                              charset,
                              (flags & 1) != 0,
                              (flags & 2) != 0,
                              (flags & 4) != 0};
            v = Value(TRY(newFont(d)));
            break;
        }
        case 7: {
            std::uint32_t n = 0;
            std::span<const std::uint8_t> b;
            ok = r.get(n) && n <= MaxPicture && r.bytes(b, n);
            if (ok) v = Value(TRY(loadPicture(b, u"")));
            break;
        }
        case 8:
            v = Value::nothing();
            break;
        default:
            return badStream(u"unknown value tag");
        }
        if (!ok) return badStream(u"truncated value");
        out.emplace_back(std::move(key), std::move(v));
    }
    if (!r.atEnd()) return badStream(u"bytes after the last entry");
    return out;
}

} // namespace tessivra::win32
