#pragma once
// The base of every control: the handlers the container delivers, and the class description
// the container reaches members, events and persisted keys through.

#include "framework/members.h"

#include <memory>

namespace tessivra {

class Control {
public:
    // A control made on `unsitedSite()` waits for `setSite` to make its constituents.
    Control(Site site, const ControlClass& cls)
        : container_(&site.container), runtime_(&site.runtime), shell_(&site.shell),
          objects_(&site.objects), class_(cls) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const ControlClass& controlClass() const { return class_; }

    // Sites the control, as a container does with SetClientSite. On the first siting, and on one
    // after its container went away, the host makes its constituents on the new container; a
    // control already holding its constituents only changes where it reports, raises events and
    // asks for services (its constituents stay on the surface the host moves with it). Siting on
    // `unsitedSite()` lets go of the site as `containerClosing` does, without the notice.
    ErrorOr<void> setSite(Site);
    bool isSited() const { return tessivra::isSited(site()); }
    // The container's notice that it is going away, with the constituents it made: the control
    // has its last word (UserControl_Terminate), then lets go of the site, so that a call that
    // needs the container fails with `errc::ClientSiteNotAvailable` from here on, and a later
    // siting makes its constituents anew. A notice from a container the control has already
    // left (it was re-sited) changes nothing.
    void containerClosing(const Container& closing);

    // Creation, once; most controls have nothing to do then.
    virtual ErrorOr<void> UserControl_Initialize() { return {}; }
    virtual ErrorOr<void> UserControl_Resize() { return {}; }
    // Every persisted key in its order, read with its default and applied; a failing key stops
    // the load there with the earlier keys applied.
    virtual ErrorOr<void> UserControl_ReadProperties(PropertyBag&);
    virtual ErrorOr<void> UserControl_WriteProperties(PropertyBag&);
    // The container is going away; the site still answers. No shipped control has anything to
    // do then; a failure here has nowhere to go, since the container is closing regardless.
    virtual void UserControl_Terminate() {}

protected:
    // The host creates the constituents here, after construction, since creation can fail.
    virtual ErrorOr<void> createConstituents() { return {}; }
    template <typename C> friend ErrorOr<std::unique_ptr<C>> createControl(Site);

    Container& container() const { return *container_; }

    // The setter protocol of a forwarded property: assign the constituent's property, then tell
    // the container; when the assignment fails the container hears nothing.
    template <typename Part, typename A, typename T>
    ErrorOr<void> assignThenNotify(Part& part, ErrorOr<void> (Part::*setter)(A), T&& value,
                                   std::u16string_view name) {
        TRY((part.*setter)(std::forward<T>(value)));
        return container().PropertyChanged(name);
    }
    Runtime& runtime() const { return *runtime_; }
    Shell& shell() const { return *shell_; }
    HostObjects& objects() const { return *objects_; }

private:
    Site site() const { return Site{*container_, *runtime_, *shell_, *objects_}; }

    Container* container_;
    Runtime* runtime_;
    Shell* shell_;
    HostObjects* objects_;
    // Whether the constituents stand on the current container (or one that moved them with it).
    bool hasConstituents_ = false;
    const ControlClass& class_;
};

// Constructs a control and, when the site is a real one, has the host create its constituents.
// Each control class names this a friend and offers it as its own `create`.
template <typename C> ErrorOr<std::unique_ptr<C>> createControl(Site site) {
    std::unique_ptr<C> control(new C(unsitedSite()));
    TRY(static_cast<Control&>(*control).setSite(site));
    return control;
}

// A control of class C not yet sited, as a class object makes it before the container's
// SetClientSite.
template <typename C> ErrorOr<std::unique_ptr<C>> createUnsited() {
    return C::create(unsitedSite());
}

} // namespace tessivra
