#include "hosts/headless/property_bag.h"

#include <nlohmann/json.hpp>

namespace tessivra::headless {

using nlohmann::json;

ErrorOr<Value> HeadlessPropertyBag::ReadProperty(std::u16string_view key, const Value& def) {
    if (faults_) TESSIVRA_FAULT(*faults_, u"", u"PropBag", "ReadProperty");
    if (const Value* v = find(key)) return *v;
    return def;
}

ErrorOr<void> HeadlessPropertyBag::WriteProperty(std::u16string_view key, const Value& value,
                                                 const Value&) {
    if (faults_) TESSIVRA_FAULT(*faults_, u"", u"PropBag", "WriteProperty");
    // Every value is kept, defaults included, so that a saved bag shows the whole state.
    put(key, value);
    return {};
}

void HeadlessPropertyBag::put(std::u16string_view key, Value value) {
    for (auto& [k, v] : entries_)
        if (k == key) {
            v = std::move(value);
            return;
        }
    entries_.emplace_back(std::u16string(key), std::move(value));
}

const Value* HeadlessPropertyBag::find(std::u16string_view key) const {
    for (const auto& [k, v] : entries_)
        if (k == key) return &v;
    return nullptr;
}

std::string HeadlessPropertyBag::toJson() const {
    json list = json::array();
    for (const auto& [k, v] : entries_) {
        json e{{"key", toUtf8(k)}, {"type", toUtf8(valueTypeName(v.type()))}};
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
            e["value"] = v.r4();
            break;
        case ValueType::String:
            e["value"] = toUtf8(v.string());
            break;
        case ValueType::Font: {
            const auto& f = *v.font();
            e["value"] = {{"name", toUtf8(f.name)},
                          {"size", f.size},
                          {"weight", f.weight},
                          {"charset", f.charset},
                          {"italic", f.italic},
                          {"underline", f.underline},
                          {"strikethrough", f.strikethrough}};
            break;
        }
        case ValueType::Picture: {
            const auto& p = *v.picture();
            e["value"] = {{"name", toUtf8(p.name)},
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

template <typename Int> ErrorOr<Int> integer(const json& j) {
    if (!j.is_number_integer()) return badFile("an integer value is expected");
    auto v = j.get<std::int64_t>();
    if (v < std::numeric_limits<Int>::min() || v > std::numeric_limits<Int>::max())
        return badFile("an integer value is out of range");
    return static_cast<Int>(v);
}
} // namespace

ErrorOr<HeadlessPropertyBag> HeadlessPropertyBag::fromJson(std::string_view text) {
    json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded()) return badFile("not JSON");
    if (!doc.is_object() || !doc.contains("entries") || !doc["entries"].is_array())
        return badFile("no \"entries\" list");
    HeadlessPropertyBag bag;
    for (const json& e : doc["entries"]) {
        auto key = fromUtf8(TRY(field<std::string>(e, "key")));
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
            value = Value(TRY(integer<std::int16_t>(v)));
        else if (type == "Long")
            value = Value(TRY(integer<std::int32_t>(v)));
        else if (type == "Boolean") {
            if (!v.is_boolean()) return badFile("a Boolean value is expected");
            value = Value::boolean(v.get<bool>());
        } else if (type == "Single") {
            if (!v.is_number()) return badFile("a number is expected");
            value = Value(v.get<float>());
        } else if (type == "String") {
            if (!v.is_string()) return badFile("a string is expected");
            value = Value(fromUtf8(v.get<std::string>()));
        } else if (type == "Font") {
            auto f = std::make_shared<Font>();
            f->name = fromUtf8(TRY(field<std::string>(v, "name")));
            f->size = TRY(field<float>(v, "size"));
            f->weight = TRY(field<std::int16_t>(v, "weight"));
            f->charset = TRY(field<std::int16_t>(v, "charset"));
            f->italic = TRY(field<bool>(v, "italic"));
            f->underline = TRY(field<bool>(v, "underline"));
            f->strikethrough = TRY(field<bool>(v, "strikethrough"));
            value = Value(std::move(f));
        } else if (type == "Picture") {
            auto p = std::make_shared<Picture>();
            p->name = fromUtf8(TRY(field<std::string>(v, "name")));
            p->type = TRY(field<std::int16_t>(v, "pictureType"));
            p->widthPixels = TRY(field<std::int32_t>(v, "width"));
            p->heightPixels = TRY(field<std::int32_t>(v, "height"));
            value = Value(std::move(p));
        } else
            return badFile("unknown type \"" + type + "\"");
        bag.put(key, std::move(value));
    }
    return bag;
}

} // namespace tessivra::headless
