#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace tavrik::test {

// A WinKey of its own, written from the keyer's public command table and kept apart from
// tools/winkey-emulator, so the driver is not only tested against a keyer made to fit it.
// It sits on a pseudo-terminal reached through a fixed symbolic link (a USB keyer's stable
// name), answers from a thread of its own (Tavrik's window blocks during the handshake),
// takes 9.17 ms a byte each way (1200 baud, 8N2) and logs every byte:
//   "rx 0B 01"   a host command with its arguments, or one text byte
//   "tx 41"      a byte sent to the host
//   "key 'A'"    a character starts; "cleared 'A'" it was dropped by clear buffer or paddles
class WinKeyDeviceModel {
public:
    static constexpr double kByteMs = 11 * 1000.0 / 1200;

    explicit WinKeyDeviceModel(QString linkPath);
    ~WinKeyDeviceModel();

    QString path() const { return linkPath_; }
    // What the keyer answers the host open with; its revision, 23, unless set.
    void setHostOpenReply(const QByteArray& reply);
    void setEchoAtStart(bool atStart);
    bool plugIn();
    void unplug();

    // The operator's paddles for `ms`: the buffer and the character being keyed are dropped.
    void paddle(int ms);
    // Bytes straight to the host, in one write.
    void inject(const QByteArray& bytes);

    QStringList log() const;
    // Waits, running the caller's events, for an entry starting with `prefix` after the one
    // matched last; false after `timeoutMs`.
    bool waitFor(const QString& prefix, int timeoutMs = 10000);

private:
    using Clock = std::chrono::steady_clock;
    struct Item {
        char text = 0;     // 0: a buffered speed change
        char merged = 0;   // the second letter of a merged pair
        int speed = 0;
    };

    double nowMs() const;
    void run();
    void step();
    void takeByte(std::uint8_t b);
    void handle(const QByteArray& command);
    void toHost(const QByteArray& bytes);
    void startNext();
    void endCurrent(bool echo);
    void reportStatus();
    void note(const QString& entry);

    const QString linkPath_;
    Clock::time_point epoch_ = Clock::now();
    mutable std::mutex mutex_;
    std::thread thread_;
    bool stop_ = false;
    int master_ = -1;
    int heldSlave_ = -1;

    QByteArray hostOpenReply_ = QByteArray(1, 23);
    bool echoAtStart_ = false;
    std::deque<std::pair<std::uint8_t, double>> inbound_;
    double inboundFreeAt_ = 0;
    std::deque<std::pair<char, double>> outbound_;
    double outboundFreeAt_ = 0;
    QByteArray pending_;
    std::deque<Item> buffer_;
    int wpm_ = 20;
    Item current_;
    double currentEndsAt_ = -1;
    double paddleEndsAt_ = -1;
    std::uint8_t status_ = 0xC0;
    QStringList log_;
    qsizetype matched_ = 0;
};

} // namespace tavrik::test
