#pragma once
// The runtime's text services the server's controls use (case, code page, Format, time text).

#include "framework/host/runtime.h"

namespace tessivra::win32 {

// One set for the process, made on first use.
TextServices& textServices();

} // namespace tessivra::win32
