#include "winkey_emulator.h"


#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace tavrik::emulator {
namespace {

QString Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}

void MakeRaw(int fd)
{
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
}

// How long the keyer stays busy after the last character before it counts as idle.
constexpr int kIdleGraceMs = 150;

} // namespace

WinKeyEmulator::WinKeyEmulator(EchoAt echoAt, QTextStream& log) : echoAt_(echoAt), log_(log)
{
    clock_.start();
    for (QTimer* t : {&inboxTimer_, &outboxTimer_, &stepTimer_, &idleTimer_, &tailTimer_}) {
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
    }
    connect(&inboxTimer_, &QTimer::timeout, this, &WinKeyEmulator::takeNextHostByte);
    connect(&outboxTimer_, &QTimer::timeout, this, &WinKeyEmulator::flushToHost);
    connect(&stepTimer_, &QTimer::timeout, this, [this] {
        ++stepIndex_;
        if (stepIndex_ < steps_.size())
            runStep();
        else
            finishChar();
    });
    connect(&idleTimer_, &QTimer::timeout, this, &WinKeyEmulator::becomeIdle);
    connect(&tailTimer_, &QTimer::timeout, this, [this] {
        if (!busy_)
            setPtt(false);
    });
}

WinKeyEmulator::~WinKeyEmulator()
{
    close();
    if (heldSlave_ >= 0)
        ::close(heldSlave_);
    if (master_ >= 0)
        ::close(master_);
}

QString WinKeyEmulator::open()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return {};
    const QString path = QString::fromLocal8Bit(::ptsname(master_));
    MakeRaw(master_);
    // Held open so the master never sees a hang-up between two host sessions.
    heldSlave_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (heldSlave_ >= 0)
        MakeRaw(heldSlave_);
    hostNotifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    connect(hostNotifier_.get(), &QSocketNotifier::activated, this, &WinKeyEmulator::readHost);
    return path;
}

void WinKeyEmulator::recordTo(const QString& wavPath)
{
    wav_ = std::make_unique<SidetoneRecording>();
    wav_->setPitch(SidetoneHz(params_.sidetoneCode));
    if (!wav_->open(wavPath, now())) {
        log_ << "wav: " << wav_->errorText() << Qt::endl;
        wav_.reset();
    }
}

void WinKeyEmulator::close()
{
    if (wav_) {
        setKey(false);
        wav_->close(std::max(now(), stepDueAt_));
        wav_.reset();
    }
}

void WinKeyEmulator::readHost()
{
    char buffer[256];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0)
        return;
    for (ssize_t i = 0; i < n; ++i) {
        wireFreeAt_ = std::max(wireFreeAt_, now()) + kByteMs;
        inbound_.emplace_back(buffer[i], wireFreeAt_);
    }
    if (!inboxTimer_.isActive())
        inboxTimer_.start(std::max(0, static_cast<int>(inbound_.front().second - now())));
}

void WinKeyEmulator::takeNextHostByte()
{
    QByteArray arrived;
    while (!inbound_.empty() && inbound_.front().second <= now() + 0.5) {
        arrived += inbound_.front().first;
        inbound_.pop_front();
    }
    for (const QByteArray& command : parser_.feed(arrived))
        handle(command);
    if (!inbound_.empty())
        inboxTimer_.start(std::max(0, static_cast<int>(inbound_.front().second - now())));
}

void WinKeyEmulator::handle(const QByteArray& c)
{
    const auto b = static_cast<std::uint8_t>(c.at(0));
    const QByteArray args = c.mid(1);
    const auto arg = [&args](int i) { return i < args.size() ? static_cast<std::uint8_t>(args.at(i)) : 0; };
    log_ << "rx " << Hex(c) << "  " << (b == 0xFF ? QStringLiteral("end of calibration") : CommandName(b, args))
         << Qt::endl;
    switch (b) {
    case 0x00:
        if (arg(0) == 0x02)
            sendToHost(QByteArray(1, static_cast<char>(kVersion)), QStringLiteral("version %1").arg(kVersion));
        else if (arg(0) == 0x01)
            params_ = KeyerParameters{};
        else if (arg(0) == 0x04)
            sendToHost(args.mid(1, 1), QStringLiteral("echo test"));
        break;
    case 0x01:
        params_.sidetoneCode = arg(0) & 0x0F;
        if (wav_)
            wav_->setPitch(SidetoneHz(params_.sidetoneCode));
        break;
    case 0x02: params_.speed = arg(0); break;
    case 0x03: params_.weight = arg(0); break;
    case 0x04: params_.leadMs = arg(0) * 10; params_.tailMs = arg(1) * 10; break;
    case 0x05: params_.potMin = arg(0); params_.potRange = arg(1); break;
    case 0x07:
        sendToHost(QByteArray(1, static_cast<char>(0x80 | std::clamp(potWpm_ - params_.potMin, 0, 63))),
                   QStringLiteral("speed pot %1 WPM").arg(potWpm_));
        break;
    case 0x09: params_.pinConfig = arg(0); break;
    case 0x0A: clearBuffer(); break;
    case 0x0B:
        if (arg(0) && (params_.pinConfig & 0x01))
            setPtt(true);
        setKey(arg(0) != 0);
        if (!arg(0) && !busy_)
            setPtt(false);
        break;
    case 0x0D: params_.farnsworth = arg(0); break;
    case 0x0E: params_.mode = arg(0); break;
    case 0x0F: applyParameters(args); break;
    case 0x10: params_.firstExtensionMs = arg(0); break;
    case 0x11: params_.compensationMs = arg(0); break;
    case 0x15: sendToHost(QByteArray(1, static_cast<char>(lastStatus_)), QStringLiteral("status")); break;
    case 0x17: params_.ratio = arg(0); break;
    case 0x1B: buffer_.push_back({static_cast<char>(arg(0)), static_cast<char>(arg(1)), 0}); break;
    case 0x1C: buffer_.push_back({0, 0, arg(0)}); break;
    default:
        if (b >= 0x20 && b < 0x80)
            buffer_.push_back({static_cast<char>(b), 0, 0});
        break;
    }
    if (!busy_ || (current_ == 0 && steps_.empty()))
        startNextItem();
}

void WinKeyEmulator::applyParameters(const QByteArray& a)
{
    const auto arg = [&a](int i) { return i < a.size() ? static_cast<std::uint8_t>(a.at(i)) : 0; };
    params_.mode = arg(0);
    params_.speed = arg(1);
    params_.sidetoneCode = arg(2);
    params_.weight = arg(3);
    params_.leadMs = arg(4) * 10;
    params_.tailMs = arg(5) * 10;
    params_.potMin = arg(6);
    params_.potRange = arg(7);
    params_.firstExtensionMs = arg(8);
    params_.compensationMs = arg(9);
    params_.farnsworth = arg(10);
    params_.ratio = arg(12);
    params_.pinConfig = arg(13);
    if (wav_)
        wav_->setPitch(SidetoneHz(params_.sidetoneCode));
}

void WinKeyEmulator::sendToHost(const QByteArray& bytes, const QString& what, double atMs)
{
    log_ << "tx " << Hex(bytes) << "  " << what << Qt::endl;
    outbox_ += bytes;
    outboxReadyAt_ = std::max(outboxReadyAt_, atMs < 0 ? now() : std::min(atMs, now()))
                     + kByteMs * static_cast<double>(bytes.size());
    outboxTimer_.start(std::max(0, static_cast<int>(outboxReadyAt_ - now())));
}

void WinKeyEmulator::flushToHost()
{
    if (outbox_.isEmpty())
        return;
    const ssize_t n = ::write(master_, outbox_.constData(), static_cast<std::size_t>(outbox_.size()));
    if (n > 0)
        outbox_.remove(0, n);
    if (!outbox_.isEmpty())
        outboxTimer_.start(static_cast<int>(kByteMs));
}

int WinKeyEmulator::keyingWpm() const
{
    return params_.speed == 0 ? potWpm_ : params_.speed;
}

void WinKeyEmulator::reportStatus()
{
    const std::uint8_t status = 0xC0 | (paddling_ ? 0x02 : 0) | (busy_ ? 0x04 : 0);
    if (status == lastStatus_)
        return;
    lastStatus_ = status;
    sendToHost(QByteArray(1, static_cast<char>(status)),
               QStringLiteral("status%1%2").arg(busy_ ? QStringLiteral(" busy") : QString(),
                                                paddling_ ? QStringLiteral(" break-in") : QString()));
}

void WinKeyEmulator::startNextItem()
{
    if (paddling_ || current_ != 0)
        return;
    while (!buffer_.empty() && buffer_.front().text == 0) {
        params_.speed = buffer_.front().bufferedSpeed;
        buffer_.pop_front();
    }
    if (buffer_.empty()) {
        starved_ = busy_;
        if (busy_ && !idleTimer_.isActive())
            idleTimer_.start(kIdleGraceMs);
        return;
    }
    idleTimer_.stop();
    tailTimer_.stop();
    current_ = buffer_.front().text;
    currentMerged_ = buffer_.front().merged;
    buffer_.pop_front();
    const double t = now();
    if (!busy_) {
        busy_ = true;
        runStartedAt_ = t;
        runKeyingMs_ = 0;
        runWaitingMs_ = 0;
        runChars_ = 0;
        stepDueAt_ = t;
    } else if (starved_) {
        // The keyer had nothing to send: time the lock-step cost.
        runWaitingMs_ += std::max(0.0, t - stepDueAt_);
        stepDueAt_ = std::max(stepDueAt_, t);
    }
    // Otherwise the next character follows on the schedule, whenever this timer ran.
    starved_ = false;
    steps_ = StepsForChar(current_, keyingWpm(), params_);
    if (currentMerged_ != 0 && !steps_.empty()) {
        // One sign: the second letter follows after an element space, not a letter space.
        const std::vector<KeyStep> second = StepsForChar(currentMerged_, keyingWpm(), params_);
        const std::vector<KeyStep> dit = StepsForChar('E', keyingWpm(), params_);
        steps_.back().ms = dit.front().ms;
        steps_.insert(steps_.end(), second.begin(), second.end());
    }
    if (runChars_ == 0 && !steps_.empty() && steps_.front().keyDown)
        steps_.front().ms += params_.firstExtensionMs;
    stepIndex_ = 0;
    echoStep_ = 0;
    const bool lead = (params_.pinConfig & 0x01) && !ptt_ && params_.leadMs > 0;
    if (params_.pinConfig & 0x01)
        setPtt(true);
    if (lead) {
        steps_.insert(steps_.begin(), KeyStep{false, static_cast<double>(params_.leadMs)});
        echoStep_ = 1;
    }
    reportStatus();
    double total = 0;
    for (const KeyStep& step : steps_)
        total += step.ms;
    log_ << "key '" << QLatin1Char(current_) << "' at " << keyingWpm() << " WPM, " << qRound(total) << " ms" << Qt::endl;
    runStep();
}

void WinKeyEmulator::runStep()
{
    if (stepIndex_ == echoStep_ && echoAt_ == EchoAt::Start && current_ != 0 && current_ != '|')
        sendToHost(currentEcho(), QStringLiteral("echo '%1'").arg(QString::fromLatin1(currentEcho())), stepDueAt_);
    const KeyStep& step = steps_[stepIndex_];
    setKey(step.keyDown, stepDueAt_);
    stepDueAt_ += step.ms;
    runKeyingMs_ += step.ms;
    stepTimer_.start(std::max(0, static_cast<int>(stepDueAt_ - now() + 0.5)));
}

void WinKeyEmulator::finishChar()
{
    setKey(false, stepDueAt_);
    const char sent = current_;
    const QByteArray echo = currentEcho();
    current_ = 0;
    currentMerged_ = 0;
    steps_.clear();
    lastCharEndedAt_ = stepDueAt_;
    if (paddling_) {
        paddling_ = false;
        reportStatus();
    } else {
        ++runChars_;
        if (echoAt_ == EchoAt::End && sent != '|')
            sendToHost(echo, QStringLiteral("echo '%1'").arg(QString::fromLatin1(echo)), stepDueAt_);
    }
    startNextItem();
}

void WinKeyEmulator::becomeIdle()
{
    if (current_ != 0 || !buffer_.empty())
        return;
    busy_ = false;
    reportStatus();
    if (runChars_ > 0) {
        log_ << QStringLiteral("done: %1 characters in %2 ms; keying %3 ms; waiting for the host %4 ms")
                    .arg(runChars_)
                    .arg(lastCharEndedAt_ - runStartedAt_, 0, 'f', 1)
                    .arg(runKeyingMs_, 0, 'f', 1)
                    .arg(runWaitingMs_, 0, 'f', 1)
             << Qt::endl;
    }
    if (ptt_)
        tailTimer_.start(std::max(0, params_.tailMs - kIdleGraceMs));
}

void WinKeyEmulator::setKey(bool down, double atMs)
{
    if (down == keyDown_)
        return;
    keyDown_ = down;
    if (wav_) {
        const double at = atMs < 0 ? now() : atMs;
        if (down)
            wav_->keyDown(at);
        else
            wav_->keyUp(at);
    }
}

void WinKeyEmulator::setPtt(bool on)
{
    if (on == ptt_)
        return;
    ptt_ = on;
    log_ << (on ? "ptt on" : "ptt off") << Qt::endl;
}

void WinKeyEmulator::breakIn(const QString& text)
{
    // The paddles take over: the buffer and the character being sent are dropped unechoed.
    buffer_.clear();
    stepTimer_.stop();
    setKey(false);
    current_ = 0;
    paddling_ = true;
    busy_ = true;
    idleTimer_.stop();
    reportStatus();
    steps_.clear();
    const QByteArray letters = text.toUpper().toLatin1();
    for (const char c : letters) {
        const std::vector<KeyStep> more = StepsForChar(c, keyingWpm(), params_);
        steps_.insert(steps_.end(), more.begin(), more.end());
    }
    if (steps_.empty())
        steps_.push_back({false, 1});
    stepIndex_ = 0;
    stepDueAt_ = now();
    log_ << "paddle '" << text << "'" << Qt::endl;
    runStep();
}

QByteArray WinKeyEmulator::currentEcho() const
{
    // A merged pair echoes both its letters.
    QByteArray echo(1, current_);
    if (currentMerged_ != 0)
        echo += currentMerged_;
    return echo;
}

void WinKeyEmulator::clearBuffer()
{
    buffer_.clear();
    if (current_ == 0 || paddling_)
        return;
    stepTimer_.stop();
    setKey(false);
    log_ << "cleared '" << currentEcho() << "'" << Qt::endl;
    current_ = 0;
    currentMerged_ = 0;
    steps_.clear();
    lastCharEndedAt_ = now();
    stepDueAt_ = now();
}

void WinKeyEmulator::command(const QString& line)
{
    const QStringList words = line.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return;
    const QString verb = words.first().toLower();
    if (verb == u"pot" && words.size() == 2) {
        bool ok = false;
        const int wpm = words.at(1).toInt(&ok);
        if (!ok || wpm < 5 || wpm > 99) {
            log_ << "pot: a speed from 5 to 99 WPM" << Qt::endl;
            return;
        }
        potWpm_ = wpm;
        sendToHost(QByteArray(1, static_cast<char>(0x80 | std::clamp(wpm - params_.potMin, 0, 63))),
                   QStringLiteral("speed pot %1 WPM").arg(wpm));
    } else if (verb == u"paddle") {
        breakIn(words.size() > 1 ? words.mid(1).join(u' ') : QStringLiteral("E"));
    } else {
        log_ << "commands: pot WPM | paddle [TEXT]" << Qt::endl;
    }
}

} // namespace tavrik::emulator
