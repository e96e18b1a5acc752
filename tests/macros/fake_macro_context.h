#pragma once

#include "macros/macro_context.h"

#include <QStringList>

#include <array>
#include <functional>

namespace tavrik::test {

// The window, link, keyers and settings as a macro sees them, recording what it does.
// Slot mirrors hold what the link would copy: text, NUL, blanks to 64 characters.
class FakeMacroContext final : public MacroContext {
public:
    static QString Slot(const QString& text)
    {
        return (text + QChar(u'\0')).leftJustified(64, u' ', true);
    }

    void pollLink() override
    {
        ++polls;
        if (onPoll)
            onPoll();
    }
    bool linkUp() const override { return link; }
    QString slotMirror(int slot) const override { return mirrors.at(static_cast<std::size_t>(slot)); }
    QString myCallsign() const override { return mine; }
    QString bandText() const override { return band; }
    QString serialFormat() const override { return format; }
    void writeSlot(int slot, const QString& text) override
    {
        calls << QStringLiteral("slot %1 %2").arg(slot).arg(text);
    }
    void postNotice(int code, int argument) override
    {
        calls << QStringLiteral("post %1 %2").arg(code).arg(argument);
    }
    void logContact() override { calls << QStringLiteral("log now"); }

    QString nameText() const override { return name; }
    QString callsignText() const override { return callsign; }
    void setLogAfterSending() override { calls << QStringLiteral("log after sending"); }
    std::int32_t loopInterval() const override { return loopMs; }
    void setLoopInterval(std::int32_t ms) override { loopMs = ms; }
    bool isSending() const override { return sending; }
    void clearTypingBoxAndCallsign() override { calls << QStringLiteral("clear box and callsign"); }
    ZeroPreference zeroPreference() const override { return zeros; }

    bool winKeySelected() const override { return winKey; }
    std::int16_t keyingSpeed() const override { return wpm; }
    void setKeyingSpeed(std::int16_t speed) override
    {
        wpm = speed;
        calls << QStringLiteral("show %1").arg(speed);
    }
    void setSavedSpeedToCurrent() override { savedWpm = wpm; }
    void resetParallelLines() override { calls << QStringLiteral("reset lines"); }
    std::int16_t winKeySpeed() const override { return winKeyWpm; }
    void setWinKeySpeed(std::int16_t speed) override { winKeyWpm = speed; }
    bool winKeyAnalogSpeed() const override { return analogSpeed; }
    void winKeySend(const QByteArray& bytes) override
    {
        calls << QStringLiteral("winkey ") + QString::fromLatin1(bytes.toHex(' ').toUpper());
    }

    void writeSetting(const QString& section, const QString& key, const QString& value) override
    {
        calls << QStringLiteral("write [%1] %2=%3").arg(section, key, value);
    }

    // What the macro sees.
    bool link = true;
    std::array<QString, 10> mirrors{};
    QString mine, band, format, name, callsign;
    bool sending = false;
    bool winKey = false;
    bool analogSpeed = false;
    ZeroPreference zeros = ZeroPreference::Digit;
    std::function<void()> onPoll;

    // What the macro changed.
    int polls = 0;
    QStringList calls;
    std::int32_t loopMs = 0;
    std::int16_t wpm = 20;
    std::int16_t savedWpm = 20;
    std::int16_t winKeyWpm = 15;
};

} // namespace tavrik::test
