#include "winkey/winkey_device_model.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include <algorithm>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace tavrik::test {
namespace {

// Bytes that follow each command byte, from the keyer's command table.
int ArgumentCount(std::uint8_t command, std::uint8_t sub)
{
    switch (command) {
    case 0x00: return sub == 0x00 || sub == 0x04 ? 2 : 1; // calibrate and echo test take a value
    case 0x04: case 0x1B: return 2;
    case 0x05: return 3;
    case 0x07: case 0x08: case 0x0A: case 0x13: case 0x15: case 0x1E: case 0x1F: return 0;
    case 0x0F: return 15;
    default: return command < 0x20 ? 1 : 0;
    }
}

// A character's length in dits with its letter space; a blank is the rest of a word space.
int Dits(char c)
{
    static const char* const kLetters[] = {".-", "-...", "-.-.", "-..", ".", "..-.", "--.", "....", "..", ".---",
                                           "-.-", ".-..", "--", "-.", "---", ".--.", "--.-", ".-.", "...", "-",
                                           "..-", "...-", ".--", "-..-", "-.--", "--.."};
    static const char* const kDigits[] = {"-----", ".----", "..---", "...--", "....-",
                                          ".....", "-....", "--...", "---..", "----."};
    if (c == ' ')
        return 4;
    if (c == '|')
        return 0; // half a dit: below what this model times
    const char* code = c >= 'A' && c <= 'Z' ? kLetters[c - 'A'] : c >= '0' && c <= '9' ? kDigits[c - '0'] : "..--..";
    int dits = 2; // the letter space beyond the last element's gap
    for (const char* e = code; *e != 0; ++e)
        dits += (*e == '.' ? 1 : 3) + 1;
    return dits;
}

void MakeRaw(int fd)
{
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
}

QString Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}

} // namespace

WinKeyDeviceModel::WinKeyDeviceModel(QString linkPath) : linkPath_(std::move(linkPath)) {}

WinKeyDeviceModel::~WinKeyDeviceModel()
{
    unplug();
}

double WinKeyDeviceModel::nowMs() const
{
    return std::chrono::duration<double, std::milli>(Clock::now() - epoch_).count();
}

void WinKeyDeviceModel::setHostOpenReply(const QByteArray& reply)
{
    const std::lock_guard lock(mutex_);
    hostOpenReply_ = reply;
}

void WinKeyDeviceModel::setEchoAtStart(bool atStart)
{
    const std::lock_guard lock(mutex_);
    echoAtStart_ = atStart;
}

bool WinKeyDeviceModel::plugIn()
{
    unplug();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return false;
    const QByteArray slave = ::ptsname(master_);
    MakeRaw(master_);
    // Held, so the master sees no hang-up while the host has the port closed.
    heldSlave_ = ::open(slave.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    MakeRaw(heldSlave_);
    QFile::remove(linkPath_);
    if (!QFile::link(QString::fromLocal8Bit(slave), linkPath_))
        return false;
    {
        const std::lock_guard lock(mutex_);
        stop_ = false;
        inbound_.clear();
        outbound_.clear();
        pending_.clear();
        buffer_.clear();
        current_ = {};
        currentEndsAt_ = paddleEndsAt_ = -1;
        status_ = 0xC0;
        note(QStringLiteral("plugged in"));
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void WinKeyDeviceModel::unplug()
{
    if (!thread_.joinable())
        return;
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    thread_.join();
    QFile::remove(linkPath_);
    ::close(heldSlave_);
    ::close(master_);
    heldSlave_ = master_ = -1;
    const std::lock_guard lock(mutex_);
    note(QStringLiteral("unplugged"));
}

void WinKeyDeviceModel::paddle(int ms)
{
    const std::lock_guard lock(mutex_);
    buffer_.clear();
    if (current_.text != 0)
        endCurrent(false);
    paddleEndsAt_ = nowMs() + ms;
    note(QStringLiteral("paddle %1 ms").arg(ms));
    reportStatus();
}

void WinKeyDeviceModel::inject(const QByteArray& bytes)
{
    const std::lock_guard lock(mutex_);
    toHost(bytes);
}

QStringList WinKeyDeviceModel::log() const
{
    const std::lock_guard lock(mutex_);
    return log_;
}

bool WinKeyDeviceModel::waitFor(const QString& prefix, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        {
            const std::lock_guard lock(mutex_);
            for (; matched_ < log_.size(); ++matched_) {
                if (log_.at(matched_).startsWith(prefix)) {
                    ++matched_;
                    return true;
                }
            }
        }
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
}

void WinKeyDeviceModel::note(const QString& entry)
{
    log_.append(entry);
}

void WinKeyDeviceModel::run()
{
    for (;;) {
        pollfd fd{master_, POLLIN, 0};
        ::poll(&fd, 1, 1);
        const std::lock_guard lock(mutex_);
        if (stop_)
            return;
        char buffer[256];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        for (ssize_t i = 0; i < n; ++i) {
            inboundFreeAt_ = std::max(inboundFreeAt_, nowMs()) + kByteMs;
            inbound_.emplace_back(static_cast<std::uint8_t>(buffer[i]), inboundFreeAt_);
        }
        step();
    }
}

void WinKeyDeviceModel::step()
{
    const double now = nowMs();
    while (!inbound_.empty() && inbound_.front().second <= now) {
        const std::uint8_t b = inbound_.front().first;
        inbound_.pop_front();
        takeByte(b);
    }
    if (paddleEndsAt_ >= 0 && now >= paddleEndsAt_) {
        paddleEndsAt_ = -1;
        reportStatus();
    }
    if (current_.text != 0 && now >= currentEndsAt_)
        endCurrent(true);
    if (current_.text == 0)
        startNext();
    QByteArray out;
    while (!outbound_.empty() && outbound_.front().second <= now) {
        out += outbound_.front().first;
        outbound_.pop_front();
    }
    if (!out.isEmpty())
        (void)::write(master_, out.constData(), static_cast<std::size_t>(out.size()));
}

void WinKeyDeviceModel::takeByte(std::uint8_t b)
{
    pending_ += static_cast<char>(b);
    const auto command = static_cast<std::uint8_t>(pending_.at(0));
    if (command == 0xFF) { // the end of a calibration
        note(QStringLiteral("rx FF"));
        pending_.clear();
        return;
    }
    if (command < 0x20 && pending_.size() < 2 && ArgumentCount(command, 0) > 0)
        return;
    if (pending_.size() < 1 + ArgumentCount(command, pending_.size() > 1 ? static_cast<std::uint8_t>(pending_.at(1)) : 0))
        return;
    const QByteArray whole = std::exchange(pending_, QByteArray());
    note(QStringLiteral("rx ") + Hex(whole));
    handle(whole);
}

void WinKeyDeviceModel::handle(const QByteArray& c)
{
    const auto command = static_cast<std::uint8_t>(c.at(0));
    const auto arg = [&c](int i) { return static_cast<std::uint8_t>(c.at(i + 1)); };
    switch (command) {
    case 0x00:
        if (arg(0) == 0x02)
            toHost(hostOpenReply_);
        else if (arg(0) == 0x04)
            toHost(c.mid(2, 1));
        break;
    case 0x02: wpm_ = arg(0) == 0 ? 20 : arg(0); break;
    case 0x0A:
        buffer_.clear();
        if (current_.text != 0)
            endCurrent(false);
        break;
    case 0x0B: note(arg(0) ? QStringLiteral("key down") : QStringLiteral("key up")); break;
    case 0x0F: wpm_ = arg(1); break;
    case 0x1B: buffer_.push_back({static_cast<char>(arg(0)), static_cast<char>(arg(1)), 0}); break;
    case 0x1C: buffer_.push_back({0, 0, arg(0)}); break;
    default:
        if (command >= 0x20 && command < 0x80)
            buffer_.push_back({static_cast<char>(command), 0, 0});
        break;
    }
}

void WinKeyDeviceModel::toHost(const QByteArray& bytes)
{
    for (const char b : bytes) {
        outboundFreeAt_ = std::max(outboundFreeAt_, nowMs()) + kByteMs;
        outbound_.emplace_back(b, outboundFreeAt_);
        note(QStringLiteral("tx ") + Hex(QByteArray(1, b)));
    }
}

void WinKeyDeviceModel::startNext()
{
    while (paddleEndsAt_ < 0 && !buffer_.empty() && buffer_.front().text == 0) {
        wpm_ = buffer_.front().speed;
        buffer_.pop_front();
    }
    if (paddleEndsAt_ >= 0 || buffer_.empty()) {
        reportStatus();
        return;
    }
    current_ = buffer_.front();
    buffer_.pop_front();
    const int dits = Dits(current_.text) + (current_.merged != 0 ? Dits(current_.merged) - 2 : 0);
    currentEndsAt_ = nowMs() + dits * 1200.0 / std::clamp(wpm_, 5, 99);
    note(QStringLiteral("key '%1%2'").arg(QLatin1Char(current_.text)).arg(current_.merged ? QString(QLatin1Char(current_.merged)) : QString()));
    reportStatus();
    if (echoAtStart_ && current_.text != '|')
        toHost(QByteArray(1, current_.text) + (current_.merged ? QByteArray(1, current_.merged) : QByteArray()));
}

void WinKeyDeviceModel::endCurrent(bool keyed)
{
    if (!keyed)
        note(QStringLiteral("cleared '%1'").arg(QLatin1Char(current_.text)));
    else if (!echoAtStart_ && current_.text != '|')
        toHost(QByteArray(1, current_.text) + (current_.merged ? QByteArray(1, current_.merged) : QByteArray()));
    current_ = {};
}

void WinKeyDeviceModel::reportStatus()
{
    const bool busy = current_.text != 0 || !buffer_.empty();
    const auto status = static_cast<std::uint8_t>(0xC0 | (busy ? 0x04 : 0) | (paddleEndsAt_ >= 0 ? 0x02 : 0));
    if (status == status_)
        return;
    status_ = status;
    toHost(QByteArray(1, static_cast<char>(status)));
}

} // namespace tavrik::test
