#include "com_values.h"

#include "framework/registry/resources.h"

#include <cstring>
#include <vector>

namespace tessivra::win32 {

std::u16string fromWide(const wchar_t* s, std::size_t n) {
    std::u16string out(n, u'\0');
    if (n) std::memcpy(out.data(), s, n * sizeof(wchar_t));
    return out;
}

std::u16string fromBstr(BSTR b) {
    return b ? fromWide(b, SysStringLen(b)) : std::u16string();
}

std::wstring toWide(std::u16string_view s) {
    std::wstring out(s.size(), L'\0');
    if (!s.empty()) std::memcpy(out.data(), s.data(), s.size() * sizeof(wchar_t));
    return out;
}

BSTR toBstr(std::u16string_view s) {
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()),
                             static_cast<UINT>(s.size()));
}

HRESULT errorScode(std::int32_t code) {
    if (code > 0 && code <= 0xFFFF)
        return static_cast<HRESULT>(0x800A0000u | static_cast<std::uint32_t>(code));
    return code;
}

// ---- fonts and pictures ---------------------------------------------------------------------

Win32Font::Win32Font(ComPtr<IFont> font) : font_(std::move(font)) {
    refresh();
}

void Win32Font::refresh() {
    BSTR n = nullptr;
    if (SUCCEEDED(font_->get_Name(&n))) {
        name = fromBstr(n);
        SysFreeString(n);
    }
    CY cy{};
    if (SUCCEEDED(font_->get_Size(&cy))) size = static_cast<float>(cy.int64) / 10000.0f;
    SHORT w = 0;
    if (SUCCEEDED(font_->get_Weight(&w))) weight = w;
    SHORT cs = 0;
    if (SUCCEEDED(font_->get_Charset(&cs))) charset = cs;
    BOOL b = FALSE;
    if (SUCCEEDED(font_->get_Italic(&b))) italic = b != FALSE;
    if (SUCCEEDED(font_->get_Underline(&b))) underline = b != FALSE;
    if (SUCCEEDED(font_->get_Strikethrough(&b))) strikethrough = b != FALSE;
}

HFONT Win32Font::hFont() const {
    HFONT h = nullptr;
    return SUCCEEDED(font_->get_hFont(&h)) ? h : nullptr;
}

Win32Picture::Win32Picture(ComPtr<IPicture> picture) : picture_(std::move(picture)) {
    SHORT t = 0;
    if (SUCCEEDED(picture_->get_Type(&t))) type = t;
    // HIMETRIC to pixels at the screen's 96 dots to the inch.
    OLE_XSIZE_HIMETRIC w = 0;
    OLE_YSIZE_HIMETRIC h = 0;
    if (SUCCEEDED(picture_->get_Width(&w))) widthPixels = MulDiv(w, 96, 2540);
    if (SUCCEEDED(picture_->get_Height(&h))) heightPixels = MulDiv(h, 96, 2540);
}

HANDLE Win32Picture::handle() const {
    OLE_HANDLE h = 0;
    if (FAILED(picture_->get_Handle(&h))) return nullptr;
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(h));
}

ErrorOr<ComPtr<IFont>> oleFont(const FontRef& font) {
    if (!font) return Error::objectRequired();
    if (auto* w = dynamic_cast<Win32Font*>(font.get())) return ComPtr<IFont>(w->font());
    std::wstring name = toWide(font->name);
    FONTDESC fd{};
    fd.cbSizeofstruct = sizeof fd;
    fd.lpstrName = name.data();
    fd.cySize.int64 = static_cast<LONGLONG>(font->size * 10000.0f + 0.5f);
    fd.sWeight = font->weight;
    fd.sCharset = font->charset;
    fd.fItalic = font->italic;
    fd.fUnderline = font->underline;
    fd.fStrikethrough = font->strikethrough;
    ComPtr<IFont> f;
    if (FAILED(OleCreateFontIndirect(&fd, IID_IFont, reinterpret_cast<void**>(f.put()))))
        return Error::invalidPropertyValue();
    return f;
}

ErrorOr<FontRef> newFont(const FontDescription& d) {
    if (d.name.empty() || !(d.size > 0.0f) || d.size > 1.0e6f || d.weight < 0 ||
        d.weight > fontweight::Heaviest)
        return Error::invalidPropertyValue();
    Font plain(std::u16string(d.name), d.size, d.weight);
    plain.charset = d.charset;
    plain.italic = d.italic;
    plain.underline = d.underline;
    plain.strikethrough = d.strikethrough;
    ComPtr<IFont> f = TRY(oleFont(std::make_shared<Font>(plain)));
    return FontRef(std::make_shared<Win32Font>(std::move(f)));
}

ErrorOr<PictureRef> loadPicture(std::span<const std::uint8_t> bytes, std::u16string_view name) {
    if (bytes.empty()) return Error{errc::InvalidPicture, u"Invalid picture"};
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!mem) return Error{7, u"Out of memory"};
    std::memcpy(GlobalLock(mem), bytes.data(), bytes.size());
    GlobalUnlock(mem);
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(mem, TRUE, stream.put()))) {
        GlobalFree(mem);
        return Error{7, u"Out of memory"};
    }
    ComPtr<IPicture> pic;
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(pic.put()))))
        return Error{errc::InvalidPicture, u"Invalid picture"};
    auto p = std::make_shared<Win32Picture>(std::move(pic));
    p->name = std::u16string(name);
    return PictureRef(std::move(p));
}

ErrorOr<PictureRef> Win32Objects::LoadResPicture(std::int32_t id, ResourceKind kind) {
    std::optional<PictureResource> res = pictureResource(id, kind);
    if (!res) return Error{errc::ResourceNotFound, u"Resource not found"};
    if (kind != ResourceKind::Bitmap) return loadPicture(res->bytes, res->name);
    // A bitmap resource has no file header; OleLoadPicture reads a .bmp file.
    std::vector<std::uint8_t> file(14 + res->bytes.size());
    const auto size = static_cast<std::uint32_t>(file.size());
    std::uint32_t offset = 14 + 40;
    std::uint32_t headerSize = 0;
    std::memcpy(&headerSize, res->bytes.data(), 4);
    std::uint16_t bits = 0;
    std::memcpy(&bits, res->bytes.data() + 14, 2);
    offset = 14 + headerSize + (bits <= 8 ? (4u << bits) : 0u);
    file[0] = 'B';
    file[1] = 'M';
    std::memcpy(&file[2], &size, 4);
    std::memcpy(&file[10], &offset, 4);
    std::memcpy(&file[14], res->bytes.data(), res->bytes.size());
    return loadPicture(file, res->name);
}

ErrorOr<PictureRef> Win32Objects::LoadPicture(std::span<const std::uint8_t> bytes) {
    return loadPicture(bytes, u"");
}

ErrorOr<FontRef> Win32Objects::NewFont(const FontDescription& d) {
    return newFont(d);
}

// ---- VARIANTs -------------------------------------------------------------------------------

namespace {

Value fromInterface(IUnknown* unk) {
    if (!unk) return Value::nothing();
    ComPtr<IFont> font;
    if (SUCCEEDED(unk->QueryInterface(IID_IFont, reinterpret_cast<void**>(font.put()))))
        return Value(FontRef(std::make_shared<Win32Font>(std::move(font))));
    ComPtr<IPicture> pic;
    if (SUCCEEDED(unk->QueryInterface(IID_IPicture, reinterpret_cast<void**>(pic.put()))))
        return Value(PictureRef(std::make_shared<Win32Picture>(std::move(pic))));
    ComPtr<IDispatch> disp;
    if (SUCCEEDED(unk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(disp.put()))))
        return Value(ObjectRef(std::make_shared<DispatchObject>(std::move(disp))));
    return Value(ObjectRef(std::make_shared<DispatchObject>(ComPtr<IDispatch>())));
}

// The VARIANT with any by-reference level read through.
HRESULT direct(const VARIANT& v, VARIANT& out) {
    VariantInit(&out);
    return VariantCopyInd(&out, const_cast<VARIANT*>(&v));
}

struct VariantHolder {
    VARIANT v;
    VariantHolder() { VariantInit(&v); }
    ~VariantHolder() { VariantClear(&v); }
};

} // namespace

HRESULT toValue(const VARIANT& in, Value& out) {
    switch (V_VT(&in)) {
    case VT_I2:
        out = Value(static_cast<std::int16_t>(V_I2(&in)));
        return S_OK;
    case VT_I4:
        out = Value(static_cast<std::int32_t>(V_I4(&in)));
        return S_OK;
    case VT_BOOL:
        out = Value::boolean(V_BOOL(&in) != VARIANT_FALSE);
        return S_OK;
    case VT_BSTR:
        out = Value(fromBstr(V_BSTR(&in)));
        return S_OK;
    default:
        break;
    }
    VariantHolder d;
    if (HRESULT hr = direct(in, d.v); FAILED(hr)) return hr;
    VARIANT& v = d.v;
    switch (V_VT(&v)) {
    case VT_EMPTY:
        out = Value();
        return S_OK;
    case VT_ERROR:
        if (V_ERROR(&v) == DISP_E_PARAMNOTFOUND) {
            out = Value::missing();
            return S_OK;
        }
        return DISP_E_TYPEMISMATCH;
    case VT_I2:
        out = Value(static_cast<std::int16_t>(V_I2(&v)));
        return S_OK;
    case VT_I4:
        out = Value(static_cast<std::int32_t>(V_I4(&v)));
        return S_OK;
    case VT_BOOL:
        out = Value::boolean(V_BOOL(&v) != VARIANT_FALSE);
        return S_OK;
    case VT_R4:
        out = Value(V_R4(&v));
        return S_OK;
    case VT_BSTR:
        out = Value(fromBstr(V_BSTR(&v)));
        return S_OK;
    case VT_DISPATCH:
        out = fromInterface(V_DISPATCH(&v));
        return S_OK;
    case VT_UNKNOWN:
        out = fromInterface(V_UNKNOWN(&v));
        return S_OK;
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
    case VT_DATE: {
        // Whole amounts stay integers, so that 3.0 from a script is the 3 it means.
        VariantHolder r;
        if (SUCCEEDED(VariantChangeType(&r.v, &v, 0, VT_I4))) {
            VariantHolder back;
            VariantHolder orig;
            if (SUCCEEDED(VariantChangeType(&back.v, &r.v, 0, VT_R8)) &&
                SUCCEEDED(VariantChangeType(&orig.v, &v, 0, VT_R8)) &&
                V_R8(&back.v) == V_R8(&orig.v)) {
                out = Value(static_cast<std::int32_t>(V_I4(&r.v)));
                return S_OK;
            }
        }
        HRESULT hr = VariantChangeType(&r.v, &v, 0, VT_R4);
        if (FAILED(hr)) return hr;
        out = Value(V_R4(&r.v));
        return S_OK;
    }
    default: {
        VariantHolder r;
        HRESULT hr = VariantChangeType(&r.v, &v, 0, VT_I4);
        if (FAILED(hr)) return hr;
        out = Value(static_cast<std::int32_t>(V_I4(&r.v)));
        return S_OK;
    }
    }
}

HRESULT toMemberValue(const VARIANT& in, MemberType type, Value& out) {
    VARTYPE want = VT_EMPTY;
    switch (type) {
    case MemberType::I2:
        want = VT_I2;
        break;
    case MemberType::I4:
    case MemberType::OleColor:
        want = VT_I4;
        break;
    case MemberType::Bool:
        want = VT_BOOL;
        break;
    case MemberType::BSTR:
        want = VT_BSTR;
        break;
    case MemberType::R4:
        want = VT_R4;
        break;
    case MemberType::Font:
    case MemberType::Picture:
    case MemberType::IDispatch: {
        VariantHolder d;
        if (HRESULT hr = direct(in, d.v); FAILED(hr)) return hr;
        if (V_VT(&d.v) == VT_ERROR && V_ERROR(&d.v) == DISP_E_PARAMNOTFOUND) {
            out = Value::missing();
            return S_OK;
        }
        if (V_VT(&d.v) != VT_DISPATCH && V_VT(&d.v) != VT_UNKNOWN && V_VT(&d.v) != VT_EMPTY)
            return DISP_E_TYPEMISMATCH;
        if (V_VT(&d.v) == VT_EMPTY) {
            out = Value::nothing();
            return S_OK;
        }
        out = fromInterface(V_VT(&d.v) == VT_DISPATCH ? static_cast<IUnknown*>(V_DISPATCH(&d.v))
                                                      : V_UNKNOWN(&d.v));
        if (type == MemberType::Font && out.type() != ValueType::Font && !out.isNothing())
            return DISP_E_TYPEMISMATCH;
        if (type == MemberType::Picture && out.type() != ValueType::Picture && !out.isNothing())
            return DISP_E_TYPEMISMATCH;
        return S_OK;
    }
    case MemberType::Void:
    case MemberType::Variant:
        return toValue(in, out);
    }
    // The common case, a value of the very type, is taken without a copy or a conversion.
    if (V_VT(&in) == want) return toValue(in, out);
    VariantHolder d;
    if (HRESULT hr = direct(in, d.v); FAILED(hr)) return hr;
    if (V_VT(&d.v) == VT_ERROR && V_ERROR(&d.v) == DISP_E_PARAMNOTFOUND) {
        out = Value::missing();
        return S_OK;
    }
    VariantHolder c;
    HRESULT hr = VariantChangeType(&c.v, &d.v, 0, want);
    if (FAILED(hr)) return hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
    return toValue(c.v, out);
}

namespace {

HRESULT objectVariant(IUnknown* unk, VARIANT& out) {
    V_VT(&out) = VT_DISPATCH;
    V_DISPATCH(&out) = nullptr;
    if (!unk) return S_OK;
    return unk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&V_DISPATCH(&out)));
}

} // namespace

HRESULT toVariant(const Value& value, VARIANT& out) {
    VariantInit(&out);
    switch (value.type()) {
    case ValueType::Empty:
        return S_OK;
    case ValueType::Missing:
        V_VT(&out) = VT_ERROR;
        V_ERROR(&out) = DISP_E_PARAMNOTFOUND;
        return S_OK;
    case ValueType::Nothing:
        V_VT(&out) = VT_DISPATCH;
        V_DISPATCH(&out) = nullptr;
        return S_OK;
    case ValueType::I2:
        V_VT(&out) = VT_I2;
        V_I2(&out) = value.i2();
        return S_OK;
    case ValueType::I4:
        V_VT(&out) = VT_I4;
        V_I4(&out) = value.i4();
        return S_OK;
    case ValueType::Bool:
        V_VT(&out) = VT_BOOL;
        V_BOOL(&out) = value.boolean() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    case ValueType::R4:
        V_VT(&out) = VT_R4;
        V_R4(&out) = value.r4();
        return S_OK;
    case ValueType::String:
        V_VT(&out) = VT_BSTR;
        V_BSTR(&out) = toBstr(value.string());
        return V_BSTR(&out) || value.string().empty() ? S_OK : E_OUTOFMEMORY;
    case ValueType::Font: {
        auto f = oleFont(value.font());
        if (f.isError()) return E_FAIL;
        return objectVariant(f.value().get(), out);
    }
    case ValueType::Picture: {
        auto* p = dynamic_cast<Win32Picture*>(value.picture().get());
        return objectVariant(p ? p->picture() : nullptr, out);
    }
    case ValueType::Object: {
        auto* d = dynamic_cast<DispatchObject*>(value.object().get());
        return objectVariant(d ? d->dispatch() : nullptr, out);
    }
    }
    return E_FAIL;
}

} // namespace tessivra::win32
