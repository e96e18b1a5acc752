#include "winkey/winkey_connection.h"

#include "common/link_codes.h"
#include "platform/clock.h"
#include "winkey/winkey_line.h"
#include "winkey/winkey_bytes.h"
#include "winkey/winkey_window.h"

namespace tavrik {
namespace {

const QString kNotOpenText = QStringLiteral("WinKey port is not open");

void Call(const std::function<void()>& f)
{
    if (f)
        f();
}

} // namespace

WinKeyConnection::WinKeyConnection(WinKeyLine& line, Clock& clock, WinKeyWindow& window)
    : line_(line), clock_(clock), window_(window)
{
}

bool WinKeyConnection::portOpen() const
{
    return line_.portOpen();
}

void WinKeyConnection::openWinKey()
{
    notOpenShown_ = false;
    if (window_.softwareKeyerOnDedicatedSerial() && line_.portOpen()) {
        line_.setPortOpen(false);
        window_.showKeyLamp(false);
        window_.showPttLamp(false);
        window_.setDedicatedSerialChecked(false);
    }
    if (settings_.port < 1) {
        window_.showBoxMessage(QStringLiteral("No Comm port selected"));
        return;
    }
    line_.clearError();
    // A port still held from the last start would refuse the new number: start afresh.
    if (line_.portOpen())
        line_.setPortOpen(false);
    line_.setPortNumber(settings_.port);
    line_.setSettings(QLatin1String(kLineSettings));
    line_.setDtr(true);
    line_.setRts(false);
    line_.setPortOpen(true);
    if (!line_.portOpen()) {
        window_.showBoxMessage(QStringLiteral("CW Port error : ") + line_.lastError());
        line_.clearError();
        return;
    }
    line_.clearError();
    window_.setDedicatedSerialChecked(true);
    clock_.sleepMs(kSettleAfterOpenMs);
    handshake();
}

void WinKeyConnection::handshake()
{
    send(QByteArray{} + winkey::kAdmin + winkey::kAdminHostOpen);
    const std::int64_t start = clock_.counter();
    bool answered = false;
    while (!answered && ElapsedMs(start, clock_.counter(), clock_.frequency()) < kHandshakeBoundMs) {
        answered = line_.inBufferCount() > 0;
        if (!answered)
            clock_.sleepMs(1);
    }
    if (!answered) {
        window_.showBoxMessage(QStringLiteral("Can't find WinKey"));
        return;
    }
    line_.read(); // the keyer's version
    window_.showKeyLamp(true);
    window_.clearTypingBox();
    send(QByteArray{} + winkey::kAdmin + winkey::kAdminCalibrate);
    clock_.sleepMs(kCalibratePauseMs);
    send(QByteArray(1, static_cast<char>(0xFF)));
    loadSettings();
}

void WinKeyConnection::loadSettings()
{
    send(winkey::LoadDefaultsBlock(settings_));
    if (settings_.analogSpeed) {
        send(QByteArray{} + winkey::kSetSpeed + '\0');
        send(QByteArray(1, winkey::kGetSpeedPot));
    } else if (listener_.showSpeed) {
        listener_.showSpeed(winkey::ClampedToDialogRanges(settings_).speed);
    }
    if (settings_.disablePaddleMemory)
        send(QByteArray{} + winkey::kPaddleMemoryOff + '\0');
    selectRadioPin();
}

void WinKeyConnection::selectRadioPin()
{
    if (!window_.winKeySelected())
        return;
    const QByteArray bytes = winkey::RadioPinBytes(window_.activeRadio(), settings_);
    if (!bytes.isEmpty())
        send(bytes);
}

bool WinKeyConnection::send(const QByteArray& bytes)
{
    if (!line_.portOpen()) {
        if (!notOpenShown_) {
            window_.showBoxMessage(kNotOpenText);
            notOpenShown_ = true;
        }
        Call(listener_.writeLost);
        return false;
    }
    line_.write(bytes);
    return true;
}

std::int16_t WinKeyConnection::potSpeed(std::uint8_t potByte) const
{
    return static_cast<std::int16_t>((potByte - 0x80) + winkey::ClampedToDialogRanges(settings_).speedMin);
}

void WinKeyConnection::receive()
{
    // The control may also carry the software keyer's lines; its input is not ours then.
    if (!window_.winKeySelected())
        return;
    // Bytes arrive together (a status and an echo in one read): each one counts.
    const QByteArray input = line_.read();
    for (const char c : input) {
        const auto b = static_cast<std::uint8_t>(c);
        switch (winkey::Classify(b)) {
        case winkey::ByteKind::Echo:
            Call(listener_.charDone);
            break;
        case winkey::ByteKind::SpeedPot:
            if (settings_.analogSpeed && listener_.showSpeed)
                listener_.showSpeed(potSpeed(b));
            break;
        case winkey::ByteKind::Status:
            handleStatus(b);
            break;
        }
    }
}

void WinKeyConnection::handleStatus(std::uint8_t status)
{
    if ((status & winkey::kStatusBreakIn) != 0) {
        breakInActive_ = true;
        if (settings_.holdRadioPolling)
            window_.postNotice(LinkCode::kRadioPolling, 1);
        window_.showPttLamp(true);
        if (listener_.breakIn)
            listener_.breakIn(true);
        if (settings_.paddleInsertCancelsMacro)
            window_.clearTypingBox();
        return;
    }
    // Only the status that ends a break-in stands for the echo the paddles cancelled; the
    // keyer's other status reports (busy, idle) are no echo.
    if (!breakInActive_)
        return;
    breakInActive_ = false;
    window_.showPttLamp(false);
    if (listener_.breakIn)
        listener_.breakIn(false);
    Call(listener_.charDone);
}

} // namespace tavrik
