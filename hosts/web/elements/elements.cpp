// The library's classes as custom elements: the module the elements' script calls. Each element
// holds one control on the document's page; its properties, methods and events go through the
// control's dispatcher by name, as an automation client reaches them, and every value crossing
// from the page's script is converted and checked on the way in.

#include "controls/shipped_classes.h"
#include "framework/dispatch.h"
#include "hosts/web/elements/text_services.h"
#include "hosts/web/host/lines.h"
#include "hosts/web/host/web_bag.h"
#include "hosts/web/host/web_page.h"

#include <emscripten/bind.h>

#include <cmath>
#include <map>

namespace tessivra::web {
namespace {

// The tag of a class: "tessivra-" and its name with a hyphen before each inner capital.
std::string tagOf(std::string_view name) {
    std::string tag = "tessivra-";
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c >= 'A' && c <= 'Z') {
            if (i > 0) tag += '-';
            tag += static_cast<char>(c + 32);
        } else {
            tag += c;
        }
    }
    return tag;
}

std::string typeName(MemberType t) {
    return toUtf8(valueTypeName(valueTypeOf(t)));
}

// The one page every element's control lives on, made with the document's language.
class Document {
public:
    static Document& get() {
        static Document document;
        return document;
    }
    WebPage& page() { return *page_; }
    TextServices& text() { return *text_; }

private:
    Document() {
        val root = val::global("document").call<val>("createElement", val("div"));
        root.set("className", "tessivra-windows");
        val::global("document")["body"].call<void>("appendChild", root);
        text_ = makePageTextServices();
        page_ = std::make_unique<WebPage>(root, *text_);
    }
    std::unique_ptr<TextServices> text_;
    std::unique_ptr<WebPage> page_;
};

val errorResult(const Error& e) {
    val r = val::object();
    r.set("error", jsString(e.description));
    r.set("code", e.code);
    return r;
}

val valueResult(val v) {
    val r = val::object();
    r.set("value", v);
    return r;
}

val toJs(const Value& v) {
    switch (v.type()) {
    case ValueType::I2:
        return val(static_cast<int>(v.i2()));
    case ValueType::I4:
        return val(v.i4());
    case ValueType::R4:
        return val(static_cast<double>(v.r4()));
    case ValueType::Bool:
        return val(v.boolean());
    case ValueType::String:
        return jsString(v.string());
    case ValueType::Font: {
        const Font& f = *v.font();
        val o = val::object();
        o.set("name", jsString(f.name));
        o.set("size", static_cast<double>(f.size));
        o.set("bold", f.bold());
        o.set("italic", f.italic);
        o.set("underline", f.underline);
        return o;
    }
    case ValueType::Picture: {
        const Picture& p = *v.picture();
        val o = val::object();
        o.set("name", jsString(p.name));
        o.set("width", p.widthPixels);
        o.set("height", p.heightPixels);
        if (auto* w = dynamic_cast<const WebPicture*>(&p)) o.set("url", w->url);
        return o;
    }
    case ValueType::Nothing:
        return val::null();
    default:
        return val::undefined();
    }
}

// A value from the page's script: numbers as the smallest integer type that holds them (the
// dispatcher converts to the member's type and refuses what does not fit), fonts from a plain
// description. Anything else is a type mismatch.
ErrorOr<Value> fromJs(const val& v) {
    const std::string type = v.typeOf().as<std::string>();
    if (v.isUndefined()) return Value();
    if (v.isNull()) return Value::nothing();
    if (type == "boolean") return Value::boolean(v.as<bool>());
    if (type == "string") return Value(web::fromJs(v));
    if (type == "number") {
        const double d = v.as<double>();
        if (!std::isfinite(d)) return Error::overflow();
        if (std::trunc(d) == d && d >= -32768 && d <= 32767)
            return Value(static_cast<std::int16_t>(d));
        if (std::trunc(d) == d && d >= -2147483648.0 && d <= 2147483647.0)
            return Value(static_cast<std::int32_t>(d));
        if (std::fabs(d) > 3.4028234663852886e38) return Error::overflow();
        return Value(static_cast<float>(d));
    }
    if (type == "object" && v["name"].isString() && v["size"].isNumber()) {
        FontDescription d;
        const std::u16string name = web::fromJs(v["name"]);
        d.name = name;
        d.size = static_cast<float>(v["size"].as<double>());
        d.weight = v["bold"].as<bool>() ? fontweight::Bold : fontweight::Normal;
        d.italic = v["italic"].as<bool>();
        d.underline = v["underline"].as<bool>();
        return Value(TRY(Document::get().page().objects().NewFont(d)));
    }
    return Error::typeMismatch();
}

// One element's control: its place on the page, its dispatcher, and the sink that turns its
// events into the element's DOM events.
class Instance final : public EventSink {
public:
    Instance(std::u16string name, val element) : name_(std::move(name)), element_(element) {}

    ErrorOr<void> Invoke(DispId id, EventArgs args) override {
        const EventInfo* info = eventById(dispatcher->controlClass(), id);
        if (!info) return {};
        // A change of the text ends a failed check's invalidity.
        if (invalid && info->name == u"Change") {
            invalid = false;
            element_.call<void>("tessivraValid");
        }
        const val listened = element_["tessivraListened"];
        if (listened.isUndefined() || !listened[jsString(info->name)].as<bool>()) return {};
        // The detail holds each argument by name; a listener may change it, and what it left
        // goes back to the control, converted to the argument's type.
        val detail = val::object();
        for (std::size_t i = 0; i < args.size() && i < info->params.size(); ++i)
            detail.set(jsString(info->params[i].name), toJs(args[i].get()));
        val init = val::object();
        init.set("detail", detail);
        init.set("bubbles", true);
        init.set("composed", true);
        element_.call<bool>("dispatchEvent",
                            val::global("CustomEvent").new_(jsString(info->name), init));
        for (std::size_t i = 0; i < args.size() && i < info->params.size(); ++i) {
            auto left = fromJs(detail[jsString(info->params[i].name)]);
            auto set =
                left.isError() ? ErrorOr<void>(left.releaseError()) : args[i].set(left.value());
            if (set.isError())
                // A listener's value that does not fit leaves the argument as it was.
                val::global("console").call<void>(
                    "error", jsString(u"tessivra: " + std::u16string(info->name) + u"." +
                                      std::u16string(info->params[i].name) + u": " +
                                      set.error().description));
        }
        return {};
    }

    std::u16string name_;
    val element_;
    std::unique_ptr<Dispatcher> dispatcher;
    // Whether the element is marked invalid by a failed check.
    bool invalid = false;
};

std::map<int, std::unique_ptr<Instance>>& instances() {
    static std::map<int, std::unique_ptr<Instance>> all;
    return all;
}
int nextInstance = 1;

Instance* instance(int handle) {
    auto it = instances().find(handle);
    return it == instances().end() ? nullptr : it->second.get();
}

Error noInstance() {
    return {errc::ObjectRequired, u"The element's control has gone"};
}

// ---- what the elements' script calls --------------------------------------------------------

// Every class with its tag, size and members, for the script to define its elements by.
val classes() {
    val list = val::array();
    for (const ControlClassInfo& info : shippedClasses()) {
        if (!info.isAvailable()) continue;
        const ControlClass& c = *info.Class;
        val o = val::object();
        o.set("name", std::string(info.Name));
        o.set("progId", std::string(info.ProgId));
        o.set("tag", tagOf(info.Name));
        o.set("width", static_cast<double>(c.designWidth));
        o.set("height", static_cast<double>(c.designHeight));
        val properties = val::array(), methods = val::array(), events = val::array();
        for (const DispatchMember& m : c.members) {
            if (m.access & access::Call) {
                methods.call<void>("push", jsString(m.name));
                continue;
            }
            val p = val::object();
            p.set("name", jsString(m.name));
            p.set("type", typeName(m.type));
            p.set("get", (m.access & access::Get) != 0);
            p.set("let", (m.access & access::Let) != 0);
            properties.call<void>("push", p);
        }
        for (const EventInfo& e : c.events) {
            val params = val::array();
            for (const ParamInfo& p : e.params)
                params.call<void>("push", jsString(p.name));
            val ev = val::object();
            ev.set("name", jsString(e.name));
            ev.set("params", params);
            events.call<void>("push", ev);
        }
        o.set("properties", properties);
        o.set("methods", methods);
        o.set("events", events);
        list.call<void>("push", o);
    }
    return list;
}

// Makes a control of the class in `surface` (an element inside the custom element's shadow
// root); its events go out on `element`. The handle, or {error}.
val create(const std::string& progId, val surface, val element) {
    const ControlClassInfo* info = findByProgId(shippedClasses(), progId);
    if (!info || !info->isAvailable())
        return errorResult({errc::ClassNotAvailable,
                            u"ActiveX component can't create object: " + fromUtf8(progId)});
    const int handle = nextInstance++;
    const std::u16string name = fromUtf8(std::string(info->Name) + std::to_string(handle));
    auto made = std::make_unique<Instance>(name, element);
    auto create = info->create;
    WebPage& page = Document::get().page();
    auto control = page.add(
        name,
        [create](Site s) -> ErrorOr<std::shared_ptr<Control>> {
            return std::shared_ptr<Control>(TRY(create(s)));
        },
        info->Class->designWidth, info->Class->designHeight, surface);
    if (control.isError()) {
        page.remove(name);
        return errorResult(control.error());
    }
    made->dispatcher = std::make_unique<Dispatcher>(*control.value());
    WebContainer* site = page.container(name);
    site->sink = made.get();
    // Each property change the control reports reaches the element, which reflects it.
    site->onPropertyChanged = [element](std::u16string_view property) mutable {
        element.call<void>("tessivraChanged", jsString(property));
    };
    site->onMessageBox = [element, in = made.get()](std::u16string_view prompt) mutable {
        in->invalid = true;
        element.call<void>("tessivraMessage", jsString(prompt));
    };
    auto placed = page.place(name);
    if (placed.isError()) {
        page.remove(name);
        return errorResult(placed.error());
    }
    instances().emplace(handle, std::move(made));
    return valueResult(val(handle));
}

void destroy(int handle) {
    auto it = instances().find(handle);
    if (it == instances().end()) return;
    Document::get().page().remove(it->second->name_);
    instances().erase(it);
}

val invoke(int handle, const std::string& member, InvokeKind kind, std::span<const Value> args) {
    Instance* in = instance(handle);
    if (!in) return errorResult(noInstance());
    auto id = in->dispatcher->idOfName(fromUtf8(member));
    if (id.isError()) return errorResult(id.error());
    auto result = in->dispatcher->invoke(id.value(), kind, args);
    // Input the page delivers meanwhile (sent keys) goes after the call, as after any input.
    auto keys = Document::get().page().deliverSentKeys();
    if (result.isError()) {
        const DispatchError& e = result.error();
        return errorResult(e.isException() ? e.exception : static_cast<const Error&>(e));
    }
    if (keys.isError()) return errorResult(keys.error());
    return valueResult(toJs(result.value()));
}

val get(int handle, const std::string& property) {
    return invoke(handle, property, InvokeKind::Get, {});
}

val put(int handle, const std::string& property, val value) {
    auto v = fromJs(value);
    if (v.isError()) return errorResult(v.error());
    const Value args[] = {v.value()};
    return invoke(handle, property, v.value().isObject() ? InvokeKind::Set : InvokeKind::Let, args);
}

val call(int handle, const std::string& method, val jsArgs) {
    std::vector<Value> args;
    const int n = jsArgs["length"].as<int>();
    for (int i = 0; i < n; ++i) {
        auto v = fromJs(jsArgs[i]);
        if (v.isError()) return errorResult(v.error());
        args.push_back(v.releaseValue());
    }
    return invoke(handle, method, InvokeKind::Call, args);
}

// Loads the control from a property bag kept as JSON (a form file's entry), then lays it out.
val load(int handle, const std::string& json) {
    Instance* in = instance(handle);
    if (!in) return errorResult(noInstance());
    auto bag = WebPropertyBag::fromJson(json);
    if (bag.isError()) return errorResult(bag.error());
    WebPage& page = Document::get().page();
    auto loaded = page.load(in->name_, bag.value());
    if (loaded.isError()) return errorResult(loaded.error());
    auto placed = page.place(in->name_);
    if (placed.isError()) return errorResult(placed.error());
    return valueResult(val::undefined());
}

val save(int handle) {
    Instance* in = instance(handle);
    if (!in) return errorResult(noInstance());
    WebPropertyBag bag;
    auto saved = Document::get().page().save(in->name_, bag);
    if (saved.isError()) return errorResult(saved.error());
    return valueResult(val(bag.toJson()));
}

val resize(int handle, double width, double height) {
    Instance* in = instance(handle);
    if (!in) return errorResult(noInstance());
    auto r = Document::get().page().resize(in->name_, static_cast<Twips>(width),
                                           static_cast<Twips>(height));
    if (r.isError()) return errorResult(r.error());
    return valueResult(val::undefined());
}

} // namespace

EMSCRIPTEN_BINDINGS(tessivra_elements) {
    emscripten::function("tessivraClasses", &classes);
    emscripten::function("tessivraCreate", &create);
    emscripten::function("tessivraDestroy", &destroy);
    emscripten::function("tessivraGet", &get);
    emscripten::function("tessivraSet", &put);
    emscripten::function("tessivraCall", &call);
    emscripten::function("tessivraLoad", &load);
    emscripten::function("tessivraSave", &save);
    emscripten::function("tessivraResize", &resize);
}

} // namespace tessivra::web
