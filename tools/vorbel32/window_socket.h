#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;

namespace tavrik::standin {

// One message of the window, as its 48-byte record carried it.
struct WindowMessage {
    std::int32_t wParam = 0;
    std::int32_t lParam = 0;
    bool wantsReply = false;
};

// The logging program's window: an AF_UNIX SOCK_SEQPACKET socket that takes any number of
// connections and reads each from the event loop. Records of the registered name go to the
// handler, whose result is the reply when the sender waits; a waiting sender of another name
// is answered 0; records of another size are skipped.
class WindowSocket final : public QObject {
    Q_OBJECT
public:
    // `connection` numbers each connection; no later one takes a number again.
    using Handler = std::function<std::int32_t(const WindowMessage& message, int connection)>;
    enum class ListenResult { Listening, AnotherCopyListens, Failed };

    WindowSocket(QByteArray messageName, Handler handler, QObject* parent = nullptr);
    ~WindowSocket() override;

    // Takes over a socket file nobody listens on. `why` says what went wrong.
    ListenResult listen(const QString& path, QString& why);

signals:
    void connectionClosed(int connection);

private:
    void acceptWaiting();
    void pauseAccepting();
    void serve(int fd);
    void hangUp(int fd);

    QByteArray messageName_;
    Handler handler_;
    QString path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    int listenFd_ = -1;
    std::unique_ptr<QSocketNotifier> listenNotifier_;
    std::chrono::milliseconds acceptPause_{0};
    int lastConnection_ = 0;
    struct Connection {
        int number;
        std::unique_ptr<QSocketNotifier> notifier;
    };
    std::map<int, Connection> connections_; // by descriptor
};

} // namespace tavrik::standin
