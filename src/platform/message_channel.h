#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;

// Window messages between programs: every window that takes messages listens on an AF_UNIX
// SOCK_SEQPACKET socket named after its title in the runtime directory. A message is one
// fixed 48-byte record; a reply is one int32. docs/link-protocol.md fixes the format.
namespace tavrik {

struct MessageRecord {
    QByteArray name;         // the registered message name, at most 31 bytes
    std::int32_t wParam = 0;
    std::int32_t lParam = 0;
    bool wantsReply = false; // flags bit 0: the sender waits for a reply
};

inline constexpr qsizetype kMessageRecordSize = 48;
inline constexpr qsizetype kMessageNameSize = 32;
inline constexpr qsizetype kMessageReplySize = 4;
inline constexpr std::chrono::milliseconds kSendTimeout{2000};

// Little-endian: name (NUL-padded), wParam, lParam, flags, four zero bytes.
QByteArray EncodeRecord(const MessageRecord& record);
// Empty unless the bytes are exactly one record whose name ends in a NUL.
std::optional<MessageRecord> DecodeRecord(QByteArrayView bytes);

// The socket of the window with this title, or empty when the title cannot name a file there.
QString MessageSocketPath(const QString& runtimeDir, const QString& windowTitle);

// The sending side: one connection to a window's socket. Never blocks beyond the send timeout.
// A broken connection is dropped and tried again, once, at the next message.
class MessageChannel {
public:
    explicit MessageChannel(QString socketPath);
    ~MessageChannel();
    MessageChannel(const MessageChannel&) = delete;
    MessageChannel& operator=(const MessageChannel&) = delete;

    // The window lookup: true when a program listens there. A socket file that nobody
    // listens on (its program crashed) is no window.
    bool connectToPeer();
    void disconnect();

    // Sends and forgets. A full or missing peer drops the message (false).
    bool post(const MessageRecord& record);
    // Waits for the reply at most `timeout`; empty when none came. A reply that is slow to
    // come (more than kQuietWait) has `whileWaiting` run every kQuietWait meanwhile, so the
    // caller's window can repaint.
    std::optional<std::int32_t> send(MessageRecord record, std::chrono::milliseconds timeout = kSendTimeout,
                                     const std::function<void()>& whileWaiting = {});
    static constexpr std::chrono::milliseconds kQuietWait{20};
    // Requests whose replies nobody waits for, in order on one fresh connection that is then
    // closed; false when they could not all go.
    bool sendUnanswered(const std::vector<MessageRecord>& records);

    enum class SendFailure { NoPeer, Timeout, ConnectionLost };
    // Why the last send got no reply.
    SendFailure lastSendFailure() const { return lastFailure_; }

private:
    bool ensureConnected();
    // One record, without waiting; false when it did not go.
    bool sendRecord(const QByteArray& bytes);

    QString path_;
    int fd_ = -1;
    SendFailure lastFailure_ = SendFailure::NoPeer;
};

// The receiving side of one window, driven by the Qt event loop. Records carrying another
// message name are not delivered; a sender waiting on one gets 0, as from an unknown message.
class MessageListener final : public QObject {
    Q_OBJECT
public:
    // Returns the reply; only used when the sender waits for one.
    using Handler = std::function<std::int32_t(const MessageRecord&)>;
    // The same, told which connection the message came on: a number that no later
    // connection of this listener takes again.
    using ConnectionHandler = std::function<std::int32_t(const MessageRecord&, int connection)>;

    enum class ListenStatus { Listening, AlreadyRunning, Failed };

    MessageListener(QByteArray messageName, Handler handler, QObject* parent = nullptr);
    MessageListener(QByteArray messageName, ConnectionHandler handler, QObject* parent = nullptr);
    ~MessageListener() override;

    // Takes over a stale socket file; refuses while another program listens there.
    ListenStatus listen(const QString& socketPath);
    const QString& lastError() const { return error_; }
    int connectionCount() const { return static_cast<int>(connections_.size()); }
    // Ends one sender's connection, as if it had hung up; harmless for one already closed.
    // May be called from the handler.
    void closeConnection(int connection);

signals:
    // A sender's connection ended: it closed it, or ended without doing so.
    void connectionClosed(int connection);

private:
    struct Connection {
        int id;
        std::unique_ptr<QSocketNotifier> notifier;
    };
    void acceptPending();
    void readFrom(int fd);
    void dropConnection(int fd);

    QByteArray name_;
    ConnectionHandler handler_;
    QString path_;
    QString error_;
    int listenFd_ = -1;
    int lastConnectionId_ = 0;
    std::chrono::milliseconds acceptPause_{0};
    std::unique_ptr<QSocketNotifier> listenNotifier_;
    std::map<int, Connection> connections_; // by socket
};

} // namespace tavrik
