#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace tavrik::test {

// A pseudo-terminal: the program opens the slave by path, the test talks through the master.
class Pty {
public:
    Pty()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0)
            slavePath_ = QString::fromLocal8Bit(::ptsname(master_));
    }
    ~Pty()
    {
        if (master_ >= 0)
            ::close(master_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return !slavePath_.isEmpty(); }
    QString slavePath() const { return slavePath_; }
    bool send(const QByteArray& bytes) { return ::write(master_, bytes.constData(), bytes.size()) == bytes.size(); }
    // Whatever arrives within the timeout.
    QByteArray receive(int timeoutMs = 1000)
    {
        QByteArray out;
        pollfd p{master_, POLLIN, 0};
        while (::poll(&p, 1, out.isEmpty() ? timeoutMs : 50) > 0) {
            char buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            out.append(buffer, n);
        }
        return out;
    }

private:
    int master_ = -1;
    QString slavePath_;
};

} // namespace tavrik::test
