#include "hosts/web/host/web_bag.h"

#include "hosts/web/host/web_page.h"

#include <emscripten.h>

#include <cmath>
#include <limits>

namespace tessivra::web {

namespace {

// JSON.parse without letting an exception run through the module: bad text gives null.
const val& safeParse() {
    static const val parse =
        val::global("Function")
            .new_(val("text"), val("try { return JSON.parse(text); } catch (e) { return null; }"));
    return parse;
}

Error badFile(const std::string& why) {
    return {errc::InvalidPropertyValue, u"Bad property bag file: " + fromUtf8(why)};
}
Error outOfRange(const std::string& what) {
    return {errc::Overflow, u"Overflow: " + fromUtf8(what) + u" is out of range"};
}

// Text JSON's UTF-8 cannot carry (a lone surrogate) goes as its code units.
val textJson(std::u16string_view s) {
    if (isWholeUtf16(s)) return jsString(s);
    val units = val::array();
    for (char16_t c : s)
        units.call<void>("push", static_cast<int>(c));
    val o = val::object();
    o.set("utf16", units);
    return o;
}

val singleJson(float f) {
    if (std::isnan(f)) return val("NaN");
    if (std::isinf(f)) return val(f > 0 ? "Infinity" : "-Infinity");
    return val(static_cast<double>(f));
}

template <typename Int> ErrorOr<Int> integer(const val& j, const std::string& what) {
    if (!j.isNumber() || !val::global("Number").call<bool>("isInteger", j))
        return badFile(what + ": an integer value is expected");
    const double d = j.as<double>();
    if (d < static_cast<double>(std::numeric_limits<Int>::min()) ||
        d > static_cast<double>(std::numeric_limits<Int>::max()))
        return outOfRange(what);
    return static_cast<Int>(d);
}

ErrorOr<float> single(const val& j, const std::string& what) {
    if (j.isString()) {
        const auto t = j.as<std::string>();
        if (t == "NaN") return std::numeric_limits<float>::quiet_NaN();
        if (t == "Infinity") return std::numeric_limits<float>::infinity();
        if (t == "-Infinity") return -std::numeric_limits<float>::infinity();
    }
    if (!j.isNumber()) return badFile(what + ": a number is expected");
    const double d = j.as<double>();
    if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
        return outOfRange(what);
    return static_cast<float>(d);
}

ErrorOr<std::u16string> textOf(const val& j, const std::string& what) {
    if (j.isString()) return fromJs(j);
    if (j.isNull() || j.isUndefined() || j.typeOf().as<std::string>() != "object" ||
        !val::global("Array").call<bool>("isArray", j["utf16"]))
        return badFile(what + ": a string is expected");
    std::u16string s;
    const val units = j["utf16"];
    const int n = units["length"].as<int>();
    for (int i = 0; i < n; ++i)
        s += static_cast<char16_t>(TRY(integer<std::uint16_t>(units[i], what)));
    return s;
}

bool isObject(const val& j) {
    return !j.isNull() && !j.isUndefined() && j.typeOf().as<std::string>() == "object";
}

val member(const val& j, const char* name) {
    return isObject(j) && j.call<bool>("hasOwnProperty", val(name)) ? j[name] : val::undefined();
}

ErrorOr<val> field(const val& j, const char* name) {
    val v = member(j, name);
    if (v.isUndefined()) return badFile(std::string("missing \"") + name + "\"");
    return v;
}

ErrorOr<bool> flag(const val& j, const char* name) {
    val v = TRY(field(j, name));
    if (v.typeOf().as<std::string>() != "boolean")
        return badFile(std::string("\"") + name + "\" has the wrong type");
    return v.as<bool>();
}

} // namespace

ErrorOr<Value> WebPropertyBag::ReadProperty(std::u16string_view key, const Value& def) {
    if (const Value* v = find(key)) return *v;
    return def;
}

ErrorOr<void> WebPropertyBag::WriteProperty(std::u16string_view key, const Value& value,
                                            const Value&) {
    // Only what the text can hold is kept, so that every bag written reads back.
    TRY(checkKeepable(value));
    put(key, value);
    return {};
}

std::string WebPropertyBag::toJson() const {
    val list = val::array();
    for (const auto& [k, v] : entries()) {
        val e = val::object();
        e.set("key", textJson(k));
        e.set("type", toUtf8(valueTypeName(v.type())));
        switch (v.type()) {
        case ValueType::I2:
            e.set("value", static_cast<int>(v.i2()));
            break;
        case ValueType::I4:
            e.set("value", v.i4());
            break;
        case ValueType::Bool:
            e.set("value", v.boolean());
            break;
        case ValueType::R4:
            e.set("value", singleJson(v.r4()));
            break;
        case ValueType::String:
            e.set("value", textJson(v.string()));
            break;
        case ValueType::Font: {
            const auto& f = *v.font();
            val o = val::object();
            o.set("name", textJson(f.name));
            o.set("size", singleJson(f.size));
            o.set("weight", static_cast<int>(f.weight));
            o.set("charset", static_cast<int>(f.charset));
            o.set("italic", f.italic);
            o.set("underline", f.underline);
            o.set("strikethrough", f.strikethrough);
            e.set("value", o);
            break;
        }
        case ValueType::Picture: {
            const auto& p = *v.picture();
            val o = val::object();
            o.set("name", textJson(p.name));
            o.set("pictureType", static_cast<int>(p.type));
            o.set("width", p.widthPixels);
            o.set("height", p.heightPixels);
            e.set("value", o);
            break;
        }
        default:
            break;
        }
        list.call<void>("push", e);
    }
    val doc = val::object();
    doc.set("entries", list);
    return val::global("JSON").call<std::string>("stringify", doc, val::null(), 2) + "\n";
}

ErrorOr<WebPropertyBag> WebPropertyBag::fromJson(std::string_view text) {
    const val doc = safeParse()(std::string(text));
    if (doc.isNull()) return badFile("not JSON");
    const val list = member(doc, "entries");
    if (!val::global("Array").call<bool>("isArray", list)) return badFile("no \"entries\" list");
    WebPropertyBag bag;
    const int n = list["length"].as<int>();
    for (int i = 0; i < n; ++i) {
        const val e = list[i];
        auto key = TRY(textOf(TRY(field(e, "key")), "\"key\""));
        const val typeJson = TRY(field(e, "type"));
        if (!typeJson.isString()) return badFile("\"type\" has the wrong type");
        const auto type = typeJson.as<std::string>();
        const val v = member(e, "value");
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
            if (v.typeOf().as<std::string>() != "boolean")
                return badFile("a Boolean value is expected");
            value = Value::boolean(v.as<bool>());
        } else if (type == "Single")
            value = Value(TRY(single(v, "a Single")));
        else if (type == "String")
            value = Value(TRY(textOf(v, "a String")));
        else if (type == "Font") {
            auto f = std::make_shared<Font>();
            f->name = TRY(textOf(TRY(field(v, "name")), "\"name\""));
            f->size = TRY(single(TRY(field(v, "size")), "\"size\""));
            if (!(std::isfinite(f->size) && f->size > 0))
                return badFile("a font size must be a finite positive number");
            f->weight = TRY(integer<std::int16_t>(TRY(field(v, "weight")), "\"weight\""));
            f->charset = TRY(integer<std::int16_t>(TRY(field(v, "charset")), "\"charset\""));
            f->italic = TRY(flag(v, "italic"));
            f->underline = TRY(flag(v, "underline"));
            f->strikethrough = TRY(flag(v, "strikethrough"));
            value = Value(FontRef(f));
        } else if (type == "Picture") {
            auto p = std::make_shared<Picture>();
            p->name = TRY(textOf(TRY(field(v, "name")), "\"name\""));
            p->type = TRY(integer<std::int16_t>(TRY(field(v, "pictureType")), "\"pictureType\""));
            p->widthPixels = TRY(integer<std::int32_t>(TRY(field(v, "width")), "\"width\""));
            p->heightPixels = TRY(integer<std::int32_t>(TRY(field(v, "height")), "\"height\""));
            value = Value(PictureRef(p));
        } else
            return badFile("unknown type \"" + type + "\"");
        bag.put(key, std::move(value));
    }
    return bag;
}

} // namespace tessivra::web
