#pragma once
// The bytes of the pictures embedded in the library. The definition is made in the build from
// the pixel maps under resources/.

#include <cstdint>
#include <span>
#include <string_view>

namespace tessivra::detail {

// The bytes of one generated resource ("toolbox_30001", "launch_button"...), empty if none.
std::span<const std::uint8_t> embeddedResource(std::string_view name);

} // namespace tessivra::detail
