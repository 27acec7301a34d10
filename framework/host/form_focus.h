#pragma once
// The keyboard focus of a form that keeps it itself rather than leaving it to a window system:
// the tab order, Tab to the next stop, and the move from one constituent to another with its
// LostFocus and GotFocus. The headless form and the web page keep their focus this way, so that
// the controls see the same sequence on both.
//
// A form derives from FormFocus<Part>, where Part is its constituents' base, with
//   name(), owner() (whose name() is the control's or window's), tabIndex(),
//   takesFocus(), gotFocus() and lostFocus() (both ErrorOr<void>),
// and supplies its tab order (usually `tabOrderOf(surfaces)`) and what it does when the focus
// has changed (a journal line; a page also moves the browser's focus).

#include "framework/host/error.h"
#include "framework/host/value.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessivra {

// One key of a SendKeys string: "{tab}" (or "{TAB}") is Tab, "{enter}" or "~" is Enter, and any
// other character is typed as itself. `length` is how much of the string it took.
struct SentKey {
    enum Kind { Tab, Enter, Character } kind;
    char16_t character;
    std::size_t length;
};
// The first key of `keys`, which is not empty.
inline SentKey readSentKey(std::u16string_view keys) {
    const auto head = keys.substr(0, 5);
    if (head == u"{tab}" || head == u"{TAB}") return {SentKey::Tab, u'\t', 5};
    if (keys[0] == u'~') return {SentKey::Enter, u'\r', 1};
    if (keys.substr(0, 7) == u"{enter}") return {SentKey::Enter, u'\r', 7};
    return {SentKey::Character, keys[0], 1};
}

// Parts in the order Tab visits them: by TabIndex, equal indexes in the order they were made.
template <typename Part> void sortByTabIndex(std::vector<Part*>& parts) {
    std::stable_sort(parts.begin(), parts.end(),
                     [](const Part* a, const Part* b) { return a->tabIndex() < b->tabIndex(); });
}

template <typename Part> class FormFocus {
public:
    virtual ~FormFocus() = default;

    Part* focused() const { return focused_; }
    // "control.Part", or "(none)".
    std::string focusName() const {
        if (!focused_) return "(none)";
        return toUtf8(focused_->owner().name()) + "." + toUtf8(focused_->name());
    }

    // Moves the focus: the part that loses it hears LostFocus, then the one that gains it hears
    // GotFocus, the form already showing the new focus to both. A request made while the focus
    // is already moving is carried out when the move in progress is complete, as a desktop
    // queues it. A failing handler does not stop the move; the first failure is returned.
    ErrorOr<void> moveFocus(Part* target) {
        if (moving_) {
            pendingFocus_ = target;
            return {};
        }
        if (target == focused_) return {};
        moving_ = true;
        ErrorOr<void> result;
        // A form whose handlers keep sending the focus back and forth is stopped rather than
        // left spinning.
        int moves = 0;
        for (Part* next = target; next != nullptr && moves < kMaxChainedMoves; ++moves) {
            Part* old = focused_;
            focused_ = next;
            focusChanged();
            if (old) {
                auto r = old->lostFocus();
                if (r.isError() && !result.isError()) result = r.releaseError();
            }
            auto r = next->gotFocus();
            if (r.isError() && !result.isError()) result = r.releaseError();
            next = nullptr;
            if (pendingFocus_) {
                Part* p = *pendingFocus_;
                pendingFocus_.reset();
                if (p != focused_ && (p == nullptr || p->takesFocus())) next = p;
            }
        }
        pendingFocus_.reset();
        moving_ = false;
        return result;
    }

    // Tab: the next stop after the focused part, round to the first; nothing when none.
    ErrorOr<void> focusNext() {
        if (auto* next = nextInTabOrder(focused_)) return moveFocus(next);
        return {};
    }

    // Called for a part that was disabled or hidden while it held the focus: the focus moves
    // on as Tab would, or, when nothing else can take it, the form keeps none.
    ErrorOr<void> focusLeaving(Part* leaving) {
        if (focused_ != leaving) return {};
        if (auto* next = nextInTabOrder(leaving)) return moveFocus(next);
        focused_ = nullptr;
        focusChanged();
        return leaving->lostFocus();
    }

    // Delivers queued SendKeys requests, oldest first, each key to whatever has the focus when
    // it arrives: Tab moves the focus on; Enter and characters go to a focused text box (a
    // `Box`), through `enter(box)` and `type(box, character)`, and to nothing else.
    template <typename Box, typename Enter, typename Type>
    ErrorOr<void> deliverKeys(std::vector<std::u16string>& pending, Enter enter, Type type) {
        while (!pending.empty()) {
            const std::u16string keys = std::move(pending.front());
            pending.erase(pending.begin());
            for (std::size_t i = 0; i < keys.size();) {
                const SentKey key = readSentKey(std::u16string_view(keys).substr(i));
                i += key.length;
                auto* box = dynamic_cast<Box*>(focused_);
                if (key.kind == SentKey::Tab)
                    TRY(focusNext());
                else if (box && key.kind == SentKey::Enter)
                    TRY(enter(*box));
                else if (box)
                    TRY(type(*box, key.character));
            }
        }
        return {};
    }

    // How many moves that handlers ask for during one move are carried out.
    static constexpr int kMaxChainedMoves = 64;

protected:
    FormFocus() = default;
    FormFocus(const FormFocus&) = delete;
    FormFocus& operator=(const FormFocus&) = delete;

    // The parts that can take the focus, in tab order, with `alsoHere` kept in its place even
    // when it cannot.
    virtual std::vector<Part*> tabOrder(const Part* alsoHere = nullptr) const = 0;
    // The focus has just changed to focused() (null: none), before any part hears of it.
    virtual void focusChanged() = 0;

    // The tab order of a form of surfaces (each with constituents() of unique pointers to
    // parts): surface by surface in the order given, and within one by TabIndex, equal indexes
    // in the order the parts were made.
    template <typename Surfaces>
    static std::vector<Part*> tabOrderOf(const Surfaces& surfaces, const Part* alsoHere) {
        std::vector<Part*> order, mine;
        for (const auto& s : surfaces) {
            mine.clear();
            for (const auto& p : s->constituents())
                if (p->takesFocus() || p.get() == alsoHere) mine.push_back(p.get());
            sortByTabIndex(mine);
            order.insert(order.end(), mine.begin(), mine.end());
        }
        return order;
    }

    // The next part after `from` that can take the focus, the first when `from` is null or not
    // in the order, or null.
    Part* nextInTabOrder(const Part* from) const {
        auto order = tabOrder(from);
        auto at = std::find(order.begin(), order.end(), from);
        if (at == order.end()) return order.empty() ? nullptr : order.front();
        const auto here = static_cast<std::size_t>(at - order.begin());
        for (std::size_t i = 1; i < order.size(); ++i) {
            Part* next = order[(here + i) % order.size()];
            if (next->takesFocus()) return next;
        }
        return nullptr;
    }

    // A surface's part the user reaches first: its first in tab order, else its first made.
    template <typename Surface> Part* firstPartOf(const Surface& surface) const {
        for (auto* p : tabOrder())
            if (&p->owner() == &surface) return p;
        const auto& parts = surface.constituents();
        return parts.empty() ? nullptr : parts.front().get();
    }

    // A surface's parts are going: the focus they hold, or a move queued to one of them, goes
    // with them, the form keeping no focus, as a desktop whose focused window was destroyed.
    template <typename Surface> void forgetPartsOf(const Surface& surface) {
        if (focused_ && &focused_->owner() == &surface) focused_ = nullptr;
        if (pendingFocus_ && *pendingFocus_ && &(*pendingFocus_)->owner() == &surface)
            pendingFocus_.reset();
    }
    // The form is going: no part is told.
    void forgetFocus() {
        focused_ = nullptr;
        pendingFocus_.reset();
    }

private:
    Part* focused_ = nullptr;
    bool moving_ = false;
    std::optional<Part*> pendingFocus_;
};

} // namespace tessivra
