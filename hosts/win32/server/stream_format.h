#pragma once
// The stream layout of IPersistStreamInit: the keys and values a property bag receives, in the
// same order (see stream_format.cpp).

#include "framework/host/value.h"

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tessivra::win32 {

std::vector<std::uint8_t>
encodeStream(const std::vector<std::pair<std::u16string, Value>>& entries);
ErrorOr<std::vector<std::pair<std::u16string, Value>>> decodeStream(std::span<const std::uint8_t>);

} // namespace tessivra::win32
