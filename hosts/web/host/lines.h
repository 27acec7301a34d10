#pragma once
// The page's lines of what a form observes, written as the other hosts write them, so that a
// suite reads the same line from every host.

#include "framework/host/value_text.h"

namespace tessivra::web {

using tessivra::formatValue;
using tessivra::quote;
using tessivra::quoteBytes;

} // namespace tessivra::web
