#pragma once
// The owner's handle on a constituent, and the host's anchor that keeps the handle honest.
//
// A host destroys a constituent when its own rules say so (the form closing, the control's window
// torn down), and an owner may be destroyed while the host still holds the widget. Neither side
// may then reach freed memory: the owner's handle shares a slot with the host's anchor, and the
// anchor points that slot at a stand-in when the constituent goes; the host holds the owner's sink
// through a SinkRef, which lets go when the sink goes. A call through a handle whose constituent
// is gone fails with `errc::ObjectDisconnected`; through a handle that was never given a
// constituent (an owner not yet sited) with `errc::ClientSiteNotAvailable`.

#include "framework/host/constituents.h"

#include <memory>
#include <type_traits>

namespace tessivra {

// The stand-ins of one kind of constituent: every call fails, with the error of why it is not
// there. Defined for each constituent interface.
template <class T> struct Standin {
    static T& gone();
    static T& notMade();
};

namespace detail {
template <class T> struct PartSlot { T* part; };
} // namespace detail

template <class T> class PartAnchor;

// Shares ownership of the slot through which the owner reaches one constituent, so that it is
// always safe to call through, whichever side went first.
template <class T> class PartHandle {
public:
    PartHandle() = default;

    T& operator*() const { return slot_ ? *slot_->part : Standin<T>::notMade(); }
    T* operator->() const { return &**this; }
    T* get() const { return &**this; }
    // True while the host keeps the constituent.
    bool alive() const { return slot_ && slot_->part != &Standin<T>::gone(); }

    // The host's own type behind the interface, for a host (and its tests) that made it; null
    // once the constituent is gone.
    template <class U>
    requires std::is_base_of_v<T, U>
    explicit operator U*() const { return alive() ? static_cast<U*>(slot_->part) : nullptr; }

private:
    friend class PartAnchor<T>;
    explicit PartHandle(std::shared_ptr<detail::PartSlot<T>> slot) : slot_(std::move(slot)) {}
    std::shared_ptr<detail::PartSlot<T>> slot_;
};

// Held by the host with each constituent it makes, and destroyed with it: from then on every
// handle on the constituent reaches the stand-in.
template <class T> class PartAnchor {
public:
    explicit PartAnchor(T& part)
        : slot_(std::make_shared<detail::PartSlot<T>>(detail::PartSlot<T>{&part})) {}
    ~PartAnchor() { slot_->part = &Standin<T>::gone(); }
    PartAnchor(const PartAnchor&) = delete;
    PartAnchor& operator=(const PartAnchor&) = delete;

    PartHandle<T> handle() const { return PartHandle<T>(slot_); }

private:
    std::shared_ptr<detail::PartSlot<T>> slot_;
};

// The stand-ins exist for these kinds.
#define TESSIVRA_STANDIN(T)                                                                        \
    template <> T& Standin<T>::gone();                                                             \
    template <> T& Standin<T>::notMade();
TESSIVRA_STANDIN(TextBox)
TESSIVRA_STANDIN(CommandButton)
TESSIVRA_STANDIN(VScrollBar)
TESSIVRA_STANDIN(Label)
TESSIVRA_STANDIN(Timer)
TESSIVRA_STANDIN(PictureBox)
TESSIVRA_STANDIN(Image)
#undef TESSIVRA_STANDIN

} // namespace tessivra
