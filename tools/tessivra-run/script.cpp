#include "tools/tessivra-run/script.h"

#include "framework/registry/registration.h"
#include "hosts/headless/registry.h"
#include "hosts/headless/text_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
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

ErrorOr<Script::Placed*> Script::create(const std::string& name, const ControlClassInfo& info,
                                        PropertyBag* saved) {
    if (!info.isAvailable())
        return Error{errc::ClassNotAvailable, u"ActiveX component can't create object: " +
                                                  fromUtf8(std::string(info.ProgId))};
    const std::u16string uname = fromUtf8(name);
    // A control made below the ones already there, as a designer drops them, so that a stored
    // form does not stack every control at one place.
    Twips top = 120;
    for (const auto& site : form_.containers())
        if (auto it = placed_.find(toUtf8(site->name())); it != placed_.end())
            top = std::max(top, it->second.top + site->height() + 120);
    auto* control = TRY(form_.add(
        uname,
        [&](Site site) -> ErrorOr<std::shared_ptr<Control>> {
            return std::shared_ptr<Control>(TRY(table_.create(info, site)));
        },
        info.Class->designWidth, info.Class->designHeight));
    auto& p = placed_[name];
    p.dispatcher = std::make_unique<Dispatcher>(*control);
    p.sink = std::make_unique<Sink>();
    p.sink->cls = &control->controlClass();
    p.info = &info;
    p.left = 120;
    p.top = top;
    form_.container(uname)->sink = p.sink.get();
    if (saved) {
        auto loaded = form_.load(uname, *saved);
        if (loaded.isError())
            report("new", loaded.error()); // it stays on the form as far as it was loaded
    }
    TRY(form_.place(uname));
    return &p;
}

// ---- the commands ---------------------------------------------------------------------------

Arity arity(std::string_view arguments) {
    constexpr std::size_t unlimited = std::numeric_limits<std::size_t>::max();
    Arity a;
    std::size_t i = 0;
    while (i < arguments.size()) {
        std::size_t end = std::min(arguments.find(' ', i), arguments.size());
        std::string_view word = arguments.substr(i, end - i);
        if (word.ends_with("...")) {
            a.most = unlimited;
        } else if (!word.empty()) {
            if (!word.starts_with('[')) ++a.least;
            if (a.most != unlimited) ++a.most;
        }
        i = end + 1;
    }
    return a;
}

namespace {

using Words = std::vector<std::string>;

std::u16string u16(const std::string& word) {
    return fromUtf8(unquoted(word));
}
std::string wordAt(const Words& w, std::size_t i) {
    return i < w.size() ? w[i] : std::string();
}

// The usage of a command, as its row in the table gives it.
Error usageOf(std::string_view name) {
    const Command* command = Script::findCommand(name);
    std::string text(name);
    if (command && !command->arguments.empty()) text += " " + std::string(command->arguments);
    return usage(text);
}

} // namespace

struct Script::Commands {
    static ErrorOr<void> newControl(Script& s, const Words& w) {
        const ControlClassInfo* info = TRY(findClass(unquoted(w[2])));
        headless::HeadlessPropertyBag* saved = w.size() > 3 ? TRY(s.filledBag(w[3])) : nullptr;
        TRY(s.create(unquoted(w[1]), *info, saved));
        return {};
    }

    // `load FORM`: every control of a form file, in its tab order, at its place and size.
    static ErrorOr<void> load(Script& s, const Words& w) {
        auto file = TRY(headless::FormFile::fromJson(TRY(headless::readTextFile(unquoted(w[1])))));
        // The whole file is checked before anything is made: every class is known and no name
        // is taken, so that a refused form leaves the form as it was.
        std::vector<const ControlClassInfo*> classes;
        for (const auto& c : file.controls) {
            classes.push_back(TRY(findClass(c.classId)));
            if (s.placed_.contains(toUtf8(c.name)) || s.form_.container(c.name) ||
                s.form_.window(c.name))
                return Error{errc::InvalidProcedureCall, u"the name " + c.name + u" is taken"};
        }
        s.caption_ = file.caption;
        s.formWidth_ = file.width;
        s.formHeight_ = file.height;
        for (std::size_t i = 0; i < file.controls.size(); ++i) {
            auto& c = file.controls[i];
            c.bag.setFaults(&s.form_.faults());
            auto made = s.create(toUtf8(c.name), *classes[i], &c.bag);
            if (made.isError()) {
                s.report("load", made.error()); // the rest of the form is still loaded
                continue;
            }
            made.value()->left = c.left;
            made.value()->top = c.top;
            auto sized = s.form_.resize(c.name, c.width, c.height);
            if (sized.isError()) s.report("load", sized.error());
        }
        s.print("loaded " + unquoted(w[1]) + " " + std::to_string(file.controls.size()) +
                " controls");
        return {};
    }

    // `store FORM`: every control on the form, in tab order, saved into its bag.
    static ErrorOr<void> store(Script& s, const Words& w) {
        headless::FormFile file;
        file.caption = s.caption_;
        file.width = s.formWidth_;
        file.height = s.formHeight_;
        for (const auto& site : s.form_.containers()) {
            auto it = s.placed_.find(toUtf8(site->name()));
            if (it == s.placed_.end()) continue;
            headless::FormControl c;
            c.name = site->name();
            c.classId = std::string(it->second.info->ProgId);
            c.left = it->second.left;
            c.top = it->second.top;
            c.width = site->width();
            c.height = site->height();
            // A control that cannot save itself is not written half-saved.
            TRY(s.form_.save(c.name, c.bag));
            // The form is made big enough for what stands on it, with a margin.
            file.width = std::max(file.width, c.left + c.width + 120);
            file.height = std::max(file.height, c.top + c.height + 120);
            file.controls.push_back(std::move(c));
        }
        TRY(headless::writeTextFile(unquoted(w[1]), file.toJson()));
        s.print("stored " + unquoted(w[1]) + " " + std::to_string(file.controls.size()) +
                " controls");
        return {};
    }

    static ErrorOr<void> size(Script& s, const Words& w) {
        return s.form_.resize(u16(w[1]), TRY(parseSingle(w[2])), TRY(parseSingle(w[3])));
    }

    static ErrorOr<void> focus(Script& s, const Words& w) {
        return s.form_.focus(u16(w[1]), u16(wordAt(w, 2)));
    }

    static ErrorOr<void> type(Script& s, const Words& w) {
        return s.form_.type(u16(w[1]), u16(w[2]));
    }

    static ErrorOr<void> key(Script& s, const Words& w) {
        auto code = TRY(parseNarrow<std::int16_t>(w[2]));
        auto shift = w.size() > 3 ? TRY(parseNarrow<std::int16_t>(w[3])) : std::int16_t{0};
        return s.form_.key(u16(w[1]), code, shift);
    }

    static ErrorOr<void> paste(Script& s, const Words& w) {
        return s.form_.paste(u16(w[1]), u16(w[2]));
    }

    static ErrorOr<void> click(Script& s, const Words& w) {
        return s.form_.click(u16(w[1]), u16(wordAt(w, 2)));
    }

    static ErrorOr<void> dblClick(Script& s, const Words& w) {
        return s.form_.dblClick(u16(w[1]), u16(wordAt(w, 2)));
    }

    static ErrorOr<void> mouse(Script& s, const Words& w) {
        int what = w[3] == "down" ? 0 : w[3] == "move" ? 1 : w[3] == "up" ? 2 : -1;
        if (what < 0) return usageOf("mouse");
        return s.form_.mouse(u16(w[1]), u16(w[2]), what, TRY(parseNarrow<std::int16_t>(w[4])),
                             TRY(parseNarrow<std::int16_t>(w[5])), TRY(parseSingle(w[6])),
                             TRY(parseSingle(w[7])));
    }

    static ErrorOr<void> scroll(Script& s, const Words& w) {
        if (w[2] != "up" && w[2] != "down") return usageOf("scroll");
        int count = w.size() > 3 ? TRY(parseNarrow<int>(w[3])) : 1;
        return s.form_.scroll(u16(w[1]), w[2] == "down", count);
    }

    static ErrorOr<void> tick(Script& s, const Words& w) {
        return s.form_.tick(TRY(parseInteger(w[1])));
    }

    static ErrorOr<void> get(Script& s, const Words& w) {
        auto* p = TRY(s.placed(w[1]));
        DispId id = TRY(p->dispatcher->idOfName(u16(w[2])));
        Value v = TRY(invoke(*p->dispatcher, id, InvokeKind::Get, {}));
        s.print(unquoted(w[1]) + "." + w[2] + " = " + formatValue(v));
        return {};
    }

    // `let` and `set`: one value given to a property.
    static ErrorOr<void> assign(Script& s, const Words& w, InvokeKind kind) {
        auto* p = TRY(s.placed(w[1]));
        DispId id = TRY(p->dispatcher->idOfName(u16(w[2])));
        Value v = TRY(s.parseValue(w[3]));
        TRY(invoke(*p->dispatcher, id, kind, std::span<const Value>(&v, 1)));
        return {};
    }
    static ErrorOr<void> let(Script& s, const Words& w) { return assign(s, w, InvokeKind::Let); }
    static ErrorOr<void> set(Script& s, const Words& w) { return assign(s, w, InvokeKind::Set); }

    static ErrorOr<void> call(Script& s, const Words& w) {
        auto* p = TRY(s.placed(w[1]));
        DispId id = TRY(p->dispatcher->idOfName(u16(w[2])));
        std::vector<Value> args;
        for (std::size_t i = 3; i < w.size(); ++i)
            args.push_back(TRY(s.parseValue(w[i])));
        TRY(invoke(*p->dispatcher, id, InvokeKind::Call, args));
        return {};
    }

    static ErrorOr<void> font(Script& s, const Words& w) {
        auto f = std::make_shared<Font>(u16(w[2]), TRY(parseSingle(w[3])));
        TRY(headless::checkFont(f));
        for (std::size_t i = 4; i < w.size(); ++i) {
            if (w[i] == "bold")
                f->weight = 700;
            else if (w[i] == "italic")
                f->italic = true;
            else
                return usageOf("font"); // a style it does not know is not quietly left out
        }
        s.objects_[unquoted(w[1])] = f;
        return {};
    }

    static ErrorOr<void> picture(Script& s, const Words& w) {
        s.objects_[unquoted(w[1])] = std::make_shared<Picture>(u16(w[2]), 1, 32, 32);
        return {};
    }

    static ErrorOr<void> menu(Script& s, const Words& w) {
        s.objects_[unquoted(w[1])] = std::make_shared<Object>();
        return {};
    }

    static ErrorOr<void> on(Script& s, const Words& w) {
        auto* p = TRY(s.placed(w[1]));
        DispId id = TRY(p->dispatcher->idOfName(u16(w[2])));
        if (!eventById(*p->sink->cls, id))
            return Error{errc::InvalidProcedureCall, u"no event " + u16(w[2])};
        auto& list = p->sink->assignments[id];
        list.clear();
        for (std::size_t i = 3; i < w.size(); ++i) {
            auto eq = w[i].find('=');
            if (eq == std::string::npos) return usageOf("on");
            list.emplace_back(w[i].substr(0, eq), TRY(s.parseValue(w[i].substr(eq + 1))));
        }
        return {};
    }

    static ErrorOr<void> save(Script& s, const Words& w) {
        auto& b = s.bag(w[2]);
        b.clear();
        auto r = s.form_.save(u16(w[1]), b);
        for (const auto& [key, value] : b.entries())
            s.print("bag " + unquoted(w[2]) + " " + toUtf8(key) + " = " + formatValue(value) +
                    " (" + toUtf8(valueTypeName(value.type())) + ")");
        return r;
    }

    static ErrorOr<void> bag(Script& s, const Words& w) {
        s.bag(w[1]).put(u16(w[2]), TRY(s.parseValue(w[3])));
        return {};
    }

    static ErrorOr<void> write(Script& s, const Words& w) {
        return headless::writeTextFile(unquoted(w[2]), TRY(s.filledBag(w[1]))->toJson());
    }

    static ErrorOr<void> read(Script& s, const Words& w) {
        auto b = TRY(
            headless::HeadlessPropertyBag::fromJson(TRY(headless::readTextFile(unquoted(w[2])))));
        s.bag(w[1]) = std::move(b);
        s.bag(w[1]).setFaults(&s.form_.faults());
        return {};
    }

    static ErrorOr<void> show(Script& s, const Words& w) {
        auto* site = s.form_.container(u16(w[1]));
        if (!site) return Error{errc::InvalidProcedureCall, u"no control named " + u16(w[1])};
        s.print("show " + w[1] + " width=" + headless::formatNumber(site->width()) +
                " height=" + headless::formatNumber(site->height()));
        for (const auto& part : site->constituents())
            s.print("show " + w[1] + "." + part->describe() +
                    (s.form_.focused() == part.get() ? " focus" : ""));
        return {};
    }

    static ErrorOr<void> fail(Script& s, const Words& w) {
        s.form_.faults().failNext(w[1], w.size() > 2 ? TRY(parseNarrow<int>(w[2])) : 0);
        return {};
    }

    static ErrorOr<void> classes(Script& s, const Words&) {
        for (const auto& c : shippedClasses())
            s.print("class " + std::string(c.Name) + " " + std::string(c.ProgId) + " " +
                    c.Clsid.toString() + " " + std::to_string(c.ToolboxBitmap) +
                    (c.isAvailable() ? "" : " (not built)"));
        return {};
    }

    static ErrorOr<void> members(Script& s, const Words& w) {
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
            s.print("member " + std::string(info->DefaultInterface.name) + " " + toUtf8(m.name) +
                    " " + hex(m.id) + " " + kinds);
        }
        for (const auto& e : info->Class->events) {
            std::string params;
            for (const auto& p : e.params)
                params.append(" ").append(toUtf8(p.name));
            s.print("event " + std::string(info->EventInterface.name) + " " + toUtf8(e.name) + " " +
                    std::to_string(e.id) + params);
        }
        return {};
    }

    // `register` and `unregister`: the library's records in a registry kept as a file.
    static ErrorOr<void> registration(Script& s, const Words& w, bool add) {
        std::string file = unquoted(w[1]);
        headless::HeadlessRegistry registry;
        // A file that is not there yet is made; one that cannot be read is refused.
        std::error_code absent;
        if (std::filesystem::exists(file, absent) || absent)
            registry = TRY(headless::HeadlessRegistry::load(file));
        if (add)
            TRY(registerClasses(shippedClasses(), registry,
                                toUtf8(s.form_.runtime().settings().appPath) + "/Tessivra.ocx"));
        else
            TRY(unregisterClasses(shippedClasses(), registry));
        TRY(registry.save(file));
        s.print(w[0] + "ed " + file);
        return {};
    }
    static ErrorOr<void> registerLibrary(Script& s, const Words& w) {
        return registration(s, w, true);
    }
    static ErrorOr<void> unregisterLibrary(Script& s, const Words& w) {
        return registration(s, w, false);
    }

    static ErrorOr<void> about(Script& s, const Words& w) {
        if (s.form_.window(u16(w[1])) || s.form_.container(u16(w[1])))
            return Error{errc::InvalidProcedureCall, u"the name " + u16(w[1]) + u" is taken"};
        auto& window = s.form_.openWindow(u16(w[1]));
        s.windows_[unquoted(w[1])] = TRY(frmAbout::create(window));
        return window.Show();
    }

    static ErrorOr<void> window(Script& s, const Words& w) {
        auto* window = s.form_.window(u16(w[1]));
        if (!window) return Error{errc::InvalidProcedureCall, u"no window named " + u16(w[1])};
        s.print("window " + w[1] + " caption=" + quote(window->caption) +
                " visible=" + (window->visible ? "True" : "False"));
        for (const auto& part : window->constituents())
            s.print("window " + w[1] + "." + part->describe());
        return {};
    }
};

std::span<const Command> Script::commands() {
    static const Command table[] = {
        {"new", "NAME CLASS [BAG]",
         "creates a control by class name, ProgId (in any case) or class identifier ({...}, "
         "digits in any case) at its design size, runs its creation handler, loads it from BAG "
         "when given (a failed load is printed and the control stays as far as it was loaded), "
         "then places it (its first resize)",
         Commands::newControl},
        {"size", "NAME WIDTH HEIGHT", "sizes the control (twips)", Commands::size},
        {"focus", "NAME [CONSTITUENT]",
         "gives the focus to the control's first focusable constituent, or the one named",
         Commands::focus},
        {"type", "NAME \"TEXT\"",
         "focuses NAME and types each character as a key (\\r is Enter, \\b Backspace)",
         Commands::type},
        {"key", "NAME CODE [SHIFT]",
         "focuses NAME and presses a key by key code (13 Enter, 8 Backspace, 46 Delete, 37/39 "
         "arrows, 36 Home, 35 End)",
         Commands::key},
        {"paste", "NAME \"TEXT\"", "focuses NAME and pastes at the caret, without key events",
         Commands::paste},
        {"click", "NAME [CONSTITUENT]",
         "clicks a text box, button or label: the one named, or the control's first focusable "
         "constituent",
         Commands::click},
        {"dblclick", "NAME [CONSTITUENT]",
         "double-clicks a text box, button or label, chosen as click chooses it",
         Commands::dblClick},
        {"mouse", "NAME CONSTITUENT down|move|up BUTTON SHIFT X Y",
         "a mouse message to any constituent", Commands::mouse},
        {"scroll", "NAME up|down [COUNT]",
         "clicks the scroll bar's top or bottom arrow COUNT times, 0 to 65536", Commands::scroll},
        {"tick", "MILLISECONDS",
         "advances the virtual clock (not backwards, nor past its 64-bit range); each timer due "
         "meanwhile fires once, at its last due moment, in the order of those moments: missed "
         "intervals are coalesced, as a desktop's timer messages are",
         Commands::tick},
        {"get", "NAME PROPERTY",
         "prints a property as NAME.PROPERTY = VALUE, read through the dispatcher (names are "
         "resolved without regard to case)",
         Commands::get},
        {"let", "NAME PROPERTY VALUE",
         "assigns a value to a property through the dispatcher, converted as automation does",
         Commands::let},
        {"set", "NAME PROPERTY OBJECT",
         "assigns an object made by the script to a property through the dispatcher",
         Commands::set},
        {"call", "NAME METHOD ARGS...",
         "calls a method through the dispatcher, its arguments converted as automation does",
         Commands::call},
        {"font", "OBJECT \"NAME\" SIZE [bold] [italic]", "makes a font for set and call",
         Commands::font},
        {"picture", "OBJECT \"NAME\"", "makes a picture for set and call", Commands::picture},
        {"menu", "OBJECT", "makes a pop-up menu for call", Commands::menu},
        {"on", "NAME EVENT ARG=VALUE...",
         "a form handler that assigns by-reference arguments when NAME raises EVENT (on t1 "
         "KeyPress KeyAscii=0); without assignments it does nothing",
         Commands::on},
        {"save", "NAME BAG", "saves a control into a bag, printing its entries in order",
         Commands::save},
        {"bag", "BAG KEY VALUE", "puts a value into a bag by hand", Commands::bag},
        {"write", "BAG FILE",
         "keeps a bag as a JSON file with typed values; a bag nothing was put or read into is "
         "refused, here and by new",
         Commands::write},
        {"read", "BAG FILE", "reads a bag back from such a file", Commands::read},
        {"load", "FORM",
         "adds every control of a form file (JSON: each control by ProgId with its name, place, "
         "size, tab index and typed property bag) in its tab order, loaded from its bag and "
         "sized; the whole file is checked first and a bad field is refused by name",
         Commands::load},
        {"store", "FORM",
         "writes every control on the form, in tab order, into a form file that load and "
         "tessivra-studio read",
         Commands::store},
        {"show", "NAME",
         "the control's size and each constituent's position, size, text or caption, flags and "
         "focus",
         Commands::show},
        {"fail", "CALL [SKIP]",
         "makes a host call fail once (after SKIP successful calls): Text1.Text= for an "
         "assignment, Text1.Text for a read, UserControl.Height=, PropBag.ReadProperty, "
         "Runtime.UCase, Shell.ShellExecuteA...; NAME. in front limits it to one control",
         Commands::fail},
        {"classes", "",
         "the toolbox: name, ProgId, class identifier and bitmap number of every class of the "
         "library",
         Commands::classes},
        {"members", "CLASS",
         "the class's member table (member _CLASS NAME 0xID ACCESS) and event table (event "
         "__CLASS NAME ID PARAMS)",
         Commands::members},
        {"register", "FILE",
         "writes the library's registration in a registry kept as a REGEDIT4 .reg file (made "
         "when absent)",
         Commands::registerLibrary},
        {"unregister", "FILE", "removes the library's registration from such a file",
         Commands::unregisterLibrary},
        {"about", "NAME",
         "opens the library's about window under NAME; click NAME Label6 closes it",
         Commands::about},
        {"window", "NAME", "the window's caption, whether it is shown, and each constituent",
         Commands::window},
    };
    return table;
}

const Command* Script::findCommand(std::string_view name) {
    for (const Command& c : commands())
        if (c.name == name) return &c;
    return nullptr;
}

ErrorOr<void> Script::execute(const std::vector<std::string>& w) {
    const Command* command = findCommand(w[0]);
    if (!command) return Error{errc::InvalidProcedureCall, u"unknown command " + fromUtf8(w[0])};
    // Too few words or too many: the command's usage, before anything is done.
    const Arity a = arity(command->arguments);
    if (w.size() - 1 < a.least || w.size() - 1 > a.most) return usageOf(command->name);
    return command->run(*this, w);
}

// ---- the program ----------------------------------------------------------------------------

namespace {

constexpr std::string_view kUsage =
    "usage: tessivra-run [--locale TAG] [--codepage NAME] [--strict] [SCRIPT]";

constexpr std::size_t kWidth = 80;

// Appends text broken into lines of at most `width` columns, each starting with `indent`.
void wrap(std::string& out, std::string_view text, std::string_view indent, std::size_t width) {
    std::string line(indent);
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = text.find(' ', i);
        if (end == std::string_view::npos) end = text.size();
        std::string_view word = text.substr(i, end - i);
        if (line.size() > indent.size() && line.size() + 1 + word.size() > width) {
            out += line + "\n";
            line = indent;
        }
        if (line.size() > indent.size()) line += ' ';
        line += word;
        i = end + 1;
    }
    out += line + "\n";
}

} // namespace

std::string helpText() {
    const headless::RuntimeSettings defaults;
    std::string text(kUsage);
    text += "\n\n";
    wrap(text,
         "Hosts the library's controls on one headless form and plays a script read from SCRIPT "
         "or standard input (\"-\"), one command a line, printing one line for every effect a "
         "form or user could observe.",
         "", kWidth);
    text += "\noptions:\n";
    text += "  --locale TAG     the runtime's locale (" + defaults.locale + ")\n";
    text += "  --codepage NAME  the code page of key presses (" + defaults.codePage + ")\n";
    text += "  --strict         a failing command makes the exit status 1\n";
    text += "  --help, -h       prints this text\n\ncommands:\n";
    for (const Command& c : Script::commands()) {
        text += "  " + std::string(c.name);
        if (!c.arguments.empty()) text += " " + std::string(c.arguments);
        text += "\n";
        wrap(text, c.help, "      ", kWidth);
    }
    return text;
}

int commandLine(std::span<const std::string> args, std::istream& in, std::ostream& out,
                std::ostream& err) {
    auto refuse = [&](const std::string& what) {
        err << "tessivra-run: " << what << "\n" << kUsage << "\n";
        return 2;
    };
    headless::RuntimeSettings settings;
    std::string file;
    bool strict = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out << helpText();
            return 0;
        }
        if (a == "--locale" || a == "--codepage") {
            if (i + 1 == args.size()) return refuse(a + " needs a value");
            (a == "--locale" ? settings.locale : settings.codePage) = args[++i];
        } else if (a == "--strict")
            strict = true;
        else if (a.size() > 1 && a[0] == '-')
            return refuse("unknown option " + a);
        else if (!file.empty())
            return refuse("one script at a time: " + file + " and " + a);
        else
            file = a;
    }
    Script script(out, settings);
    int failures;
    if (!file.empty() && file != "-") {
        std::ifstream stream(file);
        if (!stream) {
            err << "tessivra-run: cannot read " << file << "\n";
            return 2;
        }
        failures = script.play(stream);
    } else {
        failures = script.play(in);
    }
    // A failing command is part of what a script may show; --strict makes it the exit status.
    return strict && failures > 0 ? 1 : 0;
}

} // namespace tessivra::run
