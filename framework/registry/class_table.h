#pragma once
// The library's eight control classes as a container finds them: one constant record per class,
// in type-library order, and the operations a component server offers on them (find a class,
// create an instance, say whether the library may be unloaded, register and unregister).

#include "framework/control.h"
#include "framework/registry/guid.h"
#include "framework/registry/registry_backend.h"

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

// A row's `create`: a class's own `create` gives its own type; the table hands out the common
// base.
template <typename C> ErrorOr<std::unique_ptr<Control>> makeControl(Site site) {
    ErrorOr<std::unique_ptr<C>> made = C::create(site);
    if (made.isError()) return made.releaseError();
    return std::unique_ptr<Control>(made.releaseValue());
}

// The state a loaded library keeps: live instances and class-object locks.
namespace detail {
struct ModuleState {
    std::size_t instances = 0;
    std::size_t locks = 0;
};
} // namespace detail

// Destroys an instance created through the table and counts it out. It shares the table's
// state, so an instance may outlive the table that made it.
struct InstanceRelease {
    std::shared_ptr<detail::ModuleState> module;
    void operator()(Control* control) const noexcept;
};
using ControlHandle = std::unique_ptr<Control, InstanceRelease>;

class ControlClassTable {
public:
    // The library's eight classes.
    ControlClassTable();
    // Other rows, such as the library's and one more; the rows must outlive the table.
    explicit ControlClassTable(std::span<const ControlClassInfo> rows);
    ControlClassTable(const ControlClassTable&) = delete;
    ControlClassTable& operator=(const ControlClassTable&) = delete;

    // The eight records in type-library order.
    static std::span<const ControlClassInfo> classes();
    // Exact, case-sensitive match; nothing for any other text (the about window included).
    static const ControlClassInfo* findByProgId(std::string_view progId);
    static const ControlClassInfo* findByProgId(std::u16string_view progId);
    static const ControlClassInfo* findByClsid(const Guid& clsid);

    // The same look-ups in the rows this table was made with.
    std::span<const ControlClassInfo> rows() const { return rows_; }
    const ControlClassInfo* rowByProgId(std::string_view progId) const;
    const ControlClassInfo* rowByClsid(const Guid& clsid) const;

    // A new instance of the class, with its constituents created on the site's container.
    // A class of the table whose control is not in this build fails with 429 before the site
    // is touched; so does a record that is not one of this table's rows.
    ErrorOr<ControlHandle> create(const ControlClassInfo& info, Site site);

    // True when no instance created here is alive and no class-object lock is held.
    bool canUnload() const;
    // Holds or releases the library for a container that keeps class objects around; a release
    // with no lock held is ignored.
    void lockServer(bool lock);
    std::size_t liveInstances() const { return module_->instances; }

    // Writes (removes) every registry record of the eight classes, their interfaces and the
    // type library. `libraryPath` is the full path of the library's file. Stops at the first
    // failure of the backend, leaving what was already done.
    static ErrorOr<void> registerAll(RegistryBackend& registry, std::string_view libraryPath);
    static ErrorOr<void> unregisterAll(RegistryBackend& registry);

private:
    std::span<const ControlClassInfo> rows_;
    std::shared_ptr<detail::ModuleState> module_;
};

} // namespace tessivra
