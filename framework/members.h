#pragma once
// How a class describes itself to a container: its members with their dispatch identifiers,
// its events, and the keys it keeps in a property bag. All of it is constant data.

#include "framework/host/container.h"
#include "framework/host/runtime.h"

#include <array>
#include <span>
#include <utility>

namespace tessivra {

class Control;

// The types a member or parameter has in the type library.
enum class MemberType : std::uint8_t {
    Void,
    I2,
    I4,
    Bool,
    BSTR,
    OleColor,
    Font,
    Picture,
    R4,
    Variant,
    IDispatch
};

// The automation value type a member's arguments are converted to before the member sees them.
constexpr ValueType valueTypeOf(MemberType t) {
    switch (t) {
    case MemberType::I2:
        return ValueType::I2;
    case MemberType::I4:
    case MemberType::OleColor:
        return ValueType::I4;
    case MemberType::Bool:
        return ValueType::Bool;
    case MemberType::BSTR:
        return ValueType::String;
    case MemberType::Font:
        return ValueType::Font;
    case MemberType::Picture:
        return ValueType::Picture;
    case MemberType::R4:
        return ValueType::R4;
    case MemberType::IDispatch:
        return ValueType::Object;
    case MemberType::Void:
    case MemberType::Variant:
        return ValueType::Empty;
    }
    return ValueType::Empty;
}

namespace access {
inline constexpr std::uint8_t Get = 1;
inline constexpr std::uint8_t Let = 2;
inline constexpr std::uint8_t Set = 4; // assign an object by reference
inline constexpr std::uint8_t Call = 8;
} // namespace access

struct ParamInfo {
    std::u16string_view name;
    MemberType type;
    bool optional = false;
};

// The dispatch identifier of the property n places from the end of its interface.
constexpr DispId propertyId(int n) {
    return 0x68030000 + n;
}
// The standard identifier of a font property, whatever its place.
inline constexpr DispId FontDispId = -512;

struct DispatchMember {
    std::u16string_view name;
    // A property's follows from its place in the table (interfaceMembers in member_rows.h); a
    // method names its own.
    DispId id;
    std::uint8_t access;
    MemberType type; // the property's type; Void for a method
    std::u16string_view doc;
    ErrorOr<Value> (*get)(Control&) = nullptr;
    // Let or set; the value already has the member's type.
    ErrorOr<void> (*put)(Control&, const Value&) = nullptr;
    // Methods: arguments already converted, optional ones missing.
    ErrorOr<void> (*call)(Control&, std::span<const Value>) = nullptr;
    std::span<const ParamInfo> params = {};
};

struct EventInfo {
    std::u16string_view name;
    DispId id; // its place in the class's event table, from 1 (numberedEvents in member_rows.h)
    std::span<const ParamInfo> params;
    std::u16string_view doc;
};

// A persisted key's default, passed alike on reading and on writing.
struct KeyDefault {
    enum Kind : std::uint8_t { I2, I4, Bool, EmptyString, NoObject, AmbientFont } kind;
    std::int32_t number = 0;
};

struct PersistedKey {
    std::u16string_view key;
    ValueType type; // written, and what a value read is converted to
    KeyDefault defaultValue;
    // Null apply: the value read is dropped. Null take: the empty value is written.
    ErrorOr<void> (*apply)(Control&, const Value&) = nullptr;
    ErrorOr<Value> (*take)(Control&) = nullptr;
};

// Everything constant about one control class.
struct ControlClass {
    std::u16string_view name;
    std::span<const DispatchMember> members;
    std::span<const EventInfo> events;
    std::span<const PersistedKey> persisted;
    // The size the control has when the container first creates it.
    Twips designWidth = 0;
    Twips designHeight = 0;
};

namespace detail {
inline constexpr std::array<std::pair<std::u16string_view, std::u16string_view>, 32> kDocs{{
    {u"Alignment",
     u"Returns/sets the alignment of a CheckBox or OptionButton, or a control's text."},
    {u"BackColor",
     u"Returns/sets the background color used to display text and graphics in an object."},
    {u"BorderStyle", u"Returns/sets the border style for an object."},
    {u"Enabled", u"Returns/sets a value that determines whether an object can respond to "
                 u"user-generated events."},
    {u"Font", u"Returns a Font object."},
    {u"ForeColor",
     u"Returns/sets the foreground color used to display text and graphics in an object."},
    {u"Locked", u"Determines whether a control can be edited."},
    {u"MaskPicture", u"Returns/sets the picture that specifies the clickable/drawable area of the "
                     u"control when BackStyle is 0 (transparent)."},
    {u"Max", u"Returns/sets a scroll bar position's maximum Value property setting."},
    {u"MaxLength",
     u"Returns/sets the maximum number of characters that can be entered in a control."},
    // The type library gives Min the same words as Max; containers show what it holds.
    {u"Min", u"Returns/sets a scroll bar position's maximum Value property setting."},
    {u"MouseIcon", u"Sets a custom mouse icon."},
    {u"MousePointer",
     u"Returns/sets the type of mouse pointer displayed when over part of an object."},
    {u"MultiLine",
     u"Returns/sets a value that determines whether a control can accept multiple lines of text."},
    {u"PasswordChar", u"Returns/sets a value that determines whether characters typed by a user or "
                      u"placeholder characters are displayed in a control."},
    {u"PopupMenu", u"Displays a pop-up menu on an MDIForm or Form object."},
    {u"ScrollBars",
     u"Returns/sets a value indicating whether an object has vertical or horizontal scroll bars."},
    {u"SelLength", u"Returns/sets the number of characters selected."},
    {u"SelStart", u"Returns/sets the starting point of text selected."},
    {u"SelText", u"Returns/sets the string containing the currently selected text."},
    {u"Text", u"Returns/sets the text contained in the control."},
    {u"ToolTipText", u"Returns/sets the text displayed when the mouse is paused over the control."},
    {u"Value", u"Returns/sets the value of an object."},
    {u"Change", u"Occurs when the contents of a control have changed."},
    {u"Click", u"Occurs when the user presses and then releases a mouse button over an object."},
    {u"DblClick", u"Occurs when the user presses and releases a mouse button and then presses and "
                  u"releases it again over an object."},
    {u"KeyDown", u"Occurs when the user presses a key while an object has the focus."},
    {u"KeyPress", u"Occurs when the user presses and releases an ANSI key."},
    {u"KeyUp", u"Occurs when the user releases a key while an object has the focus."},
    {u"MouseDown", u"Occurs when the user presses the mouse button while an object has the focus."},
    {u"MouseMove", u"Occurs when the user moves the mouse."},
    {u"MouseUp", u"Occurs when the user releases the mouse button while an object has the focus."},
}};
} // namespace detail

// The documentation string a member or event has in every interface that has it.
constexpr std::u16string_view memberDoc(std::u16string_view name) {
    for (const auto& [n, d] : detail::kDocs)
        if (n == name) return d;
    return {};
}

} // namespace tessivra
