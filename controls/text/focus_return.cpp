#include "controls/text/focus_return.h"

namespace tessivra {

namespace {
struct Record {
    const void* box = nullptr;
    bool heldBack = false;
};
thread_local Record current;
} // namespace

FocusReturn::FocusReturn(const void* box) : box_(box) {
    current = {box, false};
}

FocusReturn::~FocusReturn() {
    if (!waiting_ && current.box == box_) current = {};
}

bool FocusReturn::inProgress() {
    return current.box != nullptr;
}

void FocusReturn::lossHeldBack() {
    if (current.box != nullptr) current.heldBack = true;
}

void FocusReturn::arrived(const void* box) {
    if (current.box == box || (current.box != nullptr && current.heldBack)) current = {};
}

void FocusReturn::forget(const void* box) {
    if (current.box == box) current = {};
}

} // namespace tessivra
