#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpSocket>

#include <cstdint>

namespace tavrik {

// Where Hamlib's rigctld listens.
struct RigEndpoint {
    QString host = QStringLiteral("127.0.0.1");
    std::uint16_t port = 4532;
};

// The outcome of one command. `code` is the number of the "RPRT" line (0 is success; Hamlib's
// errors are negative); `problem` says in words what went wrong, empty on success.
struct RigReply {
    bool ok = false;
    int code = 0;
    QString problem;
};

// Hamlib's error names, by the number an "RPRT -n" answer carries.
QString HamlibErrorText(int code);

// A client of rigctld's line protocol on one TCP connection, opened on the first command and
// again after any failure. Every command waits for its "RPRT" answer, connecting included, at
// most kAnswerBoundMs: the window stands still for no longer than that, even when rigctld
// has stalled. After a failure the connection is dropped, so a late answer is never taken
// for the next command's.
class RigctldClient final : public QObject {
    Q_OBJECT
public:
    static constexpr int kAnswerBoundMs = 500;

    explicit RigctldClient(QObject* parent = nullptr);
    // The socket's own closing says nothing to listeners that may be gone by now.
    ~RigctldClient() override;

    void setEndpoint(const RigEndpoint& endpoint);
    const RigEndpoint& endpoint() const { return endpoint_; }

    RigReply request(const QByteArray& command);
    // Hands the commands over on a connection of their own and waits for nothing: what may
    // still help when the connection in use has failed (PTT off, stop sending).
    void sendUnanswered(const QList<QByteArray>& commands);
    void disconnectFromRig();

signals:
    // rigctld closed the connection between two commands.
    void lost(const QString& problem);

private:
    QString where() const;
    RigReply failed(const QString& problem);
    void peerClosed();

    RigEndpoint endpoint_;
    QTcpSocket socket_;
    QByteArray received_;
    // Our own commands notice a closed connection themselves; only one between commands is
    // told through `lost`, and dropping it on purpose tells nothing.
    bool inRequest_ = false;
    bool dropping_ = false;
};

} // namespace tavrik
