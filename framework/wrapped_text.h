#pragma once
// The shared shell of the six text controls: a host text box `Text1` covering the control,
// the forwarded properties, the events re-raised to the form, the Enter-to-Tab rule, the
// creation and resize handlers and the common persisted keys. Each text control adds only its
// own rule, by overriding one or two handlers, and its own tables, built from the rows below.

#include "framework/control.h"

#include <array>

namespace tessivra {

enum class TextEvent : std::uint8_t {
    Change,
    Click,
    DblClick,
    KeyDown,
    KeyPress,
    KeyUp,
    MouseDown,
    MouseMove,
    MouseUp
};

// What differs between the text controls besides their own rule and tables.
struct TextFamily {
    TextBoxDesign text1;
    // Sets the control's height to 300 twips when the instance is created.
    bool creationHeight300 = false;
    // The number each of Text1's events is raised under; 0 when the control has no such event.
    std::array<DispId, 9> eventNumbers{1, 2, 3, 4, 5, 6, 7, 8, 9};
};

class WrappedText : public Control {
public:
    // The forwarded properties. Getters make one read of Text1; setters assign Text1 and then
    // tell the container, and tell it nothing when the assignment fails.
    ErrorOr<std::int16_t> Alignment();
    ErrorOr<void> setAlignment(std::int16_t New_Alignment);
    ErrorOr<Colour> BackColor();
    ErrorOr<void> setBackColor(Colour New_BackColor);
    ErrorOr<std::int16_t> BorderStyle();
    ErrorOr<void> setBorderStyle(std::int16_t New_BorderStyle);
    ErrorOr<VBool> Enabled();
    ErrorOr<void> setEnabled(VBool New_Enabled);
    ErrorOr<FontRef> Font();
    ErrorOr<void> setFont(FontRef New_Font);
    ErrorOr<Colour> ForeColor();
    ErrorOr<void> setForeColor(Colour New_ForeColor);
    ErrorOr<VBool> Locked();
    ErrorOr<void> setLocked(VBool New_Locked);
    ErrorOr<std::int32_t> MaxLength();
    ErrorOr<void> setMaxLength(std::int32_t New_MaxLength);
    ErrorOr<PictureRef> MouseIcon();
    ErrorOr<void> setMouseIcon(PictureRef New_MouseIcon);
    ErrorOr<std::int16_t> MousePointer();
    ErrorOr<void> setMousePointer(std::int16_t New_MousePointer);
    ErrorOr<VBool> MultiLine();
    ErrorOr<std::u16string> PasswordChar();
    ErrorOr<void> setPasswordChar(std::u16string_view New_PasswordChar);
    ErrorOr<std::int16_t> ScrollBars();
    ErrorOr<std::int32_t> SelLength();
    ErrorOr<void> setSelLength(std::int32_t New_SelLength);
    ErrorOr<std::int32_t> SelStart();
    ErrorOr<void> setSelStart(std::int32_t New_SelStart);
    ErrorOr<std::u16string> SelText();
    ErrorOr<void> setSelText(std::u16string_view New_SelText);
    ErrorOr<std::u16string> Text();
    ErrorOr<void> setText(std::u16string_view New_Text);
    ErrorOr<std::u16string> ToolTipText();
    ErrorOr<void> setToolTipText(std::u16string_view New_ToolTipText);

    ErrorOr<void> UserControl_Initialize() override;
    // The plain layout: Text1 takes the control's width, then its height.
    ErrorOr<void> UserControl_Resize() override;

    TextBox& Text1() const { return *text1_; }

protected:
    WrappedText(Site site, const ControlClass& cls, const TextFamily& family);
    // Creates Text1 from the family's design.
    ErrorOr<void> createConstituents() override;

    // Text1's events. By default each re-raises the control's event of the same name with the
    // same argument references; KeyDown adds the Enter-to-Tab rule.
    virtual ErrorOr<void> Text1_Change();
    virtual ErrorOr<void> Text1_Click();
    virtual ErrorOr<void> Text1_DblClick();
    virtual ErrorOr<void> Text1_GotFocus() { return {}; }
    virtual ErrorOr<void> Text1_LostFocus() { return {}; }
    virtual ErrorOr<void> Text1_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift);
    virtual ErrorOr<void> Text1_KeyPress(std::int16_t& KeyAscii);
    virtual ErrorOr<void> Text1_KeyUp(std::int16_t& KeyCode, std::int16_t& Shift);
    virtual ErrorOr<void> Text1_MouseDown(std::int16_t& Button, std::int16_t& Shift, float& X,
                                          float& Y);
    virtual ErrorOr<void> Text1_MouseMove(std::int16_t& Button, std::int16_t& Shift, float& X,
                                          float& Y);
    virtual ErrorOr<void> Text1_MouseUp(std::int16_t& Button, std::int16_t& Shift, float& X,
                                        float& Y);

    // Raises one of the control's events to the form; the arguments are references.
    template <typename... Args> ErrorOr<void> raise(TextEvent e, Args&... args) {
        DispId number = family_.eventNumbers[static_cast<std::size_t>(e)];
        if (number == 0) return {};
        if constexpr (sizeof...(Args) == 0) {
            return container().RaiseEvent(number, {});
        } else {
            const EventArg list[] = {EventArg(args)...};
            return container().RaiseEvent(number, list);
        }
    }

    enum class Case { Upper, Lower };
    // The case rule of the typed-key controls: the code as a one-character string, converted,
    // and the code of its first character.
    ErrorOr<void> convertKeyCase(std::int16_t& KeyAscii, Case);

    // Text1 takes the control's width and height.
    ErrorOr<void> plainLayout();

private:
    class Text1Events final : public TextBoxEvents {
    public:
        explicit Text1Events(WrappedText& c) : c_(c) {}
        ErrorOr<void> Change() override { return c_.Text1_Change(); }
        ErrorOr<void> Click() override { return c_.Text1_Click(); }
        ErrorOr<void> DblClick() override { return c_.Text1_DblClick(); }
        ErrorOr<void> GotFocus() override { return c_.Text1_GotFocus(); }
        ErrorOr<void> LostFocus() override { return c_.Text1_LostFocus(); }
        ErrorOr<void> KeyDown(std::int16_t& k, std::int16_t& s) override {
            return c_.Text1_KeyDown(k, s);
        }
        ErrorOr<void> KeyPress(std::int16_t& k) override { return c_.Text1_KeyPress(k); }
        ErrorOr<void> KeyUp(std::int16_t& k, std::int16_t& s) override {
            return c_.Text1_KeyUp(k, s);
        }
        ErrorOr<void> MouseDown(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
            return c_.Text1_MouseDown(b, s, x, y);
        }
        ErrorOr<void> MouseMove(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
            return c_.Text1_MouseMove(b, s, x, y);
        }
        ErrorOr<void> MouseUp(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
            return c_.Text1_MouseUp(b, s, x, y);
        }

    private:
        WrappedText& c_;
    };

    const TextFamily& family_;
    TextBox* text1_ = nullptr;
    Text1Events text1Events_{*this};
};

} // namespace tessivra
