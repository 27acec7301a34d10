#include "framework/registry/class_table.h"

#include <algorithm>

namespace tessivra {

namespace {

std::u16string widen(std::string_view ascii) {
    return {ascii.begin(), ascii.end()};
}

Error cannotCreate(const ControlClassInfo& info, std::string_view why) {
    return Error{errc::ClassNotAvailable,
                 u"ActiveX component can't create object: " + widen(info.ProgId) + widen(why)};
}

} // namespace

void detail::countDown(std::atomic<std::size_t>& count) noexcept {
    std::size_t now = count.load();
    while (now > 0 && !count.compare_exchange_weak(now, now - 1)) {
    }
}

void InstanceRelease::operator()(Control* control) const noexcept {
    delete control;
    // Counted out only once the instance is gone, so its destructor never sees the library
    // reported as unloadable.
    if (module) detail::countDown(module->instances);
}

namespace {

// ProgIds are compared as the component model's registry compares key names: without regard to
// case. Every ProgId of the table is ASCII, so folding ASCII letters is enough; any other
// character matches only itself, and so nothing in the table.
char16_t foldAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool sameProgId(char a, char16_t b) {
    return foldAscii(static_cast<char16_t>(static_cast<unsigned char>(a))) == foldAscii(b);
}

} // namespace

const ControlClassInfo* findByProgId(std::span<const ControlClassInfo> classes,
                                     std::string_view progId) {
    for (const ControlClassInfo& c : classes)
        if (std::equal(
                c.ProgId.begin(), c.ProgId.end(), progId.begin(), progId.end(), [](char a, char b) {
                    return sameProgId(a, static_cast<char16_t>(static_cast<unsigned char>(b)));
                }))
            return &c;
    return nullptr;
}

const ControlClassInfo* findByProgId(std::span<const ControlClassInfo> classes,
                                     std::u16string_view progId) {
    for (const ControlClassInfo& c : classes)
        if (std::equal(c.ProgId.begin(), c.ProgId.end(), progId.begin(), progId.end(), sameProgId))
            return &c;
    return nullptr;
}

const ControlClassInfo* findByClsid(std::span<const ControlClassInfo> classes, const Guid& clsid) {
    const auto it = std::find_if(classes.begin(), classes.end(),
                                 [&](const ControlClassInfo& c) { return c.Clsid == clsid; });
    return it == classes.end() ? nullptr : &*it;
}

ControlClassTable::ControlClassTable(std::span<const ControlClassInfo> classes)
    : classes_(classes), module_(std::make_shared<detail::ModuleState>()) {}

ErrorOr<ControlHandle> ControlClassTable::create(const ControlClassInfo& info, Site site) {
    const ControlClassInfo* own = findByClsid(classes_, info.Clsid);
    if (own == nullptr) return cannotCreate(info, " is not a class of this library");
    if (!own->isAvailable()) return cannotCreate(*own, " is not available in this build");
    std::unique_ptr<Control> made = TRY(own->create(site));
    ++module_->instances;
    return ControlHandle(made.release(), InstanceRelease{module_});
}

ErrorOr<ControlHandle> ControlClassTable::create(const ControlClassInfo& info) {
    return create(info, unsitedSite());
}

bool ControlClassTable::canUnload() const {
    return module_->instances.load() == 0 && module_->locks.load() == 0;
}

void ControlClassTable::lockServer(bool lock) {
    if (lock)
        ++module_->locks;
    else
        detail::countDown(module_->locks);
}

} // namespace tessivra
