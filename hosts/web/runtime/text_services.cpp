#include "hosts/web/runtime/text_services.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

// The page's side. Texts cross as UTF-16 code units in the module's memory, so lone surrogates
// survive both ways. A call that yields text writes it into the caller's buffer when it fits and
// returns its length; a longer one is kept for tv_take_last. Intl objects are built once for
// each locale and set of options and kept. Option and result names are quoted so that a
// minifier that renames properties leaves them alone. A call the browser refuses (an unknown
// locale, more places than Intl allows) answers -1 instead of throwing into the module.

// clang-format off
EM_JS(void, tv_install, (), {
    if (Module["tessivraText"]) return;
    var W = {
        last: "",
        intl: new Map(),
        read: function(p, n) {
            var s = "";
            var h = p >> 1;
            for (var i = 0; i < n; i += 4096)
                s += String.fromCharCode.apply(null, HEAPU16.subarray(h + i, h + Math.min(n, i + 4096)));
            return s;
        },
        give: function(s, out, cap) {
            W.last = s;
            if (s.length <= cap) {
                var h = out >> 1;
                for (var i = 0; i < s.length; ++i) HEAPU16[h + i] = s.charCodeAt(i);
            }
            return s.length;
        },
        kept: function(key, make) {
            var o = W.intl.get(key);
            if (o === undefined) {
                o = make();
                W.intl.set(key, o);
            }
            return o;
        }
    };
    Module["tessivraText"] = W;
});

EM_JS(void, tv_take_last, (char16_t* out), {
    var W = Module["tessivraText"];
    var h = out >> 1;
    for (var i = 0; i < W.last.length; ++i) HEAPU16[h + i] = W.last.charCodeAt(i);
    W.last = "";
});

EM_JS(int, tv_locale_known, (const char* locale), {
    try {
        var tag = UTF8ToString(locale);
        return Intl.getCanonicalLocales(tag).length === 1 ? 1 : 0;
    } catch (e) {
        return 0;
    }
});

// The character of each byte, 0xFFFF where the code page leaves the byte undefined; 0 when the
// label names no single-byte code page TextDecoder knows.
EM_JS(int, tv_code_page, (const char* label, char16_t* table), {
    var d;
    try {
        d = new TextDecoder(UTF8ToString(label), {"fatal": true});
    } catch (e) {
        return 0;
    }
    if (!/^(ibm866|iso-8859-[0-9]+|koi8-[ru]|macintosh|windows-[0-9]+|x-mac-cyrillic)$/.test(d["encoding"]))
        return 0;
    // Each byte goes through a fresh decoder in streaming mode: Node's TextDecoder (since
    // 20.18.3) takes a Latin-1 shortcut for windows-1252 that gives 0x80-0x9F as C1 controls,
    // and only a streaming decode takes its full converter, which gives them as the web does.
    var label = d["encoding"];
    var h = table >> 1;
    for (var b = 0; b < 256; ++b) {
        var c = 0xFFFF;
        try {
            var s = new TextDecoder(label, {"fatal": true}).decode(new Uint8Array([b]), {"stream": true});
            if (s.length === 1) c = s.charCodeAt(0);
        } catch (e) {
        }
        HEAPU16[h + b] = c;
    }
    return 1;
});

EM_JS(int, tv_case, (const char16_t* text, int length, int upper, const char* locale,
                     char16_t* out, int cap), {
    var W = Module["tessivraText"];
    try {
        var s = W.read(text, length);
        var tag = UTF8ToString(locale);
        return W.give(upper ? s.toLocaleUpperCase(tag) : s.toLocaleLowerCase(tag), out, cap);
    } catch (e) {
        return -1;
    }
});

// The decimal symbol (which 0) or the grouping separator (which 1) Intl writes for the locale.
EM_JS(int, tv_number_symbol, (const char* locale, int which, char16_t* out, int cap), {
    var W = Module["tessivraText"];
    try {
        var f = new Intl.NumberFormat(UTF8ToString(locale),
                                      {"useGrouping": true, "minimumFractionDigits": 1});
        var parts = f.formatToParts(1234567.5);
        var want = which ? "group" : "decimal";
        for (var i = 0; i < parts.length; ++i)
            if (parts[i]["type"] === want) return W.give(parts[i]["value"], out, cap);
        return W.give("", out, cap);
    } catch (e) {
        return -1;
    }
});

// Whether Intl takes a decimal string exactly and rounds its halves away from zero.
EM_JS(int, tv_intl_rounds, (), {
    try {
        var f = new Intl.NumberFormat("en-US", {"minimumFractionDigits": 2, "maximumFractionDigits": 2,
                                                "roundingMode": "halfExpand", "useGrouping": false});
        return f.resolvedOptions()["roundingMode"] === "halfExpand" &&
               f.format("1.005") === "1.01" && f.format("12345678901234567890.125") ===
               "12345678901234567890.13" ? 1 : 0;
    } catch (e) {
        return 0;
    }
});

EM_JS(int, tv_format, (const char* locale, const char* decimal, int minFraction, int maxFraction,
                       char16_t* out, int cap), {
    var W = Module["tessivraText"];
    try {
        var tag = UTF8ToString(locale);
        var f = W.kept("n|" + tag + "|" + minFraction + "|" + maxFraction,
                       function() {
            return new Intl.NumberFormat(tag, {
                "useGrouping": false,
                "minimumFractionDigits": minFraction,
                "maximumFractionDigits": maxFraction,
                "roundingMode": "halfExpand"
            });
        });
        return W.give(f.format(UTF8ToString(decimal)), out, cap);
    } catch (e) {
        return -1;
    }
});

EM_JS(int, tv_time, (const char* locale, double milliseconds, char16_t* out, int cap), {
    var W = Module["tessivraText"];
    try {
        var tag = UTF8ToString(locale);
        var f = W.kept("t|" + tag, function() {
            try {
                return new Intl.DateTimeFormat(tag, {"timeStyle": "medium", "timeZone": "UTC"});
            } catch (e) {
                // An engine without timeStyle: the medium style's fields.
                return new Intl.DateTimeFormat(tag, {"hour": "numeric", "minute": "2-digit",
                                                     "second": "2-digit", "timeZone": "UTC"});
            }
        });
        return W.give(f.format(milliseconds), out, cap);
    } catch (e) {
        return -1;
    }
});
// clang-format on

namespace tessivra::webruntime {

namespace {

// Text from one of the calls above: short answers land in a buffer on the stack, so a typed
// key's conversion does not allocate; a longer one is fetched once its length is known.
template <typename Call> std::optional<std::u16string> fromPage(Call call) {
    char16_t buffer[64];
    const int n = call(buffer, 64);
    if (n < 0) return std::nullopt;
    if (n <= 64) return std::u16string(buffer, static_cast<std::size_t>(n));
    std::u16string text(static_cast<std::size_t>(n), u'\0');
    tv_take_last(text.data());
    return text;
}

Error badSetting(const std::string& what) {
    return Error{errc::InvalidProcedureCall, fromUtf8(what)};
}

} // namespace

ErrorOr<std::unique_ptr<WebTextServices>> WebTextServices::create(TextSettings settings) {
    tv_install();
    // An ICU-style name ("pt_BR") is taken as the tag it stands for.
    std::replace(settings.locale.begin(), settings.locale.end(), '_', '-');
    if (!tv_locale_known(settings.locale.c_str()))
        return badSetting("unknown locale " + settings.locale);
    std::unique_ptr<WebTextServices> services(new WebTextServices(std::move(settings)));
    WebTextServices& s = *services;
    const char* locale = s.settings_.locale.c_str();

    // The code page is read once into tables, both ways, so converting a typed key asks the
    // page for nothing.
    std::array<char16_t, 256> table{};
    if (!tv_code_page(s.settings_.codePage.c_str(), table.data()))
        return badSetting("unknown single-byte code page " + s.settings_.codePage);
    s.charToByte_.assign(0x10000, NoByte);
    for (std::size_t b = 0; b < 256; ++b) {
        if (table[b] == 0xFFFF) continue;
        s.byteToChar_[b] = table[b];
        s.byteDefined_[b] = true;
        // The first byte to give a character is the one that character is written as.
        if (s.charToByte_[table[b]] == NoByte)
            s.charToByte_[table[b]] = static_cast<std::uint16_t>(b);
    }

    auto decimal =
        fromPage([&](char16_t* out, int cap) { return tv_number_symbol(locale, 0, out, cap); });
    auto group =
        fromPage([&](char16_t* out, int cap) { return tv_number_symbol(locale, 1, out, cap); });
    if (!decimal || !group || decimal->empty())
        return badSetting("no number symbols for locale " + s.settings_.locale);
    s.symbols_ = {std::move(*decimal), std::move(*group)};
    s.intlRounds_ = tv_intl_rounds() != 0;
    return services;
}

ErrorOr<std::u16string> WebTextServices::convertCase(std::u16string_view s, bool upper) {
    auto text = fromPage([&](char16_t* out, int cap) {
        return tv_case(s.data(), static_cast<int>(s.size()), upper ? 1 : 0,
                       settings_.locale.c_str(), out, cap);
    });
    if (!text) return Error::invalidProcedureCall();
    if (s.size() == 1) {
        // One character turns into one character. A case form that is not exactly one
        // character of the code page (ß's "SS", µ's Greek capital in windows-1252) is no case
        // form within the system's character set, so the character stays as it is rather than
        // losing a letter or becoming "?".
        const char16_t one =
            text->size() == 1 && charToByte_[(*text)[0]] != NoByte ? (*text)[0] : s[0];
        auto& cache = upper ? upperOne_ : lowerOne_;
        if (cache.empty()) cache.assign(0x10000, 0);
        cache[s[0]] = one;
        return std::u16string(1, one);
    }
    return std::move(*text);
}

// The week settings play no part in the numeric patterns the controls use.
ErrorOr<std::u16string> WebTextServices::Format(const Value& expression,
                                                std::u16string_view pattern, std::int32_t,
                                                std::int32_t) {
    // The pattern first: a pattern that cannot be laid out is the caller's mistake whatever the
    // value.
    const Places places = TRY(readPattern(pattern));
    bool negative = false;
    char buffer[64];
    switch (expression.type()) {
    case ValueType::String:
        if (!readAmount(expression.string(), symbols_, digits_, negative))
            return expression.string(); // the caller assigns whatever comes back
        break;
    case ValueType::Empty:
        return std::u16string();
    case ValueType::I2:
    case ValueType::I4:
    case ValueType::Bool: {
        const std::int32_t integer = expression.type() == ValueType::I2   ? expression.i2()
                                     : expression.type() == ValueType::I4 ? expression.i4()
                                     : expression.boolean()               ? -1
                                                                          : 0;
        negative = integer < 0;
        const auto end = std::to_chars(buffer, buffer + sizeof buffer,
                                       negative ? -static_cast<std::int64_t>(integer) : integer)
                             .ptr;
        digits_.assign(buffer, end);
        break;
    }
    case ValueType::R4: {
        const float single = expression.r4();
        if (!std::isfinite(single)) return Error::overflow();
        digits_ = shortestDecimal(single);
        negative = std::signbit(single);
        break;
    }
    default:
        return Error::typeMismatch();
    }
    if (!intlRounds_) digits_ = roundHalfUp(digits_, places.maxFraction);

    // The amount goes to Intl without its sign and without grouping: the minus sign is written
    // here as a plain "-" (never the locale's U+2212 or a direction mark), and the grouping is
    // by threes wherever the pattern groups, where Intl would follow the locale's own sizes and
    // leave four-digit amounts ungrouped in some locales.
    auto text = fromPage([&](char16_t* out, int cap) {
        return tv_format(settings_.locale.c_str(), digits_.c_str(), places.minFraction,
                         places.maxFraction, out, cap);
    });
    if (!text) return Error::invalidProcedureCall(); // more places than Intl supports
    std::u16string& out = *text;
    // Required integer places are filled here, in the digits Intl wrote, since Intl fills at
    // most 21 and the pattern sets no such limit.
    if (!out.empty() && decimalDigit(out[0]) >= 0) {
        std::size_t integer = 0;
        while (integer < out.size() && decimalDigit(out[integer]) >= 0)
            ++integer;
        const auto wanted = static_cast<std::size_t>(places.minInteger);
        if (integer < wanted)
            out.insert(0, wanted - integer, static_cast<char16_t>(out[0] - decimalDigit(out[0])));
    }
    if (places.minInteger == 0 && out.size() > 1 && decimalDigit(out[0]) == 0 &&
        std::u16string_view(out).substr(1).starts_with(symbols_.decimal))
        out.erase(0, 1); // "#.00" writes a half as ".50"
    if (places.pointAlways) out += symbols_.decimal;
    if (places.grouped) groupByThrees(out, symbols_.group);
    if (negative && hasNonZeroDigit(out)) out.insert(out.begin(), u'-');
    return std::move(out);
}

ErrorOr<std::u16string> WebTextServices::CStr(std::int16_t v) {
    char buf[8];
    int n = std::snprintf(buf, sizeof buf, "%d", v);
    return std::u16string(buf, buf + n);
}

ErrorOr<std::int32_t> WebTextServices::InStr(std::u16string_view text, std::u16string_view find) {
    auto pos = text.find(find);
    return pos == std::u16string_view::npos ? 0 : static_cast<std::int32_t>(pos) + 1;
}

ErrorOr<std::u16string> WebTextServices::TimeText(TimeOfDay t) {
    auto text = fromPage([&](char16_t* out, int cap) {
        return tv_time(settings_.locale.c_str(), static_cast<double>(t.seconds) * 1000.0, out, cap);
    });
    if (!text) return Error::invalidProcedureCall();
    // Intl puts no-break spaces where the system's time format has plain ones ("12:00:01 PM"),
    // and the code page has no narrow no-break space at all; a caption compared with or saved
    // as the system's text must match it.
    for (char16_t& c : *text)
        if (c == u'\u202F' || c == u'\u00A0') c = u' ';
    return std::move(*text);
}

ErrorOr<std::string> WebTextServices::StrConvFromUnicode(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char16_t c : s)
        out.push_back(static_cast<char>(toCodePage(c)));
    return out;
}

} // namespace tessivra::webruntime
