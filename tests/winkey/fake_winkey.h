#pragma once

#include "support/keyer_fakes.h"
#include "winkey/winkey_connection.h"
#include "winkey/winkey_hand_over.h"
#include "winkey/winkey_line.h"
#include "winkey/winkey_window.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace tavrik::test {

// A serial control whose keyer answers the host open; what Tavrik writes is kept in order.
class FakeWinKeyLine final : public WinKeyLine {
public:
    bool portOpen() const override { return open; }
    void setPortOpen(bool o) override
    {
        if (o && failOpen) {
            error = QStringLiteral("/dev/ttyUSB0: No such file or directory");
            return;
        }
        open = o;
        if (o)
            written.clear();
    }
    void setPortNumber(int n) override { portNumber = n; }
    void setSettings(const QString& text) override { settings = text; }
    void setDtr(bool on) override { dtr = on; }
    void setRts(bool on) override { rts = on; }
    int inBufferCount() override
    {
        // The keyer answers the host open.
        if (written.endsWith(QByteArray("\x00\x02", 2)) && input.isEmpty())
            input = openReply;
        return static_cast<int>(input.size());
    }
    QByteArray read() override { return std::exchange(input, QByteArray()); }
    void write(const QByteArray& bytes) override { written += bytes; }
    QString lastError() const override { return error; }
    void clearError() override { error.clear(); }

    // What was written since the last look.
    QByteArray take() { return std::exchange(written, QByteArray()); }

    bool open = false;
    bool failOpen = false;
    QByteArray openReply = QByteArray(1, '\x17'); // empty: no answer
    int portNumber = 0;
    QString settings;
    bool dtr = false;
    bool rts = false;
    QByteArray written;
    QByteArray input;
    QString error;
};

class FakeWinKeyWindow final : public WinKeyWindow {
public:
    explicit FakeWinKeyWindow(FakeQueue& box) : box_(box) {}
    bool winKeySelected() const override { return selected; }
    bool softwareKeyerOnDedicatedSerial() const override { return dedicatedSerial; }
    void setDedicatedSerialChecked(bool checked) override { dedicatedChecked = checked; }
    void showBoxMessage(const QString& text) override
    {
        box_.clear();
        messages.push_back(text);
        notice = text;
    }
    void clearTypingBox() override { box_.clear(); }
    void clearBoxMessage() override { notice.clear(); }
    void showKeyLamp(bool green) override { keyLamp = green; }
    void showPttLamp(bool green) override { pttLamp = green; }
    int activeRadio() const override { return radio; }
    void postNotice(int code, int argument) override { notices.push_back(std::to_string(code) + " " + std::to_string(argument)); }
    void writeSetting(const QString& section, const QString& key, const QString& value) override
    {
        settings.push_back(section + u'/' + key + u'=' + value);
    }
    void abortTransmission() override
    {
        ++aborts;
        if (onAbort)
            onAbort();
    }
    void logContactIfRequested() override { ++logChecks; }
    void sendWaitingText() override
    {
        if (onSendWaiting)
            onSendWaiting();
    }
    void showWinKeyState(const QString& text, const QString& versionText) override
    {
        state = text;
        version = versionText;
    }

    bool selected = true;
    bool dedicatedSerial = false;
    bool dedicatedChecked = false;
    bool keyLamp = false;
    bool pttLamp = false;
    int radio = 1;
    int aborts = 0;
    int logChecks = 0;
    std::function<void()> onAbort;
    std::function<void()> onSendWaiting;
    QString notice; // the message the box shows now
    QString state;
    QString version;
    std::vector<QString> messages;
    std::vector<std::string> notices;
    std::vector<QString> settings;

private:
    FakeQueue& box_;
};

} // namespace tavrik::test
