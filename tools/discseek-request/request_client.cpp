#include "request_client.h"

#include "platform/message_channel.h"

#include <QFile>
#include <QFileInfo>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// False at the deadline; true when one of `events` (or a hang-up) is there.
bool WaitFor(int fd, short events, DiscseekConnection::Deadline deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, left.count() < 0 ? 0 : static_cast<int>(left.count()) + 1);
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

DiscseekConnection::~DiscseekConnection()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool DiscseekConnection::connectTo(const QString& socketPath)
{
    const QByteArray native = QFile::encodeName(socketPath);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (native.isEmpty() || static_cast<std::size_t>(native.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return false;
    }
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
    return true;
}

bool DiscseekConnection::post(std::int32_t wParam, std::int32_t lParam, Deadline deadline, const QByteArray& name)
{
    const QByteArray bytes = tavrik::EncodeRecord({name, wParam, lParam, false});
    while (fd_ >= 0) {
        if (::send(fd_, bytes.constData(), static_cast<std::size_t>(bytes.size()), MSG_DONTWAIT | MSG_NOSIGNAL)
            == bytes.size())
            return true;
        if ((errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) || !WaitFor(fd_, POLLOUT, deadline))
            return false;
    }
    return false;
}

bool DiscseekConnection::waitForEnd(Deadline deadline)
{
    // Discseek never writes on this connection: the only thing to come is its end.
    while (fd_ >= 0 && WaitFor(fd_, POLLIN, deadline)) {
        char scratch[16];
        const ssize_t got = ::recv(fd_, scratch, sizeof(scratch), MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            return true;
    }
    return false;
}

QString DiscseekConnection::peerWorkingDirectory() const
{
    ucred peer{};
    socklen_t size = sizeof(peer);
    if (fd_ < 0 || getsockopt(fd_, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.pid <= 0)
        return {};
    return QFileInfo(QStringLiteral("/proc/%1/cwd").arg(peer.pid)).symLinkTarget();
}
