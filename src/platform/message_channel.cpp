#include "platform/message_channel.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <QtEndian>

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace tavrik {
namespace {

constexpr std::uint32_t kFlagWantsReply = 1;
constexpr int kListenBacklog = 16;
// More unasked records than this before a request, and the peer is flooding the connection.
constexpr int kMostSkippedRecords = 64;
// An accept that fails for want of descriptors or memory is tried again after a pause that
// doubles up to the longest: the connection waits in the backlog meanwhile.
constexpr std::chrono::milliseconds kFirstAcceptPause{20};
constexpr std::chrono::milliseconds kLongestAcceptPause{1000};

// recv's 0 on a SOCK_SEQPACKET socket is an empty record or the peer's end: only an end
// leaves the socket shut for reading with nothing more queued.
bool PeerHasEnded(int fd)
{
    pollfd state{fd, POLLRDHUP, 0};
    if (::poll(&state, 1, 0) < 0 || (state.revents & (POLLRDHUP | POLLHUP | POLLERR)) == 0)
        return false;
    int queued = 0;
    return ::ioctl(fd, FIONREAD, &queued) != 0 || queued == 0;
}

QString ErrnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool FillAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray native = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (native.isEmpty() || static_cast<std::size_t>(native.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
    return true;
}

int NewSocket()
{
    return ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

// A connected socket to the listener at path, or -1.
int ConnectTo(const QString& path)
{
    sockaddr_un address;
    if (!FillAddress(path, address))
        return -1;
    const int fd = NewSocket();
    if (fd < 0)
        return -1;
    // Local sockets connect at once or fail at once (EAGAIN when the backlog is full).
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

using Deadline = std::chrono::steady_clock::time_point;

// Waits for `events` on fd until the deadline; false on timeout or a dead socket. Past the
// first quiet stretch, `between` runs after each further one.
bool WaitFor(int fd, short events, Deadline deadline, const std::function<void()>& between = {})
{
    auto sliceEnd = std::chrono::steady_clock::now() + MessageChannel::kQuietWait;
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (between && now >= sliceEnd) {
            between();
            sliceEnd = std::chrono::steady_clock::now() + MessageChannel::kQuietWait;
        }
        const Deadline until = between ? std::min(deadline, sliceEnd) : deadline;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd entry{fd, events, 0};
        // Round up, so a wait of less than a millisecond is not a busy loop.
        const int ms = left.count() < 0 ? 0 : static_cast<int>(left.count()) + 1;
        const int ready = ::poll(&entry, 1, ms);
        if (ready > 0)
            return (entry.revents & events) != 0;
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready == 0 && std::chrono::steady_clock::now() >= deadline)
            return false;
    }
}

} // namespace

QByteArray EncodeRecord(const MessageRecord& record)
{
    QByteArray bytes(kMessageRecordSize, '\0');
    char* out = bytes.data();
    std::memcpy(out, record.name.constData(),
                static_cast<std::size_t>(std::min(record.name.size(), kMessageNameSize - 1)));
    qToLittleEndian<std::int32_t>(record.wParam, out + 32);
    qToLittleEndian<std::int32_t>(record.lParam, out + 36);
    qToLittleEndian<std::uint32_t>(record.wantsReply ? kFlagWantsReply : 0, out + 40);
    return bytes;
}

std::optional<MessageRecord> DecodeRecord(QByteArrayView bytes)
{
    if (bytes.size() != kMessageRecordSize)
        return std::nullopt;
    const QByteArrayView nameField = bytes.first(kMessageNameSize);
    const qsizetype nul = nameField.indexOf('\0');
    if (nul < 0)
        return std::nullopt;
    MessageRecord record;
    record.name = nameField.first(nul).toByteArray();
    record.wParam = qFromLittleEndian<std::int32_t>(bytes.data() + 32);
    record.lParam = qFromLittleEndian<std::int32_t>(bytes.data() + 36);
    record.wantsReply = (qFromLittleEndian<std::uint32_t>(bytes.data() + 40) & kFlagWantsReply) != 0;
    return record;
}

QString MessageSocketPath(const QString& runtimeDir, const QString& windowTitle)
{
    if (windowTitle.isEmpty() || windowTitle.contains(u'/') || windowTitle == u"." || windowTitle == u"..")
        return {};
    const QString path = runtimeDir + u'/' + windowTitle;
    sockaddr_un address;
    return FillAddress(path, address) ? path : QString();
}

MessageChannel::MessageChannel(QString socketPath) : path_(std::move(socketPath)) {}

MessageChannel::~MessageChannel()
{
    disconnect();
}

bool MessageChannel::connectToPeer()
{
    disconnect();
    fd_ = ConnectTo(path_);
    return fd_ >= 0;
}

void MessageChannel::disconnect()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool MessageChannel::ensureConnected()
{
    return fd_ >= 0 || connectToPeer();
}

bool MessageChannel::sendRecord(const QByteArray& bytes)
{
    // A peer that restarted since the last message is found gone only now: this message
    // goes on a fresh connection rather than being lost.
    for (bool retried = false;; retried = true) {
        if (!ensureConnected())
            return false;
        if (::send(fd_, bytes.constData(), static_cast<std::size_t>(bytes.size()), MSG_DONTWAIT | MSG_NOSIGNAL) == bytes.size())
            return true;
        const bool peerGone = errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN;
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return false;
        disconnect();
        if (!peerGone || retried)
            return false;
    }
}

bool MessageChannel::post(const MessageRecord& record)
{
    MessageRecord posted = record;
    posted.wantsReply = false;
    return sendRecord(EncodeRecord(posted));
}

std::optional<std::int32_t> MessageChannel::send(MessageRecord record, std::chrono::milliseconds timeout,
                                                 const std::function<void()>& whileWaiting)
{
    const Deadline deadline = std::chrono::steady_clock::now() + timeout;
    lastFailure_ = SendFailure::NoPeer;
    if (!ensureConnected())
        return std::nullopt;
    // Nothing but our own reply may be taken for it: whatever a peer wrote unasked goes. A
    // peer that keeps writing would hold the keyer here: its connection is given up for a
    // fresh one, which holds nothing unasked.
    char scratch[16];
    int skipped = 0;
    while (::recv(fd_, scratch, sizeof(scratch), MSG_DONTWAIT) > 0) {
        if (++skipped == kMostSkippedRecords) {
            disconnect();
            break;
        }
    }
    record.wantsReply = true;
    const QByteArray bytes = EncodeRecord(record);
    bool sent = false;
    while (!sent) {
        if (sendRecord(bytes))
            sent = true;
        else if (fd_ < 0 || !WaitFor(fd_, POLLOUT, deadline, whileWaiting))
            break;
    }
    if (fd_ >= 0)
        lastFailure_ = SendFailure::ConnectionLost;
    if (sent) {
        while (WaitFor(fd_, POLLIN, deadline, whileWaiting)) {
            const ssize_t got = ::recv(fd_, scratch, sizeof(scratch), MSG_DONTWAIT);
            if (got == kMessageReplySize)
                return qFromLittleEndian<std::int32_t>(scratch);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                break;
        }
    }
    if (fd_ >= 0 && std::chrono::steady_clock::now() >= deadline)
        lastFailure_ = SendFailure::Timeout;
    // A late reply must never answer the next request: start the next one on a fresh connection.
    disconnect();
    return std::nullopt;
}

bool MessageChannel::sendUnanswered(const std::vector<MessageRecord>& records)
{
    // A fresh connection: nothing a late reply or a stale request left on the old one counts.
    disconnect();
    bool all = true;
    for (MessageRecord record : records) {
        record.wantsReply = true;
        all = sendRecord(EncodeRecord(record)) && all;
    }
    // What was sent stays queued for the peer after the close.
    disconnect();
    return all;
}

MessageListener::MessageListener(QByteArray messageName, ConnectionHandler handler, QObject* parent)
    : QObject(parent), name_(std::move(messageName)), handler_(std::move(handler))
{
}

MessageListener::MessageListener(QByteArray messageName, Handler handler, QObject* parent)
    : MessageListener(std::move(messageName),
                      ConnectionHandler([handler = std::move(handler)](const MessageRecord& record, int) {
                          return handler(record);
                      }),
                      parent)
{
}

MessageListener::~MessageListener()
{
    for (auto& [fd, connection] : connections_) {
        connection.notifier->setEnabled(false);
        ::close(fd);
    }
    connections_.clear();
    if (listenFd_ >= 0) {
        listenNotifier_.reset();
        ::close(listenFd_);
        unlink(QFile::encodeName(path_).constData());
    }
}

MessageListener::ListenStatus MessageListener::listen(const QString& socketPath)
{
    sockaddr_un address;
    if (listenFd_ >= 0 || !FillAddress(socketPath, address)) {
        error_ = QStringLiteral("%1: cannot listen there").arg(socketPath);
        return ListenStatus::Failed;
    }
    const QByteArray native = QFile::encodeName(socketPath);
    struct stat info {};
    if (lstat(native.constData(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            error_ = QStringLiteral("%1 exists and is not a socket").arg(socketPath);
            return ListenStatus::Failed;
        }
        const int probe = ConnectTo(socketPath);
        if (probe >= 0) {
            ::close(probe);
            error_ = QStringLiteral("another program listens on %1").arg(socketPath);
            return ListenStatus::AlreadyRunning;
        }
        // Left behind by a program that ended without removing it.
        unlink(native.constData());
    }
    const int fd = NewSocket();
    if (fd < 0) {
        error_ = ErrnoText();
        return ListenStatus::Failed;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0
        || ::listen(fd, kListenBacklog) != 0) {
        error_ = QStringLiteral("%1: %2").arg(socketPath, ErrnoText());
        ::close(fd);
        return ListenStatus::Failed;
    }
    chmod(native.constData(), 0600);
    listenFd_ = fd;
    path_ = socketPath;
    listenNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(listenNotifier_.get(), &QSocketNotifier::activated, this, &MessageListener::acceptPending);
    return ListenStatus::Listening;
}

void MessageListener::acceptPending()
{
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0 && (errno == EINTR || errno == ECONNABORTED))
            continue;
        if (fd < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // The connection stays pending, so the notifier would fire again at once: wait.
            listenNotifier_->setEnabled(false);
            acceptPause_ = std::clamp(acceptPause_ * 2, kFirstAcceptPause, kLongestAcceptPause);
            QTimer::singleShot(acceptPause_, this, [this] {
                if (listenNotifier_)
                    listenNotifier_->setEnabled(true);
            });
            return;
        }
        if (fd < 0)
            return;
        acceptPause_ = std::chrono::milliseconds(0);
        auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(notifier.get(), &QSocketNotifier::activated, this, [this, fd] { readFrom(fd); });
        connections_.emplace(fd, Connection{++lastConnectionId_, std::move(notifier)});
    }
}

void MessageListener::readFrom(int fd)
{
    for (;;) {
        char buffer[kMessageRecordSize + 1];
        const ssize_t got = ::recv(fd, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (got < 0 || (got == 0 && PeerHasEnded(fd))) {
            dropConnection(fd);
            return;
        }
        // A record of the wrong size is no message; its sender cannot be answered sensibly.
        const std::optional<MessageRecord> record = DecodeRecord(QByteArrayView(buffer, got));
        if (!record)
            continue;
        const int id = connections_.at(fd).id;
        const std::int32_t reply = record->name == name_ ? handler_(*record, id) : 0;
        // The handler may have closed this connection: its socket is no longer ours to use.
        if (!connections_.contains(fd))
            return;
        if (record->wantsReply) {
            char bytes[kMessageReplySize];
            qToLittleEndian<std::int32_t>(reply, bytes);
            ::send(fd, bytes, sizeof(bytes), MSG_DONTWAIT | MSG_NOSIGNAL);
        }
    }
}

void MessageListener::closeConnection(int connection)
{
    for (const auto& [fd, open] : connections_) {
        if (open.id == connection) {
            dropConnection(fd);
            return;
        }
    }
}

void MessageListener::dropConnection(int fd)
{
    const auto found = connections_.find(fd);
    if (found == connections_.end())
        return;
    // Called from the notifier's own signal: it may only go once control is back in the loop.
    const int id = found->second.id;
    found->second.notifier->setEnabled(false);
    found->second.notifier.release()->deleteLater();
    connections_.erase(found);
    ::close(fd);
    emit connectionClosed(id);
}

} // namespace tavrik
