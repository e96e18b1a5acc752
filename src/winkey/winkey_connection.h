#pragma once

#include "settings/tavrik_settings.h"

#include <QByteArray>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace tavrik {

class Clock;
class WinKeyLine;
class WinKeyWindow;

// The WinKey on the window's serial control: opening and introducing the keyer, loading its
// parameters, the radio pin, writing commands, telling apart what the keyer sends, and
// finding the keyer again when its device comes back after going away.
// Everything runs on the window thread.
class WinKeyConnection {
public:
    static constexpr const char* kLineSettings = "1200,n,8,2";
    // The keyer answers the host open within a few byte times; the bound leaves room for a
    // machine so busy that the answer is read late.
    static constexpr int kHandshakeBoundMs = 3000;
    static constexpr int kSettleAfterOpenMs = 1000;
    static constexpr int kCalibratePauseMs = 100;
    // How often a keyer that went away is looked for.
    static constexpr int kReconnectPollMs = 200;

    // What the keyer's bytes mean to the rest of Tavrik.
    struct Listener {
        std::function<void(std::uint8_t)> echo;      // the keyer has sent this character
        std::function<void(std::int16_t)> showSpeed; // the pot moved, with analog speed
        std::function<void(bool)> breakIn;           // the paddles took over (true) or let go
        std::function<void()> writeLost;             // a write found the port closed
        std::function<void()> lineLost;              // the device went away
        std::function<void()> reconnected;           // it came back and has been loaded again
    };

    WinKeyConnection(WinKeyLine& line, Clock& clock, WinKeyWindow& window);

    void setListener(Listener listener) { listener_ = std::move(listener); }
    void setSettings(const WinKeySettings& settings) { settings_ = settings; }
    const WinKeySettings& settings() const { return settings_; }
    WinKeySettings& settings() { return settings_; }

    void openWinKey();
    // True when the keyer answered as a WinKey and was loaded. `keepText`: the box's text
    // waits to be sent rather than being emptied.
    bool handshake(bool keepText = false);
    void loadSettings();
    void selectRadioPin();
    // Drops the bytes, once saying so in the box, when the port is not open; false then.
    bool send(const QByteArray& bytes);
    // Reads all waiting input and acts on every byte, in order.
    void receive();
    bool portOpen() const;
    bool connected() const { return connected_; }
    // The keyer's revision from the host open; 0 before one answered.
    std::uint8_t version() const { return version_; }

    // The serial control closed itself: the device went away. Said at once, and looked for
    // until it is back.
    void lineLost();
    bool reconnecting() const { return reconnectTimer_.isActive(); }
    // The operator closes the port: no looking for the keyer.
    void closePort();
    // The end of the run: the keyer is handed back to standalone use.
    void hostClose();

    // Radio polling is held while keying; every hold is released once.
    void holdRadioPolling(bool hold);

    // The speed-pot byte's speed, for the analog-speed display.
    std::int16_t potSpeed(std::uint8_t potByte) const;

private:
    bool openPort();
    void tryReconnect();
    void setConnected(bool connected);
    void showState();
    void handleStatus(std::uint8_t status);

    WinKeyLine& line_;
    Clock& clock_;
    WinKeyWindow& window_;
    Listener listener_;
    WinKeySettings settings_;
    bool notOpenShown_ = false;
    bool breakInActive_ = false;
    bool connected_ = false;
    bool pollingHeld_ = false;
    std::uint8_t version_ = 0;
    QTimer reconnectTimer_;
};

} // namespace tavrik
