// Reads arbitrary text as a registry file. A text the reader accepts must write back to a text
// that reads to the same registry, and that text must read back to itself.

#include "hosts/headless/registry.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tessivra::headless::HeadlessRegistry;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto registry = HeadlessRegistry::fromRegFile(text);
    if (registry.isError()) return 0;

    const std::string written = registry.value().toRegFile();
    auto again = HeadlessRegistry::fromRegFile(written);
    if (again.isError()) std::abort();
    if (!(again.value() == registry.value())) std::abort();
    if (again.value().toRegFile() != written) std::abort();
    return 0;
}
