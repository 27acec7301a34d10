#include "text_services.h"

#include "hosts/win32/runtime/text_services.h"

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace tessivra::win32 {

namespace {

// The desktop's own settings: the user's locale and the system's ANSI code page. A code page the
// runtime cannot serve (a double-byte one) falls back to Windows-1252 in en-US, the settings the
// controls were made for.
std::unique_ptr<TextServices> makeServices() {
    win32runtime::TextSettings settings;
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) > 1)
        settings.locale = std::u16string(reinterpret_cast<const char16_t*>(name));
    settings.codePage = GetACP();
    try {
        return std::make_unique<win32runtime::Win32TextServices>(settings);
    } catch (const std::runtime_error&) {
        return std::make_unique<win32runtime::Win32TextServices>(win32runtime::TextSettings{});
    }
}

} // namespace

TextServices& textServices() {
    static std::unique_ptr<TextServices> services = makeServices();
    return *services;
}

} // namespace tessivra::win32
