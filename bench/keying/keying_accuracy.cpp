// Sends PARIS on the real clock through the real send loop and prints how exactly every mark
// and gap was keyed.
#include "keying_report.h"

#include "keyer/software_keyer.h"
#include "platform/clock.h"
#include "platform/priority.h"

#include <cstdio>

namespace tavrik::bench {
namespace {

class StringQueue final : public TransmitQueue {
public:
    qsizetype length() const override { return text.size(); }
    QChar charAt(qsizetype position) const override { return text.at(position - 1); }
    void removeCharAt(qsizetype position) override { text.remove(position - 1, 1); }
    void suspendRedraw() override {}
    void resumeRedraw() override {}
    void colourRange(qsizetype, qsizetype, Colour) override {}
    void moveCaretToEnd() override {}
    void setTypingColour(Colour) override {}
    void keepFrom(qsizetype position) override { text = text.mid(position - 1); }
    void clear() override { text.clear(); }
    QString text;
};

class SilentTone final : public ToneSwitch {
public:
    void toneOn() override {}
    void toneOff() override {}
};

class NoLink final : public KeyerLink {
public:
    void poll() override {}
    void post(int, int) override {}
};

class HeadlessWindow final : public KeyerWindow {
public:
    void processPendingEvents() override {}
    void setLinkTimerRunning(bool) override {}
    void setSendingControls(bool) override {}
    void showSpeedText(const QString&) override {}
    void showKeyLamp(bool) override {}
    void showPttLamp(bool) override {}
    void armPendingLoop() override {}
    void logContactIfRequested() override {}
};

void Run(std::int16_t wpm, int words)
{
    MonotonicClock clock;
    SchedulerPriority priority;
    KeyEdgeRecorder lines(clock);
    SilentTone tone;
    StringQueue box;
    NoLink link;
    HeadlessWindow window;
    SoftwareKeyer keyer({clock, priority, lines, tone, box, link, window});
    keyer.options().slowTyping = false;
    keyer.options().pttDelayMs = 0;
    keyer.setOperatorSpeed(wpm);

    box.text = RepeatedWord(QStringLiteral("PARIS"), words);
    const auto ideal = IdealIntervalsMs(box.text, keyer.state().dotMs, keyer.options().ratios);
    keyer.state().currentChar = box.text.left(1);
    keyer.sendLoop();

    char title[96];
    std::snprintf(title, sizeof title, "send loop, %d WPM, PARIS x %d (%s)", wpm, words, priority.lastRaiseDescription());
    PrintAccuracy(title, lines.edges, clock.frequency(), ideal);
}

} // namespace
} // namespace tavrik::bench

int main()
{
    std::printf("Keying accuracy on the real clock (takes about two minutes)\n");
    tavrik::bench::Run(20, 20);
    tavrik::bench::Run(40, 40);
    return 0;
}
