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
    reconnectTimer_.setInterval(kReconnectPollMs);
    QObject::connect(&reconnectTimer_, &QTimer::timeout, [this] { tryReconnect(); });
}

bool WinKeyConnection::portOpen() const
{
    return line_.portOpen();
}

void WinKeyConnection::setConnected(bool connected)
{
    connected_ = connected;
    if (!connected)
        breakInActive_ = false;
    window_.showKeyLamp(connected);
    showState();
}

void WinKeyConnection::showState()
{
    if (connected_)
        window_.showWinKeyState(winkey::VersionText(version_), winkey::VersionText(version_));
    else if (reconnectTimer_.isActive())
        window_.showWinKeyState(QStringLiteral("WinKey: searching"), QString());
    else
        window_.showWinKeyState(QStringLiteral("WinKey: closed"), QString());
}

void WinKeyConnection::openWinKey()
{
    notOpenShown_ = false;
    reconnectTimer_.stop();
    if (window_.softwareKeyerOnDedicatedSerial() && line_.portOpen()) {
        line_.setPortOpen(false);
        window_.showPttLamp(false);
        window_.setDedicatedSerialChecked(false);
    }
    setConnected(false);
    if (settings_.port < 1) {
        window_.showBoxMessage(QStringLiteral("No Comm port selected"));
        return;
    }
    if (!openPort()) {
        window_.showBoxMessage(QStringLiteral("CW Port error : ") + line_.lastError());
        line_.clearError();
        return;
    }
    window_.setDedicatedSerialChecked(true);
    clock_.sleepMs(kSettleAfterOpenMs);
    handshake();
}

bool WinKeyConnection::openPort()
{
    line_.clearError();
    // A port still held from the last start would refuse the new number: start afresh.
    if (line_.portOpen())
        line_.setPortOpen(false);
    line_.setPortNumber(settings_.port);
    line_.setSettings(QLatin1String(kLineSettings));
    line_.setDtr(true);
    line_.setRts(false);
    line_.setPortOpen(true);
    if (!line_.portOpen())
        return false;
    line_.clearError();
    return true;
}

bool WinKeyConnection::handshake(bool keepText)
{
    setConnected(false);
    send(QByteArray{} + winkey::kAdmin + winkey::kAdminHostOpen);
    const std::int64_t start = clock_.counter();
    bool answered = false;
    while (!answered && ElapsedMs(start, clock_.counter(), clock_.frequency()) < kHandshakeBoundMs) {
        answered = line_.inBufferCount() > 0;
        if (!answered)
            clock_.sleepMs(1);
    }
    // Another device on the port may answer too, with anything: only a revision the keyer
    // family sends counts.
    const QByteArray reply = answered ? line_.read() : QByteArray();
    if (reply.isEmpty() || !winkey::IsKeyerVersion(static_cast<std::uint8_t>(reply.at(0)))) {
        window_.showBoxMessage(QStringLiteral("Can't find WinKey"));
        return false;
    }
    version_ = static_cast<std::uint8_t>(reply.at(0));
    // A message from an earlier start ("Can't find WinKey") is stale now.
    window_.clearBoxMessage();
    if (!keepText)
        window_.clearTypingBox();
    send(QByteArray{} + winkey::kAdmin + winkey::kAdminCalibrate);
    clock_.sleepMs(kCalibratePauseMs);
    send(QByteArray(1, static_cast<char>(0xFF)));
    loadSettings();
    if (!line_.portOpen())
        return false;
    setConnected(true);
    return true;
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

void WinKeyConnection::lineLost()
{
    if (!window_.winKeySelected() || line_.portOpen())
        return;
    line_.clearError();
    window_.setDedicatedSerialChecked(false);
    window_.showPttLamp(false);
    // Looked for from now on, so the state shown says so.
    reconnectTimer_.start();
    setConnected(false);
    Call(listener_.lineLost);
    holdRadioPolling(false);
    if (!notOpenShown_) {
        window_.showBoxMessage(kNotOpenText);
        notOpenShown_ = true;
    }
}

void WinKeyConnection::tryReconnect()
{
    if (!window_.winKeySelected()) {
        reconnectTimer_.stop();
        showState();
        return;
    }
    if (!openPort()) {
        line_.clearError();
        return;
    }
    reconnectTimer_.stop();
    notOpenShown_ = false;
    window_.setDedicatedSerialChecked(true);
    clock_.sleepMs(kSettleAfterOpenMs);
    if (handshake(true))
        Call(listener_.reconnected);
}

void WinKeyConnection::closePort()
{
    reconnectTimer_.stop();
    if (line_.portOpen())
        line_.setPortOpen(false);
    setConnected(false);
}

void WinKeyConnection::hostClose()
{
    reconnectTimer_.stop();
    if (line_.portOpen()) {
        line_.write(QByteArray{} + winkey::kAdmin + winkey::kAdminHostClose);
        line_.setPortOpen(false);
    }
    connected_ = false;
}

void WinKeyConnection::holdRadioPolling(bool hold)
{
    if (hold == pollingHeld_ || (hold && !settings_.holdRadioPolling))
        return;
    pollingHeld_ = hold;
    window_.postNotice(LinkCode::kRadioPolling, hold ? 1 : 0);
}

std::int16_t WinKeyConnection::potSpeed(std::uint8_t potByte) const
{
    return static_cast<std::int16_t>((potByte - 0x80) + winkey::ClampedToDialogRanges(settings_).speedMin);
}

void WinKeyConnection::receive()
{
    // The control may also carry the software keyer's lines; its input is not ours then.
    // Nor is what a device that did not answer as a WinKey sends.
    if (!window_.winKeySelected() || !connected_) {
        line_.read();
        return;
    }
    // Bytes arrive together (a status and an echo in one read): each one counts.
    const QByteArray input = line_.read();
    for (const char c : input) {
        const auto b = static_cast<std::uint8_t>(c);
        switch (winkey::Classify(b)) {
        case winkey::ByteKind::Echo:
            if (listener_.echo)
                listener_.echo(b);
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
        if (breakInActive_)
            return; // still the same break-in
        breakInActive_ = true;
        holdRadioPolling(true);
        window_.showPttLamp(true);
        if (settings_.paddleInsertCancelsMacro)
            window_.clearTypingBox();
        if (listener_.breakIn)
            listener_.breakIn(true);
        return;
    }
    // Only the status that ends a break-in matters here; the keyer's other status reports
    // (busy, idle) are no echo.
    if (!breakInActive_)
        return;
    breakInActive_ = false;
    window_.showPttLamp(false);
    if (listener_.breakIn)
        listener_.breakIn(false);
}

} // namespace tavrik
