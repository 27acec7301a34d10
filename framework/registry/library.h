#pragma once
// Who the library is: the identity its type library, its version record and its registry
// entries all carry. Constant data; every place that states the library's name, identifier,
// version or texts takes them from here.

#include "framework/registry/guid.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessivra {

// The fixed version record of the library file (what Windows Explorer shows under Details).
struct VersionRecord {
    std::array<std::uint16_t, 4> fileVersion;
    std::array<std::uint16_t, 4> productVersion;
    std::string_view fileVersionText;    // under "FileVersion"
    std::string_view productVersionText; // under "ProductVersion"
    std::uint16_t translationLanguage;
    std::uint16_t translationCodePage;
    // Present with an empty value: tells installers the file registers itself.
    bool oleSelfRegister;
};

struct LibraryInfo {
    std::string_view name; // type library name, project name and internal name
    std::string_view fileName;
    Guid libid;
    std::uint16_t majorVersion;
    std::uint16_t minorVersion;
    std::uint32_t locale;     // of the type library: language neutral
    std::uint32_t textLocale; // of the library's own texts
    std::uint16_t libraryFlags;
    std::string_view threadingModel;
    VersionRecord version;
    std::string_view description;
    std::string_view helpFile;
    std::string_view maker;
    std::string_view legalNotice;
    std::string_view comments;
};

// The type library flag that marks a library of controls.
inline constexpr std::uint16_t LibFlagControl = 0x2;

inline constexpr LibraryInfo Library{
    .name = "Tessivra",
    .fileName = "Tessivra.ocx",
    .libid = Guid::literal("{BD41AE3D-0FAF-4214-9A0B-BF007B329C65}"),
    .majorVersion = 31,
    .minorVersion = 0,
    .locale = 0,
    .textLocale = 0x0409,
    .libraryFlags = LibFlagControl,
    .threadingModel = "Apartment",
    .version =
        {
            .fileVersion = {1, 0, 0, 0},
            .productVersion = {1, 0, 0, 0},
            .fileVersionText = "1.00",
            .productVersionText = "1.00",
            .translationLanguage = 0x0409,
            .translationCodePage = 0x04B0,
            .oleSelfRegister = true,
        },
    .description = "Tessivra input and display controls",
    .helpFile = "Tessivra.chm",
    .maker = "Tessivra",
    .legalNotice = "Copyright (C) 2026 Tessivra contributors",
    .comments = "Text boxes with an input rule, a clock label and a credits panel",
};

// The type library's version as the registry spells it: "31.0".
inline std::string versionText(const LibraryInfo& library) {
    return std::to_string(library.majorVersion) + "." + std::to_string(library.minorVersion);
}

} // namespace tessivra
