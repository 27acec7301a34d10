#pragma once
// The containers of a form by their controls' names, so that a form of many controls finds one
// without a search, and what a form does to a control it names: load and save its properties,
// run its resize handler for its first placement, and check a size it is to be given. Each refuses
// a name the form does not hold with the same error on every host. `Site` has name() and control().

#include "framework/control.h"
#include "framework/host/checks.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace tessivra {

template <typename Site> class NamedSites {
public:
    void add(Site& site) { byName_.emplace(site.name(), &site); }
    void remove(std::u16string_view name) { byName_.erase(std::u16string(name)); }
    Site* find(std::u16string_view name) const {
        auto it = byName_.find(std::u16string(name));
        return it == byName_.end() ? nullptr : it->second;
    }
    Control* control(std::u16string_view name) const {
        auto* site = find(name);
        return site ? site->control() : nullptr;
    }

    ErrorOr<void> load(std::u16string_view name, PropertyBag& bag) const {
        auto* c = TRY(named(name));
        return c->UserControl_ReadProperties(bag);
    }
    ErrorOr<void> save(std::u16string_view name, PropertyBag& bag) const {
        auto* c = TRY(named(name));
        return c->UserControl_WriteProperties(bag);
    }
    ErrorOr<void> place(std::u16string_view name) const {
        auto* c = TRY(named(name));
        return c->UserControl_Resize();
    }

    // The container of a control the form is to resize, once the size is one it can hold.
    ErrorOr<Site*> toResize(std::u16string_view name, Twips width, Twips height) const {
        auto* site = find(name);
        if (!site) return noSuchNamed(u"control", name);
        TRY(checkSize(width));
        TRY(checkSize(height));
        return site;
    }

private:
    ErrorOr<Control*> named(std::u16string_view name) const {
        auto* c = control(name);
        if (!c) return noSuchNamed(u"control", name);
        return c;
    }

    std::unordered_map<std::u16string, Site*> byName_;
};

} // namespace tessivra
