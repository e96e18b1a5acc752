#pragma once

#include "netkeyer/request.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

#include <vector>

namespace tavrik::netkeyer {

// What the network keyer drives: the typing box and the keyer behind it.
class KeyingStation {
public:
    virtual ~KeyingStation() = default;
    // Text at the end of the box, as typed text goes there; sending starts as it would.
    virtual void queue(const QString& boxText) = 0;
    virtual qsizetype queuedLength() const = 0;
    // Nothing waits in the box and nothing is being sent.
    virtual bool idle() const = 0;
    // The operator's speed from now on.
    virtual void setSpeed(int wpm) = 0;
    virtual void abort() = 0;
    // The stored speed, tone and PTT delay back, the queue emptied.
    virtual void reset() = 0;
    // 0 silences the sidetone.
    virtual void setTone(int hz) = 0;
    virtual void setPttDelay(int ms) = 0;
    virtual void tune(bool on) = 0;
    virtual bool tuning() const = 0;
};

// The cwdaemon protocol on a UDP socket: each datagram a request, replies to its sender.
class NetworkKeyer final : public QObject {
public:
    // The most text the box may hold unsent from the network; a request beyond it is dropped.
    static constexpr qsizetype kLongestQueue = 4096;
    // Datagrams taken in one turn of the event loop before the window's own events.
    static constexpr int kDatagramsPerTurn = 32;
    // How often a pending reply looks whether its text has gone.
    static constexpr int kReplyPollMs = 2;

    explicit NetworkKeyer(KeyingStation& station);

    // False, with problem() in words, when the address cannot be taken.
    bool listen(const QHostAddress& address, quint16 port);
    void stop();
    bool listening() const { return socket_.state() == QAbstractSocket::BoundState; }
    QString problem() const { return problem_; }

    // Any abort, the operator's too: a reply still waiting gets "break".
    void queueAborted();

private:
    struct Reply {
        QHostAddress to;
        quint16 port;
        QByteArray text;
    };

    void takeDatagrams();
    void handle(const Request& request, const QHostAddress& from, quint16 port);
    void queueText(const QByteArray& text, const QHostAddress& from, quint16 port);
    void speed(int wpm);
    void tune(int seconds);
    void sendRepliesOnceKeyed();
    void endTune();

    KeyingStation& station_;
    QUdpSocket socket_;
    QString problem_;
    QTimer turn_;
    QTimer replyPoll_;
    QTimer tuneEnd_;
    // ESC h waiting for the text request it answers.
    std::optional<Reply> armed_;
    std::vector<Reply> pending_;
    bool wordMode_ = false;
    bool ourTune_ = false;
};

} // namespace tavrik::netkeyer
