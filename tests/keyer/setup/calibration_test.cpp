#include "keyer/setup/frm_calibrate.h"
#include "setup_fixture.h"
#include "support/qt_print.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

using test::SetupDialog;
using test::Station;
using test::WaitFor;

FrmCalibrate* Report(Station& station)
{
    return station.window().keyerSetup().reportWindow();
}

TEST(SpeedCalibration, FortyWpmTestSendsFortyWordsAtItsDotAndReportsThem)
{
    Station station(Station::QuickMainSection() + QStringLiteral("WPM=20\n"));
    FrmTavrik& window = station.window();
    SetupDialog setup(station);
    // An applied speed is the one a test gives back, not the speed of the last transmission.
    setup.keys("DotLengthSlider", Qt::Key_Right, 5);
    setup.click("btnOK");
    setup.open();

    std::int32_t dotDuringTest = 0;
    QString textDuringTest;
    QString speedShownDuringTest;
    station.after(1000, [&] {
        dotDuringTest = window.station().keyer().state().dotMs;
        textDuringTest = window.typingBox().text();
        speedShownDuringTest = window.speedText();
    });
    setup.click("ARButton2");
    EXPECT_EQ(setup.dialog()->cursor().shape(), Qt::WaitCursor);
    ASSERT_TRUE(WaitFor([&] { return Report(station) != nullptr; }));

    EXPECT_EQ(dotDuringTest, 30); // 60000 / 1993
    EXPECT_EQ(textDuringTest.split(u' ').size(), 40);
    EXPECT_EQ(speedShownDuringTest, QStringLiteral(" Keying speed = 40 WPM"));
    EXPECT_EQ(station.keyDowns(), 40u * 14u); // PARIS: 14 elements

    FrmCalibrate& report = *Report(station);
    EXPECT_EQ(report.windowTitle(), QStringLiteral("CW speed calibration results ..."));
    EXPECT_EQ(report.parentWidget(), setup.dialog());
    EXPECT_TRUE(report.windowFlags() & Qt::WindowStaysOnTopHint);
    // The simulated run keys 1993 dots of 30 ms: under the minute, so reported as the minute.
    EXPECT_EQ(report.label1().text(), QStringLiteral("Elapsed time 60.000000000000 seconds"));
    EXPECT_TRUE(report.label2().text().contains(QStringLiteral("adding 0.0% to the timed period")));
    EXPECT_TRUE(report.label2().text().contains(QStringLiteral("you are actually sending at 40 WPM")));
    EXPECT_TRUE(report.label2().text().endsWith(QStringLiteral("PARIS forty times.")));
    EXPECT_EQ(setup.dialog()->cursor().shape(), Qt::ArrowCursor);

    EXPECT_FALSE(window.station().keyer().calibration().calibrating);
    EXPECT_EQ(window.station().keyer().state().wpm, 25);
    EXPECT_EQ(window.station().keyer().state().dotMs, window.station().keyer().dotMsFromWpm(25));
    EXPECT_EQ(window.speedText(), QStringLiteral(" Keying speed = 25 WPM"));

    // Shown again while open: brought forward as it is, not worked out again.
    window.station().keyer().calibration().endCount += 10 * test::SimulatedClock::kFrequency;
    window.keyerSetup().showCalibrationReport();
    EXPECT_EQ(Report(station), &report);
    EXPECT_EQ(report.label1().text(), QStringLiteral("Elapsed time 60.000000000000 seconds"));
}

TEST(SpeedCalibration, TheLeadTimeIsNotCountedAndASlowTypingHoldIs)
{
    Station station(QStringLiteral("[frmTavrik Settings]\nPTT Delay=100\nSlow Typing=ON\nKeying=VOX\n"));
    SetupDialog setup(station);
    setup.click("ARButton1");
    ASSERT_TRUE(WaitFor([&] { return Report(station) != nullptr; }));
    const Calibration& run = station.window().station().keyer().calibration();
    const double span = test::SimulatedClock::toMs(run.endCount - run.startCount);
    // 993 dots of 60 ms, the lead time, and the 180 ms hold, plus what the keyer spends itself.
    EXPECT_GE(span, 59580.0 + 100 + 180);
    EXPECT_LT(span, 59580.0 + 100 + 180 + 200);
    EXPECT_TRUE(Report(station)->label2().text().endsWith(QStringLiteral("PARIS twenty times.")));
}

TEST(SpeedCalibration, ClosingTheDialogMidTestEndsItAsAnOrdinaryTransmission)
{
    Station station(Station::QuickMainSection());
    FrmTavrik& window = station.window();
    SetupDialog setup(station);
    station.after(2000, [&] { setup.click("btnCancel"); });
    setup.click("ARButton1");
    ASSERT_TRUE(WaitFor([&] { return station.keyDowns() == 20u * 14u && !window.station().keyer().state().isSending; }));
    EXPECT_FALSE(setup.isOpen());
    EXPECT_EQ(Report(station), nullptr);
    EXPECT_FALSE(window.station().keyer().calibration().calibrating);
    EXPECT_EQ(window.station().keyer().state().wpm, 20);
    EXPECT_EQ(window.speedText(), QStringLiteral(" Keying speed = 20 WPM"));
}

} // namespace
} // namespace tavrik
