// Tlf, the contest logger, drives Tavrik through the network keyer: Tlf runs in tmux, Tavrik's
// window offscreen in this process with its sidetone on a private JACK server, and a decoder
// copies what the sidetone played.
#include "operator/frm_tavrik.h"
#include "platform/clock.h"
#include "support/isolated_runtime_dir.h"
#include "support/sound_server.h"
#include "support/stamping_port_io.h"
#include "support/window_fakes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace tavrik {
namespace {

// Tlf keys its F1 at its own speed steps; this one the decoder copies reliably.
constexpr int kTlfSpeed = 24;

void WriteFile(const QString& path, const QString& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

// Tlf in a tmux server of its own, gone with this object.
class TlfInTmux {
public:
    TlfInTmux(const QString& folder) : server_(QStringLiteral("tavrik-tlf-%1").arg(QCoreApplication::applicationPid()))
    {
        started_ = tmux({QStringLiteral("new-session"), QStringLiteral("-d"), QStringLiteral("-x"), QStringLiteral("100"),
                         QStringLiteral("-y"), QStringLiteral("30"), QStringLiteral("-c"), folder, QStringLiteral("tlf")});
    }
    ~TlfInTmux() { tmux({QStringLiteral("kill-server")}); }
    bool started() const { return started_; }
    bool press(const QString& key) { return tmux({QStringLiteral("send-keys"), key}); }
    QString screen()
    {
        QProcess p;
        p.start(QStringLiteral("tmux"), {QStringLiteral("-L"), server_, QStringLiteral("capture-pane"), QStringLiteral("-p")});
        p.waitForFinished(5000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

private:
    bool tmux(QStringList arguments)
    {
        arguments.prepend(server_);
        arguments.prepend(QStringLiteral("-L"));
        return QProcess::execute(QStringLiteral("tmux"), arguments) == 0;
    }
    QString server_;
    bool started_ = false;
};

TEST(NetworkKeyerWithTlf, HonoursItsStartUpAndKeysItsF1)
{
    for (const char* program : {"tlf", "tmux", "multimon-ng"})
        ASSERT_FALSE(QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            << program << " is missing: scripts/setup-debian installs it";
    // Before the first PortAudio call of the process, and kept until its exit: PortAudio ends
    // its connection then.
    static test::PrivateJackServer sound;
    ASSERT_EQ(sound.problem(), "");

    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    const quint16 port = probe.localPort();
    probe.close();

    test::IsolatedRuntimeDir runtime;
    QTemporaryDir programDir;
    // Stored speed and PTT delay that Tlf's start-up changes.
    WriteFile(QDir(programDir.path()).filePath(QStringLiteral("TAVRIK.INI")),
              QStringLiteral("[frmTavrik Settings]\nKeying=VOX\nSlow Typing=OFF\nPTT Delay=30\nWPM=18\nSideTone=ON\n"
                             "Frequency=600\n[Devices]\nSidetone Output=%1\n[Network Keyer]\nEnabled=ON\nPort=%2\n")
                  .arg(QLatin1String(sound.sidetoneOutput()))
                  .arg(port));
    MonotonicClock clock;
    test::StampingPortIo parallel(clock);
    test::NoPriority priority;
    test::NoModemLines modemLines;
    test::SilentDialogs dialogs;
    FrmTavrik window(TavrikDevices{clock, priority, parallel, modemLines, dialogs});
    window.formLoad({programDir.path(), QString()});
    window.show();
    ASSERT_EQ(window.station().keyer().state().wpm, 18);

    QTemporaryDir tlfDir;
    QDir(tlfDir.path()).mkdir(QStringLiteral("rules"));
    WriteFile(QDir(tlfDir.path()).filePath(QStringLiteral("rules/tavrik")), QStringLiteral("F1=CQ TEST DE %\n"));
    WriteFile(QDir(tlfDir.path()).filePath(QStringLiteral("logcfg.dat")),
              QStringLiteral("CALL=OK1TAV\nCONTEST=tavrik\nLOGFILE=test.log\nNETKEYER\nNETKEYERPORT=%1\nCWSPEED=%2\n"
                             "CWTONE=700\nTXDELAY=0\n")
                  .arg(port)
                  .arg(kTlfSpeed));
    TlfInTmux tlf(tlfDir.path());
    ASSERT_TRUE(tlf.started());
    // Its start-up: reset, tone, volume, speed, weight, PTT delay.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.station().keyer().state().wpm == kTlfSpeed; }, 60000)) << tlf.screen().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.station().keyer().options().pttDelayMs == 0; }, 5000));
    // Its notes on the start-up wait for a key.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QString screen = tlf.screen();
            if (screen.contains(QStringLiteral("Press any key")))
                tlf.press(QStringLiteral("Enter"));
            return screen.contains(QStringLiteral("S=%1").arg(kTlfSpeed));
        },
        30000))
        << tlf.screen().toStdString();
    // Tlf's tone rebuilt the stream; the recording starts on the new one.
    QTest::qWait(300);
    ASSERT_TRUE(sound.startRecording());
    ASSERT_TRUE(tlf.press(QStringLiteral("F1")));
    // The send loop runs inside the window's event handling: seen from here it has ended.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !parallel.keyEdges.empty() && !window.station().keyer().state().isSending; }, 30000))
        << tlf.screen().toStdString();
    const std::vector<std::int16_t> recording = sound.stopRecording(22050 / 2);
    EXPECT_FALSE(parallel.pttOn) << "PTT never stays on";
    // Every key mark sounded; a dot's two thirds of silence inside a tone is the server's.
    const auto dropout = static_cast<std::size_t>(22050 * 1.2 / kTlfSpeed * 2 / 3);
    const test::TonesAgainstMarks tones =
        test::CompareTonesWithMarks(recording, parallel.keyEdges, clock.frequency(), sound.quietLevel(), dropout);
    EXPECT_EQ(tones.problem, "");
    const std::string copied = test::DecodeMorse(recording);
    // A server whose clock lost real time shortens the gaps it plays, and one that fell
    // behind chops tones: the keying is not to blame for what the decoder copies then.
    if (sound.lastSlipMs() < 1.0 && tones.dropouts == 0)
        EXPECT_EQ(copied, "CQ TEST DE OK1TAV");
    else
        std::printf("The sound server's clock strayed %.1f ms and dropped out %d times; copied \"%s\"\n",
                    sound.lastSlipMs(), tones.dropouts, copied.c_str());
    window.close();
}

} // namespace
} // namespace tavrik
