#include "platform/portaudio_output.h"
#include "platform/sound_output_choice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace tavrik {
namespace {

using Kind = SoundOutputChoice::Kind;

TEST(SoundOutputChoice, ReadsTheThreeFormsOfTheSetting)
{
    struct Case {
        QString setting;
        Kind kind;
        QString path;
    };
    const Case cases[] = {
        {QString(), Kind::DefaultDevice, {}},
        {QStringLiteral("  "), Kind::DefaultDevice, {}},
        {QStringLiteral("Default"), Kind::DefaultDevice, {}},
        {QStringLiteral("none"), Kind::None, {}},
        {QStringLiteral("None "), Kind::None, {}},
        {QStringLiteral("wav:/tmp/cw.wav"), Kind::WavFile, QStringLiteral("/tmp/cw.wav")},
        {QStringLiteral("WAV:Log Book/cw.wav"), Kind::WavFile, QStringLiteral("Log Book/cw.wav")},
        {QStringLiteral("wav:"), Kind::Unknown, {}},
        {QStringLiteral("hw:0"), Kind::Unknown, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting.toStdString());
        const SoundOutputChoice choice = ParseSoundOutputChoice(c.setting);
        EXPECT_EQ(choice.kind, c.kind);
        EXPECT_EQ(choice.path, c.path);
    }
}

// Only where a sound card is present; the build machine has none.
TEST(PortAudioOutput, PlaysATestToneOnTheDefaultDevice)
{
    PortAudioOutput out;
    std::vector<std::int16_t> table(2205);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::int16_t>(i % 22 < 11 ? 8000 : -8000);
    if (!out.open(table))
        GTEST_SKIP() << out.errorText().toStdString();
    out.gateOn();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    out.gateOff();
    EXPECT_TRUE(out.open(table)); // a second open replaces the stream
    out.close();
}

} // namespace
} // namespace tavrik
