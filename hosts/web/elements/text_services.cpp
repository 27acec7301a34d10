#include "hosts/web/elements/text_services.h"

#include "hosts/web/runtime/text_services.h"

#include <emscripten/val.h>

namespace tessivra::web {

std::unique_ptr<TextServices> makePageTextServices() {
    using emscripten::val;
    std::string locale = val::global("document")["documentElement"]["lang"].as<std::string>();
    if (locale.empty()) locale = val::global("navigator")["language"].as<std::string>();
    auto made = webruntime::WebTextServices::create({.locale = locale});
    // A language the browser does not know falls back to the one every browser knows.
    if (made.isError()) made = webruntime::WebTextServices::create({.locale = "en-US"});
    if (made.isError()) return nullptr;
    return made.releaseValue();
}

} // namespace tessivra::web
