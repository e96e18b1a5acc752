#pragma once

#include "common/colour.h"

#include <QString>

#include <array>
#include <cstdint>

// What the start-up load read from TAVRIK.INI, for the window to apply. Plain values only;
// the load, not these types, knows the keys and their defaults.
namespace tavrik {

// Rig: the radio's own keyer, through rigctld.
enum class KeyerChoice { Software, WinKey, Rig };
// VOX sends as soon as text arrives; MOX waits for the transmit command.
enum class KeyingMode { Vox, Mox };
// How a zero in a serial number is sent.
enum class SerialZero { Zero, LetterO, LetterT };

// One macro and the look of its button, normal and under the mouse.
struct MacroSlot {
    QString text; // line breaks stored as "~"
    QString caption;
    Colour backColor = 0;
    Colour mouseOverBackColor = 0;
    Colour foreColor = 0;
    Colour mouseOverForeColor = 0;
    QString fontName;
    QString mouseOverFontName;
    std::int32_t fontSize = 0;
    std::int32_t mouseOverFontSize = 0;
    bool fontBold = false;
    bool mouseOverFontBold = false;
    bool fontItalic = false;
    bool mouseOverFontItalic = false;
};

constexpr int kMacroSlots = 36;
// The longest macro text the editor stores, each line break stored as one "~".
constexpr qsizetype kLongestStoredMacro = 3000;

// Section "WinKey Settings".
struct WinKeySettings {
    std::int16_t port = 0;
    std::int16_t keyMode = 0;
    std::int16_t tone = 0;
    std::int16_t wordSpace = 0;
    std::int16_t paddleOperation = 0;
    std::int16_t pttLeadDelay = 0;
    std::int16_t pttLagDelay = 0;
    std::int16_t speedMax = 0;
    std::int16_t speedMin = 0;
    std::int16_t speedFarnsworth = 0;
    std::int16_t ditDahRatio = 0;
    std::int16_t ditDahWeight = 0;
    std::int16_t firstExtension = 0;
    std::int16_t compensation = 0;
    std::int16_t paddleSwitchpoint = 0;
    bool ptt = false;
    bool pin3 = false;
    bool autoSpace = false;
    bool contestWordSpace = false;
    bool switchPaddles = false;
    bool analogSpeed = false;
    std::int16_t speed = 0; // winKeySpeed
    bool sideTone = false;
    bool disablePaddleMemory = false;
    bool paddleInsertCancelsMacro = false;
    bool radio1Pin3 = false;
    bool radio2Pin3 = false;
    bool holdRadioPolling = false;
};

// Section "Devices": what Linux needs to find the hardware.
struct DeviceSettings {
    // Serial port n ("Comm<n>") is commPorts[n - 1].
    std::array<QString, 8> commPorts;
    // Empty: the parallel port is found by its base address.
    QString parallelDevice;
    // "" or "default", "none", or "wav:" and a path; the sound layer reads it.
    QString sidetoneOutput;
};

// Section "frmTavrik Settings" one field a key, in the order the load reads them; then the
// macros, the WinKey and the devices.
struct TavrikSettings {
    bool slowTyping = false;
    bool onTop = false;
    std::int16_t insertKeyCode = 0;
    // Main window placement, twips.
    std::int16_t top = 0;
    std::int16_t left = 0;
    std::int16_t height = 0;
    std::int16_t width = 0;
    QString textBoxFontName;
    std::int16_t textBoxFontSize = 0;
    bool textBoxFontBold = false;
    bool textBoxFontItalic = false;
    Colour textBoxBackColor = 0;
    KeyerChoice keyer = KeyerChoice::Software;
    Colour loopingBackColor = 0;
    Colour textBoxForeColor = 0;
    std::int32_t pttDelay = 0;
    std::int32_t parallelPortAddress = 0;
    KeyingMode keying = KeyingMode::Vox;
    bool pttEnabled = false;
    // Neither set: the dedicated serial port keys.
    bool portIsParallel = false;
    bool portIsSharedSerial = false;
    bool disablePolling = false;
    QString dedicatedSerialPort;
    Colour transmittingTextColor = 0;
    Colour transmittedTextColor = 0;
    double wordSpace = 0;
    double letterSpace = 0;
    double dashLength = 0;
    std::int16_t wpm = 0;
    Colour wpmTextColor = 0;
    bool altFKeysVisible = false; // buttons 13 to 24, key "SHIFT F Keys Visible"
    bool ctlFKeysVisible = false; // buttons 25 to 36, key "ALT F Keys Visible"
    bool fKeysVisible = false;    // buttons 1 to 12
    bool callsignFieldVisible = false;
    // Only the exact text "True" shows it: the load runs the show-SRX command once.
    bool srxFieldVisible = false;
    // The load only ever switches the sidetone on.
    bool sidetoneOn = false;
    double sidetoneFrequency = 0;
    SerialZero serialZero = SerialZero::Zero;

    // Index n is button n; index 0 is the macro editor's working copy and is not loaded.
    std::array<MacroSlot, kMacroSlots + 1> macros{};
    WinKeySettings winKey;
    DeviceSettings devices;
};

} // namespace tavrik
