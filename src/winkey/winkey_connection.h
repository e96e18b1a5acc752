#pragma once

#include "settings/tavrik_settings.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

namespace tavrik {

class Clock;
class WinKeyLine;
class WinKeyWindow;

// The WinKey on the window's serial control: opening and introducing the keyer, loading its
// parameters, the radio pin, writing commands, and telling apart what the keyer sends.
// Everything runs on the window thread.
class WinKeyConnection {
public:
    static constexpr const char* kLineSettings = "1200,n,8,2";
    // The keyer answers the host open within a few byte times; a second is generous.
    static constexpr int kHandshakeBoundMs = 1000;
    static constexpr int kSettleAfterOpenMs = 1000;
    static constexpr int kCalibratePauseMs = 100;

    // What the keyer's bytes mean to the rest of Tavrik.
    struct Listener {
        std::function<void()> charDone;            // an echo, or the end of a paddle break-in
        std::function<void(std::int16_t)> showSpeed; // the pot moved, with analog speed
        std::function<void(bool)> breakIn;         // the paddles took over (true) or let go
        std::function<void()> writeLost;           // a write found the port closed
    };

    WinKeyConnection(WinKeyLine& line, Clock& clock, WinKeyWindow& window);

    void setListener(Listener listener) { listener_ = std::move(listener); }
    void setSettings(const WinKeySettings& settings) { settings_ = settings; }
    const WinKeySettings& settings() const { return settings_; }
    WinKeySettings& settings() { return settings_; }

    void openWinKey();
    void handshake();
    void loadSettings();
    void selectRadioPin();
    // Drops the bytes, once saying so in the box, when the port is not open; false then.
    bool send(const QByteArray& bytes);
    // Reads all waiting input and acts on every byte, in order.
    void receive();
    bool portOpen() const;

    // The speed-pot byte's speed, for the analog-speed display.
    std::int16_t potSpeed(std::uint8_t potByte) const;

private:
    void handleStatus(std::uint8_t status);

    WinKeyLine& line_;
    Clock& clock_;
    WinKeyWindow& window_;
    Listener listener_;
    WinKeySettings settings_;
    bool notOpenShown_ = false;
    bool breakInActive_ = false;
};

} // namespace tavrik
