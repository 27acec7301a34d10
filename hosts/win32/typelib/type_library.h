#pragma once
// The library's type library made with the system's own writer (CreateTypeLib2), from the same
// class tables the interface description is generated from, and read back as text through the
// automation library, so that two type libraries (or one and the tables) can be compared field
// by field.

#include "framework/idl.h"

// windows.h first: the other system headers build on its types.
#include <windows.h>

#include <oaidl.h>

#include <span>
#include <string>
#include <vector>

namespace tessivra::typelib {

// The platform the library describes is the one its program is built for: the 32-bit library
// lays out 4-byte table slots, the 64-bit one 8-byte ones (the system's writer lays out slots
// for the platform it runs on, whatever platform it is told).
inline constexpr SYSKIND kSystem = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

// A path as the command line gave it, in the ANSI code page.
std::wstring pathArgument(const char* argument);

// Writes the type library of `classes` to `path` (a classes' row without its control is left
// out, as the interface description leaves it out). Returns the first failing call's status
// and names it in `failed`.
HRESULT writeTypeLibrary(const std::wstring& path, std::span<const ControlClassInfo> classes,
                         std::string& failed);

// Every field of a loaded type library, one fact a line: the library's attributes and texts,
// then each type with its attributes, implemented types and functions (dispatch identifier,
// kinds, calling convention, return and parameter types with flags, names, help string). A
// dual interface is shown both as the automation library presents it and as its interface
// half. Types are referred to by name and identifier, never by handle, so two libraries
// compare by text.
std::vector<std::string> describeTypeLibrary(ITypeLib* library);

// The same lines as the class tables say they must read, in the library's order.
std::vector<std::string> expectedDescription(std::span<const ControlClassInfo> classes);

} // namespace tessivra::typelib
