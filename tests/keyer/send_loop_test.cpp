#include "keyer/morse.h"
#include "keyer/software_keyer.h"
#include "support/keyer_fakes.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>

namespace tavrik {
namespace {

using test::Edge;
using test::SimulatedClock;

// A sidetone that takes whole milliseconds to stop, as a sound server may.
class SlowStoppingTone final : public ToneSwitch {
public:
    SlowStoppingTone(test::EdgeLog& log, SimulatedClock& clock) : log_(log), clock_(clock) {}
    void toneOn() override { log_.add("tone on"); }
    void toneOff() override
    {
        log_.add("tone off");
        for (int i = 0; i < stopMs; ++i)
            clock_.yieldThread(); // a millisecond each
    }
    int stopMs = 0;

private:
    test::EdgeLog& log_;
    SimulatedClock& clock_;
};

class SendLoopTest : public ::testing::Test {
protected:
    SendLoopTest()
    {
        keyer.options().pttDelayMs = 0;
        keyer.options().slowTyping = false;
        keyer.setOperatorSpeed(20);
    }

    void send(const QString& text) { test::SendAsTheWindowDoes(keyer, box, text); }

    std::vector<Edge> keyEdges() const { return log.only({"key down", "key up"}); }

    // Alternating mark and gap lengths in milliseconds, from the first key-down on.
    std::vector<double> intervalsMs() const
    {
        const auto edges = keyEdges();
        std::vector<double> out;
        for (std::size_t i = 1; i < edges.size(); ++i)
            out.push_back(SimulatedClock::toMs(edges[i].time - edges[i - 1].time));
        return out;
    }

    double msBetween(const std::string& from, const std::string& to, int nthFrom = 0) const
    {
        const auto froms = log.only({from});
        const auto tos = log.only({to});
        for (const Edge& t : tos) {
            if (t.time >= froms.at(static_cast<std::size_t>(nthFrom)).time)
                return SimulatedClock::toMs(t.time - froms.at(static_cast<std::size_t>(nthFrom)).time);
        }
        return -1;
    }

    // A few counter readings around each edge are the keyer's own work; a word space is three
    // waits, each with the readings that start and end it. A reading costs a microsecond
    // here, some twenty nanoseconds on a real machine.
    double slackMs() const { return SimulatedClock::toMs(12 * clock.readCost()); }

    SimulatedClock clock;
    test::EdgeLog log{clock};
    test::RecordingLines lines{log};
    SlowStoppingTone tone{log, clock};
    test::RecordingLink link{log};
    test::RecordingPriority priority{log};
    test::FakeQueue box;
    test::FakeKeyerWindow window{log};
    SoftwareKeyer keyer{{clock, priority, lines, tone, box, link, window}};
};

TEST_F(SendLoopTest, WordSpaceBetweenTwoLettersIsSevenDots)
{
    send(QStringLiteral("E E"));
    const auto iv = intervalsMs();
    ASSERT_EQ(iv.size(), 3u);
    EXPECT_NEAR(iv[0], 60, slackMs());
    EXPECT_NEAR(iv[1], 7 * 60, slackMs());
    EXPECT_NEAR(iv[2], 60, slackMs());
    EXPECT_TRUE(box.text.isEmpty());
}

TEST_F(SendLoopTest, CaretJoinsTwoLettersIntoOneSign)
{
    send(QStringLiteral("A^R"));
    const auto iv = intervalsMs();
    // A: dot gap dash; one dot; R: dot gap dash gap dot
    const std::vector<double> expected = {60, 60, 180, 60, 60, 60, 180, 60, 60};
    ASSERT_EQ(iv.size(), expected.size());
    for (std::size_t i = 0; i < iv.size(); ++i)
        EXPECT_NEAR(iv[i], expected[i], slackMs()) << i;
    EXPECT_FALSE(keyer.state().joinNext);
}

TEST_F(SendLoopTest, SpeedMarkersRaiseTheSpeedForOneTransmission)
{
    send(QStringLiteral("C") + QChar(0x00BB) + QChar(0x00BB) + QStringLiteral("Q"));
    // C at 20 WPM (60 ms), Q at 24 WPM (50 ms)
    const auto iv = intervalsMs();
    EXPECT_NEAR(iv.front(), 180, slackMs());
    EXPECT_NEAR(iv.back(), 150, slackMs());   // Q's last dash
    EXPECT_NEAR(iv[iv.size() - 3], 50, slackMs()); // Q's dot
    EXPECT_EQ(keyer.state().wpm, 20);
    EXPECT_EQ(keyer.state().dotMs, 60);
    EXPECT_EQ(window.speedText, QStringLiteral(" Keying speed = 20 WPM"));
}

TEST_F(SendLoopTest, EachTransmissionStartsWithItsOwnMarkersAndNoJoinLeftOver)
{
    const QString up(QChar(0x00BB)), down(QChar(0x00AB));
    const struct { const char* what; QString before; QString text; std::vector<double> intervals; } cases[] = {
        // E at 24 WPM, then back to 20 for the letter gap and the second E.
        {"markers first", {}, up + up + QStringLiteral("E") + down + down + QStringLiteral("E"), {50, 180, 60}},
        {"a join first", {}, QStringLiteral("^TE"), {180, 180, 60}},
        {"a join that ended the last one", QStringLiteral("A^"), QStringLiteral("TE"), {180, 180, 60}},
        {"nothing but markers", {}, up + down, {}},
        // Twelve steps down from 20 would be -4 WPM: the speed stops at 1 WPM.
        {"markers below the slowest speed", {}, down.repeated(12) + QStringLiteral("E"), {1395}},
    };
    for (const auto& c : cases) {
        if (!c.before.isEmpty())
            send(c.before);
        log.edges.clear();
        send(c.text);
        const auto iv = intervalsMs();
        ASSERT_EQ(iv.size(), c.intervals.size()) << c.what;
        for (std::size_t i = 0; i < iv.size(); ++i)
            EXPECT_NEAR(iv[i], c.intervals[i], slackMs()) << c.what << " " << i;
        EXPECT_EQ(keyer.state().wpm, 20) << c.what;
        EXPECT_TRUE(box.text.isEmpty()) << c.what;
    }
}

TEST_F(SendLoopTest, PttLeadsTheFirstElementByTheDelay)
{
    keyer.options().pttEnabled = true;
    for (const int delay : {0, 100}) {
        log.edges.clear();
        keyer.options().pttDelayMs = delay;
        send(QStringLiteral("E"));
        EXPECT_NEAR(msBetween("ptt on", "key down"), delay, slackMs()) << delay;
        EXPECT_FALSE(window.pttLamp);
    }
}

TEST_F(SendLoopTest, SlowTypingHoldsTheTransmissionOneLetterSpace)
{
    keyer.options().pttEnabled = true;
    for (const bool slow : {false, true}) {
        log.edges.clear();
        keyer.options().slowTyping = slow;
        send(QStringLiteral("E"));
        EXPECT_NEAR(msBetween("key up", "ptt off"), slow ? 180 : 0, slackMs()) << slow;
    }
    EXPECT_EQ(clock.sleptMs(), 180); // a blocking sleep, not a wait that runs events
}

TEST_F(SendLoopTest, AbortDuringADashLetsItEndAndClosesTheTransmission)
{
    window.onEvents = [&] {
        if (log.only({"key down"}).size() == 1)
            box.clear(); // what the abort command does
    };
    send(QStringLiteral("TEEEE"));
    const auto edges = keyEdges();
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_NEAR(SimulatedClock::toMs(edges[1].time - edges[0].time), 180, slackMs());
    EXPECT_TRUE(box.text.isEmpty());
    EXPECT_FALSE(keyer.state().isSending);
}

TEST_F(SendLoopTest, ClosingDuringALongGapEndsItAtOnce)
{
    keyer.setOperatorSpeed(5); // 245 ms dots
    std::int64_t closedAt = 0;
    window.onEvents = [&] {
        if (log.only({"key up"}).size() == 1 && closedAt == 0) {
            closedAt = clock.peek();
            box.clear();
            keyer.state().abort = true;
        }
    };
    send(QStringLiteral("E E"));
    EXPECT_EQ(keyEdges().size(), 2u);
    const auto restored = log.only({"priority restored"});
    ASSERT_EQ(restored.size(), 1u);
    EXPECT_LE(restored[0].time - closedAt, 2 * clock.readCost());
}

TEST_F(SendLoopTest, OnlyWaitsOverTwentyMsProcessEvents)
{
    keyer.waitMs(15);
    EXPECT_EQ(window.eventRuns, 0);
    keyer.waitMs(25);
    EXPECT_EQ(window.eventRuns, 1);
    const std::int64_t before = clock.peek();
    keyer.waitMs(0);
    EXPECT_EQ(clock.peek() - before, clock.readCost()); // one counter reading
}

TEST_F(SendLoopTest, SlowWindowWorkNeverReachesAnEdge)
{
    // Each time the window processes its events it takes 30 ms: a wait too short to hold that
    // and the last stretch runs no events, and every interval stays exact.
    window.onEvents = [&] { clock.sleepMs(30); };
    keyer.waitMs(100);
    EXPECT_EQ(window.eventRuns, 1);
    keyer.waitMs(45);
    EXPECT_EQ(window.eventRuns, 1);
    send(QStringLiteral("E E"));
    const auto iv = intervalsMs();
    ASSERT_EQ(iv.size(), 3u);
    EXPECT_NEAR(iv[0], 60, slackMs());
    EXPECT_NEAR(iv[1], 7 * 60, slackMs());
    EXPECT_NEAR(iv[2], 60, slackMs());
    EXPECT_GT(window.eventRuns, 1);
}

TEST_F(SendLoopTest, TransmissionIsFramedByNoticesPttAndPriority)
{
    keyer.options().pttEnabled = true;
    keyer.options().disablePolling = true;
    send(QStringLiteral("EE"));
    const std::vector<std::string> frame = {"priority raised", "timer off", "controls sending", "post 900 1",
                                            "post 150 1",      "ptt on",    "poll",             "priority restored",
                                            "timer on",        "controls idle", "arm loop",     "post 900 0",
                                            "post 150 0",      "ptt off",   "log contact"};
    EXPECT_EQ(log.names(frame), frame);
}

TEST_F(SendLoopTest, TextTypedDuringSendingIsSentByTheRunningLoop)
{
    bool typed = false;
    window.onEvents = [&] {
        if (!typed) {
            typed = true;
            box.append(QStringLiteral("E"));
        }
    };
    send(QStringLiteral("T"));
    EXPECT_EQ(log.only({"key down"}).size(), 2u);
    EXPECT_EQ(log.only({"priority raised"}).size(), 1u);
}

TEST_F(SendLoopTest, ColoursSentAndSendingText)
{
    std::vector<Colour> duringB;
    window.onEvents = [&] {
        if (log.only({"key down"}).size() == 5) // the first element of B
            duringB = box.colours;
    };
    send(QStringLiteral("AB"));
    EXPECT_EQ(duringB, (std::vector<Colour>{0, 255}));
}

TEST_F(SendLoopTest, TuneChangesOverBeforeTheCarrierAndBackAfterIt)
{
    keyer.options().pttEnabled = true;
    keyer.tuneOn();
    keyer.tuneOff();
    EXPECT_EQ(log.names({"ptt on", "key down", "tone on", "key up", "tone off", "ptt off"}),
              (std::vector<std::string>{"ptt on", "key down", "tone on", "key up", "tone off", "ptt off"}));
    keyer.options().pttDelayMs = 100;
    log.edges.clear();
    keyer.tuneOn();
    EXPECT_NEAR(msBetween("ptt on", "key down"), 100, slackMs());
}

TEST_F(SendLoopTest, LongTextKeepsEveryIntervalAndTheTotalSpanWhileTheToneIsSlowToStop)
{
    tone.stopMs = 3; // every silence still counts from key-up, word spaces included
    keyer.options().ratios = TimingRatios{3.3, 3.1, 7.7};
    keyer.setOperatorSpeed(25);
    const double dot = keyer.state().dotMs;
    QString text;
    for (int i = 0; i < 6; ++i)
        text += QStringLiteral("CQ TEST DE K1ABC 5NN 0? ");
    text = text.trimmed();

    // The ideal, from the element table and the ratios alone.
    std::vector<double> ideal;
    const TimingRatios r = keyer.options().ratios;
    for (qsizetype c = 0; c < text.size(); ++c) {
        if (text.at(c) == u' ') {
            ideal.back() += (r.wordSpace - 2 * r.letterSpace) * dot + r.letterSpace * dot;
            continue;
        }
        const QString elements = MorseForChar(QString(text.at(c)), 0x0409);
        for (qsizetype e = 0; e < elements.size(); ++e) {
            ideal.push_back(elements.at(e) == u'.' ? dot : dot * r.dashLength);
            ideal.push_back(e + 1 < elements.size() ? dot : r.letterSpace * dot);
        }
    }
    ideal.pop_back(); // no gap after the last element

    send(text);
    const auto measured = intervalsMs();
    ASSERT_EQ(measured.size(), ideal.size());
    for (std::size_t i = 0; i < ideal.size(); ++i) {
        EXPECT_GE(measured[i], ideal[i] - slackMs()) << i;
        EXPECT_LE(measured[i], ideal[i] + slackMs()) << i;
    }
    const double idealSpan = std::accumulate(ideal.begin(), ideal.end(), 0.0);
    const double span = std::accumulate(measured.begin(), measured.end(), 0.0);
    EXPECT_NEAR(span, idealSpan, slackMs() * static_cast<double>(ideal.size()));
}

// Lines that change half-way through a slow call (a request to the logging program, say)
// and a tone that is slow to switch: every mark and gap still holds at the line.
TEST(SendLoopSwitchingCosts, EveryIntervalHoldsWhereTheLineChanges)
{
    SimulatedClock clock;
    test::EdgeLog log{clock};
    const auto spend = [&clock](double ms) {
        for (std::int64_t end = clock.peek() + SimulatedClock::fromMs(ms); clock.peek() < end;)
            clock.counter();
    };
    class SlowLines final : public KeyLines {
    public:
        explicit SlowLines(std::function<void(const char*)> change) : change_(std::move(change)) {}
        void keyDown() override { change_("key down"); }
        void keyUp() override { change_("key up"); }
        void pttOn() override {}
        void pttOff() override {}

    private:
        std::function<void(const char*)> change_;
    } lines([&](const char* what) {
        spend(0.4);
        log.add(what);
        spend(0.4);
    });
    class SlowTone final : public ToneSwitch {
    public:
        explicit SlowTone(std::function<void()> spend) : spend_(std::move(spend)) {}
        void toneOn() override { spend_(); }
        void toneOff() override { spend_(); }

    private:
        std::function<void()> spend_;
    } tone([&] { spend(0.3); });
    test::RecordingLink link{log};
    test::RecordingPriority priority{log};
    test::FakeQueue box;
    test::FakeKeyerWindow window{log};
    SoftwareKeyer keyer{{clock, priority, lines, tone, box, link, window}};
    keyer.options().pttDelayMs = 0;
    keyer.options().slowTyping = false;
    keyer.setOperatorSpeed(40);

    test::SendAsTheWindowDoes(keyer, box, QStringLiteral("PARIS"));
    const auto edges = log.only({"key down", "key up"});
    // P .--. A .- R .-. I .. S ...: marks in dots, each followed by a gap of 1 or 3 dots.
    const std::vector<double> ideal = {1, 1, 3, 1, 3, 1, 1, 3, /**/ 1, 1, 3, 3, /**/ 1, 1, 3, 1, 1, 3, /**/ 1, 1, 1, 3, /**/ 1, 1, 1, 1, 1};
    ASSERT_EQ(edges.size(), ideal.size() + 1);
    for (std::size_t i = 0; i < ideal.size(); ++i)
        EXPECT_NEAR(SimulatedClock::toMs(edges[i + 1].time - edges[i].time), ideal[i] * keyer.state().dotMs, 0.008) << i;
}

TEST(SendLoopLimit, ClosesAtThePositionLimitAndKeepsWhatWasNotSent)
{
    SimulatedClock clock(10'000, 10'000); // a millisecond a reading: the limit is far away
    test::EdgeLog log{clock};
    test::RecordingLines lines{log};
    test::RecordingTone tone{log};
    test::RecordingLink link{log};
    test::RecordingPriority priority{log};
    test::FakeQueue box;
    box.trackColours = false;
    test::FakeKeyerWindow window{log};
    SoftwareKeyer keyer{{clock, priority, lines, tone, box, link, window}};
    keyer.options().slowTyping = false;
    keyer.options().pttDelayMs = 0;
    keyer.setOperatorSpeed(50);

    test::SendAsTheWindowDoes(keyer, box, QString(SoftwareKeyer::kMaxPosition, u'=') + QStringLiteral("EEE"));
    EXPECT_FALSE(keyer.state().isSending);
    EXPECT_EQ(box.text, QStringLiteral("EEE"));
    EXPECT_EQ(log.only({"key down"}).size(), 0u);
}

} // namespace
} // namespace tavrik
