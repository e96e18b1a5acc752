#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tavrik::test {

// A TCP port nothing listens on right now.
inline std::uint16_t FreeTcpPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// Hamlib's dummy radio behind a real rigctld on a port of its own, its -vvvvv log kept as the
// witness of what reached it.
class RealRigctld {
public:
    RealRigctld() : port_(FreeTcpPort())
    {
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.setStandardOutputFile(logPath());
        process_.start(QStringLiteral("rigctld"), {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-P"),
                                                   QStringLiteral("RIG"), QStringLiteral("-T"), QStringLiteral("127.0.0.1"),
                                                   QStringLiteral("-t"), QString::number(port_), QStringLiteral("-vvvvv")});
        process_.waitForStarted(5000);
        for (int i = 0; i < 100 && !listening(); ++i)
            QThread::msleep(50);
    }
    ~RealRigctld()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    std::uint16_t port() const { return port_; }
    bool listening() const
    {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), port_);
        return probe.waitForConnected(200);
    }
    // The lines of the log that show what rigctld parsed, as "rigctl(d): T 'currVFO' '1' '' ''".
    std::vector<std::string> commands() const
    {
        QFile file(logPath());
        file.open(QIODevice::ReadOnly);
        std::vector<std::string> lines;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith("rigctl(d): "))
                lines.push_back(line.mid(11).toStdString());
        }
        return lines;
    }

private:
    QString logPath() const { return QDir(dir_.path()).filePath(QStringLiteral("rigctld.log")); }

    QTemporaryDir dir_;
    std::uint16_t port_;
    QProcess process_;
};

// A misbehaving rigctld on a thread of its own (the client under test waits on the window
// thread): it answers every command with one line, answers a few and then closes, or stalls.
// Every command line that reaches it is kept, on whichever connection it came.
class FakeRigctld {
public:
    enum class Mode { Answer, CloseAfter, Stall };

    explicit FakeRigctld(Mode mode, std::string answer = "RPRT 0", int answered = 0)
        : mode_(mode), answer_(std::move(answer) + "\n"), answered_(answered)
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const int yes = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listen_, 8);
        socklen_t length = sizeof address;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~FakeRigctld()
    {
        stop_ = true;
        thread_.join();
        for (const Peer& peer : peers_)
            ::close(peer.fd);
        ::close(listen_);
    }
    std::uint16_t port() const { return port_; }
    std::vector<std::string> commands() const
    {
        std::lock_guard lock(mutex_);
        return commands_;
    }
    bool received(const std::string& command) const
    {
        const std::vector<std::string> all = commands();
        return std::find(all.begin(), all.end(), command) != all.end();
    }

private:
    struct Peer {
        int fd;
        std::string pending;
    };

    void run()
    {
        while (!stop_) {
            std::vector<pollfd> fds{{listen_, POLLIN, 0}};
            for (const Peer& peer : peers_)
                fds.push_back({peer.fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), 20) <= 0)
                continue;
            if (fds[0].revents & POLLIN)
                peers_.push_back({::accept(listen_, nullptr, nullptr), {}});
            for (std::size_t i = 1; i < fds.size(); ++i) {
                if (fds[i].revents & (POLLIN | POLLHUP))
                    serve(peers_[i - 1]);
            }
            std::erase_if(peers_, [](const Peer& peer) { return peer.fd < 0; });
        }
    }
    void serve(Peer& peer)
    {
        char buffer[512];
        const ssize_t n = ::read(peer.fd, buffer, sizeof buffer);
        if (n <= 0) {
            ::close(peer.fd);
            peer.fd = -1;
            return;
        }
        peer.pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while (peer.fd >= 0 && (end = peer.pending.find('\n')) != std::string::npos) {
            {
                std::lock_guard lock(mutex_);
                commands_.push_back(peer.pending.substr(0, end));
            }
            peer.pending.erase(0, end + 1);
            if (mode_ == Mode::Stall)
                continue;
            if (mode_ == Mode::CloseAfter && answered_-- <= 0) {
                ::close(peer.fd);
                peer.fd = -1;
                mode_ = Mode::Stall; // a connection made after the close is heard, not answered
                return;
            }
            const std::string& reply = mode_ == Mode::Answer ? answer_ : ok_;
            (void)!::write(peer.fd, reply.data(), reply.size());
            if (mode_ == Mode::CloseAfter && answered_ <= 0) {
                ::close(peer.fd);
                peer.fd = -1;
                mode_ = Mode::Stall;
            }
        }
    }

    Mode mode_;
    std::string answer_;
    const std::string ok_ = "RPRT 0\n";
    int answered_;
    int listen_ = -1;
    std::uint16_t port_ = 0;
    std::vector<Peer> peers_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    std::thread thread_;
};

} // namespace tavrik::test
