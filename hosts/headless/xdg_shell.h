#pragma once
// The shell of a Linux desktop: "open" hands the address to the desktop's opener (xdg-open by
// default), which starts whatever program the user has chosen for it.
//
// The opener is started directly, with the address as its one argument: no command interpreter
// ever sees the address, so quotes, "$(...)", backticks or ";" in it are just characters of
// the address. The caller does not wait for the opener, and nothing of it is left behind to
// reap: it is started from a short-lived intermediate process, so it belongs to the system's
// reaper as soon as it runs, and no signal disposition of the process is touched to get there.

#include "framework/host/runtime.h"

#include <string>

namespace tessivra::headless {

// The result codes of the shell's open call; a value above 32 means the request was carried out.
namespace shellresult {
inline constexpr std::int32_t Started = 42;
inline constexpr std::int32_t FileNotFound = 2;
inline constexpr std::int32_t PathNotFound = 3;
inline constexpr std::int32_t AccessDenied = 5;
inline constexpr std::int32_t OutOfMemory = 8;
inline constexpr std::int32_t NoAssociation = 31;
} // namespace shellresult

class XdgShell final : public Shell {
public:
    // `opener`: a program name looked up on PATH, or a path to one.
    explicit XdgShell(std::string opener = "xdg-open");

    // Only "open" (in any case) is carried out; another operation is answered NoAssociation and
    // starts nothing. The file is the opener's one argument, the directory its working
    // directory (the caller's when empty). The parameters and the show command have no meaning
    // for the opener, which takes a single address and shows what it opens as the desktop
    // does; the window handle owns nothing here. The texts reach the opener byte for byte.
    // Whether the opener then managed to open the address is not waited for.
    ErrorOr<std::int32_t> ShellExecuteA(std::int32_t hwnd, std::string_view operation,
                                        std::string_view file, std::string_view parameters,
                                        std::string_view directory,
                                        std::int32_t showCommand) override;

private:
    std::string opener_;
};

} // namespace tessivra::headless
