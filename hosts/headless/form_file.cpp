#include "hosts/headless/form_file.h"

#include "hosts/headless/form.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace tessivra::headless {

// Kept in the order written, so that a form file reads as the form is laid out.
using json = nlohmann::ordered_json;

namespace {

constexpr std::string_view kFormat = "tessivra-form";
constexpr int kVersion = 1;

Error bad(const std::string& field, const std::string& why) {
    return {errc::InvalidPropertyValue,
            u"Bad form file: " + fromUtf8(field) + u": " + fromUtf8(why)};
}

// A number written as an integer when it is one, so that files stay as people write them.
json twipsJson(Twips t) {
    if (std::nearbyint(t) == t && std::fabs(t) < 2147483648.0f) return static_cast<std::int64_t>(t);
    return t;
}

const json* member(const json& object, const char* name) {
    auto it = object.find(name);
    return it == object.end() ? nullptr : &*it;
}

ErrorOr<Twips> twipsField(const json& object, const char* name, const std::string& where,
                          bool isSize) {
    const json* v = member(object, name);
    if (!v) return bad(where + name, "missing");
    if (!v->is_number()) return bad(where + name, "a number of twips is expected");
    const double d = v->get<double>();
    // Checked as a double first, so that a value past a float's range is refused rather than
    // turned into infinity on the way in.
    if (!std::isfinite(d) || std::fabs(d) > static_cast<double>(kMaxTwips))
        return bad(where + name, "out of range");
    const Twips t = static_cast<Twips>(d);
    if ((isSize ? checkSize(t) : checkPosition(t)).isError())
        return bad(where + name, isSize ? "a size cannot be negative" : "out of range");
    return t;
}

ErrorOr<std::u16string> textField(const json& object, const char* name, const std::string& where,
                                  bool required) {
    const json* v = member(object, name);
    if (!v) {
        if (required) return bad(where + name, "missing");
        return std::u16string();
    }
    if (!v->is_string()) return bad(where + name, "a string is expected");
    std::u16string text = fromUtf8(v->get_ref<const std::string&>());
    // The JSON reader has already refused text that is not UTF-8.
    return text;
}

// Fields a reader does not know are refused, so that a misspelt one is not quietly dropped.
ErrorOr<void> onlyKnown(const json& object, std::initializer_list<std::string_view> known,
                        const std::string& where) {
    for (const auto& [key, value] : object.items())
        if (std::find(known.begin(), known.end(), key) == known.end())
            return bad(where + key, "unknown field");
    return {};
}

std::u16string folded(std::u16string_view name) {
    std::u16string f(name);
    for (auto& c : f)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return f;
}

ErrorOr<FormControl> readControl(const json& c, const std::string& where) {
    if (!c.is_object()) return bad(where.substr(0, where.size() - 1), "an object is expected");
    TRY(onlyKnown(c, {"name", "progId", "left", "top", "width", "height", "tabIndex", "bag"},
                  where));
    FormControl control;
    control.name = TRY(textField(c, "name", where, true));
    if (control.name.empty()) return bad(where + "name", "empty");
    const json* cls = member(c, "progId");
    if (!cls) return bad(where + "progId", "missing");
    if (!cls->is_string() || cls->get_ref<const std::string&>().empty())
        return bad(where + "progId", "a ProgId or class identifier is expected");
    control.classId = cls->get<std::string>();
    control.left = TRY(twipsField(c, "left", where, false));
    control.top = TRY(twipsField(c, "top", where, false));
    control.width = TRY(twipsField(c, "width", where, true));
    control.height = TRY(twipsField(c, "height", where, true));
    const json* tab = member(c, "tabIndex");
    if (!tab) return bad(where + "tabIndex", "missing");
    if (!tab->is_number_integer()) return bad(where + "tabIndex", "an integer is expected");
    if (tab->is_number_unsigned()
            ? tab->get<std::uint64_t>() > 32767
            : (tab->get<std::int64_t>() < 0 || tab->get<std::int64_t>() > 32767))
        return bad(where + "tabIndex", "out of range (0 to 32767)");
    control.tabIndex = static_cast<std::int16_t>(tab->get<std::int64_t>());
    const json* bagJson = member(c, "bag");
    if (!bagJson) return bad(where + "bag", "missing");
    if (!bagJson->is_object()) return bad(where + "bag", "an object is expected");
    auto bag = HeadlessPropertyBag::fromJson(bagJson->dump());
    if (bag.isError()) return bad(where + "bag", toUtf8(bag.error().description));
    control.bag = bag.releaseValue();
    return control;
}

} // namespace

std::string FormFile::toJson() const {
    json list = json::array();
    std::int16_t tab = 0;
    for (const auto& c : controls) {
        list.push_back({{"name", toUtf8(c.name)},
                        {"progId", c.classId},
                        {"left", twipsJson(c.left)},
                        {"top", twipsJson(c.top)},
                        {"width", twipsJson(c.width)},
                        {"height", twipsJson(c.height)},
                        {"tabIndex", tab++},
                        {"bag", json::parse(c.bag.toJson())}});
    }
    json doc{{"format", kFormat},           {"version", kVersion},
             {"caption", toUtf8(caption)},  {"width", twipsJson(width)},
             {"height", twipsJson(height)}, {"controls", std::move(list)}};
    return doc.dump(2) + "\n";
}

ErrorOr<FormFile> FormFile::fromJson(std::string_view text) {
    json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded()) return bad("file", "not JSON");
    if (!doc.is_object()) return bad("file", "an object is expected");
    TRY(onlyKnown(doc, {"format", "version", "caption", "width", "height", "controls"}, ""));
    const json* format = member(doc, "format");
    if (!format || !format->is_string() || format->get_ref<const std::string&>() != kFormat)
        return bad("format", "\"tessivra-form\" is expected");
    const json* version = member(doc, "version");
    if (!version || !version->is_number_integer() || version->get<std::int64_t>() != kVersion)
        return bad("version", "1 is expected");
    FormFile form;
    form.caption = TRY(textField(doc, "caption", "", false));
    form.width = TRY(twipsField(doc, "width", "", true));
    form.height = TRY(twipsField(doc, "height", "", true));
    const json* controls = member(doc, "controls");
    if (!controls) return bad("controls", "missing");
    if (!controls->is_array()) return bad("controls", "a list is expected");
    if (controls->size() > kMaxFormControls)
        return bad("controls", "more than " + std::to_string(kMaxFormControls) + " controls");
    std::set<std::u16string> names;
    std::set<std::int16_t> tabs;
    for (std::size_t i = 0; i < controls->size(); ++i) {
        const std::string where = "controls[" + std::to_string(i) + "].";
        FormControl c = TRY(readControl((*controls)[i], where));
        // Names are found without regard to case, so two that differ only in case are one.
        if (!names.insert(folded(c.name)).second)
            return bad(where + "name", "\"" + toUtf8(c.name) + "\" is used twice");
        if (!tabs.insert(c.tabIndex).second)
            return bad(where + "tabIndex", std::to_string(c.tabIndex) + " is used twice");
        form.controls.push_back(std::move(c));
    }
    std::stable_sort(
        form.controls.begin(), form.controls.end(),
        [](const FormControl& a, const FormControl& b) { return a.tabIndex < b.tabIndex; });
    return form;
}

} // namespace tessivra::headless
