#pragma once
// How a container reaches a control instance by dispatch identifier, as an automation client
// reaches an IDispatch: names become identifiers, identifiers with an access kind become calls
// on the member table, and the control's events go out to the client's sink after a check
// against the class's event table.

#include "framework/control.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessivra {

// The statuses IDispatch reports, as the signed 32-bit values a client compares against.
namespace dispstatus {
inline constexpr std::int32_t MemberNotFound = static_cast<std::int32_t>(0x80020003u);
inline constexpr std::int32_t TypeMismatch = static_cast<std::int32_t>(0x80020005u);
inline constexpr std::int32_t UnknownName = static_cast<std::int32_t>(0x80020006u);
inline constexpr std::int32_t Exception = static_cast<std::int32_t>(0x80020009u);
inline constexpr std::int32_t Overflow = static_cast<std::int32_t>(0x8002000Au);
inline constexpr std::int32_t BadParamCount = static_cast<std::int32_t>(0x8002000Eu);
inline constexpr std::int32_t ParamNotOptional = static_cast<std::int32_t>(0x8002000Fu);
} // namespace dispstatus

// The words a client shows for each status.
std::u16string_view dispatchStatusText(std::int32_t status);

// The access a client asks for: read, assign a value, assign an object by reference, or call.
enum class InvokeKind : std::uint8_t { Get, Let, Set, Call };

std::u16string_view invokeKindName(InvokeKind);

// A refused or failed invoke. `code` is the status and `description` its words, so a caller that
// only knows Error still sees what happened; for Exception, `description` is the member's own and
// `exception` is the member's error whole (its own code, such as 380), as the exception
// information of IDispatch::Invoke carries it.
struct DispatchError : Error {
    Error exception;
    // The argument the status is about (type mismatch, overflow, missing required one), or -1.
    int argument = -1;

    static DispatchError refusal(std::int32_t status, int argument = -1);
    static DispatchError memberFailed(Error memberError);
    bool isException() const { return code == dispstatus::Exception; }
};

// A value, or the reason there is none. Behaves like ErrorOr<Value>, so TRY works on it inside a
// routine that returns ErrorOr; the error handed on is the DispatchError seen as an Error.
class [[nodiscard]] InvokeResult {
public:
    InvokeResult(Value value) : result_(std::move(value)) {}
    InvokeResult(DispatchError error) : error_(std::make_unique<DispatchError>(std::move(error))) {}
    // Holds what a member's procedure returns, built in place: a read hands its value on without
    // one more copy, and a failure becomes the member's exception.
    template <typename Call>
    InvokeResult(std::in_place_t, Call&& call) : result_(std::forward<Call>(call)()) {
        if (result_.isError())
            error_ = std::make_unique<DispatchError>(
                DispatchError::memberFailed(result_.releaseError()));
    }

    bool isError() const { return error_ != nullptr; }
    explicit operator bool() const { return !error_; }
    const Value& value() const& { return result_.value(); }
    Value releaseValue() { return result_.releaseValue(); }
    const DispatchError& error() const { return *error_; }
    DispatchError releaseError() { return std::move(*error_); }

private:
    // The value; an empty one when the call was refused.
    ErrorOr<Value> result_{Value()};
    // Held apart, so that a successful call carries no room for a failure.
    std::unique_ptr<DispatchError> error_;
};

// Look-ups in one class's tables.
const DispatchMember* memberById(const ControlClass&, DispId);
const EventInfo* eventById(const ControlClass&, DispId);

// The line a form observes for an event a control raised: "event t1 KeyPress KeyAscii=97",
// each argument by its parameter's name (by its place, from 1, where the class names none) and as
// the form's handler left it. An event the class does not list (or no class) is named by its
// identifier.
std::string eventLine(std::u16string_view controlName, const ControlClass*, DispId, EventArgs);

// Checks that an event the control raises is one of its class's events, raised with the
// parameters that event declares, and hands it to the sink; the sink's handler may change the
// arguments and the control reads them back. A container's RaiseEvent can be just this. A null
// sink means no client listens: the event is checked and goes nowhere.
ErrorOr<void> raiseEvent(const ControlClass&, EventSink*, DispId event, EventArgs args);

// Storage for the arguments of one event together with the views a sink receives, for a container
// or a script that raises an event from plain values and reads back what the handler left.
class EventArgStore {
public:
    static constexpr std::size_t MaxParams = 4;

    // Every argument zero until assigned; an event with more parameters than MaxParams is refused.
    static ErrorOr<EventArgStore> forEvent(const EventInfo&);
    EventArgStore(const EventArgStore&);
    EventArgStore& operator=(const EventArgStore&);

    // Converts each value to its parameter's type; a value that does not convert leaves all
    // arguments as they were.
    ErrorOr<void> assign(std::span<const Value> values);
    EventArgs args() const { return {views_.data(), count_}; }
    Value get(std::size_t i) const { return views_[i].get(); }
    std::size_t size() const { return count_; }

private:
    EventArgStore() = default;
    void bindViews();

    struct Slot {
        std::int16_t i2 = 0;
        float r4 = 0;
    };
    std::array<Slot, MaxParams> slots_{};
    std::array<ValueType, MaxParams> types_{};
    std::array<EventArg, MaxParams> views_{EventArg(slots_[0].i2), EventArg(slots_[1].i2),
                                           EventArg(slots_[2].i2), EventArg(slots_[3].i2)};
    std::size_t count_ = 0;
};

// The dispatch interface of one control instance.
class Dispatcher {
public:
    explicit Dispatcher(Control& control);

    const ControlClass& controlClass() const { return class_; }
    Control& control() const { return control_; }

    // A member's or an event's identifier. Names match without regard to ASCII case, as clients
    // spell them as they please. A name that is found costs no allocation; an unknown one costs
    // only the words of its error.
    ErrorOr<DispId> idOfName(std::u16string_view name) const;
    // The same look-up without an error report: never allocates, found or not.
    std::optional<DispId> findIdOfName(std::u16string_view name) const noexcept;

    // Reads, assigns or calls a member. The arguments are converted to the member's types first,
    // so a refusal of any kind leaves the control untouched; only a member's own failure can come
    // after part of its work.
    InvokeResult invoke(DispId id, InvokeKind kind, std::span<const Value> args = {});
    // The same through a row already found with member(): a caller that looked the row up to
    // read its access or type does not pay for a second look-up. A row of another class's
    // table is refused as an unknown member.
    InvokeResult invoke(const DispatchMember& row, InvokeKind kind,
                        std::span<const Value> args = {});
    // A member's row, or null: a property's row by its number, any other by a scan of the table.
    const DispatchMember* member(DispId id) const;

    // The client sink that receives this instance's events, or null to stop listening.
    void advise(EventSink* sink) { sink_ = sink; }
    EventSink* sink() const { return sink_; }
    // What the container does when the control raises an event: check it and hand it to the sink.
    ErrorOr<void> raiseEvent(DispId event, EventArgs args) {
        return tessivra::raiseEvent(class_, sink_, event, args);
    }

private:
    // One name of the class: its case-folded hash first, so that most rows are passed over with
    // one integer compare.
    struct NameEntry {
        std::uint32_t hash;
        std::uint32_t length;
        std::u16string_view name;
        DispId id;
    };

    Control& control_;
    const ControlClass& class_;
    std::vector<NameEntry> names_;
    // Properties are numbered 0x68030000 + n with small n: their rows are found by n directly,
    // every other identifier by a scan of the table.
    static constexpr DispId PropertyBase = propertyId(0);
    std::array<std::uint8_t, 64> propertyRow_{}; // row index + 1; 0 when there is none
    static std::optional<std::size_t> propertyNumber(DispId id);
    EventSink* sink_ = nullptr;
};

// The case-folded hash the name index uses; exposed for the tests of its folding.
std::uint32_t foldedNameHash(std::u16string_view name) noexcept;
// Equality without regard to ASCII case; other characters must match exactly.
bool namesMatch(std::u16string_view a, std::u16string_view b) noexcept;

} // namespace tessivra
