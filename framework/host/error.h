#pragma once
// Every host call can fail. A failure travels back to the caller unchanged, so a routine
// returns ErrorOr<T> and stops at the first failing call with TRY(...).

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>

namespace tessivra {

// The automation error codes a container expects to see.
namespace errc {
inline constexpr std::int32_t InvalidProcedureCall = 5;
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t ResourceNotFound = 326;
inline constexpr std::int32_t TypeMismatch = 13;
inline constexpr std::int32_t InvalidPropertyValue = 380;
inline constexpr std::int32_t CannotSetReadOnly = 383;
inline constexpr std::int32_t WriteOnly = 394;
inline constexpr std::int32_t ObjectRequired = 424;
inline constexpr std::int32_t InvalidPicture = 481;
inline constexpr std::int32_t NotSupported = 438;
inline constexpr std::int32_t WrongArgumentCount = 450;
inline constexpr std::int32_t ClassNotAvailable = 429;
// A constituent's SetFocus refused because it cannot take the focus now (disabled, hidden, or
// its form going away). Every host fails with this code then, and only then, so that a control
// can tell the refusal from a failing host call; it is the code the desktop gives.
inline constexpr std::int32_t CannotTakeFocus = InvalidProcedureCall;
// A control asked its container for something before it was sited, or after the container
// told it that it is going away.
inline constexpr std::int32_t ClientSiteNotAvailable = 398;
// A call through a handle on a constituent its host has destroyed (RPC_E_DISCONNECTED).
inline constexpr std::int32_t ObjectDisconnected = static_cast<std::int32_t>(0x80010108u);
} // namespace errc

struct Error {
    std::int32_t code = 0;
    std::u16string description;

    static Error invalidProcedureCall() {
        return {errc::InvalidProcedureCall, u"Invalid procedure call or argument"};
    }
    static Error cannotTakeFocus() {
        return {errc::CannotTakeFocus, u"Invalid procedure call or argument"};
    }
    static Error overflow() { return {errc::Overflow, u"Overflow"}; }
    static Error typeMismatch() { return {errc::TypeMismatch, u"Type mismatch"}; }
    static Error invalidPropertyValue() {
        return {errc::InvalidPropertyValue, u"Invalid property value"};
    }
    static Error objectRequired() { return {errc::ObjectRequired, u"Object required"}; }

    friend bool operator==(const Error&, const Error&) = default;
};

// A value or the failure that stands in its place. The failure is held apart, so that the
// success path carries no more than the value.
template <typename T> class [[nodiscard]] ErrorOr {
public:
    // A value is taken by reference and moved or copied once, into place: a text returned up
    // a chain of getters is not moved again at each step.
    ErrorOr(T&& value) : state_(std::in_place_index<0>, std::move(value)) {}
    ErrorOr(const T& value) : state_(std::in_place_index<0>, value) {}
    ErrorOr(Error error)
        : state_(std::in_place_index<1>, std::make_unique<Error>(std::move(error))) {}
    template <typename U>
    requires(std::is_constructible_v<T, U&&> && !std::is_same_v<std::decay_t<U>, Error> &&
             !std::is_same_v<std::decay_t<U>, ErrorOr>) ErrorOr(U&& value)
        : state_(std::in_place_index<0>, std::forward<U>(value)) {}
    ErrorOr(ErrorOr&&) noexcept = default;
    ErrorOr& operator=(ErrorOr&&) noexcept = default;
    ErrorOr(const ErrorOr& other) : state_(copyOf(other.state_)) {}
    ErrorOr& operator=(const ErrorOr& other) {
        state_ = copyOf(other.state_);
        return *this;
    }

    bool isError() const { return state_.index() == 1; }
    explicit operator bool() const { return !isError(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T releaseValue() { return std::move(std::get<0>(state_)); }

    const Error& error() const { return *std::get<1>(state_); }
    Error releaseError() { return std::move(*std::get<1>(state_)); }

private:
    using State = std::variant<T, std::unique_ptr<Error>>;
    static State copyOf(const State& s) {
        if (s.index() == 0) return State(std::in_place_index<0>, std::get<0>(s));
        return State(std::in_place_index<1>, std::make_unique<Error>(*std::get<1>(s)));
    }
    State state_;
};

// Success costs a null pointer: routines on the keystroke path return this several times a key.
template <> class [[nodiscard]] ErrorOr<void> {
public:
    ErrorOr() = default;
    ErrorOr(Error error) : error_(std::make_unique<Error>(std::move(error))) {}
    ErrorOr(ErrorOr&&) noexcept = default;
    ErrorOr& operator=(ErrorOr&&) noexcept = default;
    ErrorOr(const ErrorOr& other)
        : error_(other.error_ ? std::make_unique<Error>(*other.error_) : nullptr) {}
    ErrorOr& operator=(const ErrorOr& other) {
        error_ = other.error_ ? std::make_unique<Error>(*other.error_) : nullptr;
        return *this;
    }

    bool isError() const { return error_ != nullptr; }
    explicit operator bool() const { return !error_; }
    void value() const {}
    void releaseValue() const {}
    const Error& error() const { return *error_; }
    Error releaseError() {
        Error e = std::move(*error_);
        error_.reset();
        return e;
    }

private:
    std::unique_ptr<Error> error_;
};

} // namespace tessivra

// Evaluates an ErrorOr expression; on failure returns the error from the enclosing routine,
// otherwise yields the value. Nests: TRY(f(TRY(g()))).
#define TESSIVRA_CONCAT_(a, b) a##b
#define TESSIVRA_CONCAT(a, b) TESSIVRA_CONCAT_(a, b)
#define TRY(expression) TESSIVRA_TRY_(expression, TESSIVRA_CONCAT(_tessivra_result, __COUNTER__))
#define TESSIVRA_TRY_(expression, result)                                                          \
    ({                                                                                             \
        auto&& result = (expression);                                                              \
        if (result.isError()) return result.releaseError();                                        \
        result.releaseValue();                                                                     \
    })
