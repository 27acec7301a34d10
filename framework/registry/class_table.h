#pragma once
// The library's control classes as a container finds them: one constant record per class, in
// type-library order, and the operations a component server offers on them (find a class, create
// an instance, say whether the library may be unloaded). The records themselves are the
// controls' business: the table of shipped classes sits above the controls and hands its rows
// to everything here as a span.

#include "framework/control.h"
#include "framework/registry/guid.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace tessivra {

// Status flags a container reads before it places a control (the OLEMISC flags).
namespace olemisc {
inline constexpr std::uint32_t RecomposeOnResize = 0x1;
inline constexpr std::uint32_t CantLinkInside = 0x10;
inline constexpr std::uint32_t InsideOut = 0x80;
inline constexpr std::uint32_t ActivateWhenVisible = 0x100;
inline constexpr std::uint32_t SetClientSiteFirst = 0x20000;
} // namespace olemisc

// Every class asks for the same treatment: 0x20191.
inline constexpr std::uint32_t ControlMiscStatus =
    olemisc::SetClientSiteFirst | olemisc::ActivateWhenVisible | olemisc::InsideOut |
    olemisc::CantLinkInside | olemisc::RecomposeOnResize;

// The type-library flag of a coclass that is a control.
inline constexpr std::uint16_t TypeFlagControl = 0x20;

struct InterfaceInfo {
    std::string_view name; // "_Name" for the default interface, "__Name" for the event one
    Guid iid;
};

struct ControlClassInfo {
    std::string_view Name;
    std::string_view ProgId; // "Tessivra." followed by Name
    Guid Clsid;
    InterfaceInfo DefaultInterface;
    InterfaceInfo EventInterface; // every class has one, even with no events
    std::uint32_t MiscStatus;
    std::int32_t ToolboxBitmap;
    std::uint16_t TypeFlags;
    // Both stay null until the class's control is part of the build.
    const ControlClass* Class;
    ErrorOr<std::unique_ptr<Control>> (*create)(Site);

    bool isAvailable() const { return create != nullptr; }
};

// The `create` of a class's record: a class's own `create` gives its own type; the table hands
// out the common base.
template <typename C> ErrorOr<std::unique_ptr<Control>> createAsControl(Site site) {
    ErrorOr<std::unique_ptr<C>> made = C::create(site);
    if (made.isError()) return made.releaseError();
    return std::unique_ptr<Control>(made.releaseValue());
}

// The names of a record are written out for readability; they must follow from the class name:
// "Tessivra." and the name for the ProgId, one underscore before it for the default interface,
// two for the event interface.
constexpr bool namesFollowClass(const ControlClassInfo& c) {
    constexpr std::string_view prefix = "Tessivra.";
    return c.ProgId.size() == prefix.size() + c.Name.size() && c.ProgId.starts_with(prefix) &&
           c.ProgId.ends_with(c.Name) && c.DefaultInterface.name.size() == c.Name.size() + 1 &&
           c.DefaultInterface.name.starts_with("_") && c.DefaultInterface.name.ends_with(c.Name) &&
           c.EventInterface.name.size() == c.Name.size() + 2 &&
           c.EventInterface.name.starts_with("__") && c.EventInterface.name.ends_with(c.Name);
}

// Matched without regard to case, as the component model looks ProgIds up; the record keeps the
// registered spelling. Nothing for any other text (the about window included).
const ControlClassInfo* findByProgId(std::span<const ControlClassInfo> classes,
                                     std::string_view progId);
const ControlClassInfo* findByProgId(std::span<const ControlClassInfo> classes,
                                     std::u16string_view progId);
const ControlClassInfo* findByClsid(std::span<const ControlClassInfo> classes, const Guid& clsid);

// The state a loaded library keeps: live instances and class-object locks. The counts are
// atomic: a container may release an instance or a lock from any thread (an instance's last
// Release, CoFreeUnusedLibraries asking DllCanUnloadNow), even though the controls themselves
// live on one user-interface thread.
namespace detail {
struct ModuleState {
    std::atomic<std::size_t> instances = 0;
    std::atomic<std::size_t> locks = 0;
};
// Takes one off a count that is above zero; a count at zero stays there.
void countDown(std::atomic<std::size_t>&) noexcept;
} // namespace detail

// Destroys an instance created through the table and counts it out. It shares the table's
// state, so an instance may outlive the table that made it.
struct InstanceRelease {
    std::shared_ptr<detail::ModuleState> module;
    void operator()(Control* control) const noexcept;
};
using ControlHandle = std::unique_ptr<Control, InstanceRelease>;

// The component server over one set of classes: it creates instances and keeps the counts that
// decide whether the library may be unloaded.
class ControlClassTable {
public:
    // `classes` must outlive the table and every instance it makes (the shipped classes are
    // constant data).
    explicit ControlClassTable(std::span<const ControlClassInfo> classes);
    ControlClassTable(const ControlClassTable&) = delete;
    ControlClassTable& operator=(const ControlClassTable&) = delete;

    // The records in type-library order.
    std::span<const ControlClassInfo> classes() const { return classes_; }

    // A new instance of the class, with its constituents created on the site's container.
    // A class of the table whose control is not in this build fails with 429 before the site
    // is touched; so does a record that is not one of the table's.
    ErrorOr<ControlHandle> create(const ControlClassInfo& info, Site site);
    // A new instance not yet sited, as a class object's CreateInstance makes it: the container
    // sites it afterwards (Control::setSite), and its constituents are made then.
    ErrorOr<ControlHandle> create(const ControlClassInfo& info);

    // True when no instance created here is alive and no class-object lock is held.
    bool canUnload() const;
    // Holds or releases the library for a container that keeps class objects around; a release
    // with no lock held is ignored.
    void lockServer(bool lock);
    std::size_t liveInstances() const { return module_->instances.load(); }

private:
    std::span<const ControlClassInfo> classes_;
    std::shared_ptr<detail::ModuleState> module_;
};

} // namespace tessivra
