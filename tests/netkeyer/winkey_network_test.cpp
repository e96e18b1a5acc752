// Network text through the WinKey's lock-step hand-over, against the device model.
#include "operator/frm_tavrik.h"
#include "platform/clock.h"
#include "support/isolated_runtime_dir.h"
#include "support/window_fakes.h"
#include "winkey/winkey_device_model.h"

#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

int IndexOf(const QStringList& lines, const QString& start, int from = 0)
{
    for (int i = std::max(from, 0); i < lines.size(); ++i) {
        if (lines[i].startsWith(start))
            return i;
    }
    return -1;
}

TEST(NetworkKeyerWithWinKey, SpeedAtItsPlaceAsTheBufferedSpeedCommand)
{
    test::IsolatedRuntimeDir runtime;
    QTemporaryDir programDir;
    const QString link = QDir(programDir.path()).filePath(QStringLiteral("ttyWinKey"));
    test::WinKeyDeviceModel model(link);
    ASSERT_TRUE(model.plugIn());
    QUdpSocket client;
    client.bind(QHostAddress::LocalHost, 0);
    const quint16 port = [] {
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        return probe.localPort();
    }();
    QFile ini(QDir(programDir.path()).filePath(QStringLiteral("TAVRIK.INI")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[frmTavrik Settings]\nKeyer to Use=WinKey\nKeying=VOX\nWPM=40\n"
                             "[WinKey Settings]\nWinKey Port=1\nWinKey Speed=40\nWinKey PTT Lead Delay=0\n"
                             "WinKey PTT Lag Delay=0\n[Devices]\nComm1=%1\n[Network Keyer]\nEnabled=ON\nPort=%2\n")
                  .arg(link)
                  .arg(port)
                  .toUtf8());
    ini.close();
    MonotonicClock clock;
    test::NoPriority priority;
    test::NoPortIo parallel;
    test::NoModemLines modemLines;
    test::SilentDialogs dialogs;
    FrmTavrik window(TavrikDevices{clock, priority, parallel, modemLines, dialogs});
    window.formLoad({programDir.path(), QString()});
    window.show();
    ASSERT_TRUE(model.waitFor(QStringLiteral("rx 0F")));

    for (const QByteArray& request : {QByteArray("TE"), QByteArray("\x1b" "225"), QByteArray("S~T*^")})
        client.writeDatagram(request, QHostAddress::LocalHost, port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.hasPendingDatagrams(); }, 20000));
    EXPECT_EQ(client.receiveDatagram().data(), QByteArray("S~T*\r\n"));

    const QStringList lines = model.log();
    const int e = IndexOf(lines, QStringLiteral("key 'E'"));
    const int speed = IndexOf(lines, QStringLiteral("rx 1C 19"), e);
    const int s = IndexOf(lines, QStringLiteral("key 'S'"), speed);
    const int ar = IndexOf(lines, QStringLiteral("key 'AR'"), s);
    EXPECT_GT(e, IndexOf(lines, QStringLiteral("key 'T'")));
    EXPECT_GT(speed, e) << "the speed waits for the letters before it";
    EXPECT_GT(s, speed);
    EXPECT_GT(ar, IndexOf(lines, QStringLiteral("key 'T'"), s)) << "the prosign as one merged sign";
    EXPECT_EQ(window.station().keyer().state().wpm, 25) << "the speed stays after the text";
    if (HasFailure())
        std::fprintf(stderr, "keyer:\n%s\n", qPrintable(lines.join(u'\n')));
}

} // namespace
} // namespace tavrik
