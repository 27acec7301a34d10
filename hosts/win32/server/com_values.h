#pragma once
// The meeting point of the library's values and the component model's: VARIANTs, BSTRs, and the
// standard font and picture objects a container hands in or gets back.
//
// A font or a picture is always a real OLE object here (StdFont, StdPicture), wrapped in the
// library's Font or Picture so that a control holds and hands it on by reference; a getter gives
// back the very object that was set, as a container expects.

#include "framework/host/objects.h"
#include "framework/host/value.h"
#include "framework/members.h"

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <string>
#include <string_view>

namespace tessivra::win32 {

// Holds one reference on a COM interface.
template <class I> class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(I* p, bool addRef = true) : p_(p) {
        if (p_ && addRef) p_->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() {
        if (p_) p_->Release();
    }
    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    I** put() {
        *this = ComPtr();
        return &p_;
    }
    // Hands one reference to the caller.
    I* detach() {
        I* p = p_;
        p_ = nullptr;
        return p;
    }

private:
    I* p_ = nullptr;
};

std::u16string fromWide(const wchar_t* s, std::size_t n);
std::u16string fromBstr(BSTR b);
std::wstring toWide(std::u16string_view s);
BSTR toBstr(std::u16string_view s);

// A font of the library backed by a standard OLE font object.
class Win32Font final : public Font {
public:
    explicit Win32Font(ComPtr<IFont> font);
    IFont* font() const { return font_.get(); }
    // The font's fields read again from the OLE object (after a change made through it).
    void refresh();
    HFONT hFont() const;

private:
    ComPtr<IFont> font_;
};

class Win32Picture final : public Picture {
public:
    explicit Win32Picture(ComPtr<IPicture> picture);
    IPicture* picture() const { return picture_.get(); }
    HANDLE handle() const;

private:
    ComPtr<IPicture> picture_;
};

// Any other automation object a container passes in (a pop-up menu, say).
class DispatchObject final : public Object {
public:
    explicit DispatchObject(ComPtr<IDispatch> d) : dispatch_(std::move(d)) {}
    IDispatch* dispatch() const { return dispatch_.get(); }
    std::u16string_view typeName() const override { return u"Object"; }

private:
    ComPtr<IDispatch> dispatch_;
};

// The OLE font object behind a library font (made anew for a font the host did not make).
ErrorOr<ComPtr<IFont>> oleFont(const FontRef& font);
ErrorOr<FontRef> newFont(const FontDescription& d);
// A picture from an image file's bytes (bitmap, icon, cursor), through OleLoadPicture.
ErrorOr<PictureRef> loadPicture(std::span<const std::uint8_t> bytes, std::u16string_view name);

// What a VARIANT holds as a library value. By-reference variants are read through; an
// interface becomes a font, a picture or a plain object as it answers QueryInterface. A type
// the library has no value for is converted first to a 32-bit integer or a Single.
HRESULT toValue(const VARIANT& v, Value& out);
// The value converted to what a member of that type takes, as DispInvoke coerces arguments:
// DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW when it cannot be.
HRESULT toMemberValue(const VARIANT& v, MemberType type, Value& out);
// Writes the value into an empty VARIANT.
HRESULT toVariant(const Value& value, VARIANT& out);

// The SCODE a member's error travels as in EXCEPINFO and the error the client sees: an
// automation error number n becomes 0x800A0000 | n (what a script host shows back as n); a
// code that is already an HRESULT stays as it is.
HRESULT errorScode(std::int32_t code);

// Library objects for the host: pictures of the library's resources, pictures from bytes,
// new fonts.
class Win32Objects final : public HostObjects {
public:
    ErrorOr<PictureRef> LoadResPicture(std::int32_t id, ResourceKind kind) override;
    ErrorOr<PictureRef> LoadPicture(std::span<const std::uint8_t> bytes) override;
    ErrorOr<FontRef> NewFont(const FontDescription& d) override;
};

} // namespace tessivra::win32
