#include "hosts/headless/objects.h"

#include "framework/host/checks.h"
#include "framework/host/picture_files.h"
#include "framework/registry/resources.h"

#include <cmath>
#include <string>

namespace tessivra::headless {

namespace {
constexpr std::u16string_view kObjects = u"Objects";
} // namespace

ErrorOr<PictureRef> HeadlessObjects::LoadResPicture(std::int32_t id, ResourceKind kind) {
    TESSIVRA_FAULT(faults_, u"", kObjects, "LoadResPicture");
    const auto resource = pictureResource(id, kind);
    if (!resource)
        return Error{errc::ResourceNotFound,
                     u"Resource with identifier " + fromUtf8(std::to_string(id)) + u" not found"};
    const PictureHeader h = TRY(kind == ResourceKind::Bitmap ? readBitmapResource(resource->bytes)
                                                             : readIconFile(resource->bytes, kind));
    return std::make_shared<Picture>(std::u16string(resource->name), h.type, h.width, h.height);
}

ErrorOr<PictureRef> HeadlessObjects::LoadPicture(std::span<const std::uint8_t> bytes) {
    TESSIVRA_FAULT(faults_, u"", kObjects, "LoadPicture");
    const PictureHeader h = TRY(readPictureFile(bytes));
    return std::make_shared<Picture>(std::u16string(), h.type, h.width, h.height);
}

ErrorOr<FontRef> HeadlessObjects::NewFont(const FontDescription& d) {
    TESSIVRA_FAULT(faults_, u"", kObjects, "NewFont");
    return newCheckedFont(d);
}

} // namespace tessivra::headless
