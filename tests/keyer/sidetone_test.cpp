#include "keyer/sidetone.h"

#include "keyer/sidetone_table.h"
#include "keyer/software_keyer.h"
#include "support/keyer_fakes.h"
#include "support/simulated_clock.h"
#include "support/wav_file.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

#include <sys/wait.h>
#include <unistd.h>

namespace tavrik {
namespace {

using test::FindToneRuns;
using test::ReadWav;
using test::ToneRun;
using test::WavFile;

constexpr double kSamplesPerCount = 22050.0 / test::SimulatedClock::kFrequency;

// Passes the keyer's tone switching to the sidetone and reads the recording after every
// tone-off, as a reader would find it if the program were killed there.
class CheckedTone final : public ToneSwitch {
public:
    CheckedTone(Sidetone& sidetone, std::string path) : sidetone_(sidetone), path_(std::move(path)) {}
    void toneOn() override { sidetone_.toneOn(); }
    void toneOff() override
    {
        sidetone_.toneOff();
        afterToneOff.push_back(ReadWav(path_));
    }
    std::vector<WavFile> afterToneOff;

private:
    Sidetone& sidetone_;
    std::string path_;
};

class SidetoneTest : public ::testing::Test {
protected:
    std::string path() const { return (dir_.path() + QStringLiteral("/sidetone.wav")).toStdString(); }
    QString wavSetting() const { return QStringLiteral("wav:") + QString::fromStdString(path()); }
    static void ExpectTableFromItsStart(const WavFile& wav, const ToneRun& run, const std::vector<std::int16_t>& table)
    {
        for (std::size_t k = 0; k < run.length; ++k)
            ASSERT_EQ(wav.samples[run.start + k], table[k]) << "sample " << k << " of the tone";
    }

    test::SimulatedClock clock;

private:
    QTemporaryDir dir_;
};

TEST_F(SidetoneTest, TheRecordingOfTheKeyerHoldsExactlyTheTonesItTimed)
{
    Sidetone sidetone(wavSetting(), clock);
    sidetone.setSidetoneOn(true);
    ASSERT_TRUE(sidetone.createSidetone(1000));

    test::EdgeLog log(clock);
    test::RecordingLines lines(log);
    test::RecordingPriority priority(log);
    test::RecordingLink link(log);
    test::FakeQueue box;
    test::FakeKeyerWindow window(log);
    CheckedTone tone(sidetone, path());
    SoftwareKeyer keyer({clock, priority, lines, tone, box, link, window});
    keyer.options().pttDelayMs = 0;
    keyer.options().slowTyping = false;
    keyer.setOperatorSpeed(20);
    test::SendAsTheWindowDoes(keyer, box, QStringLiteral("E E"));
    sidetone.release();

    const std::vector<test::Edge> keyEdges = log.only({"key down", "key up"});
    ASSERT_EQ(keyEdges.size(), 4U);
    const WavFile wav = ReadWav(path());
    ASSERT_TRUE(wav.valid) << wav.problem;
    const std::vector<ToneRun> runs = FindToneRuns(wav.samples);
    ASSERT_EQ(runs.size(), 2U);
    const std::vector<std::int16_t> table = SidetoneTable(1000);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(i);
        const double keyedSamples = static_cast<double>(keyEdges[2 * i + 1].time - keyEdges[2 * i].time) * kSamplesPerCount;
        EXPECT_NEAR(static_cast<double>(runs[i].length), keyedSamples, 1);
        ExpectTableFromItsStart(wav, runs[i], table);
    }
    // The silence between the two dots (a word space) is as long as the key was up.
    const double keyUpSamples = static_cast<double>(keyEdges[2].time - keyEdges[1].time) * kSamplesPerCount;
    EXPECT_NEAR(static_cast<double>(runs[1].start - (runs[0].start + runs[0].length)), keyUpSamples, 1);

    ASSERT_EQ(tone.afterToneOff.size(), 2U);
    for (std::size_t i = 0; i < tone.afterToneOff.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(tone.afterToneOff[i].valid) << tone.afterToneOff[i].problem;
        EXPECT_EQ(FindToneRuns(tone.afterToneOff[i].samples).size(), i + 1);
    }
}

TEST_F(SidetoneTest, WithoutASoundDeviceTheSidetoneSwitchesOff)
{
    for (const QString& setting : {QStringLiteral("wav:/nonexistent-folder/x.wav"), QStringLiteral("speaker")}) {
        SCOPED_TRACE(setting.toStdString());
        Sidetone sidetone(setting, clock);
        sidetone.setSidetoneOn(true);
        EXPECT_FALSE(sidetone.createSidetone(1000));
        EXPECT_FALSE(sidetone.sidetoneOn());
        EXPECT_FALSE(sidetone.deviceError().isEmpty());
        sidetone.toneOn(); // the keyer goes on without sound
        sidetone.toneOff();
    }
}

TEST_F(SidetoneTest, OutputNoneIsSilenceByChoice)
{
    Sidetone sidetone(QStringLiteral(" NONE "), clock);
    sidetone.setSidetoneOn(true);
    EXPECT_TRUE(sidetone.createSidetone(1000));
    EXPECT_TRUE(sidetone.deviceError().isEmpty());
    sidetone.toneOn();
    sidetone.toneOff();
}

TEST_F(SidetoneTest, WhileOffNothingIsCreatedOrSounded)
{
    Sidetone sidetone(wavSetting(), clock);
    EXPECT_TRUE(sidetone.createSidetone(1000));
    sidetone.toneOn();
    sidetone.toneOff();
    sidetone.release();
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path())));
}

TEST_F(SidetoneTest, SwitchingOffSilencesASoundingTone)
{
    Sidetone sidetone(wavSetting(), clock);
    sidetone.setSidetoneOn(true);
    ASSERT_TRUE(sidetone.createSidetone(1000));
    sidetone.toneOn();
    clock.sleepMs(50);
    sidetone.setSidetoneOn(false); // a tune still running, say
    clock.sleepMs(100);
    sidetone.toneOff(); // does nothing now
    sidetone.release();

    const WavFile wav = ReadWav(path());
    ASSERT_TRUE(wav.valid) << wav.problem;
    const std::vector<ToneRun> runs = FindToneRuns(wav.samples);
    ASSERT_EQ(runs.size(), 1U);
    EXPECT_NEAR(static_cast<double>(runs[0].length), 50 * 22.05, 1);
}

TEST_F(SidetoneTest, EachCreationSoundsThePresentPitch)
{
    Sidetone sidetone(wavSetting(), clock);
    sidetone.setSidetoneOn(true);
    const double pitches[] = {1000, 600};
    for (const double pitch : pitches) {
        ASSERT_TRUE(sidetone.createSidetone(pitch));
        clock.sleepMs(20);
        sidetone.toneOn();
        clock.sleepMs(40);
        sidetone.toneOff();
    }
    sidetone.release();

    const WavFile wav = ReadWav(path());
    ASSERT_TRUE(wav.valid) << wav.problem;
    const std::vector<ToneRun> runs = FindToneRuns(wav.samples);
    ASSERT_EQ(runs.size(), 2U);
    for (std::size_t i = 0; i < runs.size(); ++i)
        ExpectTableFromItsStart(wav, runs[i], SidetoneTable(pitches[i]));
}

} // namespace
} // namespace tavrik

namespace tavrik {
namespace {

// What a start-up without a sound device prints on the terminal: only our own words, once
// for each output that failed however often it is tried, never the sound libraries' probing.
// (No JACK server runs under that name; the build machine has no sound card.)
TEST(SidetoneWithoutSoundDevice, TheTerminalHearsOneLineOfOurs)
{
    char path[] = "/tmp/tavrik-stderr-XXXXXX";
    const int file = ::mkstemp(path);
    ASSERT_GE(file, 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(file, STDERR_FILENO);
        ::unsetenv("PULSE_SERVER");
        ::setenv("JACK_DEFAULT_SERVER", "tavrik-no-such-server", 1);
        test::SimulatedClock clock;
        int failedOutputs = 0;
        for (const char* output : {"default", "jack"}) {
            Sidetone sidetone(QString::fromLatin1(output), clock);
            bool failed = false;
            for (int attempt = 0; attempt < 2; ++attempt) { // as the setup dialog may retry
                sidetone.setSidetoneOn(true);
                failed = !sidetone.createSidetone(1000);
            }
            failedOutputs += failed ? 1 : 0;
        }
        std::_Exit(failedOutputs);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ::close(file);
    ::unlink(path);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(WEXITSTATUS(status))) << (lines.empty() ? std::string() : lines.front());
    for (const std::string& line : lines)
        EXPECT_EQ(line.rfind("Tavrik: no sidetone: ", 0), 0U) << line;
}

} // namespace
} // namespace tavrik
