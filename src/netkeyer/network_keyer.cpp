#include "netkeyer/network_keyer.h"

#include "netkeyer/box_text.h"

#include <QNetworkDatagram>

namespace tavrik::netkeyer {

NetworkKeyer::NetworkKeyer(KeyingStation& station) : station_(station)
{
    // Datagrams are taken from a timer, not inside readyRead: a transmission started there
    // would hold the signal, and nothing more would be read until it ended.
    turn_.setSingleShot(true);
    turn_.setInterval(0);
    connect(&turn_, &QTimer::timeout, this, &NetworkKeyer::takeDatagrams);
    connect(&socket_, &QUdpSocket::readyRead, &turn_, qOverload<>(&QTimer::start));
    replyPoll_.setInterval(kReplyPollMs);
    connect(&replyPoll_, &QTimer::timeout, this, &NetworkKeyer::sendRepliesOnceKeyed);
    tuneEnd_.setSingleShot(true);
    connect(&tuneEnd_, &QTimer::timeout, this, &NetworkKeyer::endTune);
}

bool NetworkKeyer::listen(const QHostAddress& address, quint16 port)
{
    stop();
    if (socket_.bind(address, port)) {
        problem_.clear();
        return true;
    }
    if (socket_.error() == QAbstractSocket::AddressInUseError)
        problem_ = QStringLiteral("port %1 is taken by another program").arg(port);
    else if (socket_.error() == QAbstractSocket::SocketAddressNotAvailableError)
        problem_ = QStringLiteral("this computer has no address %1").arg(address.toString());
    else
        problem_ = socket_.errorString();
    return false;
}

void NetworkKeyer::stop()
{
    socket_.close();
    turn_.stop();
    armed_.reset();
    // Whoever waits for a reply hears no more from here.
    pending_.clear();
    replyPoll_.stop();
    endTune();
}

void NetworkKeyer::takeDatagrams()
{
    for (int n = 0; n < kDatagramsPerTurn && socket_.hasPendingDatagrams(); ++n) {
        const QNetworkDatagram datagram = socket_.receiveDatagram(kLongestRequest + 1);
        // An oversized datagram arrives cut to kLongestRequest + 1 bytes and is dropped.
        if (const std::optional<Request> request = ParseRequest(datagram.data()))
            handle(*request, datagram.senderAddress(), static_cast<quint16>(datagram.senderPort()));
        if (!socket_.isOpen())
            return;
    }
    // The rest in a later turn, after the window's own events.
    if (socket_.hasPendingDatagrams())
        turn_.start();
}

void NetworkKeyer::handle(const Request& request, const QHostAddress& from, quint16 port)
{
    using Kind = Request::Kind;
    switch (request.kind) {
    case Kind::Text:
        queueText(request.text, from, port);
        break;
    case Kind::Reset:
        wordMode_ = false;
        endTune();
        station_.reset();
        break;
    case Kind::Speed:
        speed(request.number);
        break;
    case Kind::Tone:
        station_.setTone(request.number);
        break;
    case Kind::Abort:
        if (!wordMode_) {
            endTune();
            station_.abort();
        }
        break;
    case Kind::WordMode:
        wordMode_ = true;
        break;
    case Kind::Tune:
        tune(request.number);
        break;
    case Kind::PttDelay:
        station_.setPttDelay(request.number);
        break;
    case Kind::Reply:
        armed_ = Reply{from, port, "h" + request.text + "\r\n"};
        break;
    // Not for a peer on the network, or nothing Tavrik has (see docs/network-keyer.md).
    case Kind::Exit:
    case Kind::Device:
    case Kind::Weighting:
    case Kind::Ptt:
    case Kind::Ssb:
    case Kind::Band:
    case Kind::SoundSystem:
    case Kind::Volume:
        break;
    }
}

void NetworkKeyer::queueText(const QByteArray& text, const QHostAddress& from, quint16 port)
{
    const BoxText box = ToBoxText(text);
    std::optional<Reply> armed = std::exchange(armed_, std::nullopt);
    if (station_.queuedLength() + box.text.size() > kLongestQueue)
        return;
    // One reply a text: the echo asked in the text wins over an armed ESC h.
    if (box.echo)
        pending_.push_back({from, port, *box.echo + "\r\n"});
    else if (armed)
        pending_.push_back(*armed);
    if (!box.text.isEmpty())
        station_.queue(box.text);
    sendRepliesOnceKeyed();
}

void NetworkKeyer::speed(int wpm)
{
    // Text still waiting keeps the speed it was sent at; what follows takes the new one.
    if (station_.idle()) {
        station_.setSpeed(wpm);
        return;
    }
    const QString mark = SpeedMarkText(wpm);
    if (station_.queuedLength() + mark.size() <= kLongestQueue)
        station_.queue(mark);
}

void NetworkKeyer::tune(int seconds)
{
    if (seconds == 0) {
        endTune();
        return;
    }
    // A tune inside a transmission would cut it short; the operator's own tune is theirs.
    if (!station_.idle() || station_.tuning())
        return;
    station_.tune(true);
    ourTune_ = station_.tuning();
    if (ourTune_)
        tuneEnd_.start(seconds * 1000);
}

void NetworkKeyer::endTune()
{
    tuneEnd_.stop();
    if (std::exchange(ourTune_, false) && station_.tuning())
        station_.tune(false);
}

void NetworkKeyer::sendRepliesOnceKeyed()
{
    if (pending_.empty() || !station_.idle()) {
        if (pending_.empty())
            replyPoll_.stop();
        else if (!replyPoll_.isActive())
            replyPoll_.start();
        return;
    }
    // Everything queued before the queue ran empty has been keyed.
    for (const Reply& reply : std::exchange(pending_, {}))
        socket_.writeDatagram(reply.text, reply.to, reply.port);
    replyPoll_.stop();
}

void NetworkKeyer::queueAborted()
{
    endTune();
    // An armed reply is spent by the abort too.
    if (armed_)
        pending_.push_back(*std::exchange(armed_, std::nullopt));
    for (const Reply& reply : std::exchange(pending_, {}))
        socket_.writeDatagram(QByteArrayLiteral("break\r\n"), reply.to, reply.port);
    replyPoll_.stop();
}

} // namespace tavrik::netkeyer
