#pragma once
// Every host call can fail. A failure travels back to the caller unchanged, so a routine
// returns ErrorOr<T> and stops at the first failing call with TRY(...).

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>

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

// A value or the failure that stands in its place. The failure is held apart, behind a pointer
// that is null on success, so that the success path carries the value and one null pointer: the
// keystroke path returns these several times a key, and a tagged union of both costs more there.
template <typename T> class [[nodiscard]] ErrorOr {
public:
    ErrorOr(T value) { new (&value_) T(std::move(value)); }
    ErrorOr(Error error) : error_(std::make_unique<Error>(std::move(error))) {}
    template <typename U>
    requires(std::is_constructible_v<T, U&&> && !std::is_same_v<std::decay_t<U>, Error> &&
             !std::is_same_v<std::decay_t<U>, ErrorOr>) ErrorOr(U&& value) {
        // Explicit, as a return statement's conversion would be: `return 0;` in a routine that
        // returns ErrorOr<std::int16_t> converts the int.
        new (&value_) T(static_cast<T>(std::forward<U>(value)));
    }
    ErrorOr(ErrorOr&& other) noexcept { takeFrom(std::move(other)); }
    ErrorOr& operator=(ErrorOr&& other) noexcept {
        if (this != &other) {
            clear();
            takeFrom(std::move(other));
        }
        return *this;
    }
    ErrorOr(const ErrorOr& other) { copyFrom(other); }
    ErrorOr& operator=(const ErrorOr& other) {
        if (this != &other) {
            clear();
            copyFrom(other);
        }
        return *this;
    }
    ~ErrorOr() { clear(); }

    bool isError() const { return error_ != nullptr; }
    explicit operator bool() const { return !isError(); }

    T& value() & { return value_; }
    const T& value() const& { return value_; }
    T&& value() && { return std::move(value_); }
    T releaseValue() { return std::move(value_); }

    const Error& error() const { return *error_; }
    Error releaseError() { return std::move(*error_); }

private:
    void clear() {
        if (error_)
            error_.reset();
        else
            value_.~T();
    }
    // Leaves `other` holding its moved-from value or its emptied error, still destructible.
    void takeFrom(ErrorOr&& other) {
        if (other.error_)
            error_ = std::make_unique<Error>(std::move(*other.error_));
        else
            new (&value_) T(std::move(other.value_));
    }
    void copyFrom(const ErrorOr& other) {
        if (other.error_)
            error_ = std::make_unique<Error>(*other.error_);
        else
            new (&value_) T(other.value_);
    }

    union {
        T value_;
    };
    std::unique_ptr<Error> error_;
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
