#include "keyer/calibration.h"
#include "keyer/setup/serial_devices_present.h"
#include "support/qt_print.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(CalibrationReport, TakesOffTheLeadTimeAndCountsAFastRunAsTheMinute)
{
    constexpr std::int64_t kFrequency = 10'000'000;
    const struct {
        double spanSeconds;
        std::int32_t pttDelayMs;
        std::int16_t wpm;
        const char* elapsed;
        const char* overhead;
        std::int64_t actual;
    } cases[] = {
        {60.6, 0, 20, "Elapsed time 60.600000000000 seconds", "1.0", 20}, // 19.8 rounds to 20
        {60.1, 100, 20, "Elapsed time 60.000000000000 seconds", "0.0", 20},
        {59.2, 0, 40, "Elapsed time 60.000000000000 seconds", "0.0", 40}, // faster than the minute
        {61.2, 0, 40, "Elapsed time 61.200000000000 seconds", "2.0", 39},
        {125.0, 5000, 20, "Elapsed time 120.000000000000 seconds", "100.0", 10},
    };
    for (const auto& c : cases) {
        Calibration run;
        run.wpm = c.wpm;
        run.startCount = 1'000'000;
        run.endCount = run.startCount + static_cast<std::int64_t>(c.spanSeconds * kFrequency + 0.5);
        const CalibrationReport r = MakeCalibrationReport(run, kFrequency, c.pttDelayMs);
        EXPECT_EQ(r.elapsedText, QLatin1String(c.elapsed)) << c.spanSeconds;
        EXPECT_EQ(r.actualWpm, c.actual) << c.spanSeconds;
        const QString wpm = QString::number(c.wpm);
        EXPECT_EQ(r.explanation,
                  QStringLiteral("At ") + wpm + QStringLiteral(" WPM this should have taken 60 seconds.  Your CPU overhead is adding ")
                      + QLatin1String(c.overhead) + QStringLiteral("% to the timed period.  Calibration shows that at ") + wpm
                      + QStringLiteral(" WPM, you are actually sending at ") + QString::number(c.actual)
                      + QStringLiteral(" WPM.  These calculations are based on the total elaped time (first key down to last "
                                       "key up) to send the word PARIS ")
                      + (c.wpm == 20 ? QStringLiteral("twenty") : QStringLiteral("forty")) + QStringLiteral(" times."));
    }
}

TEST(CalibrationReport, TestTextHoldsAsManyWordsAsTheSpeed)
{
    EXPECT_EQ(CalibrationTestText(1), QStringLiteral("PARIS"));
    EXPECT_EQ(CalibrationTestText(40).split(u' ').size(), 40);
    EXPECT_EQ(CalibrationTestText(20).size(), 20 * 6 - 1);
}

TEST(SerialDevicesPresent, ListsTheSerialKindsInNaturalOrderThenTheStableNames)
{
    QTemporaryDir dev;
    QDir(dev.path()).mkpath(QStringLiteral("serial/by-id"));
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyS0", "ttyACM0", "tty0", "sda", "serial/by-id/usb-FTDI_FT232R-if00"}) {
        QFile f(dev.path() + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QStringList expected;
    for (const char* name : {"ttyACM0", "ttyS0", "ttyUSB2", "ttyUSB10", "serial/by-id/usb-FTDI_FT232R-if00"})
        expected.append(dev.path() + QLatin1Char('/') + QLatin1String(name));
    EXPECT_EQ(PresentSerialDevices(dev.path()), expected);
}

} // namespace
} // namespace tavrik
