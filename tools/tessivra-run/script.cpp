#include "tools/tessivra-run/script.h"

#include "framework/registry/registration.h"
#include "hosts/headless/registry.h"
#include "hosts/headless/text_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>

namespace tessivra::run {

using headless::formatValue;
using headless::quote;

namespace {

Error usage(const std::string& text) {
    return {errc::InvalidProcedureCall, u"usage: " + fromUtf8(text)};
}

bool isQuoted(const std::string& w) {
    return !w.empty() && w[0] == '"';
}
std::string unquoted(const std::string& w) {
    return isQuoted(w) ? w.substr(1) : w;
}

bool isHex(const std::string& w) {
    return (w.size() > 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X')) ||
           (w.size() > 3 && w[0] == '-' && w[1] == '0' && (w[2] == 'x' || w[2] == 'X'));
}

ErrorOr<long long> parseInteger(const std::string& w) {
    if (w.empty()) return Error::typeMismatch();
    char* end = nullptr;
    errno = 0;
    long long v = (w.size() > 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X'))
                      ? std::strtoll(w.c_str() + 2, &end, 16)
                  : (w.size() > 3 && w[0] == '-' && w[1] == '0' && (w[2] == 'x' || w[2] == 'X'))
                      ? -std::strtoll(w.c_str() + 3, &end, 16)
                      : std::strtoll(w.c_str(), &end, 10);
    if (*end != '\0') return Error::typeMismatch();
    if (errno == ERANGE) return Error::overflow();
    if (errno != 0) return Error::typeMismatch();
    return v;
}

// A number narrowed to the type a command takes: out of its range is an overflow, never a
// value wrapped around.
template <typename Int> ErrorOr<Int> narrow(long long v) {
    if (v < std::numeric_limits<Int>::min() || v > std::numeric_limits<Int>::max())
        return Error::overflow();
    return static_cast<Int>(v);
}
template <typename Int> ErrorOr<Int> parseNarrow(const std::string& w) {
    return narrow<Int>(TRY(parseInteger(w)));
}

// A 32-bit value: decimal within its range, or hexadecimal up to 0xFFFFFFFF taken as the bits
// of the value, as "&HFFFFFFFF" is -1.
ErrorOr<std::int32_t> parseLong(const std::string& w) {
    long long v = TRY(parseInteger(w));
    if (isHex(w) && v > std::numeric_limits<std::int32_t>::max() && v <= 0xFFFFFFFFLL)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return narrow<std::int32_t>(v);
}

// A finite number; "nan", "inf" and the like are not numbers a script can give.
ErrorOr<double> parseReal(const std::string& w) {
    char* end = nullptr;
    double v = std::strtod(w.c_str(), &end);
    if (w.empty() || *end != '\0' || std::isnan(v)) return Error::typeMismatch();
    if (!std::isfinite(v)) return Error::overflow();
    return v;
}

// A Single, refused as automation refuses one past its range.
ErrorOr<float> parseSingle(const std::string& w) {
    double v = TRY(parseReal(w));
    if (std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max()))
        return Error::overflow();
    return static_cast<float>(v);
}

std::string lower(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A member's own failure reached through the dispatcher is reported as the member's, with its
// own code; refusals keep the dispatcher's status.
ErrorOr<Value> invoke(Dispatcher& d, DispId id, InvokeKind kind, std::span<const Value> args) {
    auto r = d.invoke(id, kind, args);
    if (!r.isError()) return r.releaseValue();
    DispatchError e = r.releaseError();
    if (e.isException()) return e.exception;
    return Error{e.code, e.description};
}

// A class of the library by its ProgId, by its name alone, or by its class identifier in
// braces, as a container finds it again from a saved form.
ErrorOr<const ControlClassInfo*> findClass(const std::string& name) {
    if (name.starts_with('{')) {
        const Guid clsid = TRY(Guid::parse(name));
        if (const ControlClassInfo* info = findByClsid(shippedClasses(), clsid)) return info;
        return Error{errc::ClassNotAvailable, u"no class " + fromUtf8(name) + u" in the library"};
    }
    const ControlClassInfo* info = findByProgId(shippedClasses(), name);
    if (!info) info = findByProgId(shippedClasses(), "Tessivra." + name);
    if (!info)
        return Error{errc::ClassNotAvailable, u"no class " + fromUtf8(name) + u" in the library"};
    return info;
}

} // namespace

ErrorOr<std::vector<std::string>> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') break;
        if (c == '"') {
            std::string w = "\"";
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\' && i < line.size()) {
                    char e = line[i++];
                    switch (e) {
                    case 'r':
                        w += '\r';
                        break;
                    case 'n':
                        w += '\n';
                        break;
                    case 't':
                        w += '\t';
                        break;
                    case 'b': // Backspace, for `type`
                        w += '\b';
                        break;
                    case '"':
                        w += '"';
                        break;
                    case '\\':
                        w += '\\';
                        break;
                    default:
                        return usage(std::string("unknown escape \\") + e);
                    }
                } else
                    w += d;
            }
            if (!closed) return usage("a string is not closed");
            words.push_back(std::move(w));
            continue;
        }
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        words.push_back(line.substr(start, i - start));
    }
    return words;
}

// The form's handlers of one control: `on NAME EVENT ARG=VALUE...` assignments, made when the
// control raises the event.
struct Script::Sink final : EventSink {
    const ControlClass* cls = nullptr;
    std::map<DispId, std::vector<std::pair<std::string, Value>>> assignments;

    ErrorOr<void> Invoke(DispId id, EventArgs args) override {
        auto it = assignments.find(id);
        if (it == assignments.end()) return {};
        const EventInfo* info = eventById(*cls, id);
        for (const auto& [name, value] : it->second)
            for (std::size_t i = 0; info && i < info->params.size() && i < args.size(); ++i)
                if (namesMatch(info->params[i].name, fromUtf8(name))) TRY(args[i].set(value));
        return {};
    }
};

Script::Script(std::ostream& out, headless::RuntimeSettings settings)
    : out_(out), form_(std::move(settings)) {
    form_.journal().enabled = true;
    form_.journal().onLine = [this](const std::string& line) { print(line); };
}

Script::~Script() = default;

void Script::print(const std::string& line) {
    // Whatever the data holds, a printed line is one line of plain text.
    out_ << headless::printableLine(line) << '\n';
}

void Script::report(const std::string& command, const Error& e) {
    ++failures_;
    print("error " + command + ": " + std::to_string(e.code) + " " + toUtf8(e.description));
}

int Script::play(std::istream& in) {
    std::string line;
    while (std::getline(in, line))
        run(line);
    return failures_;
}

void Script::run(const std::string& line) {
    auto words = splitWords(line);
    if (words.isError()) {
        report("script", words.error());
        return;
    }
    if (words.value().empty()) return;
    auto r = execute(words.value());
    if (r.isError()) report(words.value()[0], r.error());
}

ErrorOr<Value> Script::parseValue(const std::string& w) const {
    if (isQuoted(w)) return Value(fromUtf8(unquoted(w)));
    std::string l = lower(w);
    if (l == "true") return Value::boolean(true);
    if (l == "false") return Value::boolean(false);
    if (l == "empty") return Value();
    if (l == "nothing") return Value::nothing();
    if (l == "missing") return Value::missing();
    if (auto it = objects_.find(w); it != objects_.end()) {
        if (auto f = std::dynamic_pointer_cast<Font>(it->second)) return Value(f);
        if (auto p = std::dynamic_pointer_cast<Picture>(it->second)) return Value(p);
        return Value(it->second);
    }
    // Suffixes as in the language the forms are written in: & Long, ! Single.
    if (!w.empty() && w.back() == '&') return Value(TRY(parseLong(w.substr(0, w.size() - 1))));
    if (!w.empty() && w.back() == '!') return Value(TRY(parseSingle(w.substr(0, w.size() - 1))));
    if (auto i = parseInteger(w); !i.isError() || i.error().code == errc::Overflow) {
        long long v = TRY(std::move(i));
        if (v >= -32768 && v <= 32767) return Value(static_cast<std::int16_t>(v));
        return Value(TRY(parseLong(w)));
    }
    if (auto d = parseReal(w); !d.isError() || d.error().code == errc::Overflow)
        return Value(TRY(parseSingle(w)));
    return Error{errc::TypeMismatch, u"not a value: " + fromUtf8(w)};
}

ErrorOr<Script::Placed*> Script::placed(const std::string& word) {
    const std::string name = unquoted(word);
    auto it = placed_.find(name);
    if (it == placed_.end())
        return Error{errc::InvalidProcedureCall, u"no control named " + fromUtf8(name)};
    return &it->second;
}

headless::HeadlessPropertyBag& Script::bag(const std::string& name) {
    auto& b = bags_[unquoted(name)];
    b.setFaults(&form_.faults());
    return b;
}

ErrorOr<headless::HeadlessPropertyBag*> Script::filledBag(const std::string& name) {
    if (!bags_.contains(unquoted(name)))
        return Error{errc::InvalidProcedureCall,
                     u"no bag named " + fromUtf8(unquoted(name)) + u": nothing was put in it"};
    return &bag(name);
}

ErrorOr<void> Script::execute(const std::vector<std::string>& w) {
    const std::string& cmd = w[0];
    auto arg = [&](std::size_t i) -> std::string { return i < w.size() ? w[i] : std::string(); };
    auto need = [&](std::size_t n, const char* form) -> ErrorOr<void> {
        if (w.size() < n) return usage(form);
        return {};
    };
    auto u16 = [](const std::string& s) { return fromUtf8(unquoted(s)); };

    if (cmd == "new") {
        TRY(need(3, "new NAME CLASS [BAG]"));
        const ControlClassInfo* info = TRY(findClass(unquoted(w[2])));
        if (!info->isAvailable())
            return Error{errc::ClassNotAvailable, u"ActiveX component can't create object: " +
                                                      fromUtf8(std::string(info->ProgId))};
        headless::HeadlessPropertyBag* saved = w.size() > 3 ? TRY(filledBag(w[3])) : nullptr;
        auto* control = TRY(form_.add(
            u16(w[1]),
            [&](Site site) -> ErrorOr<std::shared_ptr<Control>> {
                return std::shared_ptr<Control>(TRY(table_.create(*info, site)));
            },
            info->Class->designWidth, info->Class->designHeight));
        auto& p = placed_[unquoted(w[1])];
        p.dispatcher = std::make_unique<Dispatcher>(*control);
        p.sink = std::make_unique<Sink>();
        p.sink->cls = &control->controlClass();
        form_.container(u16(w[1]))->sink = p.sink.get();
        if (saved) {
            auto loaded = form_.load(u16(w[1]), *saved);
            if (loaded.isError())
                report("new", loaded.error()); // it stays on the form as far as it was loaded
        }
        return form_.place(u16(w[1]));
    }
    if (cmd == "size") {
        TRY(need(4, "size NAME WIDTH HEIGHT"));
        return form_.resize(u16(w[1]), TRY(parseSingle(w[2])), TRY(parseSingle(w[3])));
    }
    if (cmd == "focus") {
        TRY(need(2, "focus NAME [CONSTITUENT]"));
        return form_.focus(u16(w[1]), u16(arg(2)));
    }
    if (cmd == "type") {
        TRY(need(3, "type NAME \"TEXT\""));
        return form_.type(u16(w[1]), u16(w[2]));
    }
    if (cmd == "key") {
        TRY(need(3, "key NAME CODE [SHIFT]"));
        auto code = TRY(parseNarrow<std::int16_t>(w[2]));
        auto shift = w.size() > 3 ? TRY(parseNarrow<std::int16_t>(w[3])) : std::int16_t{0};
        return form_.key(u16(w[1]), code, shift);
    }
    if (cmd == "paste") {
        TRY(need(3, "paste NAME \"TEXT\""));
        return form_.paste(u16(w[1]), u16(w[2]));
    }
    if (cmd == "click")
        return w.size() < 2 ? usage("click NAME [CONSTITUENT]")
                            : form_.click(u16(w[1]), u16(arg(2)));
    if (cmd == "dblclick")
        return w.size() < 2 ? usage("dblclick NAME [CONSTITUENT]")
                            : form_.dblClick(u16(w[1]), u16(arg(2)));
    if (cmd == "mouse") {
        TRY(need(8, "mouse NAME CONSTITUENT down|move|up BUTTON SHIFT X Y"));
        int what = w[3] == "down" ? 0 : w[3] == "move" ? 1 : w[3] == "up" ? 2 : -1;
        if (what < 0) return usage("mouse NAME CONSTITUENT down|move|up BUTTON SHIFT X Y");
        return form_.mouse(u16(w[1]), u16(w[2]), what, TRY(parseNarrow<std::int16_t>(w[4])),
                           TRY(parseNarrow<std::int16_t>(w[5])), TRY(parseSingle(w[6])),
                           TRY(parseSingle(w[7])));
    }
    if (cmd == "scroll") {
        TRY(need(3, "scroll NAME up|down [COUNT]"));
        if (w[2] != "up" && w[2] != "down") return usage("scroll NAME up|down [COUNT]");
        int count = w.size() > 3 ? TRY(parseNarrow<int>(w[3])) : 1;
        return form_.scroll(u16(w[1]), w[2] == "down", count);
    }
    if (cmd == "tick") {
        TRY(need(2, "tick MILLISECONDS"));
        return form_.tick(TRY(parseInteger(w[1])));
    }
    if (cmd == "get" || cmd == "let" || cmd == "set") {
        TRY(need(cmd == "get" ? 3 : 4,
                 "get NAME PROPERTY | let NAME PROPERTY VALUE | set NAME PROPERTY OBJECT"));
        auto* p = TRY(placed(w[1]));
        DispId id = TRY(p->dispatcher->idOfName(u16(w[2])));
        if (cmd == "get") {
            Value v = TRY(invoke(*p->dispatcher, id, InvokeKind::Get, {}));
            print(unquoted(w[1]) + "." + w[2] + " = " + formatValue(v));
            return {};
        }
        Value v = TRY(parseValue(w[3]));
        TRY(invoke(*p->dispatcher, id, cmd == "let" ? InvokeKind::Let : InvokeKind::Set,
                   std::span<const Value>(&v, 1)));
        return {};
    }
    if (cmd == "call") {
        TRY(need(3, "call NAME METHOD ARGS..."));
        auto* p = TRY(placed(w[1]));
        DispId id = TRY(p->dispatcher->idOfName(u16(w[2])));
        std::vector<Value> args;
        for (std::size_t i = 3; i < w.size(); ++i)
            args.push_back(TRY(parseValue(w[i])));
        TRY(invoke(*p->dispatcher, id, InvokeKind::Call, args));
        return {};
    }
    if (cmd == "font") {
        TRY(need(4, "font OBJECT \"NAME\" SIZE [bold] [italic]"));
        auto f = std::make_shared<Font>(u16(w[2]), TRY(parseSingle(w[3])));
        TRY(headless::checkFont(f));
        for (std::size_t i = 4; i < w.size(); ++i) {
            if (w[i] == "bold")
                f->weight = 700;
            else if (w[i] == "italic")
                f->italic = true;
        }
        objects_[unquoted(w[1])] = f;
        return {};
    }
    if (cmd == "picture") {
        TRY(need(3, "picture OBJECT \"NAME\""));
        objects_[unquoted(w[1])] = std::make_shared<Picture>(u16(w[2]), 1, 32, 32);
        return {};
    }
    if (cmd == "menu") {
        TRY(need(2, "menu OBJECT"));
        objects_[unquoted(w[1])] = std::make_shared<Object>();
        return {};
    }
    if (cmd == "save") {
        TRY(need(3, "save NAME BAG"));
        auto& b = bag(w[2]);
        b.clear();
        auto r = form_.save(u16(w[1]), b);
        for (const auto& [key, value] : b.entries())
            print("bag " + unquoted(w[2]) + " " + toUtf8(key) + " = " + formatValue(value) + " (" +
                  toUtf8(valueTypeName(value.type())) + ")");
        return r;
    }
    if (cmd == "bag") {
        TRY(need(4, "bag BAG KEY VALUE"));
        bag(w[1]).put(u16(w[2]), TRY(parseValue(w[3])));
        return {};
    }
    if (cmd == "write") {
        TRY(need(3, "write BAG FILE"));
        return headless::writeTextFile(unquoted(w[2]), TRY(filledBag(w[1]))->toJson());
    }
    if (cmd == "read") {
        TRY(need(3, "read BAG FILE"));
        auto b = TRY(
            headless::HeadlessPropertyBag::fromJson(TRY(headless::readTextFile(unquoted(w[2])))));
        bag(w[1]) = std::move(b);
        bag(w[1]).setFaults(&form_.faults());
        return {};
    }
    if (cmd == "on") {
        TRY(need(3, "on NAME EVENT ARG=VALUE..."));
        auto* p = TRY(placed(w[1]));
        DispId id = TRY(p->dispatcher->idOfName(u16(w[2])));
        if (!eventById(*p->sink->cls, id))
            return Error{errc::InvalidProcedureCall, u"no event " + u16(w[2])};
        auto& list = p->sink->assignments[id];
        list.clear();
        for (std::size_t i = 3; i < w.size(); ++i) {
            auto eq = w[i].find('=');
            if (eq == std::string::npos) return usage("on NAME EVENT ARG=VALUE...");
            list.emplace_back(w[i].substr(0, eq), TRY(parseValue(w[i].substr(eq + 1))));
        }
        return {};
    }
    if (cmd == "show") {
        TRY(need(2, "show NAME"));
        auto* site = form_.container(u16(w[1]));
        if (!site) return Error{errc::InvalidProcedureCall, u"no control named " + u16(w[1])};
        print("show " + w[1] + " width=" + headless::formatNumber(site->width()) +
              " height=" + headless::formatNumber(site->height()));
        for (const auto& part : site->constituents())
            print("show " + w[1] + "." + part->describe() +
                  (form_.focused() == part.get() ? " focus" : ""));
        return {};
    }
    if (cmd == "fail") {
        TRY(need(2, "fail CALL [SKIP]"));
        form_.faults().failNext(w[1], w.size() > 2 ? TRY(parseNarrow<int>(w[2])) : 0);
        return {};
    }
    if (cmd == "about") {
        TRY(need(2, "about NAME"));
        if (form_.window(u16(w[1])) || form_.container(u16(w[1])))
            return Error{errc::InvalidProcedureCall, u"the name " + u16(w[1]) + u" is taken"};
        auto& window = form_.openWindow(u16(w[1]));
        windows_[unquoted(w[1])] = TRY(frmAbout::create(window));
        return window.Show();
    }
    if (cmd == "window") {
        TRY(need(2, "window NAME"));
        auto* window = form_.window(u16(w[1]));
        if (!window) return Error{errc::InvalidProcedureCall, u"no window named " + u16(w[1])};
        print("window " + w[1] + " caption=" + quote(window->caption) +
              " visible=" + (window->visible ? "True" : "False"));
        for (const auto& part : window->constituents())
            print("window " + w[1] + "." + part->describe());
        return {};
    }
    if (cmd == "members") {
        TRY(need(2, "members CLASS"));
        const ControlClassInfo* info = TRY(findClass(unquoted(w[1])));
        if (!info->Class)
            return Error{errc::ClassNotAvailable,
                         u"no member table for " + fromUtf8(std::string(info->ProgId))};
        auto hex = [](DispId id) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%08X", static_cast<std::uint32_t>(id));
            return std::string(buf);
        };
        for (const auto& m : info->Class->members) {
            std::string kinds;
            for (auto [bit, word] : {std::pair{access::Get, "get"},
                                     {access::Let, "let"},
                                     {access::Set, "set"},
                                     {access::Call, "call"}})
                if (m.access & bit) kinds += (kinds.empty() ? "" : ",") + std::string(word);
            print("member " + std::string(info->DefaultInterface.name) + " " + toUtf8(m.name) +
                  " " + hex(m.id) + " " + kinds);
        }
        for (const auto& e : info->Class->events) {
            std::string params;
            for (const auto& p : e.params)
                params += " " + toUtf8(p.name);
            print("event " + std::string(info->EventInterface.name) + " " + toUtf8(e.name) + " " +
                  std::to_string(e.id) + params);
        }
        return {};
    }
    if (cmd == "register" || cmd == "unregister") {
        TRY(need(2, "register FILE | unregister FILE"));
        std::string file = unquoted(w[1]);
        headless::HeadlessRegistry registry;
        // A file that is not there yet is made; one that cannot be read is refused.
        std::error_code absent;
        if (std::filesystem::exists(file, absent) || absent)
            registry = TRY(headless::HeadlessRegistry::load(file));
        if (cmd == "register")
            TRY(registerClasses(shippedClasses(), registry,
                                toUtf8(form_.runtime().settings().appPath) + "/Tessivra.ocx"));
        else
            TRY(unregisterClasses(shippedClasses(), registry));
        TRY(registry.save(file));
        print(cmd + "ed " + file);
        return {};
    }
    if (cmd == "classes") {
        for (const auto& c : shippedClasses())
            print("class " + std::string(c.Name) + " " + std::string(c.ProgId) + " " +
                  c.Clsid.toString() + " " + std::to_string(c.ToolboxBitmap) +
                  (c.isAvailable() ? "" : " (not built)"));
        return {};
    }
    return Error{errc::InvalidProcedureCall, u"unknown command " + fromUtf8(cmd)};
}

} // namespace tessivra::run
