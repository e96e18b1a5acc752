#include "rig/rig_keyer.h"

#include "common/link_codes.h"
#include "common/queue_markers.h"
#include "keyer/box_marks.h"
#include "keyer/morse.h"
#include "keyer/software_keyer.h"
#include "rig/rigctld_client.h"

#include <algorithm>

namespace tavrik {
namespace {

// What rigctld's KEYSPD takes.
constexpr SpeedRange kSpeeds{1, 99};
// Hamlib's "not implemented" and "not available".
constexpr int kNotImplemented = -4;
constexpr int kNotAvailable = -11;

bool IsMarker(QChar c)
{
    return IsSpeedMarker(c) || c == QChar(kJoinMarker) || c == QChar(kHalfSpaceMark);
}

} // namespace

RigKeyer::RigKeyer(Parts parts) : parts_(parts)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &RigKeyer::step);
    connect(&parts_.client, &RigctldClient::lost, this, [this](const QString& problem) {
        if (sending_)
            fail(problem);
    });
    clock_.start();
}

double RigKeyer::SendingMs(const QString& text, int wpm)
{
    int dots = 0;
    for (const QChar c : text) {
        if (c == u' ') {
            dots += 4; // with the letter space before it, a word space of 7
            continue;
        }
        const QString elements = MorseForChar(QString(c), 0x0409);
        if (elements.isEmpty())
            continue;
        for (const QChar e : elements)
            dots += (e == u'-' ? 3 : 1) + 1;
        dots += 2; // the last element's gap becomes a letter space of 3
    }
    return dots * 1200.0 / std::max(wpm, kSpeeds.slowest);
}

void RigKeyer::start()
{
    if (sending_ || parts_.box.length() == 0)
        return;
    KeyerState& s = parts_.keyer.state();
    s.savedWpm = s.wpm;
    s.isSending = true;
    s.sentCharCount = 0;
    sending_ = true;
    position_ = 1;
    busyUntilMs_ = nowMs();
    parts_.keyer.enterSendingState();
    parts_.link.post(LinkCode::kKeying, 1);
    if (setRadioSpeed(s.wpm))
        step();
}

bool RigKeyer::setRadioSpeed(int wpm)
{
    const RigReply reply = parts_.client.request("L KEYSPD " + QByteArray::number(wpm));
    if (!reply.ok) {
        fail(reply.problem);
        return false;
    }
    radioWpm_ = wpm;
    return true;
}

bool RigKeyer::consumeMarkers()
{
    TransmitQueue& box = parts_.box;
    KeyerState& s = parts_.keyer.state();
    while (position_ <= box.length()) {
        const QChar c = box.charAt(position_);
        const std::optional<SpeedMark> mark = SpeedMarkAt(box, position_);
        if (!mark && !IsMarker(c))
            break;
        // A speed change belongs between the text before it and the text after it.
        if (c != QChar(kJoinMarker) && nowMs() < busyUntilMs_) {
            scheduleAt(busyUntilMs_);
            return false;
        }
        box.suspendRedraw();
        for (int i = mark ? mark->length : 1; i > 0; --i)
            box.removeCharAt(position_);
        box.resumeRedraw();
        // The radio has no joined letters: "A^R" goes as A and R; nor half spaces.
        if (c == QChar(kJoinMarker) || c == QChar(kHalfSpaceMark))
            continue;
        s.wpm = mark ? static_cast<std::int16_t>(std::clamp<int>(mark->wpm, kSpeeds.slowest, kSpeeds.fastest))
                     : SpeedAfterMarker(c, s.wpm, kSpeeds);
        // An absolute speed stays the operator's once the transmission ends.
        if (mark)
            s.savedWpm = s.wpm;
        s.dotMs = parts_.keyer.dotMsFromWpm(s.wpm);
        parts_.keyer.showKeyingSpeed(s.wpm);
        if (!setRadioSpeed(s.wpm))
            return false;
    }
    return true;
}

QString RigKeyer::nextPiece() const
{
    const TransmitQueue& box = parts_.box;
    QString piece;
    int at = position_;
    int signs = 0;
    while (at <= box.length() && box.charAt(at) == u' ')
        piece += box.charAt(at++);
    while (at <= box.length() && signs < kPieceChars && box.charAt(at) != u' ' && !IsMarker(box.charAt(at))
           && !SpeedMarkAt(box, at)) {
        piece += box.charAt(at++);
        ++signs;
    }
    if (signs == 0)
        return QString();
    // The spaces after a word go with it: rigctld takes no piece of blanks alone.
    while (at <= box.length() && box.charAt(at) == u' ')
        piece += box.charAt(at++);
    return piece;
}

void RigKeyer::step()
{
    if (!sending_)
        return;
    timer_.stop();
    if (!consumeMarkers())
        return;
    const double now = nowMs();
    const QString piece = nextPiece();
    if (piece.isEmpty()) {
        // Blanks before a marker have no word to go with; they are passed over.
        TransmitQueue& box = parts_.box;
        int at = position_;
        while (at <= box.length() && box.charAt(at) == u' ')
            ++at;
        if (at <= box.length() && at > position_) {
            position_ = at;
            step();
            return;
        }
        if (now < busyUntilMs_)
            scheduleAt(busyUntilMs_); // what is typed meanwhile still goes in this transmission
        else
            finish(Ending::Completed);
        return;
    }
    if (busyUntilMs_ - now > kLeadMs) {
        scheduleAt(busyUntilMs_ - kLeadMs);
        return;
    }
    const RigReply reply = parts_.client.request("b" + piece.toLatin1());
    if (!reply.ok) {
        fail(reply.problem);
        return;
    }
    TransmitQueue& box = parts_.box;
    const KeyerOptions& o = parts_.keyer.options();
    box.suspendRedraw();
    if (position_ > 1)
        box.colourRange(1, position_ - 1, o.transmittedTextColor);
    box.colourRange(position_, piece.size(), o.transmittingTextColor);
    box.moveCaretToEnd();
    box.resumeRedraw();
    position_ += static_cast<int>(piece.size());
    parts_.keyer.state().sentCharCount = position_ - 1;
    busyUntilMs_ = std::max(now, busyUntilMs_) + SendingMs(piece, radioWpm_);
    scheduleAt(busyUntilMs_ - kLeadMs);
}

void RigKeyer::scheduleAt(double ms)
{
    timer_.start(std::max(0, static_cast<int>(ms - nowMs() + 0.5)));
}

void RigKeyer::stepSpeed(bool lower)
{
    parts_.keyer.stepSpeed(lower);
}

void RigKeyer::abort()
{
    if (!sending_)
        return;
    QString problem;
    if (stopMorseAvailable_) {
        const RigReply reply = parts_.client.request("\\stop_morse");
        if (reply.code == kNotAvailable || reply.code == kNotImplemented)
            stopMorseAvailable_ = false;
        else if (!reply.ok)
            problem = reply.problem;
    }
    finish(problem.isEmpty() ? Ending::Aborted : Ending::Failed);
    if (!problem.isEmpty() && onFailure_)
        onFailure_(problem);
}

void RigKeyer::fail(const QString& problem)
{
    if (stopMorseAvailable_)
        parts_.client.sendUnanswered({"\\stop_morse"});
    finish(Ending::Failed);
    if (onFailure_)
        onFailure_(problem);
}

void RigKeyer::finish(Ending ending)
{
    timer_.stop();
    sending_ = false;
    KeyerState& s = parts_.keyer.state();
    s.isSending = false;
    parts_.box.clear();
    parts_.keyer.leaveSendingState();
    if (ending == Ending::Completed)
        parts_.window.armPendingLoop();
    s.wpm = s.savedWpm;
    s.dotMs = parts_.keyer.dotMsFromWpm(s.wpm);
    parts_.keyer.showKeyingSpeed(s.wpm);
    QString problem;
    // Speed markers change the speed for one transmission only, on the radio as here.
    if (ending != Ending::Failed && radioWpm_ != s.wpm) {
        const RigReply reply = parts_.client.request("L KEYSPD " + QByteArray::number(s.wpm));
        if (reply.ok)
            radioWpm_ = s.wpm;
        else
            problem = reply.problem;
    }
    parts_.link.post(LinkCode::kKeying, 0);
    // A contact is logged only when what was asked for has gone out.
    if (ending == Ending::Completed)
        parts_.window.logContactIfRequested();
    if (!problem.isEmpty() && onFailure_)
        onFailure_(problem);
}

} // namespace tavrik
