#pragma once
// The type library as data, and its interface description in IDL. A component-model build
// compiles the description into the library's TYPELIB resource; a build without the component
// model reads the same facts from here. Both are made from the class table and each class's
// member and event tables, so the three cannot drift apart.

#include "framework/registry/class_table.h"
#include "framework/registry/library.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessivra {

// The type flags of the type library (TYPEFLAGS of the component model).
namespace typeflag {
inline constexpr std::uint16_t Hidden = 0x10;
inline constexpr std::uint16_t Control = 0x20;
inline constexpr std::uint16_t Dual = 0x40;
inline constexpr std::uint16_t NonExtensible = 0x80;
inline constexpr std::uint16_t OleAutomation = 0x100;
inline constexpr std::uint16_t Dispatchable = 0x1000;
} // namespace typeflag

inline constexpr std::uint16_t DualInterfaceFlags =
    typeflag::Hidden | typeflag::Dual | typeflag::NonExtensible | typeflag::OleAutomation |
    typeflag::Dispatchable;
inline constexpr std::uint16_t CoclassFlags = typeflag::Control;
inline constexpr std::uint16_t EventInterfaceFlags =
    typeflag::Hidden | typeflag::NonExtensible | typeflag::Dispatchable;

// The standard automation types the library borrows instead of describing them itself.
struct ImportedLibrary {
    std::string_view name;
    Guid libid;
    std::uint16_t majorVersion;
    std::uint16_t minorVersion;
    std::string_view fileName;
};
inline constexpr ImportedLibrary StdOle{
    "stdole", Guid::literal("{00020430-0000-0000-C000-000000000046}"), 2, 0, "stdole2.tlb"};

struct ImportedType {
    std::string_view name;
    Guid guid;
    // The interface the name stands for, where the system IDL files leave the name itself
    // undeclared and the description has to declare it; empty when they declare it.
    std::string_view aliasOf;
};
inline constexpr ImportedType ImportedTypes[] = {
    {"IDispatch", Guid::literal("{00020400-0000-0000-C000-000000000046}"), {}},
    {"OLE_COLOR", Guid::literal("{66504301-BE0F-101A-8BBB-00AA00300CAB}"), {}},
    {"Font", Guid::literal("{BEF6E003-A874-101A-8BBA-00AA00300CAB}"), "IFontDisp"},
    {"Picture", Guid::literal("{7BF80981-BF32-101A-8BBB-00AA00300CAB}"), "IPictureDisp"},
};

enum class TypeKind : std::uint8_t { DualInterface, Coclass, EventInterface };

// One of the type library's type descriptions.
struct TypeDescription {
    std::string_view name;
    TypeKind kind;
    Guid guid;
    std::uint16_t flags;
    std::uint16_t majorVersion = 1;
    std::uint16_t minorVersion = 0;
    const ControlClassInfo* cls; // the class it belongs to
};

// The type descriptions of a library holding `classes`, in library order: each class's dual
// interface and coclass, class by class, then the event interfaces in the same class order (three
// per class). Each points into `classes`.
std::vector<TypeDescription> typeDescriptions(std::span<const ControlClassInfo> classes);

// How a member type is spelled in IDL, as a value ("short", "Font*"). Void is "void".
std::string_view idlTypeName(MemberType);

// The whole interface description: the library block with every type of every class whose
// control is part of the build (the others are named in a comment and left out, since a class
// without its member table cannot be described truthfully). Deterministic: the same build gives
// the same bytes.
std::string generateIdl(std::span<const ControlClassInfo> classes);

} // namespace tessivra
