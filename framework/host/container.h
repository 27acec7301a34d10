#pragma once
// What a control instance sees of the container that holds it: its own surface, the
// constituents placed on it, the form's events, and the runtime and shell services.

#include "framework/host/constituents.h"
#include "framework/host/events.h"
#include "framework/host/handle.h"
#include "framework/host/objects.h"
#include "framework/host/property_bag.h"
#include "framework/host/runtime.h"

namespace tessivra {

// A surface the host places constituents on, created from the owner's design-time description.
// The host keeps each constituent until it tears it down (at the latest with the surface) and
// anchors it (PartAnchor), so that the owner's handle fails cleanly once it is gone. It holds the
// owner's sink as a SinkRef, so that an owner destroyed first is never called again. Either side
// may go first.
class Surface {
public:
    virtual ~Surface() = default;
    virtual ErrorOr<PartHandle<TextBox>> addTextBox(const TextBoxDesign&, TextBoxEvents*) = 0;
    virtual ErrorOr<PartHandle<CommandButton>> addCommandButton(const CommandButtonDesign&,
                                                                CommandButtonEvents*) = 0;
    virtual ErrorOr<PartHandle<VScrollBar>> addVScrollBar(const VScrollBarDesign&,
                                                          VScrollBarEvents*) = 0;
    virtual ErrorOr<PartHandle<Label>> addLabel(const LabelDesign&, LabelEvents*) = 0;
    virtual ErrorOr<PartHandle<Timer>> addTimer(const TimerDesign&, TimerEvents*) = 0;
    virtual ErrorOr<PartHandle<PictureBox>> addPictureBox(const PictureBoxDesign&,
                                                          PictureBoxEvents*) = 0;
    virtual ErrorOr<PartHandle<Image>> addImage(const ImageDesign&) = 0;
};

// The client side of a control's event interface: what a form attaches to hear a control's
// events by identifier. Its handler may change the by-reference arguments.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual ErrorOr<void> Invoke(DispId event, EventArgs args) = 0;
};

// The container of one control instance.
class Container : public Surface {
public:
    virtual ErrorOr<Twips> Width() = 0;
    // Assigning a different size inside the resize handler makes the host deliver the resize
    // handler again, nested; an assignment that leaves the size as it is is not a resize.
    virtual ErrorOr<void> setWidth(Twips) = 0;
    virtual ErrorOr<Twips> Height() = 0;
    virtual ErrorOr<void> setHeight(Twips) = 0;
    virtual ErrorOr<void> PropertyChanged(std::u16string_view propertyName) = 0;
    // Returns once the form's handler has run; the arguments then hold what it left.
    virtual ErrorOr<void> RaiseEvent(DispId number, EventArgs args) = 0;
    virtual ErrorOr<FontRef> AmbientFont() = 0;
    virtual ErrorOr<PictureRef> MaskPicture() = 0;
    virtual ErrorOr<void> setMaskPicture(PictureRef) = 0;
    virtual ErrorOr<std::int32_t> hWnd() = 0;
    // Optional arguments the caller left out arrive marked as missing.
    virtual ErrorOr<void> PopupMenu(const Value& menu, const Value& flags, const Value& x,
                                    const Value& y, const Value& defaultMenu) = 0;
};

// A top-level window of the library (the about window).
class Form : public Surface {
public:
    virtual ErrorOr<void> setCaption(std::u16string_view) = 0;
    virtual ErrorOr<void> setIcon(PictureRef) = 0;
    virtual ErrorOr<void> Show() = 0;
    // Hides the window; it stays loaded.
    virtual ErrorOr<void> Hide() = 0;
    // Where the window's pictures and fonts are made, as a control's come from its site.
    virtual HostObjects& objects() = 0;
};

// Everything one control instance reaches: its container and the services. Its pictures and
// fonts are made by `objects`, never by the control itself.
struct Site {
    Container& container;
    Runtime& runtime;
    Shell& shell;
    HostObjects& objects;
};

// The site of a control not yet sited (or whose container has gone away): every call fails with
// `errc::ClientSiteNotAvailable`, as a container's object does before SetClientSite.
Site unsitedSite();
bool isSited(const Site&);

} // namespace tessivra
