#pragma once
// Whole files read and written by the headless host and its runner. A path that cannot be read
// or written is refused with the system's own reason, so that a directory or a file without
// permission is not mistaken for a file of the wrong format.

#include "framework/host/error.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace tessivra::headless {

// 53 "File not found" for a path that is not there; 75 "Path/File access error" naming the path
// and the reason for anything else that stops the read.
ErrorOr<std::string> readTextFile(const std::filesystem::path&);
// 75 "Path/File access error" naming the path and the reason.
ErrorOr<void> writeTextFile(const std::filesystem::path&, std::string_view text);

} // namespace tessivra::headless
