#include "keyer/sidetone_table.h"
#include "setup_fixture.h"
#include "support/pty.h"
#include "support/qt_print.h"
#include "support/wav_file.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

using test::SetupDialog;
using test::Station;

QString Section(const QString& keys)
{
    return QStringLiteral("[frmTavrik Settings]\nPTT Delay=0\nSlow Typing=OFF\n") + keys;
}

TEST(KeyerSetupDialog, OpensOnTheSoftwareKeyerWithTheDefaultsShown)
{
    Station station(QStringLiteral("[frmTavrik Settings]\n"));
    SetupDialog d(station);
    ASSERT_NE(d.dialog(), nullptr);
    EXPECT_EQ(d.dialog()->windowTitle(), QStringLiteral("Keyer setup"));
    EXPECT_FALSE(d.dialog()->isModal());
    EXPECT_TRUE(d.dialog()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(d.dialog()->parentWidget(), &station.window());
    EXPECT_EQ(d.box("Text2").text(), QStringLiteral("&H378"));
    EXPECT_EQ(d.box("Text3").text(), QStringLiteral("100"));
    EXPECT_EQ(d.box("Text4").text(), QStringLiteral("3"));
    EXPECT_EQ(d.box("Text5").text(), QStringLiteral("3"));
    EXPECT_EQ(d.box("Text6").text(), QStringLiteral("7"));
    EXPECT_EQ(d.slider("DotLengthSlider").value(), 20);
    EXPECT_EQ(d.control<QLabel>("lbl").text(), QStringLiteral(" Keying speed 20 WPM."));
    EXPECT_EQ(d.slider("Pitch").value(), 1000);
    EXPECT_TRUE(d.check("CheckParallel").isChecked());
    EXPECT_FALSE(d.check("CheckSerial").isChecked());
    EXPECT_FALSE(d.check("CheckSharedSerial").isChecked());
    EXPECT_EQ(d.check("CheckParallel").text(), QStringLiteral("             Use parallel port for CW"));
    EXPECT_EQ(d.check("CheckSharedSerial").text(), QStringLiteral("    Use shared serial port for CW"));
    EXPECT_EQ(d.check("ckSidetone").text(), QStringLiteral(" Sidetone (requires DirectX)"));
    EXPECT_FALSE(d.combo("cmbPort").isEnabled());
    EXPECT_TRUE(d.box("Text2").isEnabled());
    EXPECT_EQ(d.portText(), QStringLiteral("None"));
    EXPECT_FALSE(d.control<QPushButton>("btnTest").isEnabled());
    EXPECT_TRUE(d.check("ckSlowTyping").isChecked());
    EXPECT_FALSE(d.check("Check5").isChecked());

    // The operator keeps typing in the main window meanwhile.
    QTest::keyClicks(&station.window().typingBox(), QStringLiteral("e"));
    EXPECT_EQ(station.keyDowns(), 1u);
    EXPECT_TRUE(d.isOpen());

    // The menu entry again brings the same dialog forward.
    station.window().menus().mnuPort->trigger();
    EXPECT_EQ(station.window().keyerSetup().setupDialog(), d.dialog());
}

TEST(KeyerSetupDialog, HandEditedSpeedOrPitchShowsAtTheNearestEndAndChangesNothing)
{
    const struct { const char* keys; int slider; int pitch; } cases[] = {
        {"WPM=60\nFrequency=200\n", 50, 300},
        {"WPM=5\nFrequency=2000\n", 10, 1500},
    };
    for (const auto& c : cases) {
        Station station(Section(QLatin1String(c.keys)));
        const std::int32_t dotBefore = station.window().station().keyer().state().dotMs;
        const QString fileBefore = station.iniText();
        SetupDialog d(station);
        EXPECT_EQ(d.slider("DotLengthSlider").value(), c.slider) << c.keys;
        EXPECT_EQ(d.slider("Pitch").value(), c.pitch) << c.keys;
        EXPECT_EQ(station.window().station().keyer().state().dotMs, dotBefore) << c.keys;
        EXPECT_NE(station.window().station().settings().sidetoneFrequency, c.pitch) << c.keys;
        d.click("btnCancel");
        EXPECT_EQ(station.iniText(), fileBefore) << c.keys;
    }
}

TEST(KeyerSetupDialog, SpeedActsAtOnceAndCancelLeavesTheStoredSpeedShown)
{
    Station station(Section(QString()));
    FrmTavrik& window = station.window();
    SetupDialog d(station);
    d.keys("DotLengthSlider", Qt::Key_Right, 10);
    EXPECT_EQ(d.control<QLabel>("lbl").text(), QStringLiteral(" Keying speed 30 WPM."));
    EXPECT_EQ(window.station().keyer().state().dotMs, 40); // 60000 / 1493
    QTest::keyClick(&d.slider("DotLengthSlider"), Qt::Key_Escape); // closes as Cancel does
    EXPECT_FALSE(d.isOpen());
    EXPECT_EQ(window.speedText(), QStringLiteral(" Keying speed = 20 WPM"));
    EXPECT_EQ(window.station().keyer().state().dotMs, 40);
    EXPECT_FALSE(station.iniText().contains(QStringLiteral("WPM=")));
    // The next transmission closes with the stored speed's dot again.
    QTest::keyClicks(&window.typingBox(), QStringLiteral("e"));
    EXPECT_EQ(window.station().keyer().state().dotMs, 60);
}

TEST(KeyerSetupDialog, CancelPutsPitchAndSidetoneBackAndRebuildsTheTone)
{
    QTemporaryDir dir;
    const QString wav = dir.path() + QStringLiteral("/tone.wav");
    Station station(Section(QStringLiteral("SideTone=ON\nFrequency=1000\n[Devices]\nSidetone Output=wav:") + wav
                            + QStringLiteral("\n")));
    FrmTavrik& window = station.window();
    SetupDialog d(station);
    d.keys("Pitch", Qt::Key_PageDown, 4);
    EXPECT_EQ(window.station().settings().sidetoneFrequency, 600.0);
    QPushButton& test = d.control<QPushButton>("btnTest");
    QTest::mousePress(&test, Qt::LeftButton); // the tone at the new pitch: the buffer is rebuilt
    station.clock.sleepMs(50);
    QTest::mouseRelease(&test, Qt::LeftButton);
    d.click("ckSidetone");
    EXPECT_FALSE(d.control<QPushButton>("btnTest").isEnabled());
    d.dialog()->close(); // the close box, as Cancel
    EXPECT_EQ(window.station().settings().sidetoneFrequency, 1000.0);
    EXPECT_TRUE(window.station().sidetone().sidetoneOn());

    station.clock.sleepMs(100);
    // What is sent now sounds at 1000 Hz from the table's start.
    QTest::keyClicks(&window.typingBox(), QStringLiteral("t"));
    const test::WavFile recording = test::ReadWav(wav.toStdString());
    ASSERT_TRUE(recording.valid) << recording.problem;
    const std::vector<test::ToneRun> runs = test::FindToneRuns(recording.samples);
    ASSERT_EQ(runs.size(), 2u); // the tone test, then the dash
    const std::vector<std::int16_t> table = SidetoneTable(1000);
    const std::vector<std::int16_t> lower = SidetoneTable(600);
    for (std::size_t k = 0; k < 100; ++k) {
        ASSERT_EQ(recording.samples[runs[1].start + k], table[k]) << k;
        ASSERT_EQ(recording.samples[runs[0].start + k], lower[k]) << k;
    }
}

TEST(KeyerSetupDialog, ToneTestIsSilentUntilTheSidetoneIsApplied)
{
    QTemporaryDir dir;
    const QString wav = dir.path() + QStringLiteral("/tone.wav");
    Station station(Section(QStringLiteral("[Devices]\nSidetone Output=wav:") + wav + QStringLiteral("\n")));
    SetupDialog d(station);
    d.click("ckSidetone");
    QPushButton& test = d.control<QPushButton>("btnTest");
    ASSERT_TRUE(test.isEnabled());
    QTest::mousePress(&test, Qt::LeftButton);
    EXPECT_FALSE(station.window().station().sidetone().sidetoneOn());
    QTest::mouseRelease(&test, Qt::LeftButton);
    EXPECT_TRUE(test::FindToneRuns(test::ReadWav(wav.toStdString()).samples).empty());
}

TEST(KeyerSetupDialog, RatioBoxesTakeOnlyNumbersAndSelectTheirFirstCharacter)
{
    Station station(Section(QString()));
    SetupDialog d(station);
    QLineEdit& dash = d.box("Text4");
    const struct { const char* typed; const char* shown; } cases[] = {
        {"10", "10"},  // types over the selected first character
        {"x", "3"},    // a letter is dropped
        {"2.5", "2.5"},
        {"4a-", "4"},
    };
    for (const auto& c : cases) {
        dash.setText(QStringLiteral("3"));
        dash.clearFocus();
        dash.setFocus(Qt::TabFocusReason);
        EXPECT_EQ(dash.selectedText(), QStringLiteral("3"));
        QTest::keyClicks(&dash, QLatin1String(c.typed));
        EXPECT_EQ(dash.text(), QLatin1String(c.shown)) << c.typed;
    }
    QTest::keyClick(&dash, Qt::Key_Backspace);
    EXPECT_EQ(dash.text(), QString());
}

TEST(KeyerSetupDialog, PortBoxesActAsOneChoiceAndShowWhatEachPortIs)
{
    Station station(Section(QStringLiteral("Dedicated Serial Port=Comm3\n[Devices]\nComm3=/dev/ttyUSB0\n")));
    SetupDialog d(station);
    // Opened in parallel mode, the stored serial port is shown, not lost.
    EXPECT_EQ(d.portText(), QStringLiteral("Comm3 \u2014 /dev/ttyUSB0"));
    EXPECT_EQ(d.combo("cmbPort").itemText(0), QStringLiteral("Comm1 \u2014 /dev/ttyS0"));
    EXPECT_EQ(d.combo("cmbPort").count(), 8);

    d.click("CheckSharedSerial");
    EXPECT_FALSE(d.check("CheckParallel").isChecked());
    EXPECT_TRUE(d.combo("cmbPort").isEnabled());
    EXPECT_FALSE(d.box("Text2").isEnabled());
    d.click("CheckSharedSerial"); // clearing the only ticked box ticks it again
    EXPECT_TRUE(d.check("CheckSharedSerial").isChecked());
    d.click("CheckSerial");
    EXPECT_FALSE(d.check("CheckSharedSerial").isChecked());
    EXPECT_EQ(d.combo("cmbDevice").currentText(), QStringLiteral("/dev/ttyUSB0"));

    // Another device for Comm3, typed into the device entry.
    QLineEdit* device = d.combo("cmbDevice").lineEdit();
    device->selectAll();
    QTest::keyClicks(device, QStringLiteral("/dev/ttyACM1"));
    EXPECT_EQ(d.portText(), QStringLiteral("Comm3 \u2014 /dev/ttyACM1"));
    d.click("CheckParallel");
    EXPECT_FALSE(d.combo("cmbDevice").isEnabled());
    d.click("btnOK");
    EXPECT_FALSE(d.isOpen());
    const QString ini = station.iniText();
    EXPECT_TRUE(ini.contains(QStringLiteral("Dedicated Serial Port=Comm3"))) << ini.toStdString();
    EXPECT_TRUE(ini.contains(QStringLiteral("[Devices]\nComm3=/dev/ttyACM1"))) << ini.toStdString();
    EXPECT_EQ(station.window().station().settings().devices.commPorts[2], QStringLiteral("/dev/ttyACM1"));
}

TEST(KeyerSetupDialog, ApplyStoresEveryValueInOrderThenSetsThePortUp)
{
    Station station(QStringLiteral("[frmTavrik Settings]\nKeying=VOX\n"));
    FrmTavrik& window = station.window();
    SetupDialog d(station);
    d.retype("Text2", QStringLiteral("&H278"));
    d.retype("Text3", QStringLiteral("250"));
    d.retype("Text4", QStringLiteral("3.5"));
    d.click("Check5");
    d.click("Chk6");
    d.click("ckSlowTyping");
    d.keys("DotLengthSlider", Qt::Key_Right, 5);
    d.keys("Pitch", Qt::Key_PageUp, 2);
    d.click("btnOK");
    EXPECT_FALSE(d.isOpen());

    const QString expected = QStringLiteral(
        "Keying=VOX\nDisable Polling=True\nSideTone=OFF\nSlow Typing=OFF\nDash Length=3.5\nWord Space=7\n"
        "Letter Space=3\nWPM=25\nPTT=ON\nPTT Delay=250\nPort to Use=Parallel\nParallel Port Address=&H278\n"
        "Dedicated Serial Port=None\nFrequency=1200\n");
    EXPECT_TRUE(station.iniText().contains(expected)) << station.iniText().toStdString();

    const KeyerOptions& o = window.station().keyer().options();
    EXPECT_EQ(o.pttDelayMs, 250);
    EXPECT_TRUE(o.pttEnabled);
    EXPECT_TRUE(o.disablePolling);
    EXPECT_FALSE(o.slowTyping);
    EXPECT_EQ(o.ratios.dashLength, 3.5);
    EXPECT_EQ(window.station().keyer().state().wpm, 25);
    EXPECT_EQ(window.speedText(), QStringLiteral(" Keying speed = 25 WPM"));
    EXPECT_EQ(window.station().settings().sidetoneFrequency, 1200.0);
    EXPECT_EQ(window.station().keyerPort().parallelControlPort(), 0x27A);
    EXPECT_EQ(station.port.controlRegister(), KeyerPort::kParallelIdle);
}

TEST(KeyerSetupDialog, ApplyRefusesWhatWouldKeyNonsenseBeforeStoringAnything)
{
    const struct { const char* box; const char* text; const char* caption; } cases[] = {
        {"Text2", "378h", "Parallel port address"},
        {"Text2", "&HZZ", "Parallel port address"},
        {"Text2", "888.5", "Parallel port address"},
        {"Text2", "4294967296", "Parallel port address"},
        {"Text3", "3000000000", "Tx delay (in ms)"},
        {"Text3", "abc", "Tx delay (in ms)"},
        {"Text3", "250ms", "Tx delay (in ms)"}, // read back as the default 100 after a restart
        {"Text3", "-5", "Tx delay (in ms)"},
        {"Text3", "", "Tx delay (in ms)"},
        {"Text4", "", "A dash"},
        {"Text4", "0", "A dash"},
        {"Text5", ".", "A letter space"},
        {"Text6", "0.0", "A word space"},
    };
    for (const auto& c : cases) {
        Station station(Section(QString()));
        const QString before = station.iniText();
        const std::size_t shown = station.dialogs.messages.size(); // the start-up's own
        SetupDialog d(station);
        d.click("ckSlowTyping");
        d.retype(c.box, QLatin1String(c.text));
        d.click("btnOK");
        EXPECT_TRUE(d.isOpen()) << c.text;
        ASSERT_EQ(station.dialogs.messages.size(), shown + 1) << c.text;
        EXPECT_TRUE(station.dialogs.messages.back().text.startsWith(QLatin1String(c.caption))) << c.text;
        EXPECT_TRUE(station.dialogs.messages.back().text.contains(QLatin1String(c.text))) << c.text;
        EXPECT_EQ(station.iniText(), before) << c.text;
        EXPECT_TRUE(d.box(c.box).hasFocus()) << c.text;
    }
}

TEST(KeyerSetupDialog, ApplyWaitsForTheTransmissionToEndSoTheKeyLineIsNotLeftDown)
{
    Station station(Section(QString()));
    FrmTavrik& window = station.window();
    SetupDialog d(station);
    d.retype("Text2", QStringLiteral("&H278"));
    const QString before = station.iniText();
    const std::size_t shown = station.dialogs.messages.size();
    station.after(30, [&] { d.click("btnOK"); }); // inside the first dot
    QTest::keyClicks(&window.typingBox(), QStringLiteral("e"));
    EXPECT_EQ(station.dialogs.messages.size(), shown + 1);
    EXPECT_EQ(station.iniText(), before);
    EXPECT_TRUE(d.isOpen());
    EXPECT_EQ(station.port.controlRegister(), KeyerPort::kParallelIdle);
    d.click("btnOK");
    EXPECT_FALSE(d.isOpen());
}

TEST(KeyerSetupDialog, APortThatFailsIsShownAndOnlyAPendingFailureKeepsTheDialogOpen)
{
    {
        // The dialog says why it stays open; a serial port that opens then mends the notice.
        test::Pty pty;
        ASSERT_TRUE(pty.ok());
        Station station(Section(QStringLiteral("[Devices]\nComm1=%1\n").arg(pty.slavePath())));
        station.port.failOpen = true;
        SetupDialog d(station);
        d.retype("Text2", QStringLiteral("&H3BC"));
        d.click("btnOK");
        EXPECT_TRUE(d.isOpen());
        EXPECT_TRUE(station.window().typingBox().notice().startsWith(QStringLiteral("CW Port error : ")));
        EXPECT_TRUE(d.control<QLabel>("lblPortProblem").isVisible());
        EXPECT_TRUE(d.control<QLabel>("lblPortProblem").text().contains(QStringLiteral("no parallel port at this address")));
        d.click("CheckSerial");
        QTest::keyClick(&d.combo("cmbPort"), Qt::Key_Home);
        d.click("btnOK");
        EXPECT_FALSE(d.isOpen());
        EXPECT_TRUE(station.window().station().cwControl().portOpen());
        EXPECT_TRUE(station.window().typingBox().notice().isEmpty());
    }
    {
        Station station(Section(QStringLiteral("[Devices]\nComm8=/nonexistent/tty\n")));
        SetupDialog d(station);
        d.click("CheckSerial");
        QTest::keyClick(&d.combo("cmbPort"), Qt::Key_End);
        d.click("btnOK");
        EXPECT_FALSE(d.isOpen());
        EXPECT_TRUE(station.window().typingBox().notice().startsWith(QStringLiteral("CW Port error : ")));
        EXPECT_TRUE(station.iniText().contains(QStringLiteral("Dedicated Serial Port=Comm8")));
    }
}

} // namespace
} // namespace tavrik
