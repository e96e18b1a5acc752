#include "settings/load_settings.h"

#include "temp_files.h"

#include <gtest/gtest.h>

#include <functional>

namespace tavrik {
namespace {

using test::TempFolder;

QString U(const char* text) { return QString::fromUtf8(text); }

TavrikSettings LoadFrom(const TempFolder& program, const QByteArray& contents)
{
    program.put(U("TAVRIK.INI"), contents);
    SettingsFile file(program.folder(), QString());
    return LoadSettings(file, {});
}

TEST(LoadSettings, EmptyFileGivesEveryDefault)
{
    TempFolder program;
    const TavrikSettings s = LoadFrom(program, "[Initialized]\nCreate Date/Time=x\n");
    EXPECT_TRUE(s.slowTyping);
    EXPECT_TRUE(s.onTop);
    EXPECT_EQ(s.insertKeyCode, 112);
    EXPECT_EQ((std::array{s.top, s.left, s.height, s.width}), (std::array<std::int16_t, 4>{500, 500, 2500, 3500}));
    EXPECT_EQ(s.textBoxFontName, U("MS Sans Serif"));
    EXPECT_EQ(s.textBoxFontSize, 8);
    EXPECT_EQ(s.textBoxBackColor, 14941692u);
    EXPECT_EQ(s.keyer, KeyerChoice::Software);
    EXPECT_EQ((std::array{s.loopingBackColor, s.textBoxForeColor, s.transmittingTextColor, s.transmittedTextColor,
                          s.wpmTextColor}),
              (std::array<Colour, 5>{255, 16711680, 255, 0, 0}));
    EXPECT_EQ(s.pttDelay, 100);
    EXPECT_EQ(s.parallelPortAddress, 888);
    EXPECT_EQ(s.keying, KeyingMode::Vox);
    EXPECT_FALSE(s.pttEnabled);
    EXPECT_TRUE(s.portIsParallel);
    EXPECT_FALSE(s.portIsSharedSerial);
    EXPECT_EQ((std::array{s.wordSpace, s.letterSpace, s.dashLength}), (std::array{7.0, 3.0, 3.0}));
    EXPECT_EQ(s.wpm, 20);
    EXPECT_TRUE(s.fKeysVisible && s.altFKeysVisible && s.ctlFKeysVisible && s.callsignFieldVisible);
    EXPECT_FALSE(s.srxFieldVisible || s.sidetoneOn || s.disablePolling);
    EXPECT_EQ(s.sidetoneFrequency, 1000.0);
    EXPECT_EQ(s.serialZero, SerialZero::Zero);

    const MacroSlot& slot = s.macros[36];
    EXPECT_TRUE(slot.text.isEmpty() && slot.caption.isEmpty());
    EXPECT_EQ((std::array{slot.backColor, slot.mouseOverBackColor, slot.foreColor, slot.mouseOverForeColor}),
              (std::array<Colour, 4>{14671839, 14671839, 0, 65535}));
    EXPECT_EQ(slot.mouseOverFontName, U("MS Sans Serif"));
    EXPECT_EQ(slot.fontSize + slot.mouseOverFontSize, 16);

    EXPECT_EQ(s.winKey.tone, 752);
    EXPECT_EQ(s.winKey.pttLagDelay, 250);
    EXPECT_EQ(s.winKey.speed, 15);
    EXPECT_TRUE(s.winKey.ptt && s.winKey.pin3 && s.winKey.autoSpace && s.winKey.paddleInsertCancelsMacro);
    EXPECT_FALSE(s.winKey.sideTone || s.winKey.holdRadioPolling);

    EXPECT_EQ(s.devices.commPorts[0], U("/dev/ttyS0"));
    EXPECT_EQ(s.devices.commPorts[7], U("/dev/ttyS7"));
    EXPECT_TRUE(s.devices.parallelDevice.isEmpty());
    EXPECT_EQ(s.devices.sidetoneOutput, QString());
}

// One stored key and what the load must make of it.
struct StoredCase {
    const char* lines; // the file's text
    std::function<bool(const TavrikSettings&)> holds;
    const char* what;
};

TEST(LoadSettings, ReadsEachValueFormAsStored)
{
    const QByteArray main = "[frmTavrik Settings]\n";
    const StoredCase cases[] = {
        {"Sidetone=ON", [](const auto& s) { return s.sidetoneOn; }, "Sidetone is SideTone"},
        {"TextBox Backcolor=4210752", [](const auto& s) { return s.textBoxBackColor == 4210752u; }, "Backcolor is BackColor"},
        {"Keying=vox", [](const auto& s) { return s.keying == KeyingMode::Mox; }, "vox is not VOX"},
        {"PTT=off", [](const auto& s) { return s.pttEnabled; }, "off is not OFF"},
        {"Port to Use=Serial", [](const auto& s) { return !s.portIsParallel && !s.portIsSharedSerial; }, "dedicated"},
        {"Port to Use=Shared Serial", [](const auto& s) { return s.portIsSharedSerial && !s.portIsParallel; }, "shared"},
        {"Serial # 0 preference=X", [](const auto& s) { return s.serialZero == SerialZero::LetterO; }, "other letter"},
        {"Serial # 0 preference=T", [](const auto& s) { return s.serialZero == SerialZero::LetterT; }, "T"},
        {"SRX Field Visible=true", [](const auto& s) { return !s.srxFieldVisible; }, "true is not True"},
        {"SRX Field Visible=True", [](const auto& s) { return s.srxFieldVisible; }, "True"},
        {"Keyer to Use=winkey", [](const auto& s) { return s.keyer == KeyerChoice::Software; }, "winkey"},
        {"Keyer to Use=WinKey", [](const auto& s) { return s.keyer == KeyerChoice::WinKey; }, "WinKey"},
        {"Keyer to Use=Rig", [](const auto& s) { return s.keyer == KeyerChoice::Rig; }, "Rig"},
        {"Slow Typing=on", [](const auto& s) { return !s.slowTyping; }, "on is not ON"},
        {"Parallel Port Address=&H3BC", [](const auto& s) { return s.parallelPortAddress == 956; }, "hex"},
        {"Parallel Port Address=888", [](const auto& s) { return s.parallelPortAddress == 888; }, "decimal"},
        {"Word Space=7.5ms", [](const auto& s) { return s.wordSpace == 7.5; }, "leading number"},
        {"Word Space=abc", [](const auto& s) { return s.wordSpace == 0.0; }, "no number"},
        {"Insert Key=124.5", [](const auto& s) { return s.insertKeyCode == 124; }, "half to even"},
        {"WPM=35 wpm", [](const auto& s) { return s.wpm == 35; }, "whole number"},
        {"On Top=0", [](const auto& s) { return !s.onTop; }, "numeric boolean"},
        {"TextBox Font Bold=TRUE", [](const auto& s) { return s.textBoxFontBold; }, "boolean any case"},
        {"Frequency=612.5", [](const auto& s) { return s.sidetoneFrequency == 612.5; }, "strict number"},
        // Values that cannot be converted take the key's default, and the load goes on.
        {"Top=40000\nLeft=77", [](const auto& s) { return s.top == 500 && s.left == 77; }, "integer out of range"},
        {"Frequency=800Hz", [](const auto& s) { return s.sidetoneFrequency == 1000.0; }, "not a strict number"},
        {"PTT Delay=", [](const auto& s) { return s.pttDelay == 100; }, "empty long"},
        {"On Top=maybe", [](const auto& s) { return s.onTop; }, "not a boolean"},
        {"WPM=99999", [](const auto& s) { return s.wpm == 20; }, "whole number out of range"},
        {"WPM=1e400\nInsert Key=-1e400\n[WinKey Settings]\nWinKey Speed=1e999",
         [](const auto& s) { return s.wpm == 20 && s.insertKeyCode == 112 && s.winKey.speed == 15; },
         "whole numbers beyond any range"},
        {"Word Space=1e999\nDash Length=2.5x", [](const auto& s) { return s.wordSpace == 7.0 && s.dashLength == 2.5; },
         "number beyond any range"},
        {"TextBox Forecolor=blue", [](const auto& s) { return s.textBoxForeColor == 16711680u; }, "not a colour"},
        // Macro slots.
        {"Macro Fontsize #12=12", [](const auto& s) { return s.macros[12].fontSize == 12 && s.macros[11].fontSize == 8; }, "font size"},
        {"Macro Fontname #5=Arial\nMacro MouseOver Fontname #5=Courier",
         [](const auto& s) { return s.macros[5].fontName == u"Arial" && s.macros[5].mouseOverFontName == u"Arial"; },
         "one font name"},
        {"Macro #2=CQ TEST ~$call$\nMacro Caption #2=CQ\nMacro BackColor #2=grey\nMacro MouseOver Fontitalic #2=True",
         [](const auto& s) {
             const MacroSlot& m = s.macros[2];
             return m.text == u"CQ TEST ~$call$" && m.caption == u"CQ" && m.backColor == 14671839u
                 && m.mouseOverFontItalic && !m.fontItalic;
         },
         "slot"},
        // The other sections.
        {"[WinKey Settings]\nWinKey Sidetone=True\nWinKey Tone=1252\nWinKey Speed=x",
         [](const auto& s) { return s.winKey.sideTone && s.winKey.tone == 1252 && s.winKey.speed == 0; }, "WinKey"},
        {"[Devices]\nComm3=/dev/ttyUSB0\nParallel Device=/dev/parport1\nSidetone Output=wav:/tmp/tone.wav",
         [](const auto& s) {
             return s.devices.commPorts[2] == u"/dev/ttyUSB0" && s.devices.commPorts[3] == u"/dev/ttyS3"
                 && s.devices.parallelDevice == u"/dev/parport1"
                 && s.devices.sidetoneOutput == u"wav:/tmp/tone.wav";
         },
         "devices"},
    };
    for (const StoredCase& c : cases) {
        TempFolder program;
        EXPECT_TRUE(c.holds(LoadFrom(program, main + c.lines + '\n'))) << c.what << ": " << c.lines;
    }
}

TEST(LoadSettings, YieldsAfterEachSlotAndLeavesTheWinKeySection)
{
    TempFolder program;
    SettingsFile file(program.folder(), QString());
    int yields = 0;
    LoadSettings(file, [&] { ++yields; });
    EXPECT_EQ(yields, 36);
    EXPECT_EQ(file.readSection(), U("WinKey Settings"));
}

// The editor stores macros of up to 3000 characters; they come back whole, where any other
// value stops at 1999.
TEST(LoadSettings, MacrosComeBackWholeUpToTheEditorsLimit)
{
    TempFolder program;
    SettingsFile file(program.folder(), QString());
    file.PrepareSettingsFile();
    file.WriteSetting(U("frmTavrik Settings"), U("Macro #7"), QString(2500, u'E'));
    file.WriteSetting(U("frmTavrik Settings"), U("Macro #8"), QString(3100, u'T'));
    file.WriteSetting(U("frmTavrik Settings"), U("Macro Caption #8"), QString(2500, u'C'));
    const TavrikSettings loaded = LoadSettings(file, {});
    EXPECT_EQ(loaded.macros[7].text, QString(2500, u'E'));
    EXPECT_EQ(loaded.macros[8].text, QString(3000, u'T'));
    EXPECT_EQ(loaded.macros[8].caption, QString(1999, u'C'));
}

} // namespace
} // namespace tavrik
