#include "hosts/headless/property_bag.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace tessivra::headless {

using nlohmann::json;

namespace {

// Text is written as a JSON string; text that UTF-8 cannot carry (a lone surrogate) is written
// as its UTF-16 code units, {"utf16": [...]}, so that it comes back as it was.
json textJson(std::u16string_view s) {
    if (isWholeUtf16(s)) return toUtf8(s);
    json units = json::array();
    for (char16_t c : s)
        units.push_back(static_cast<unsigned>(c));
    return json{{"utf16", std::move(units)}};
}

// A Single that is not a finite number is written as text JSON has no number for.
json singleJson(float f) {
    if (std::isnan(f)) return "NaN";
    if (std::isinf(f)) return f > 0 ? "Infinity" : "-Infinity";
    return f;
}

} // namespace

ErrorOr<Value> HeadlessPropertyBag::ReadProperty(std::u16string_view key, const Value& def) {
    if (faults_) TESSIVRA_FAULT(*faults_, u"", u"PropBag", "ReadProperty");
    if (const Value* v = find(key)) return *v;
    return def;
}

ErrorOr<void> HeadlessPropertyBag::WriteProperty(std::u16string_view key, const Value& value,
                                                 const Value&) {
    if (faults_) TESSIVRA_FAULT(*faults_, u"", u"PropBag", "WriteProperty");
    // Only what the file can hold is kept, so that every bag written reads back: fonts and
    // pictures by their attributes, a font only with a size it can be shown at, and no other
    // object.
    TRY(checkKeepable(value));
    // Every value is kept, defaults included, so that a saved bag shows the whole state.
    put(key, value);
    return {};
}

std::string HeadlessPropertyBag::toJson() const {
    json list = json::array();
    for (const auto& [k, v] : entries()) {
        json e{{"key", textJson(k)}, {"type", toUtf8(valueTypeName(v.type()))}};
        switch (v.type()) {
        case ValueType::I2:
            e["value"] = v.i2();
            break;
        case ValueType::I4:
            e["value"] = v.i4();
            break;
        case ValueType::Bool:
            e["value"] = v.boolean();
            break;
        case ValueType::R4:
            e["value"] = singleJson(v.r4());
            break;
        case ValueType::String:
            e["value"] = textJson(v.string());
            break;
        case ValueType::Font: {
            const auto& f = *v.font();
            e["value"] = {{"name", textJson(f.name)},
                          {"size", singleJson(f.size)},
                          {"weight", f.weight},
                          {"charset", f.charset},
                          {"italic", f.italic},
                          {"underline", f.underline},
                          {"strikethrough", f.strikethrough}};
            break;
        }
        case ValueType::Picture: {
            const auto& p = *v.picture();
            e["value"] = {{"name", textJson(p.name)},
                          {"pictureType", p.type},
                          {"width", p.widthPixels},
                          {"height", p.heightPixels}};
            break;
        }
        default:
            break;
        }
        list.push_back(std::move(e));
    }
    return json{{"entries", list}}.dump(2) + "\n";
}

namespace {
Error badFile(const std::string& why) {
    return {errc::InvalidPropertyValue, u"Bad property bag file: " + fromUtf8(why)};
}

template <typename T> ErrorOr<T> field(const json& j, const char* name) {
    if (!j.is_object() || !j.contains(name))
        return badFile(std::string("missing \"") + name + "\"");
    try {
        return j.at(name).get<T>();
    } catch (const json::exception&) {
        return badFile(std::string("\"") + name + "\" has the wrong type");
    }
}

Error outOfRange(const std::string& what) {
    return {errc::Overflow, u"Overflow: " + fromUtf8(what) + u" is out of range"};
}

// Every number is checked against the type it is read into: one that does not fit is an
// overflow, never a value wrapped around.
template <typename Int> ErrorOr<Int> integer(const json& j, const std::string& what) {
    if (!j.is_number_integer()) return badFile(what + ": an integer value is expected");
    if (j.is_number_unsigned()
            ? j.get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<Int>::max())
            : (j.get<std::int64_t>() < std::numeric_limits<Int>::min() ||
               j.get<std::int64_t>() > std::numeric_limits<Int>::max()))
        return outOfRange(what);
    return static_cast<Int>(j.get<std::int64_t>());
}

template <typename Int> ErrorOr<Int> integerField(const json& j, const char* name) {
    if (!j.is_object() || !j.contains(name))
        return badFile(std::string("missing \"") + name + "\"");
    return integer<Int>(j.at(name), std::string("\"") + name + "\"");
}

ErrorOr<float> single(const json& j, const std::string& what) {
    if (j.is_string()) {
        const auto& t = j.get_ref<const std::string&>();
        if (t == "NaN") return std::numeric_limits<float>::quiet_NaN();
        if (t == "Infinity") return std::numeric_limits<float>::infinity();
        if (t == "-Infinity") return -std::numeric_limits<float>::infinity();
    }
    if (!j.is_number()) return badFile(what + ": a number is expected");
    double d = j.get<double>();
    if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
        return outOfRange(what);
    return static_cast<float>(d);
}

ErrorOr<std::u16string> textOf(const json& j, const std::string& what) {
    if (j.is_string()) return fromUtf8(j.get_ref<const std::string&>());
    if (!j.is_object() || !j.contains("utf16") || !j["utf16"].is_array())
        return badFile(what + ": a string is expected");
    std::u16string s;
    for (const json& unit : j["utf16"])
        s += static_cast<char16_t>(TRY(integer<std::uint16_t>(unit, what)));
    return s;
}

ErrorOr<std::u16string> textField(const json& j, const char* name) {
    if (!j.is_object() || !j.contains(name))
        return badFile(std::string("missing \"") + name + "\"");
    return textOf(j.at(name), std::string("\"") + name + "\"");
}
} // namespace

ErrorOr<HeadlessPropertyBag> HeadlessPropertyBag::fromJson(std::string_view text) {
    json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded()) return badFile("not JSON");
    if (!doc.is_object() || !doc.contains("entries") || !doc["entries"].is_array())
        return badFile("no \"entries\" list");
    HeadlessPropertyBag bag;
    for (const json& e : doc["entries"]) {
        auto key = TRY(textField(e, "key"));
        auto type = TRY(field<std::string>(e, "type"));
        const json empty;
        const json& v = e.contains("value") ? e["value"] : empty;
        Value value;
        if (type == "Empty")
            value = Value();
        else if (type == "Missing")
            value = Value::missing();
        else if (type == "Nothing")
            value = Value::nothing();
        else if (type == "Integer")
            value = Value(TRY(integer<std::int16_t>(v, "an Integer")));
        else if (type == "Long")
            value = Value(TRY(integer<std::int32_t>(v, "a Long")));
        else if (type == "Boolean") {
            if (!v.is_boolean()) return badFile("a Boolean value is expected");
            value = Value::boolean(v.get<bool>());
        } else if (type == "Single") {
            value = Value(TRY(single(v, "a Single")));
        } else if (type == "String") {
            value = Value(TRY(textOf(v, "a String")));
        } else if (type == "Font") {
            auto f = std::make_shared<Font>();
            f->name = TRY(textField(v, "name"));
            if (!v.contains("size")) return badFile("missing \"size\"");
            f->size = TRY(single(v["size"], "a font size"));
            if (!(std::isfinite(f->size) && f->size > 0))
                return badFile("a font size must be a finite positive number");
            f->weight = TRY(integerField<std::int16_t>(v, "weight"));
            f->charset = TRY(integerField<std::int16_t>(v, "charset"));
            f->italic = TRY(field<bool>(v, "italic"));
            f->underline = TRY(field<bool>(v, "underline"));
            f->strikethrough = TRY(field<bool>(v, "strikethrough"));
            value = Value(std::move(f));
        } else if (type == "Picture") {
            auto p = std::make_shared<Picture>();
            p->name = TRY(textField(v, "name"));
            p->type = TRY(integerField<std::int16_t>(v, "pictureType"));
            p->widthPixels = TRY(integerField<std::int32_t>(v, "width"));
            p->heightPixels = TRY(integerField<std::int32_t>(v, "height"));
            value = Value(std::move(p));
        } else
            return badFile("unknown type \"" + type + "\"");
        bag.put(key, std::move(value));
    }
    return bag;
}

} // namespace tessivra::headless
