#include "winkey/winkey_hand_over.h"

#include "common/queue_markers.h"
#include "keyer/box_marks.h"
#include "keyer/keyer_ports.h"
#include "keyer/software_keyer.h"
#include "settings/setting_table.h"
#include "winkey/winkey_bytes.h"
#include "winkey/winkey_connection.h"
#include "winkey/winkey_window.h"

#include <algorithm>

namespace tavrik {
namespace {

// The keyer's own speed command takes no more.
constexpr SpeedRange kSpeeds{1, 999};
constexpr char16_t kBar = u'|';
// The longest character with its gaps, heavy weighting and a long dah, in dots.
constexpr int kSlowestCharDots = 40;

// The keyer knows capitals only; small letters from a paste or a file are the same letters.
char16_t Upper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

} // namespace

WinKeyHandOver::WinKeyHandOver(WinKeyConnection& connection, SoftwareKeyer& keyer, TransmitQueue& box,
                               WinKeyWindow& window)
    : connection_(connection), keyer_(keyer), box_(box), window_(window)
{
    echoTimer_.setSingleShot(true);
    QObject::connect(&echoTimer_, &QTimer::timeout, [this] { echoOverdue(); });
    WinKeyConnection::Listener listener;
    listener.echo = [this](std::uint8_t echo) { charDone(echo); };
    listener.showSpeed = [this](std::int16_t wpm) { showSpeed(wpm); };
    listener.breakIn = [this](bool active) { setBreakIn(active); };
    listener.writeLost = [this] { writeLost(); };
    listener.lineLost = [this] { lineLost(); };
    listener.reconnected = [this] { reconnected(); };
    connection_.setListener(std::move(listener));
}

void WinKeyHandOver::showSpeed(std::int16_t wpm)
{
    keyer_.showKeyingSpeed(wpm);
    keyer_.state().dotMs = keyer_.dotMsFromWpm(wpm);
}

void WinKeyHandOver::start()
{
    if (!connection_.portOpen())
        return; // the text waits in the box
    KeyerState& s = keyer_.state();
    const WinKeySettings& settings = connection_.settings();
    keyer_.enterSendingState();
    s.savedWpm = s.wpm;
    if (!settings.analogSpeed)
        connection_.send(winkey::SpeedCommand(winkey::kSetSpeed, s.wpm));
    s.isSending = true;
    charIndex_ = 1;
    connection_.holdRadioPolling(true);
    nextChar(1);
}

void WinKeyHandOver::consumeSpeedMarkers(int position, char16_t marker)
{
    KeyerState& s = keyer_.state();
    const bool analog = connection_.settings().analogSpeed;
    box_.suspendRedraw();
    while (position <= box_.length() && box_.charAt(position) == QChar(marker)) {
        s.wpm = SpeedAfterMarker(QChar(marker), s.wpm, kSpeeds);
        s.dotMs = keyer_.dotMsFromWpm(s.wpm);
        box_.removeCharAt(position);
        if (!analog) {
            connection_.send(winkey::SpeedCommand(winkey::kBufferedSpeed, s.wpm));
            keyer_.showKeyingSpeed(s.wpm);
        }
    }
    box_.resumeRedraw();
}

bool WinKeyHandOver::takeMark(int position)
{
    if (position > box_.length())
        return false;
    const char16_t c = box_.charAt(position).unicode();
    if (IsSpeedMarker(QChar(c))) {
        consumeSpeedMarkers(position, c);
        return true;
    }
    const std::optional<SpeedMark> mark = SpeedMarkAt(box_, position);
    // The keyer's half space is half a dot: no stand-in for half a letter space.
    const int length = mark ? mark->length : c == kHalfSpaceMark ? 1 : 0;
    if (length == 0)
        return false;
    box_.suspendRedraw();
    for (int i = 0; i < length; ++i)
        box_.removeCharAt(position);
    box_.resumeRedraw();
    if (mark) {
        KeyerState& s = keyer_.state();
        s.wpm = mark->wpm;
        s.savedWpm = mark->wpm;
        s.dotMs = keyer_.dotMsFromWpm(s.wpm);
        if (!connection_.settings().analogSpeed) {
            connection_.send(winkey::SpeedCommand(winkey::kBufferedSpeed, s.wpm));
            keyer_.showKeyingSpeed(s.wpm);
        }
    }
    return true;
}

bool WinKeyHandOver::sendable(char16_t code)
{
    if (code == kBar) {
        if (lastWinKeyChar_ != kBar)
            connection_.send(QByteArray(1, winkey::kUnechoedBar));
        lastWinKeyChar_ = kBar;
        return false;
    }
    lastWinKeyChar_ = code;
    return winkey::IsSendable(Upper(code));
}

void WinKeyHandOver::nextChar(int position)
{
    KeyerState& s = keyer_.state();
    s.lastNextCharPos = position;
    s.sentCharCount = position;
    if (position > box_.length())
        return;
    while (takeMark(position)) {
    }
    if (position > box_.length()) {
        if (s.isSending)
            finish();
        return;
    }
    const char16_t c = Upper(box_.charAt(position).unicode());
    if (c <= 31 || c == u'!' || (c >= 94 && c != kBar)) {
        // A "|" goes on to be written as the keyer's half space.
        box_.suspendRedraw();
        box_.removeCharAt(position);
        box_.resumeRedraw();
    }
    for (;;) {
        if (position > box_.length()) {
            // Nothing the keyer takes is left and nothing is in the keyer: the text is done.
            // (Ending as an abort would keep a marker's speed and drop a pending log.)
            if (s.isSending)
                finish();
            return;
        }
        if (takeMark(position))
            continue;
        if (sendable(box_.charAt(position).unicode()))
            break;
        if (!s.isSending)
            return;
        box_.suspendRedraw();
        box_.removeCharAt(position);
        box_.resumeRedraw();
    }
    const auto first = static_cast<std::uint8_t>(Upper(box_.charAt(position).unicode()));
    const std::uint8_t second = mergedWith(position);
    const QByteArray bytes = second != 0 ? QByteArray{} + winkey::kMerge + static_cast<char>(first) + static_cast<char>(second)
                                         : QByteArray(1, static_cast<char>(first));
    if (!connection_.send(bytes))
        return;
    const int span = second != 0 ? 3 : 1;
    if (second != 0)
        lastWinKeyChar_ = second;
    handedOver(second != 0 ? second : first, span);
    keyer_.colourSentText(position + span - 1);
}

std::uint8_t WinKeyHandOver::mergedWith(int position) const
{
    if (position + 2 > box_.length() || box_.charAt(position + 1) != QChar(kJoinMarker) || box_.charAt(position) == u' ')
        return 0;
    const char16_t second = Upper(box_.charAt(position + 2).unicode());
    return second != u' ' && winkey::IsSendable(second) ? static_cast<std::uint8_t>(second) : 0;
}

void WinKeyHandOver::handedOver(std::uint8_t echo, int span)
{
    awaitingEcho_ = true;
    expectedEcho_ = echo;
    handedSpan_ = span;
    if (!breakIn_)
        echoTimer_.start(echoBoundMs());
}

int WinKeyHandOver::echoBoundMs() const
{
    const WinKeySettings settings = winkey::ClampedToDialogRanges(connection_.settings());
    const int wpm = settings.analogSpeed ? settings.speedMin : std::clamp<int>(keyer_.state().wpm, 5, 99);
    return kEchoSlackMs + settings.pttLeadDelay * 10 + kSlowestCharDots * 1200 / wpm;
}

void WinKeyHandOver::charDone(std::uint8_t echo)
{
    // The echo of a character handed over before an abort belongs to no transmission, and a
    // stray byte (or the first letter of a merged pair) is not the echo awaited.
    if (!keyer_.state().isSending || !awaitingEcho_ || echo != expectedEcho_)
        return;
    awaitingEcho_ = false;
    echoTimer_.stop();
    charIndex_ += handedSpan_;
    if (charIndex_ <= box_.length())
        nextChar(charIndex_);
    else
        finish();
}

void WinKeyHandOver::finish()
{
    KeyerState& s = keyer_.state();
    const WinKeySettings& settings = connection_.settings();
    box_.clear();
    s.isSending = false;
    charIndex_ = 1;
    awaitingEcho_ = false;
    echoTimer_.stop();
    if (!settings.analogSpeed) {
        connection_.send(winkey::SpeedCommand(winkey::kBufferedSpeed, s.savedWpm));
        s.wpm = s.savedWpm;
        showSpeed(s.wpm);
    }
    connection_.holdRadioPolling(false);
    keyer_.leaveSendingState();
    window_.logContactIfRequested();
}

void WinKeyHandOver::stopKeyer()
{
    KeyerState& s = keyer_.state();
    s.isSending = false;
    awaitingEcho_ = false;
    echoTimer_.stop();
    // What the keyer holds would still go on the air after the operator stopped it.
    if (connection_.portOpen())
        connection_.send(QByteArray(1, winkey::kClearBuffer));
    connection_.holdRadioPolling(false);
}

void WinKeyHandOver::abort()
{
    stopKeyer();
    if (!connection_.settings().analogSpeed && connection_.portOpen())
        connection_.send(winkey::SpeedCommand(winkey::kBufferedSpeed, keyer_.state().savedWpm));
    keyer_.leaveSendingState();
}

void WinKeyHandOver::shutDown()
{
    if (tuneDown_ && connection_.portOpen())
        connection_.send(QByteArray{} + winkey::kKeyImmediate + '\0');
    tuneDown_ = false;
    if (keyer_.state().isSending)
        stopKeyer();
    connection_.holdRadioPolling(false);
    connection_.hostClose();
}

void WinKeyHandOver::writeLost()
{
    keyer_.leaveSendingState();
    keyer_.state().isSending = false;
    awaitingEcho_ = false;
    tuneDown_ = false;
    echoTimer_.stop();
}

void WinKeyHandOver::lineLost()
{
    if (keyer_.state().isSending)
        window_.abortTransmission();
}

void WinKeyHandOver::reconnected()
{
    if (!keyer_.state().isSending && box_.length() > 0)
        window_.sendWaitingText();
}

void WinKeyHandOver::setBreakIn(bool active)
{
    breakIn_ = active;
    // The operator may paddle as long as he likes; the wait for the echo starts afresh after.
    if (active) {
        echoTimer_.stop();
        return;
    }
    if (!keyer_.state().isSending) {
        connection_.holdRadioPolling(false);
        return;
    }
    // The paddles took the character handed over out of the keyer unsent: it goes again,
    // or the text is done when the break-in emptied the box.
    if (!awaitingEcho_)
        return;
    awaitingEcho_ = false;
    if (charIndex_ <= box_.length())
        nextChar(charIndex_);
    else
        finish();
}

void WinKeyHandOver::echoOverdue()
{
    const bool portOpen = connection_.portOpen();
    window_.abortTransmission();
    window_.showBoxMessage(portOpen ? QStringLiteral("Can't find WinKey") : QStringLiteral("WinKey port is not open"));
}

void WinKeyHandOver::tune(bool keyDown)
{
    KeyerState& s = keyer_.state();
    if (keyDown) {
        if (!connection_.send(QByteArray{} + winkey::kKeyImmediate + '\1'))
            return;
        tuneDown_ = true;
        s.isSending = true;
        keyer_.enterSendingState();
        window_.showPttLamp(true);
        connection_.holdRadioPolling(true);
        return;
    }
    const bool wasDown = tuneDown_;
    tuneDown_ = false;
    if (connection_.portOpen())
        connection_.send(QByteArray{} + winkey::kKeyImmediate + '\0');
    if (!wasDown)
        return;
    s.isSending = false;
    window_.showPttLamp(false);
    connection_.holdRadioPolling(false);
    keyer_.leaveSendingState();
    // What was typed meanwhile waited for the key to come up.
    if (box_.length() > 0)
        window_.sendWaitingText();
}

void WinKeyHandOver::stepSpeed(bool lower)
{
    WinKeySettings& settings = connection_.settings();
    // The keyer's own pot sets the speed.
    if (settings.analogSpeed)
        return;
    KeyerState& s = keyer_.state();
    const std::int16_t stepped = SoftwareKeyer::SteppedOperatorSpeed(s.wpm, lower);
    if (stepped != s.wpm) {
        showSpeed(stepped);
        s.savedWpm = stepped;
        settings.speed = stepped;
    }
    connection_.send(winkey::SpeedCommand(winkey::kBufferedSpeed, s.wpm));
    Write(window_, Stored(setting::kWinKeySpeed, settings.speed));
}

} // namespace tavrik
