#pragma once
// The headless host's pictures and fonts: the plain automation objects of framework/host/types.h,
// a picture knowing where it came from, its type and its size read from its bytes.

#include "framework/host/objects.h"
#include "hosts/headless/faults.h"

namespace tessivra::headless {

class HeadlessObjects final : public HostObjects {
public:
    explicit HeadlessObjects(FaultPlan& faults) : faults_(faults) {}

    // Named as the library names the resource.
    ErrorOr<PictureRef> LoadResPicture(std::int32_t id, ResourceKind) override;
    // Named by nothing: the bytes say nothing of where they came from.
    ErrorOr<PictureRef> LoadPicture(std::span<const std::uint8_t> bytes) override;
    ErrorOr<FontRef> NewFont(const FontDescription&) override;

private:
    FaultPlan& faults_;
};

} // namespace tessivra::headless
