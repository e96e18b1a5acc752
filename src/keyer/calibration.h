#pragma once

#include <QString>

#include <cstdint>

namespace tavrik {

// A speed test: the word PARIS sent as many times as the test speed, which must take
// exactly one minute. The keyer reads the counter when the test transmission opens and
// closes; the report is worked out from those readings.
struct Calibration {
    bool calibrating = false;
    std::int16_t wpm = 20;      // speed of the running test
    std::int16_t savedWpm = 20; // the operator's speed before it
    std::int64_t startCount = 0;
    std::int64_t endCount = 0;
};

// "PARIS" `words` times, one blank between them.
QString CalibrationTestText(int words);

struct CalibrationReport {
    double elapsedSeconds = 0;
    double overheadPercent = 0;
    std::int64_t actualWpm = 0;
    QString elapsedText;  // Label1
    QString explanation;  // Label2
};

// The lead time is not part of the keying and is taken off; a run faster than the minute
// counts as the minute.
CalibrationReport MakeCalibrationReport(const Calibration& run, std::int64_t counterFrequency, std::int32_t pttDelayMs);

} // namespace tavrik
