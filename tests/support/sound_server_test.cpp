// The sidetone as the operator hears it: Tavrik's sound output plays through a real sound
// server, which is recorded sample for sample and set against the key line. Only what a busy
// machine cannot change is checked here: every key mark has its tone, in order, and a
// decoder copies the text. How exact the tones are is bench/sidetone's.
#include "keyer/sidetone.h"
#include "platform/clock.h"
#include "support/sound_server.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace tavrik {
namespace {

// One program a server: the suite's name says which.
#if defined(TAVRIK_PULSE_SERVER)
test::PrivateSoundServer* MakeServer() { return new test::PrivatePulseServer(test::PrivatePulseServer::Kind::PulseAudio); }
#define SIDETONE_TEST(name) TEST_F(SidetoneThroughPulseAudio, name)
#else
test::PrivateSoundServer* MakeServer() { return new test::PrivateJackServer; }
#define SIDETONE_TEST(name) TEST_F(SidetoneThroughJack, name)
#endif

class SidetoneOnASoundServer : public ::testing::Test {
protected:
    // Before the first PortAudio call: PortAudio looks for servers once a process, and ends
    // its connection at exit, before this server (made first) goes.
    static void SetUpTestSuite()
    {
        static const std::unique_ptr<test::PrivateSoundServer> server(MakeServer());
        server_ = server.get();
    }
    void SetUp() override { ASSERT_EQ(server_->problem(), ""); }

    // Keys `text` and returns what was recorded; `edges` gets the key marks.
    static std::vector<std::int16_t> KeyAndRecord(Sidetone& sidetone, std::int16_t wpm, const std::string& text,
                                                  std::vector<std::int64_t>& edges)
    {
        MonotonicClock clock;
        if (!server_->startRecording())
            return {};
        edges = test::KeyThroughTheSendLoop(clock, sidetone, wpm, text);
        return server_->stopRecording(22050 / 2);
    }

    static test::PrivateSoundServer* server_;
};

test::PrivateSoundServer* SidetoneOnASoundServer::server_ = nullptr;
using SidetoneThroughJack = SidetoneOnASoundServer;
using SidetoneThroughPulseAudio = SidetoneOnASoundServer;

SIDETONE_TEST(EveryKeyMarkSoundsAsOneToneAndADecoderCopiesThem)
{
    MonotonicClock clock;
    Sidetone sidetone(QString::fromLatin1(server_->sidetoneOutput()), clock);
    sidetone.setSidetoneOn(true);
    ASSERT_TRUE(sidetone.createSidetone(700)) << sidetone.deviceError().toStdString();
    const struct { std::int16_t wpm; const char* text; } cases[] = {
        {20, "PARIS CQ TEST"}, {25, "PARIS PARIS"}, {25, "CQ CQ DE SM5KAB K"}, {40, "PARIS CQ TEST"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.wpm << " WPM " << c.text);
        std::vector<std::int64_t> edges;
        const std::vector<std::int16_t> recording = KeyAndRecord(sidetone, c.wpm, c.text, edges);
        ASSERT_FALSE(recording.empty());
        // The shortest gap keyed is a dot: two thirds of one is a server's dropout.
        const auto dropout = static_cast<std::size_t>(22050 * 1.2 / c.wpm * 2 / 3);
        const test::TonesAgainstMarks tones =
            test::CompareTonesWithMarks(recording, edges, clock.frequency(), server_->quietLevel(), dropout);
        EXPECT_EQ(tones.problem, "");
        // The decoder copies this speed best.
        if (c.wpm != 25)
            continue;
        // Gaps are timed by the keyer alone; a server whose clock lost real time while one
        // passed shortens it in the recording, and one that fell behind chops tones.
        const std::string copied = test::DecodeMorse(recording);
        if (server_->lastSlipMs() < 1.0 && tones.dropouts == 0)
            EXPECT_EQ(copied, c.text);
        else
            std::printf("The sound server's clock strayed %.1f ms from the real one, and it dropped out %d times inside "
                        "tones; copied \"%s\"\n",
                        server_->lastSlipMs(), tones.dropouts, copied.c_str());
    }
}

SIDETONE_TEST(EachNewPitchOpensTheStreamAgainAndSounds)
{
    MonotonicClock clock;
    Sidetone sidetone(QString::fromLatin1(server_->sidetoneOutput()), clock);
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
    EXPECT_EQ(test::CompareTonesWithMarks(recording, edges, clock.frequency(), server_->quietLevel(), 22050 / 100).problem, "");
}

} // namespace
} // namespace tavrik
