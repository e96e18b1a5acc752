#pragma once

#include <QString>

namespace tavrik {

class TransmitControl;

// What the 36 buttons show and send.
class ButtonMacros {
public:
    virtual ~ButtonMacros() = default;
    virtual QString macroText(int index) const = 0;
    virtual QString macroCaption(int index) const = 0;
};

class ActiveBoxFocus {
public:
    virtual ~ActiveBoxFocus() = default;
    // The typing box or the callsign field, whichever had the focus last, caret at its end.
    virtual void focusActiveTextBoxAtEnd() = 0;
};

// Pressing a macro button, and which button a key presses.
class MacroButtons {
public:
    static constexpr int kButtonCount = 36;

    MacroButtons(TransmitControl& transmit, const ButtonMacros& macros, ActiveBoxFocus& focus);

    // btnF_Click.
    void press(int index);
    // F1 to F12 alone, with Alt or with Ctrl press buttons 1-12, 13-24, 25-36; any F-key is
    // swallowed (keyCode set to 0), even with a modifier that presses nothing.
    void functionKeyToButton(int& keyCode, int& shift);
    // The first button whose caption carries "&" and the key's letter; 0 when none.
    int accessLetterButton(int keyCode) const;

private:
    TransmitControl& transmit_;
    const ButtonMacros& macros_;
    ActiveBoxFocus& focus_;
};

} // namespace tavrik
