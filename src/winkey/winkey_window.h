#pragma once

#include <QString>

#include <cstdint>

namespace tavrik {

// What the WinKey driver changes in the main window and asks of it.
class WinKeyWindow {
public:
    virtual ~WinKeyWindow() = default;
    virtual bool winKeySelected() const = 0;
    // The software keyer keys through the serial control itself (neither parallel nor shared).
    virtual bool softwareKeyerOnDedicatedSerial() const = 0;
    virtual void setDedicatedSerialChecked(bool checked) = 0;
    // A message in the typing box, in place of its text.
    virtual void showBoxMessage(const QString& text) = 0;
    virtual void clearTypingBox() = 0;
    // Removes a message shown in the box; the text queued stays.
    virtual void clearBoxMessage() = 0;
    virtual void showKeyLamp(bool green) = 0;
    virtual void showPttLamp(bool green) = 0;
    virtual int activeRadio() const = 0;
    virtual void postNotice(int code, int argument) = 0;
    virtual void writeSetting(const QString& section, const QString& key, const QString& value) = 0;
    // The abort command of the window, as the operator gives it.
    virtual void abortTransmission() = 0;
    // Starts what waits in the box as the box's own change would (manual TX waits for TX).
    virtual void sendWaitingText() = 0;
    virtual void logContactIfRequested() = 0;
    // The connection for the status bar, and the keyer's version ("WinKey 2.3", empty when
    // none is connected).
    virtual void showWinKeyState(const QString& state, const QString& version) = 0;
};

} // namespace tavrik
