#pragma once
// The text services of the document's page: the browser runtime in the document's language
// (its <html lang>, else the browser's), with the Western code page.

#include "framework/host/runtime.h"

#include <memory>

namespace tessivra::web {

std::unique_ptr<TextServices> makePageTextServices();

} // namespace tessivra::web
