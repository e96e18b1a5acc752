// The sidetone as the operator hears it: Tavrik's sound output plays through a real sound
// server, which is recorded sample for sample and set against the key line.
#include "keyer/sidetone.h"
#include "keyer/software_keyer.h"
#include "platform/clock.h"
#include "platform/priority.h"
#include "support/keyer_fakes.h"
#include "support/sound_server.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace tavrik {
namespace {

class KeyStamps final : public KeyLines {
public:
    explicit KeyStamps(Clock& clock) : clock_(clock) {}
    void keyDown() override { edges.push_back(clock_.counter()); }
    void keyUp() override { edges.push_back(clock_.counter()); }
    void pttOn() override {}
    void pttOff() override {}
    std::vector<std::int64_t> edges;

private:
    Clock& clock_;
};

class SidetoneOnASoundServer : public ::testing::Test {
protected:
    // Before the first PortAudio call: PortAudio looks for servers once a process, and ends
    // its connection at exit, before this server (made first) goes.
    static void SetUpTestSuite()
    {
        static test::PrivateSoundServer server;
        server_ = &server;
    }
    void SetUp() override { ASSERT_EQ(server_->problem(), ""); }

    static test::PrivateSoundServer* server_;
};

test::PrivateSoundServer* SidetoneOnASoundServer::server_ = nullptr;

TEST_F(SidetoneOnASoundServer, EveryToneLastsItsKeyMarkAtOneLatency)
{
    MonotonicClock clock;
    Sidetone sidetone(QStringLiteral("jack"), clock);
    sidetone.setSidetoneOn(true);
    ASSERT_TRUE(sidetone.createSidetone(1000)) << sidetone.deviceError().toStdString();

    for (const std::int16_t wpm : {20, 40}) {
        SCOPED_TRACE(wpm);
        ASSERT_TRUE(server_->startRecording());
        test::SimulatedClock logClock; // the fakes' log only; the keyer runs on the real clock
        test::EdgeLog log(logClock);
        KeyStamps lines(clock);
        SchedulerPriority priority;
        test::RecordingLink link(log);
        test::FakeQueue box;
        box.trackColours = false;
        test::FakeKeyerWindow window(log);
        SoftwareKeyer keyer({clock, priority, lines, sidetone, box, link, window});
        keyer.options().pttDelayMs = 0;
        keyer.options().slowTyping = false;
        keyer.setOperatorSpeed(wpm);
        test::SendAsTheWindowDoes(keyer, box, QStringLiteral("PARIS CQ TEST"));

        const std::vector<std::int16_t> recording = server_->stopRecording(22050 / 2);
        const test::TonesAgainstMarks tones = test::CompareTonesWithMarks(recording, lines.edges, clock.frequency());
        ASSERT_EQ(tones.problem, "");
        for (std::size_t t = 0; t < tones.lengthErrorMs.size(); ++t)
            EXPECT_LT(std::abs(tones.lengthErrorMs[t]), 1.0) << "tone " << t;
        const auto [least, most] = std::minmax_element(tones.latencyMs.begin(), tones.latencyMs.end());
        if (server_->lastSlipMs() < 1.0)
            EXPECT_LT(*most - *least, 1.0) << "latency from " << *least << " to " << *most << " ms";
        else
            std::printf("The sound server's clock strayed %.1f ms from the real one: latency not measurable\n", server_->lastSlipMs());
    }
}

// An independent decoder copies what the operator hears.
TEST_F(SidetoneOnASoundServer, ADecoderCopiesTheSidetoneAt25Wpm)
{
    MonotonicClock clock;
    Sidetone sidetone(QStringLiteral("jack"), clock);
    sidetone.setSidetoneOn(true);
    ASSERT_TRUE(sidetone.createSidetone(700)) << sidetone.deviceError().toStdString();
    ASSERT_TRUE(server_->startRecording());
    test::SimulatedClock logClock;
    test::EdgeLog log(logClock);
    KeyStamps lines(clock);
    SchedulerPriority priority;
    test::RecordingLink link(log);
    test::FakeQueue box;
    test::FakeKeyerWindow window(log);
    SoftwareKeyer keyer({clock, priority, lines, sidetone, box, link, window});
    keyer.options().pttDelayMs = 0;
    keyer.options().slowTyping = false;
    keyer.setOperatorSpeed(25);
    test::SendAsTheWindowDoes(keyer, box, QStringLiteral("CQ CQ DE SM5KAB K"));
    const std::vector<std::int16_t> recording = server_->stopRecording(22050 / 2);

    QTemporaryDir dir;
    const QString raw = dir.path() + QStringLiteral("/cw.raw");
    QFile file(raw);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(recording.data()), static_cast<qint64>(recording.size() * 2));
    file.close();
    const std::string command = "multimon-ng -q -a MORSE_CW -t raw '" + raw.toStdString() + "' 2>&1";
    FILE* decoder = ::popen(command.c_str(), "r");
    ASSERT_NE(decoder, nullptr);
    std::string copied;
    for (char buffer[256]; std::fgets(buffer, sizeof buffer, decoder) != nullptr;)
        copied += buffer;
    ::pclose(decoder);
    // Gaps are timed by the keyer alone; a dummy driver that lost real time while one passed
    // shortens it in the recording.
    if (server_->lastSlipMs() < 1.0)
        EXPECT_EQ(QString::fromStdString(copied).simplified().toStdString(), "CQ CQ DE SM5KAB K");
    else
        std::printf("The sound server's clock strayed %.1f ms from the real one; copied \"%s\"\n", server_->lastSlipMs(),
                    QString::fromStdString(copied).simplified().toLocal8Bit().constData());
}

TEST_F(SidetoneOnASoundServer, EachNewPitchOpensTheStreamAgainAndSounds)
{
    MonotonicClock clock;
    Sidetone sidetone(QStringLiteral("jack"), clock);
    sidetone.setSidetoneOn(true);
    std::vector<std::int64_t> edges;
    std::vector<std::int16_t> recording;
    for (const double pitch : {1000.0, 600.0}) {
        ASSERT_TRUE(sidetone.createSidetone(pitch)) << sidetone.deviceError().toStdString();
        ASSERT_TRUE(server_->startRecording());
        edges.push_back(clock.counter());
        sidetone.toneOn();
        clock.sleepMs(150);
        sidetone.toneOff();
        edges.push_back(clock.counter());
        const std::vector<std::int16_t> part = server_->stopRecording(22050 / 2);
        recording.insert(recording.end(), part.begin(), part.end());
    }
    const test::TonesAgainstMarks tones = test::CompareTonesWithMarks(recording, edges, clock.frequency());
    ASSERT_EQ(tones.problem, "");
    for (const double error : tones.lengthErrorMs)
        EXPECT_LT(std::abs(error), 1.0);
}

} // namespace
} // namespace tavrik
