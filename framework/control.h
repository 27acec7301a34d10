#pragma once
// The base of every control: the handlers the container delivers, and the class description
// the container reaches members, events and persisted keys through.

#include "framework/members.h"

#include <memory>

namespace tessivra {

class Control {
public:
    Control(Site site, const ControlClass& cls) : site_(site), class_(cls) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const ControlClass& controlClass() const { return class_; }

    // Creation, once; most controls have nothing to do then.
    virtual ErrorOr<void> UserControl_Initialize() { return {}; }
    virtual ErrorOr<void> UserControl_Resize() { return {}; }
    // Every persisted key in its order, read with its default and applied; a failing key stops
    // the load there with the earlier keys applied.
    virtual ErrorOr<void> UserControl_ReadProperties(PropertyBag&);
    virtual ErrorOr<void> UserControl_WriteProperties(PropertyBag&);

protected:
    // The host creates the constituents here, after construction, since creation can fail.
    virtual ErrorOr<void> createConstituents() { return {}; }
    template <typename C> friend ErrorOr<std::unique_ptr<C>> createControl(Site);

    Container& container() const { return site_.container; }

    // The setter protocol of a forwarded property: assign the constituent's property, then tell
    // the container; when the assignment fails the container hears nothing.
    template <typename Part, typename A, typename T>
    ErrorOr<void> assignThenNotify(Part& part, ErrorOr<void> (Part::*setter)(A), T&& value,
                                   std::u16string_view name) {
        TRY((part.*setter)(std::forward<T>(value)));
        return container().PropertyChanged(name);
    }
    Runtime& runtime() const { return site_.runtime; }
    Shell& shell() const { return site_.shell; }
    HostObjects& objects() const { return site_.objects; }

private:
    Site site_;
    const ControlClass& class_;
};

// Constructs a control and has the host create its constituents. Each control class names this
// a friend and offers it as its own `create`.
template <typename C> ErrorOr<std::unique_ptr<C>> createControl(Site site) {
    std::unique_ptr<C> control(new C(site));
    TRY(static_cast<Control&>(*control).createConstituents());
    return control;
}

} // namespace tessivra
