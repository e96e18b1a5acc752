#include "platform/message_channel.h"
#include "platform/runtime_dir.h"

#include "support/core_application.h"
#include "support/isolated_runtime_dir.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace tavrik {
namespace {

using namespace std::chrono_literals;

TEST(MessageRecord, HasTheDocumentedLittleEndianLayout)
{
    const QByteArray bytes = EncodeRecord({"TAVRIK", 401, -2, true});
    ASSERT_EQ(bytes.size(), 48);
    QByteArray expected("TAVRIK");
    expected.append(26, '\0');
    expected.append("\x91\x01\x00\x00", 4);  // 401
    expected.append("\xfe\xff\xff\xff", 4);  // -2
    expected.append("\x01\x00\x00\x00", 4);  // waits for a reply
    expected.append(4, '\0');
    EXPECT_EQ(bytes.toHex(), expected.toHex());
}

TEST(MessageRecord, DecodesOnlyWholeRecordsWithATerminatedName)
{
    const QByteArray good = EncodeRecord({"TAVRIK", 900, 1, false});
    const auto decoded = DecodeRecord(good);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->name, QByteArray("TAVRIK"));
    EXPECT_EQ(decoded->wParam, 900);
    EXPECT_EQ(decoded->lParam, 1);
    EXPECT_FALSE(decoded->wantsReply);

    QByteArray otherFlags = good;
    otherFlags[40] = '\x06'; // bits this side does not know are ignored
    EXPECT_FALSE(DecodeRecord(otherFlags)->wantsReply);

    QByteArray unterminated = good;
    std::memset(unterminated.data(), 'A', 32);
    EXPECT_FALSE(DecodeRecord(unterminated));
    EXPECT_FALSE(DecodeRecord(good.left(47)));
    EXPECT_FALSE(DecodeRecord(good + '\0'));
    // A name too long for the field is cut so that it stays terminated.
    EXPECT_EQ(DecodeRecord(EncodeRecord({QByteArray(40, 'N'), 1, 0, false}))->name, QByteArray(31, 'N'));
}

TEST(MessageSocketPath, RefusesTitlesThatAreNoFileName)
{
    EXPECT_EQ(MessageSocketPath("/run/x", "Vorbel32"), QStringLiteral("/run/x/Vorbel32"));
    for (const char* title : {"", ".", "..", "a/b"})
        EXPECT_TRUE(MessageSocketPath("/run/x", title).isEmpty()) << title;
    EXPECT_TRUE(MessageSocketPath(QString(120, u'd'), "Vorbel32").isEmpty());
}

// A socket that listens but never accepts nor answers: a hung program.
int ListenWithoutAnswering(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof(address.sun_path) - 1);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::listen(fd, 1);
    return fd;
}

class MessageChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::CoreApplication();
        ASSERT_TRUE(PrepareRuntimeDir().ready());
    }
    QString socketPath() const { return dir_.file(QStringLiteral("Vorbel32")); }
    test::IsolatedRuntimeDir dir_;
};

TEST_F(MessageChannelTest, AMissingOrCrashedPeerIsNoWindow)
{
    MessageChannel missing(socketPath());
    EXPECT_FALSE(missing.connectToPeer());
    EXPECT_FALSE(missing.post({"TAVRIK", 900, 1, false}));
    EXPECT_FALSE(missing.send({"TAVRIK", 401, 0, true}));

    // What a program that crashed leaves: the socket file with nobody listening on it.
    ::close(ListenWithoutAnswering(socketPath()));
    ASSERT_TRUE(QFile::exists(socketPath()));
    MessageChannel stale(socketPath());
    EXPECT_FALSE(stale.connectToPeer());
    EXPECT_FALSE(stale.post({"TAVRIK", 900, 1, false}));
}

TEST_F(MessageChannelTest, AHungPeerNeverHoldsTheSenderBeyondTheTimeout)
{
    const int hung = ListenWithoutAnswering(socketPath());
    MessageChannel channel(socketPath());
    ASSERT_TRUE(channel.connectToPeer());
    EXPECT_FALSE(channel.send({"TAVRIK", 401, 0, true}, 100ms));
    // Posts queue until the peer's buffer is full, then are dropped: none of them blocks.
    int accepted = 0;
    for (int i = 0; i < 5000; ++i)
        accepted += channel.post({"TAVRIK", 900, i & 1, false}) ? 1 : 0;
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, 5000);
    EXPECT_FALSE(channel.send({"TAVRIK", 301, 0, true}, 100ms));
    ::close(hung);
}

TEST_F(MessageChannelTest, ListenerTakesOverAStaleSocketButNotALiveOne)
{
    ::close(ListenWithoutAnswering(socketPath()));
    MessageListener first("TAVRIK", [](const MessageRecord&) { return 0; });
    EXPECT_EQ(first.listen(socketPath()), MessageListener::ListenStatus::Listening)
        << first.lastError().toStdString();
    MessageListener second("TAVRIK", [](const MessageRecord&) { return 0; });
    EXPECT_EQ(second.listen(socketPath()), MessageListener::ListenStatus::AlreadyRunning);
    EXPECT_TRUE(QFile::exists(socketPath()));

    QFile::remove(socketPath());
    QFile plain(socketPath());
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    MessageListener third("TAVRIK", [](const MessageRecord&) { return 0; });
    EXPECT_EQ(third.listen(socketPath()), MessageListener::ListenStatus::Failed);
}

TEST_F(MessageChannelTest, APeerThatRestartedGetsTheVeryNextMessage)
{
    std::vector<std::int32_t> delivered;
    const auto startPeer = [&] {
        auto peer = std::make_unique<MessageListener>("TAVRIK", [&](const MessageRecord& r) {
            delivered.push_back(r.wParam);
            return r.wParam;
        });
        EXPECT_EQ(peer->listen(socketPath()), MessageListener::ListenStatus::Listening);
        return peer;
    };
    const auto deliveredCount = [&](std::size_t count) {
        QDeadlineTimer deadline(10000);
        while (delivered.size() < count && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return delivered.size() == count;
    };
    auto peer = startPeer();
    MessageChannel channel(socketPath());
    ASSERT_TRUE(channel.post({"TAVRIK", 501, 0, false}));
    ASSERT_TRUE(deliveredCount(1));

    peer.reset();
    peer = startPeer();
    EXPECT_TRUE(channel.post({"TAVRIK", 502, 0, false}));
    ASSERT_TRUE(deliveredCount(2));

    peer.reset();
    peer = startPeer();
    std::optional<std::int32_t> reply;
    std::thread sender([&] { reply = channel.send({"TAVRIK", 402, 0, true}, 2s); });
    EXPECT_TRUE(deliveredCount(3));
    sender.join();
    EXPECT_EQ(reply, 402);
    EXPECT_EQ(delivered, (std::vector<std::int32_t>{501, 502, 402}));
}

TEST_F(MessageChannelTest, TellsWhenASenderHasGone)
{
    MessageListener listener("TAVRIK", [](const MessageRecord&) { return 0; });
    ASSERT_EQ(listener.listen(socketPath()), MessageListener::ListenStatus::Listening);
    int closed = 0;
    QObject::connect(&listener, &MessageListener::connectionClosed, [&] { ++closed; });
    const auto waitFor = [](const std::function<bool()>& done) {
        QDeadlineTimer deadline(10000);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    };
    {
        MessageChannel channel(socketPath());
        ASSERT_TRUE(channel.post({"TAVRIK", 402, 0, false}));
        ASSERT_TRUE(waitFor([&] { return listener.connectionCount() == 1; }));
        EXPECT_EQ(closed, 0);
    }
    EXPECT_TRUE(waitFor([&] { return closed == 1; }));
    EXPECT_EQ(listener.connectionCount(), 0);
}

TEST_F(MessageChannelTest, DeliversItsOwnMessagesAndAnswersTheRest)
{
    std::vector<MessageRecord> delivered;
    MessageListener listener("TAVRIK", [&](const MessageRecord& r) {
        delivered.push_back(r);
        return r.wParam * 10;
    });
    ASSERT_EQ(listener.listen(socketPath()), MessageListener::ListenStatus::Listening);

    struct Replies {
        std::optional<std::int32_t> own, foreign, afterGarbage;
        bool posted = false;
    } replies;
    std::atomic<bool> done = false;
    std::thread sender([&] {
        MessageChannel channel(socketPath());
        if (channel.connectToPeer()) {
            replies.posted = channel.post({"TAVRIK", 900, 1, false});
            replies.own = channel.send({"TAVRIK", 402, 7, true}, 2s);
            replies.foreign = channel.send({"Discseek", 5, 0, true}, 2s);
        }
        // Bytes that are no record are skipped; the connection goes on serving.
        const int raw = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, QFile::encodeName(socketPath()).constData(), sizeof(address.sun_path) - 1);
        if (::connect(raw, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
            ::send(raw, "not a record", 12, MSG_NOSIGNAL);
            ::send(raw, QByteArray(200, 'x').constData(), 200, MSG_NOSIGNAL);
            const QByteArray record = EncodeRecord({"TAVRIK", 302, 0, true});
            ::send(raw, record.constData(), 48, MSG_NOSIGNAL);
            timeval limit{2, 0};
            setsockopt(raw, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
            std::int32_t reply = 0;
            if (::recv(raw, &reply, sizeof(reply), 0) == sizeof(reply))
                replies.afterGarbage = reply;
        }
        ::close(raw);
        done = true;
    });
    QEventLoop loop;
    QTimer poller;
    QObject::connect(&poller, &QTimer::timeout, &loop, [&] {
        if (done)
            loop.quit();
    });
    poller.start(5);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    sender.join();

    EXPECT_TRUE(replies.posted);
    EXPECT_EQ(replies.own, 4020);
    EXPECT_EQ(replies.foreign, 0);
    EXPECT_EQ(replies.afterGarbage, 3020);
    ASSERT_EQ(delivered.size(), 3u);
    EXPECT_EQ(delivered[0].wParam, 900);
    EXPECT_FALSE(delivered[0].wantsReply);
    EXPECT_EQ(delivered[1].wParam, 402);
    EXPECT_EQ(delivered[1].lParam, 7);
    EXPECT_TRUE(delivered[1].wantsReply);
    EXPECT_EQ(delivered[2].wParam, 302);
}

// A peer process that floods its first connection with unasked records and never reads it,
// and answers requests on any later connection. Reports on `ready` how many records it had
// queued on the first connection before the flood went on.
[[noreturn]] void FloodingPeer(int listenFd, int ready)
{
    const int flooded = ::accept(listenFd, nullptr, nullptr);
    const QByteArray junk = EncodeRecord({"TAVRIK", 999, 0, false});
    int queued = 0;
    while (::send(flooded, junk.constData(), 48, MSG_DONTWAIT | MSG_NOSIGNAL) == 48)
        ++queued;
    [[maybe_unused]] ssize_t w = ::write(ready, &queued, sizeof(queued));
    int served = -1;
    for (;;) {
        pollfd fds[3] = {{listenFd, POLLIN, 0}, {flooded, POLLOUT, 0}, {served, POLLIN, 0}};
        ::poll(fds, served >= 0 ? 3 : 2, -1);
        if (fds[1].revents & POLLOUT)
            ::send(flooded, junk.constData(), 48, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (fds[0].revents & POLLIN)
            served = ::accept(listenFd, nullptr, nullptr);
        char request[48];
        if (served >= 0 && (fds[2].revents & POLLIN) && ::recv(served, request, 48, 0) == 48) {
            const std::int32_t reply = 0;
            ::send(served, &reply, sizeof(reply), MSG_NOSIGNAL);
        }
    }
}

TEST_F(MessageChannelTest, APeerThatFloodsTheConnectionIsServedOnAFreshOne)
{
    const int listenFd = ListenWithoutAnswering(socketPath());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    MessageChannel channel(socketPath());
    ASSERT_TRUE(channel.connectToPeer());
    const pid_t peer = ::fork();
    ASSERT_GE(peer, 0);
    if (peer == 0)
        FloodingPeer(listenFd, ready[1]);
    int queued = 0;
    ASSERT_EQ(::read(ready[0], &queued, sizeof(queued)), static_cast<ssize_t>(sizeof(queued)));
    ASSERT_GT(queued, 64) << "the flood must outlast the skipping";

    EXPECT_EQ(channel.send({"TAVRIK", 401, 0, true}, 2s), 0);
    ::kill(peer, SIGKILL);
    ::waitpid(peer, nullptr, 0);
    ::close(listenFd);
    ::close(ready[0]);
    ::close(ready[1]);
}

} // namespace
} // namespace tavrik
