#include "window_socket.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tavrik::standin {
namespace {

constexpr qsizetype kRecordBytes = 48;
constexpr qsizetype kNameBytes = 32;
constexpr std::uint32_t kWantsReply = 0x1;

std::int32_t Int32At(const unsigned char* at)
{
    const std::uint32_t v = at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
    return static_cast<std::int32_t>(v);
}

QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool AddressOf(const QString& path, sockaddr_un& address)
{
    const QByteArray native = QFile::encodeName(path);
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (native.isEmpty() || static_cast<std::size_t>(native.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
    return true;
}

// Whether a program accepts connections at the socket file.
bool SomeoneListens(const sockaddr_un& address)
{
    const int probe = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    const bool listens = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(probe);
    return listens;
}

// A read of 0 is an empty record or the sender's end; only the end leaves the socket shut
// with nothing more to read.
bool SenderHasEnded(int fd)
{
    pollfd entry{fd, POLLRDHUP, 0};
    if (::poll(&entry, 1, 0) <= 0 || (entry.revents & (POLLRDHUP | POLLHUP | POLLERR)) == 0)
        return false;
    int waiting = 0;
    return ::ioctl(fd, FIONREAD, &waiting) != 0 || waiting == 0;
}

} // namespace

WindowSocket::WindowSocket(QByteArray messageName, Handler handler, QObject* parent)
    : QObject(parent), messageName_(std::move(messageName)), handler_(std::move(handler))
{
}

WindowSocket::~WindowSocket()
{
    for (auto& [fd, connection] : connections_) {
        connection.notifier->setEnabled(false);
        ::close(fd);
    }
    if (listenFd_ < 0)
        return;
    listenNotifier_.reset();
    ::close(listenFd_);
    // Only our own socket file: a newer copy may have taken the name over.
    const QByteArray native = QFile::encodeName(path_);
    struct stat atPath {};
    if (::lstat(native.constData(), &atPath) == 0 && atPath.st_dev == device_ && atPath.st_ino == inode_)
        ::unlink(native.constData());
}

WindowSocket::ListenResult WindowSocket::listen(const QString& path, QString& why)
{
    sockaddr_un address;
    if (listenFd_ >= 0 || !AddressOf(path, address)) {
        why = path + QStringLiteral(": no socket can be bound there");
        return ListenResult::Failed;
    }
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(native.constData(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            why = path + QStringLiteral(" is in the way and is no socket");
            return ListenResult::Failed;
        }
        if (SomeoneListens(address)) {
            why = QStringLiteral("another program listens on ") + path;
            return ListenResult::AnotherCopyListens;
        }
        // Left by a copy that ended without removing it.
        ::unlink(native.constData());
    }
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        why = SystemError();
        return ListenResult::Failed;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 || ::listen(fd, 16) != 0
        || ::chmod(native.constData(), 0600) != 0 || ::lstat(native.constData(), &info) != 0) {
        why = path + QStringLiteral(": ") + SystemError();
        ::close(fd);
        return ListenResult::Failed;
    }
    listenFd_ = fd;
    path_ = path;
    device_ = info.st_dev;
    inode_ = info.st_ino;
    listenNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(listenNotifier_.get(), &QSocketNotifier::activated, this, &WindowSocket::acceptWaiting);
    return ListenResult::Listening;
}

void WindowSocket::acceptWaiting()
{
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            acceptPause_ = std::chrono::milliseconds(0);
            auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            connect(notifier.get(), &QSocketNotifier::activated, this, [this, fd] { serve(fd); });
            connections_.emplace(fd, Connection{++lastConnection_, std::move(notifier)});
        } else if (errno == EINTR || errno == ECONNABORTED) {
            continue;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return;
        } else {
            pauseAccepting();
            return;
        }
    }
}

void WindowSocket::pauseAccepting()
{
    // Out of descriptors: the connection waits in the backlog and would wake us at once.
    listenNotifier_->setEnabled(false);
    acceptPause_ = std::clamp(acceptPause_ * 2, std::chrono::milliseconds(20), std::chrono::milliseconds(1000));
    QTimer::singleShot(acceptPause_, this, [this] { listenNotifier_->setEnabled(true); });
}

void WindowSocket::serve(int fd)
{
    for (;;) {
        unsigned char record[kRecordBytes + 1];
        const ssize_t got = ::recv(fd, record, sizeof(record), MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        if (got < 0 || (got == 0 && SenderHasEnded(fd))) {
            hangUp(fd);
            return;
        }
        if (got != kRecordBytes)
            continue;
        const auto* nameEnd = static_cast<const unsigned char*>(std::memchr(record, 0, kNameBytes));
        const QByteArray name = nameEnd != nullptr
                                    ? QByteArray(reinterpret_cast<const char*>(record), nameEnd - record)
                                    : QByteArray();
        WindowMessage message;
        message.wParam = Int32At(record + 32);
        message.lParam = Int32At(record + 36);
        message.wantsReply = (static_cast<std::uint32_t>(Int32At(record + 40)) & kWantsReply) != 0;
        const std::int32_t reply = name == messageName_ ? handler_(message, connections_.at(fd).number) : 0;
        if (message.wantsReply) {
            const auto v = static_cast<std::uint32_t>(reply);
            const unsigned char bytes[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                            static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
            ::send(fd, bytes, sizeof(bytes), MSG_DONTWAIT | MSG_NOSIGNAL);
        }
    }
}

void WindowSocket::hangUp(int fd)
{
    const auto found = connections_.find(fd);
    if (found == connections_.end())
        return;
    const int number = found->second.number;
    // Its notifier is the one calling us: it goes once control is back in the event loop.
    found->second.notifier->setEnabled(false);
    found->second.notifier.release()->deleteLater();
    connections_.erase(found);
    ::close(fd);
    emit connectionClosed(number);
}

} // namespace tavrik::standin
