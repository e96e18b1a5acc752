#include "platform/sound_output_choice.h"

#include <gtest/gtest.h>


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
        {QStringLiteral(" JACK"), Kind::Jack, {}},
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

} // namespace
} // namespace tavrik
