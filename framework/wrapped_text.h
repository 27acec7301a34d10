#pragma once
// The shared shell of the six text controls: a host text box `Text1` covering the control,
// the forwarded properties, the events re-raised to the form, the Enter-to-Tab rule, the
// creation and resize handlers and the common persisted keys. Each text control adds only its
// own rule, by overriding one or two handlers, and its own tables, built from the rows below.

#include "framework/control.h"
#include "framework/sink.h"

#include <array>

namespace tessivra {

// Text1's events, in the order of the text controls' full event table (textevents::All).
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

    // Raises one of the control's events to the form under its number in the class's event
    // table, or not at all when the class has no such event; the arguments are references.
    template <typename... Args> ErrorOr<void> raise(TextEvent e, Args&... args) {
        DispId number = eventNumbers_[static_cast<std::size_t>(e)];
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
    using Text1Sink = Sink<WrappedText, Handlers<WrappedText>{
                                            .Change = &WrappedText::Text1_Change,
                                            .Click = &WrappedText::Text1_Click,
                                            .DblClick = &WrappedText::Text1_DblClick,
                                            .GotFocus = &WrappedText::Text1_GotFocus,
                                            .LostFocus = &WrappedText::Text1_LostFocus,
                                            .KeyDown = &WrappedText::Text1_KeyDown,
                                            .KeyPress = &WrappedText::Text1_KeyPress,
                                            .KeyUp = &WrappedText::Text1_KeyUp,
                                            .MouseDown = &WrappedText::Text1_MouseDown,
                                            .MouseMove = &WrappedText::Text1_MouseMove,
                                            .MouseUp = &WrappedText::Text1_MouseUp,
                                        }>;

    const TextFamily& family_;
    // Each of Text1's events' number in the class's table, looked up once per instance.
    std::array<DispId, static_cast<std::size_t>(TextEvent::MouseUp) + 1> eventNumbers_;
    PartHandle<TextBox> text1_;
    Text1Sink text1Events_{*this};
};

} // namespace tessivra
