#pragma once

namespace tavrik {

class MacroButtons;
class TransmitControl;
class TypingBox;

enum class ContactField { Callsign, Name, Srx };

class FieldFocus {
public:
    virtual ~FieldFocus() = default;
    virtual void focusTypingBox() = 0;
    // Caret to the end of the field.
    virtual void focusField(ContactField field) = 0;
    virtual bool srxFieldShown() const = 0;
};

// The keys of the typing box and of the three contact fields: prosigns, abort, the jumps
// between boxes, and every key that presses a macro button.
class KeyRouter {
public:
    KeyRouter(TransmitControl& transmit, MacroButtons& buttons, TypingBox& box, FieldFocus& focus);

    void setInsertKeyCode(int code) { insertKeyCode_ = code; }
    int insertKeyCode() const { return insertKeyCode_; }
    void setWinKeySelected(bool winKey) { winKeySelected_ = winKey; }

    // Both set keyCode / keyAscii to 0 for a key they swallow.
    void typingBoxKeyDown(int& keyCode, int& shift);
    void typingBoxKeyPress(int& keyAscii);
    void fieldKeyDown(ContactField field, int& keyCode, int& shift);
    void fieldKeyPress(ContactField field, int& keyAscii);

private:
    // Insert, access letters and F-keys, alike in every box; true when the key was used.
    bool macroKey(int& keyCode, int& shift);

    TransmitControl& transmit_;
    MacroButtons& buttons_;
    TypingBox& box_;
    FieldFocus& focus_;
    int insertKeyCode_ = 112;
    bool winKeySelected_ = false;
};

} // namespace tavrik
