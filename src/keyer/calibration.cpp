#include "keyer/calibration.h"

#include "common/vb_numbers.h"

namespace tavrik {

QString CalibrationTestText(int words)
{
    QString text = QStringLiteral("PARIS");
    for (int i = 1; i < words; ++i)
        text += QStringLiteral(" PARIS");
    return text;
}

CalibrationReport MakeCalibrationReport(const Calibration& run, std::int64_t counterFrequency, std::int32_t pttDelayMs)
{
    constexpr double kExpectedSeconds = 60;
    CalibrationReport r;
    r.elapsedSeconds = static_cast<double>(run.endCount - run.startCount) / static_cast<double>(counterFrequency)
                       - pttDelayMs / 1000.0;
    if (r.elapsedSeconds < kExpectedSeconds)
        r.elapsedSeconds = kExpectedSeconds;
    r.overheadPercent = (r.elapsedSeconds - kExpectedSeconds) / kExpectedSeconds * 100;
    r.actualWpm = RoundHalfEven(kExpectedSeconds / r.elapsedSeconds * run.wpm);

    const QString word = run.wpm == 20 ? QStringLiteral("twenty") : QStringLiteral("forty");
    const QString wpm = QString::number(run.wpm);
    r.elapsedText = QStringLiteral("Elapsed time ")
                    + FormatNumber(r.elapsedSeconds, QStringLiteral("##.000000000000")).value_or(QString())
                    + QStringLiteral(" seconds");
    r.explanation = QStringLiteral("At ") + wpm + QStringLiteral(" WPM this should have taken ") + QStringLiteral("60")
                    + QStringLiteral(" seconds.  Your CPU overhead is adding ")
                    + FormatNumber(r.overheadPercent, QStringLiteral("#0.0")).value_or(QString())
                    + QStringLiteral("% to the timed period.  Calibration shows that at ") + wpm
                    + QStringLiteral(" WPM, you are actually sending at ") + QString::number(r.actualWpm)
                    + QStringLiteral(" WPM.  These calculations are based on the total elaped time (first key down to "
                                     "last key up) to send the word PARIS ")
                    + word + QStringLiteral(" times.");
    return r;
}

} // namespace tavrik
