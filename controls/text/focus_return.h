#pragma once
// The address boxes' record of a check that is showing its message or giving the focus back.
//
// Giving the focus back makes another box lose it, and a box that checks its address when it
// loses the focus would then show its own message and take the focus back in turn: two boxes
// holding bad addresses would pass the focus and the messages between them for ever. So while
// one check is at it, no other check of the library starts. A host that queues a focus request
// made during a focus change carries it out only after that change, so the record lasts until
// the box has the focus again, not merely until the focus call returns. Each user-interface
// thread has its own focus, hence its own record.

namespace tessivra {

class FocusReturn {
public:
    // Starts the record for the check of `box` (compared, never used), from its message on.
    explicit FocusReturn(const void* box);
    // Ends the record unless the focus call was made and the focus has yet to arrive; a failure
    // on the way therefore always ends it.
    ~FocusReturn();
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;

    // The focus call succeeded. If the focus arrived during the call the record is already
    // gone; otherwise it stays until the box reports the focus.
    void waitForArrival() { waiting_ = true; }

    // Whether a check is showing its message or giving the focus back.
    static bool inProgress();
    // A box lost the focus while it was on its way back: that loss is part of the move.
    static void lossHeldBack();
    // A box got the focus. The box waited for ends the record; so does any box once a loss was
    // held back, since the request that was waited for may have been dropped (the form sent
    // the focus elsewhere meanwhile): the record then silences no more than that one check.
    static void arrived(const void* box);
    // The box is going away.
    static void forget(const void* box);

private:
    const void* box_;
    bool waiting_ = false;
};

} // namespace tessivra
