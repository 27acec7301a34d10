#pragma once
// Form files: a form's controls kept between runs, each by its ProgId (or class identifier) with
// its name, place, size, place in the tab order and property bag. The command-line container and
// the desktop studio read and write the same files.
//
//   {"format": "tessivra-form", "version": 1, "caption": "...", "width": 6000, "height": 4000,
//    "controls": [{"name": "t1", "progId": "Tessivra.MailText", "left": 120, "top": 120,
//                  "width": 3000, "height": 315, "tabIndex": 0,
//                  "bag": {"entries": [...]}}, ...]}
//
// Sizes and places are in twips; the bag is the typed JSON of a property bag file.

#include "framework/host/error.h"
#include "framework/host/types.h"
#include "hosts/headless/property_bag.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessivra::headless {

struct FormControl {
    std::u16string name;
    // A ProgId, a class name, or a class identifier in braces: whatever finds the class again.
    std::string classId;
    Twips left = 0, top = 0, width = 0, height = 0;
    std::int16_t tabIndex = 0;
    HeadlessPropertyBag bag;
};

struct FormFile {
    std::u16string caption;
    Twips width = 0, height = 0;
    // In tab order: a file read is sorted by its tab indexes, and one written numbers its
    // controls in the order they stand here.
    std::vector<FormControl> controls;

    std::string toJson() const;
    // Every field is checked as it is read; the first bad one is refused with an error that
    // names it (`controls[2].width`, `controls[0].bag: ...`) and nothing of the file is kept.
    static ErrorOr<FormFile> fromJson(std::string_view text);
};

// The largest number of controls a form file may hold: a tab index is 16-bit.
inline constexpr std::size_t kMaxFormControls = 32768;

} // namespace tessivra::headless
