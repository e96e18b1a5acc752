// Tavrik's window in WinKey mode beside the emulator on a pseudo-terminal.
#include "operator/frm_tavrik.h"
#include "operator/lamp.h"
#include "operator/operator_dialogs.h"
#include "winkey/frm_winkey_config.h"
#include "platform/clock.h"
#include "platform/parallel_port.h"
#include "platform/priority.h"
#include "support/isolated_runtime_dir.h"
#include "support/winkey_emulator_process.h"
#include "support/window_fakes.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSlider>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace tavrik {
namespace {

using test::NoModemLines;
using test::NoPortIo;
using test::NoPriority;
using test::SilentDialogs;

class WinKeyStationTest : public ::testing::Test {
protected:
    void startBeside(const QStringList& emulatorArguments)
    {
        ASSERT_TRUE(emulator.start(QStringLiteral(WINKEY_EMULATOR), emulatorArguments));
        QFile ini(QDir(programDir.path()).filePath(QStringLiteral("TAVRIK.INI")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[frmTavrik Settings]\nKeyer to Use=WinKey\nKeying=VOX\nWPM=40\n"
                                 "[WinKey Settings]\nWinKey Port=1\nWinKey Speed=40\nWinKey PTT Lead Delay=0\n"
                                 "WinKey PTT Lag Delay=0\nWinKey Speed Farnsworth=5\n"
                                 "[Devices]\nComm1=%1\n")
                      .arg(emulator.device())
                      .toUtf8());
        ini.close();
        window = std::make_unique<FrmTavrik>(TavrikDevices{clock, priority, parallel, modemLines, dialogs});
        window->formLoad({programDir.path(), QString()});
        window->show();
        QApplication::setActiveWindow(window.get());
    }

    bool waitUntilIdle(int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (window->station().keyer().state().isSending && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return !window->station().keyer().state().isSending;
    }

    test::IsolatedRuntimeDir runtime;
    QTemporaryDir programDir;
    MonotonicClock clock;
    NoPriority priority;
    NoPortIo parallel;
    NoModemLines modemLines;
    SilentDialogs dialogs;
    test::WinKeyEmulatorProcess emulator;
    std::unique_ptr<FrmTavrik> window;
};

TEST_F(WinKeyStationTest, ATypedLineGoesOverOneCharacterPerEcho)
{
    startBeside({QStringLiteral("--echo"), QStringLiteral("end")});
    ASSERT_TRUE(window->keyLamp().isOn()) << window->typingBox().notice().toStdString();
    EXPECT_EQ(window->windowTitle(), "Tavrik - WinKey");

    QTest::keyClicks(&window->typingBox(), QStringLiteral("cq de k1abc"));
    ASSERT_TRUE(emulator.waitForLine(QStringLiteral("echo 'K'")));
    ASSERT_TRUE(waitUntilIdle(30000));
    ASSERT_TRUE(emulator.waitForLine(QStringLiteral("rx 1C 28  buffered speed 40 WPM")));
    EXPECT_TRUE(window->typingBox().text().isEmpty());
    EXPECT_EQ(window->speedText(), " Keying speed = 40 WPM");

    // The keyer never holds two of Tavrik's characters: each comes after the last one's echo.
    QString received;
    int outstanding = 0;
    for (const QString& line : emulator.lines()) {
        if (line.contains(QStringLiteral("  text '"))) {
            received += line.section(u'\'', 1, 1);
            EXPECT_LE(++outstanding, 1) << line.toStdString();
        } else if (line.contains(QStringLiteral("echo '"))) {
            --outstanding;
        }
    }
    EXPECT_EQ(received, "CQ DE K1ABC");
}

TEST_F(WinKeyStationTest, AKeyerThatDiesMidLineEndsTheTransmissionWithAMessage)
{
    startBeside({});
    QTest::keyClicks(&window->typingBox(), QStringLiteral("test test test"));
    ASSERT_TRUE(emulator.waitForLine(QStringLiteral("echo 'E'")));
    emulator.kill();
    ASSERT_TRUE(waitUntilIdle(30000));
    const QString notice = window->typingBox().notice();
    EXPECT_TRUE(notice == u"Can't find WinKey" || notice == u"WinKey port is not open") << notice.toStdString();
    EXPECT_TRUE(window->typingBox().text().isEmpty());
}

TEST_F(WinKeyStationTest, MenuEntriesAndTheSetupDialogReachTheKeyer)
{
    startBeside({});
    ASSERT_TRUE(emulator.waitForLine(QStringLiteral("admin: host open")));
    // The software keyer's choice and back: one keyer checked at a time.
    QAction* software = window->findChild<QAction*>(QStringLiteral("mnuSoftwareKeyer"));
    QAction* winKey = window->findChild<QAction*>(QStringLiteral("mnuWinKey"));
    software->trigger();
    EXPECT_FALSE(winKey->isChecked());
    EXPECT_EQ(window->windowTitle(), "Tavrik - Software");
    winKey->trigger();
    EXPECT_FALSE(software->isChecked());
    ASSERT_TRUE(emulator.waitForLine(QStringLiteral("admin: host open")));

    window->findChild<QAction*>(QStringLiteral("mnuPort"))->trigger();
    auto* dialog = window->findChild<FrmWinKeyConfig*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    dialog->findChild<QSlider*>(QStringLiteral("Slider11"))->setValue(32);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ARButton1")), Qt::LeftButton);
    ASSERT_TRUE(emulator.waitForLine(QStringLiteral("admin: host open")));
    ASSERT_TRUE(emulator.waitForLine(QStringLiteral("load defaults: mode 16 speed 32")));
    EXPECT_EQ(window->speedText(), " Keying speed = 32 WPM");

    // Tune, a click on the speed display, and the port entry reach the keyer too.
    QAction* tune = window->findChild<QAction*>(QStringLiteral("mnuTune"));
    tune->trigger();
    ASSERT_TRUE(emulator.waitForLine(QStringLiteral("key immediate: down")));
    tune->trigger();
    ASSERT_TRUE(emulator.waitForLine(QStringLiteral("key immediate: up")));
    QTest::mouseClick(window->findChild<QWidget*>(QStringLiteral("sBarSpeed")), Qt::LeftButton);
    ASSERT_TRUE(emulator.waitForLine(QStringLiteral("buffered speed 31 WPM")));
    QAction* port = window->findChild<QAction*>(QStringLiteral("mnuDedicatedSerialPort"));
    port->trigger();
    EXPECT_FALSE(port->isChecked());
    EXPECT_FALSE(window->keyLamp().isOn());
    port->trigger();
    EXPECT_TRUE(port->isChecked());
    ASSERT_TRUE(emulator.waitForLine(QStringLiteral("admin: host open")));

    QFile ini(QDir(programDir.path()).filePath(QStringLiteral("TAVRIK.INI")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray stored = ini.readAll();
    EXPECT_TRUE(stored.contains("WinKey Speed=31"));
    EXPECT_TRUE(stored.contains("WinKey Hold Radio Polling=False"));
}

} // namespace
} // namespace tavrik
