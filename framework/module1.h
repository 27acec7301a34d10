#pragma once
// The library's declarations of operating-system calls. A declared call receives its texts in
// the system's single-byte code page, so each text is converted by the runtime on the way, as a
// declared function's string arguments are.

#include "framework/host/runtime.h"

#include <cstdint>
#include <string_view>

namespace tessivra::Module1 {

// The shell's "open" verb and its kin, shell32's ShellExecuteA: the four texts in the system's
// code page, the rest as given. Returns the shell's own result code, which callers may ignore;
// a failing conversion or call is a failure.
ErrorOr<std::int32_t> ShellExecuteA(Runtime& runtime, Shell& shell, std::int32_t hwnd,
                                    std::u16string_view lpOperation, std::u16string_view lpFile,
                                    std::u16string_view lpParameters,
                                    std::u16string_view lpDirectory, std::int32_t nShowCmd);

} // namespace tessivra::Module1
