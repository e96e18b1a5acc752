#include "rig/rigctld_client.h"

#include <QDeadlineTimer>
#include <QTimer>

#include <array>

namespace tavrik {
namespace {

// How long an unanswered command may take to reach rigctld before its connection is dropped.
constexpr int kUnansweredLifetimeMs = 3000;

} // namespace

QString HamlibErrorText(int code)
{
    static const std::array<const char*, 21> kNames{
        "Command completed successfully", "Invalid parameter", "Invalid configuration", "Memory shortage",
        "Feature not implemented", "Communication timed out", "IO error", "Internal Hamlib error",
        "Protocol error", "Command rejected by the rig", "Command performed, but arg truncated",
        "Feature not available", "Target VFO unaccessible", "Communication bus error",
        "Communication bus collision", "NULL RIG handle or invalid pointer parameter", "Invalid VFO",
        "Argument out of domain of func", "Function deprecated", "Security error", "Rig is not powered on"};
    const int index = code < 0 ? -code : code;
    if (index < static_cast<int>(kNames.size()))
        return QString::fromLatin1(kNames[static_cast<std::size_t>(index)]);
    return QStringLiteral("Hamlib error %1").arg(code);
}

RigctldClient::RigctldClient(QObject* parent) : QObject(parent)
{
    connect(&socket_, &QTcpSocket::disconnected, this, &RigctldClient::peerClosed);
}

RigctldClient::~RigctldClient()
{
    disconnect(&socket_, nullptr, this, nullptr);
}

void RigctldClient::setEndpoint(const RigEndpoint& endpoint)
{
    if (endpoint.host == endpoint_.host && endpoint.port == endpoint_.port)
        return;
    endpoint_ = endpoint;
    disconnectFromRig();
}

QString RigctldClient::where() const
{
    return QStringLiteral("%1:%2").arg(endpoint_.host).arg(endpoint_.port);
}

void RigctldClient::disconnectFromRig()
{
    dropping_ = true;
    socket_.abort();
    dropping_ = false;
    received_.clear();
}

RigReply RigctldClient::failed(const QString& problem)
{
    disconnectFromRig();
    return RigReply{false, 0, problem};
}

void RigctldClient::peerClosed()
{
    if (inRequest_ || dropping_)
        return;
    received_.clear();
    emit lost(QStringLiteral("rigctld at %1 closed the connection").arg(where()));
}

RigReply RigctldClient::request(const QByteArray& command)
{
    const QDeadlineTimer deadline(kAnswerBoundMs);
    const QString quoted = QStringLiteral("\"%1\"").arg(QString::fromLatin1(command));
    inRequest_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{inRequest_};

    if (socket_.state() != QAbstractSocket::ConnectedState) {
        disconnectFromRig();
        socket_.connectToHost(endpoint_.host, endpoint_.port);
        if (!socket_.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            if (socket_.error() == QAbstractSocket::SocketTimeoutError || socket_.state() != QAbstractSocket::UnconnectedState)
                return failed(QStringLiteral("rigctld at %1 did not accept a connection within %2 ms")
                                  .arg(where()).arg(kAnswerBoundMs));
            return failed(QStringLiteral("nothing listens for rigctld at %1 (%2)").arg(where(), socket_.errorString()));
        }
    }
    // Anything left over belongs to no command of ours.
    received_.clear();
    socket_.readAll();
    socket_.write(command + '\n');

    for (;;) {
        qsizetype end;
        while ((end = received_.indexOf('\n')) >= 0) {
            const QByteArray line = received_.left(end).trimmed();
            received_.remove(0, end + 1);
            // Other lines are a query's values; the report line ends every answer.
            if (!line.startsWith("RPRT "))
                continue;
            bool number = false;
            const int code = line.mid(5).toInt(&number);
            if (!number)
                return failed(QStringLiteral("rigctld at %1 answered %2 with \"%3\"")
                                  .arg(where(), quoted, QString::fromLatin1(line)));
            if (code == 0)
                return RigReply{true, 0, QString()};
            return RigReply{false, code,
                            QStringLiteral("rigctld at %1 refused %2: %3 (RPRT %4)")
                                .arg(where(), quoted, HamlibErrorText(code)).arg(code)};
        }
        if (socket_.state() != QAbstractSocket::ConnectedState && socket_.bytesAvailable() == 0)
            return failed(QStringLiteral("rigctld at %1 closed the connection").arg(where()));
        if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            if (socket_.state() != QAbstractSocket::ConnectedState || socket_.error() == QAbstractSocket::RemoteHostClosedError)
                return failed(QStringLiteral("rigctld at %1 closed the connection").arg(where()));
            return failed(QStringLiteral("rigctld at %1 did not answer %2 within %3 ms")
                              .arg(where(), quoted).arg(kAnswerBoundMs));
        }
        received_ += socket_.readAll();
    }
}

void RigctldClient::sendUnanswered(const QList<QByteArray>& commands)
{
    auto* socket = new QTcpSocket(this);
    QByteArray bytes;
    for (const QByteArray& command : commands)
        bytes += command + '\n';
    connect(socket, &QTcpSocket::connected, socket, [socket, bytes] {
        socket->write(bytes);
        // Closes once written; the answers are not waited for.
        socket->disconnectFromHost();
    });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::errorOccurred, socket, &QObject::deleteLater);
    QTimer::singleShot(kUnansweredLifetimeMs, socket, &QObject::deleteLater);
    socket->connectToHost(endpoint_.host, endpoint_.port);
}

} // namespace tavrik
