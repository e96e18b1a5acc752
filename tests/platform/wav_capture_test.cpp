#include "platform/wav_capture_output.h"

#include "keyer/sidetone_table.h"
#include "support/simulated_clock.h"
#include "support/wav_file.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

using test::FindToneRuns;
using test::ReadWav;
using test::ToneRun;
using test::WavFile;

class WavCapture : public ::testing::Test {
protected:
    std::string path() const { return (dir_.path() + QStringLiteral("/capture.wav")).toStdString(); }
    QString qpath() const { return QString::fromStdString(path()); }
    // Where the counter's present reading falls in a recording started at `opened`.
    double sampleAt(std::int64_t opened) const
    {
        return static_cast<double>(clock.peek() - opened) * 22050.0 / test::SimulatedClock::kFrequency;
    }
    void tone(WavCaptureOutput& out, double ms)
    {
        out.gateOn();
        clock.sleepMs(static_cast<std::int64_t>(ms));
        out.gateOff();
    }
    static void ExpectTableFromItsStart(const WavFile& wav, const ToneRun& run, const std::vector<std::int16_t>& table)
    {
        for (std::size_t k = 0; k < run.length; ++k)
            ASSERT_EQ(wav.samples[run.start + k], table[k % table.size()]) << "sample " << k << " of the tone";
    }

    test::SimulatedClock clock;

private:
    QTemporaryDir dir_;
};

TEST_F(WavCapture, TonesSitWhereTheCounterPutsThemAndTheFileIsValidAfterEachToneOff)
{
    const std::vector<std::int16_t> table = SidetoneTable(1000);
    WavCaptureOutput out(qpath(), clock);
    const std::int64_t opened = clock.peek();
    ASSERT_TRUE(out.open(table));

    clock.sleepMs(100);
    const double firstOn = sampleAt(opened);
    tone(out, 50);
    const double firstOff = sampleAt(opened);

    // Still open, as if the program were killed now.
    WavFile wav = ReadWav(path());
    ASSERT_TRUE(wav.valid) << wav.problem;
    EXPECT_NEAR(static_cast<double>(wav.samples.size()), firstOff, 1);
    std::vector<ToneRun> runs = FindToneRuns(wav.samples);
    ASSERT_EQ(runs.size(), 1U);
    EXPECT_NEAR(static_cast<double>(runs[0].start), firstOn, 1);
    EXPECT_NEAR(static_cast<double>(runs[0].length), firstOff - firstOn, 1);
    ExpectTableFromItsStart(wav, runs[0], table);

    clock.sleepMs(30);
    const double secondOn = sampleAt(opened);
    tone(out, 20);
    wav = ReadWav(path());
    ASSERT_TRUE(wav.valid) << wav.problem;
    runs = FindToneRuns(wav.samples);
    ASSERT_EQ(runs.size(), 2U);
    EXPECT_NEAR(static_cast<double>(runs[1].start), secondOn, 1);
    EXPECT_NEAR(static_cast<double>(runs[1].length), 20 * 22.05, 1);
    ExpectTableFromItsStart(wav, runs[1], table);
}

TEST_F(WavCapture, AToneLongerThanTheTableLoopsIt)
{
    const std::vector<std::int16_t> table = SidetoneTable(1000); // 1.5 s
    WavCaptureOutput out(qpath(), clock);
    ASSERT_TRUE(out.open(table));
    tone(out, 3500);
    out.close();
    const WavFile wav = ReadWav(path());
    ASSERT_TRUE(wav.valid) << wav.problem;
    const std::vector<ToneRun> runs = FindToneRuns(wav.samples);
    ASSERT_EQ(runs.size(), 1U);
    EXPECT_NEAR(static_cast<double>(runs[0].length), 3500 * 22.05, 1);
    ExpectTableFromItsStart(wav, runs[0], table);
}

TEST_F(WavCapture, CloseEndsTheRecordingAtThatInstant)
{
    const std::vector<std::int16_t> table = SidetoneTable(700);
    struct Case {
        const char* name;
        bool toneSounding;
    };
    for (const Case c : {Case{"silent at close", false}, Case{"tone sounding at close", true}}) {
        SCOPED_TRACE(c.name);
        WavCaptureOutput out(qpath(), clock);
        const std::int64_t opened = clock.peek();
        ASSERT_TRUE(out.open(table));
        clock.sleepMs(10);
        const double on = sampleAt(opened);
        out.gateOn();
        clock.sleepMs(40);
        if (!c.toneSounding)
            out.gateOff();
        clock.sleepMs(200);
        const double closing = sampleAt(opened);
        out.close();
        const WavFile wav = ReadWav(path());
        ASSERT_TRUE(wav.valid) << wav.problem;
        EXPECT_NEAR(static_cast<double>(wav.samples.size()), closing, 1);
        const std::vector<ToneRun> runs = FindToneRuns(wav.samples);
        ASSERT_EQ(runs.size(), 1U);
        EXPECT_NEAR(static_cast<double>(runs[0].length), c.toneSounding ? closing - on : 40 * 22.05, 1);
        ExpectTableFromItsStart(wav, runs[0], table);
    }
}

TEST_F(WavCapture, ANewPitchEndsTheToneAndKeepsTheRecording)
{
    const std::vector<std::int16_t> high = SidetoneTable(1000);
    const std::vector<std::int16_t> low = SidetoneTable(500);
    WavCaptureOutput out(qpath(), clock);
    ASSERT_TRUE(out.open(high));
    clock.sleepMs(10);
    out.gateOn();
    clock.sleepMs(30);
    ASSERT_TRUE(out.open(low)); // the tone sounding ends here
    clock.sleepMs(30);
    tone(out, 30);
    out.close();

    const WavFile wav = ReadWav(path());
    ASSERT_TRUE(wav.valid) << wav.problem;
    const std::vector<ToneRun> runs = FindToneRuns(wav.samples);
    ASSERT_EQ(runs.size(), 2U);
    EXPECT_NEAR(static_cast<double>(runs[0].length), 30 * 22.05, 1);
    ExpectTableFromItsStart(wav, runs[0], high);
    ExpectTableFromItsStart(wav, runs[1], low);
}

TEST_F(WavCapture, AFinishedRecordingIsNeverOverwritten)
{
    WavCaptureOutput out(qpath(), clock);
    ASSERT_TRUE(out.open(SidetoneTable(1000)));
    tone(out, 30);
    out.close();
    const WavFile before = ReadWav(path());
    EXPECT_FALSE(out.open(SidetoneTable(1000)));
    EXPECT_FALSE(out.errorText().isEmpty());
    const WavFile after = ReadWav(path());
    ASSERT_TRUE(after.valid) << after.problem;
    EXPECT_EQ(after.samples, before.samples);
}

} // namespace
} // namespace tavrik
