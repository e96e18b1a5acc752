#include "winkey/winkey_bytes.h"
#include "stored_winkey_settings.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(WinKeyBytes, DefaultSettingsGiveTheKnownBlock)
{
    EXPECT_EQ(winkey::LoadDefaultsBlock(test::DefaultWinKeySettings()).toHex(' '), "0f 16 0f 05 32 64 fa 0f 0f 00 00 14 32 32 05 ff");
}

TEST(WinKeyBytes, ModeByte)
{
    struct Case {
        int keyMode;
        bool switchPaddles, autoSpace, contest;
        int expected;
    };
    const Case cases[] = {
        {0, false, false, false, 0x14}, {1, false, false, false, 0x04}, {2, false, false, false, 0x24},
        {3, false, false, false, 0x34}, {7, false, false, false, 0x04}, {1, true, false, false, 0x0C},
        {0, false, true, true, 0x17},
    };
    for (const Case& c : cases) {
        WinKeySettings s = test::DefaultWinKeySettings();
        s.keyMode = static_cast<std::int16_t>(c.keyMode);
        s.switchPaddles = c.switchPaddles;
        s.autoSpace = c.autoSpace;
        s.contestWordSpace = c.contest;
        EXPECT_EQ(winkey::ModeByte(s), c.expected) << c.keyMode;
    }
}

TEST(WinKeyBytes, SidetoneCodeFallsBackToFiveForUnlistedTones)
{
    const std::pair<int, int> cases[] = {{3759, 1}, {1252, 3}, {752, 5}, {375, 10}, {1253, 5}, {0, 5}};
    for (const auto& [hz, code] : cases)
        EXPECT_EQ(winkey::SidetoneCode(hz), code) << hz;
}

TEST(WinKeyBytes, PinConfiguration)
{
    struct Case {
        bool pin3, ptt, sideTone;
        int wordSpace, paddleOperation;
        int expected;
    };
    const Case cases[] = {
        {true, true, false, 0, 0, 0x05},  {true, false, true, 0, 0, 0x06}, {false, true, true, 0, 0, 0x08},
        {true, true, false, 3, 2, 0xB5},  {true, true, false, 1, 1, 0x55},
        // A hand-edited file cannot spill into the neighbouring bits.
        {true, true, false, 9, 7, 0xB5},
    };
    for (const Case& c : cases) {
        WinKeySettings s = test::DefaultWinKeySettings();
        s.pin3 = c.pin3;
        s.ptt = c.ptt;
        s.sideTone = c.sideTone;
        s.wordSpace = static_cast<std::int16_t>(c.wordSpace);
        s.paddleOperation = static_cast<std::int16_t>(c.paddleOperation);
        EXPECT_EQ(winkey::PinConfiguration(s), c.expected) << c.wordSpace << " " << c.paddleOperation;
    }
}

TEST(WinKeyBytes, HandEditedValuesAreBroughtIntoTheDialogRanges)
{
    WinKeySettings s = test::DefaultWinKeySettings();
    s.speed = 300;
    s.pttLeadDelay = -4;
    s.pttLagDelay = 1000;
    s.speedMin = 2;
    s.speedMax = 150;
    s.ditDahWeight = 95;
    const QByteArray block = winkey::LoadDefaultsBlock(s);
    EXPECT_EQ(static_cast<std::uint8_t>(block[2]), 99);
    EXPECT_EQ(static_cast<std::uint8_t>(block[4]), 90);
    EXPECT_EQ(static_cast<std::uint8_t>(block[5]), 0);
    EXPECT_EQ(static_cast<std::uint8_t>(block[6]), 250);
    EXPECT_EQ(static_cast<std::uint8_t>(block[7]), 5);
    // The keyer's pot spans at most 31; a maximum below the minimum gives none.
    EXPECT_EQ(static_cast<std::uint8_t>(block[8]), 31);
    s.speedMax = 10;
    s.speedMin = 40;
    EXPECT_EQ(static_cast<std::uint8_t>(winkey::LoadDefaultsBlock(s)[8]), 0);
}

TEST(WinKeyBytes, RadioPins)
{
    WinKeySettings s = test::DefaultWinKeySettings();
    EXPECT_TRUE(winkey::RadioPinBytes(2, s).isEmpty());
    // The key pin changes; PTT (01), hang time (30) and Ultimatic priority (80) stay.
    s.radio1Pin3 = true;
    s.wordSpace = 3;
    s.paddleOperation = 2;
    EXPECT_EQ(winkey::RadioPinBytes(1, s).toHex(' '), "09 b5");
    EXPECT_EQ(winkey::RadioPinBytes(2, s).toHex(' '), "09 b9");
    EXPECT_TRUE(winkey::RadioPinBytes(3, s).isEmpty());
    s.radio1Pin3 = false;
    s.radio2Pin3 = true;
    s.pin3 = false; // locked by the two-radio choice, its PTT mark kept
    s.wordSpace = 0;
    s.paddleOperation = 0;
    EXPECT_EQ(winkey::RadioPinBytes(2, s).toHex(' '), "09 05");
}

} // namespace
} // namespace tavrik
