#pragma once

#include "keyer/element_timing.h"
#include "keyer/keyer_ports.h"
#include "platform/clock.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace tavrik::bench {

// Key edges stamped on the counter the moment the keyer switches the line.
class KeyEdgeRecorder final : public KeyLines {
public:
    explicit KeyEdgeRecorder(Clock& clock) : clock_(clock) { edges.reserve(20000); }
    void keyDown() override { edges.push_back(clock_.counter()); }
    void keyUp() override { edges.push_back(clock_.counter()); }
    void pttOn() override {}
    void pttOff() override {}
    std::vector<std::int64_t> edges;

private:
    Clock& clock_;
};

// The mark and gap lengths, in milliseconds, that a perfect keyer gives `text`.
std::vector<double> IdealIntervalsMs(const QString& text, double dotMs, const TimingRatios& ratios);

// Prints median, 99th percentile and largest error of every interval, and the span error;
// returns the 99th percentile in microseconds, negative when the edges do not fit the text.
double PrintAccuracy(const char* title, const std::vector<std::int64_t>& edges, std::int64_t frequency,
                   const std::vector<double>& idealMs);

QString RepeatedWord(const QString& word, int times);

} // namespace tavrik::bench
