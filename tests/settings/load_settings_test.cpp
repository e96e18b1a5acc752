#include "settings/load_settings.h"

#include "settings/setting_table.h"
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

// A value of the field's type other than `v`, which its key can store.
bool Other(bool v) { return !v; }
std::int16_t Other(std::int16_t v) { return static_cast<std::int16_t>(v + 7); }
std::int32_t Other(std::int32_t v) { return v + 7; }
Colour Other(Colour v) { return v ^ 0x102030u; }
double Other(double v) { return v + 1.25; }
// Also a port word other than the default, for the row whose text is the stored word.
QString Other(const QString&) { return U("Shared Serial"); }
KeyerChoice Other(KeyerChoice v) { return v == KeyerChoice::WinKey ? KeyerChoice::Software : KeyerChoice::WinKey; }
KeyingMode Other(KeyingMode v) { return v == KeyingMode::Vox ? KeyingMode::Mox : KeyingMode::Vox; }
SerialZero Other(SerialZero v) { return v == SerialZero::LetterT ? SerialZero::Zero : SerialZero::LetterT; }

// Every row of `table`: `visit(row, record)` for the record the row fills.
template <typename Record, typename... Rows, typename Visit>
void ForEachRow(const std::tuple<Rows...>& table, Record& record, Visit visit)
{
    std::apply([&](const auto&... row) { (visit(row, record), ...); }, table);
}

template <typename Visit>
void ForEveryRow(TavrikSettings& s, int slot, Visit visit)
{
    ForEachRow(setting::kMainSettings, s, [&](const auto& row, auto& r) { visit(row, r, 0); });
    ForEachRow(setting::kMacroSlotSettings, s.macros[static_cast<std::size_t>(slot)],
               [&](const auto& row, auto& r) { visit(row, r, slot); });
    ForEachRow(setting::kWinKeySettings, s.winKey, [&](const auto& row, auto& r) { visit(row, r, 0); });
    ForEachRow(setting::kDeviceSettings, s.devices, [&](const auto& row, auto& r) { visit(row, r, 0); });
}

// Each key loads its default from a file without it, and what its typed write stores loads
// back as the value written: one spelling and one conversion serve both ways.
TEST(LoadSettings, EveryKeyLoadsItsDefaultAndReadsBackWhatItsWriteStores)
{
    constexpr int kSlot = 17;
    TempFolder program;
    SettingsFile file(program.folder(), QString());
    file.PrepareSettingsFile();
    TavrikSettings defaults = LoadSettings(file, {});
    TavrikSettings written = defaults;
    ForEveryRow(defaults, kSlot, [&](const auto& row, auto& record, int slot) {
        if (!row.defaultText)
            return;
        EXPECT_EQ(row.field.get(record), row.conversion->read(QString::fromLatin1(row.defaultText)).value())
            << KeyOf(row, slot).toStdString();
    });
    ForEveryRow(written, kSlot, [&](const auto& row, auto& record, int slot) {
        row.field.set(record, Other(row.field.get(record)));
        const SettingWrite v = Stored(row, row.field.get(record), slot);
        file.WriteSetting(v.section, v.key, v.value);
    });
    for (int n = 1; n <= 8; ++n)
        written.devices.commPorts[static_cast<std::size_t>(n - 1)] = U("/dev/ttyUSB") + QString::number(n);
    for (int n = 1; n <= 8; ++n)
        file.WriteSetting(U("Devices"), CommPortKey(n), written.devices.commPorts[static_cast<std::size_t>(n - 1)]);

    SettingsFile again(program.folder(), QString());
    TavrikSettings loaded = LoadSettings(again, {});
    ForEveryRow(loaded, kSlot, [&](const auto& row, auto& record, int slot) {
        if (!row.defaultText)
            return;
        auto& source = [&]() -> auto& {
            using Record = std::decay_t<decltype(record)>;
            if constexpr (std::is_same_v<Record, TavrikSettings>)
                return written;
            else if constexpr (std::is_same_v<Record, MacroSlot>)
                return written.macros[static_cast<std::size_t>(slot)];
            else if constexpr (std::is_same_v<Record, WinKeySettings>)
                return written.winKey;
            else
                return written.devices;
        }();
        EXPECT_EQ(row.field.get(record), row.field.get(source)) << KeyOf(row, slot).toStdString();
    });
    EXPECT_EQ(loaded.devices.commPorts, written.devices.commPorts);
    // The mouse-over font name is stored but not read: the load gives it the normal name.
    EXPECT_EQ(loaded.macros[kSlot].mouseOverFontName, loaded.macros[kSlot].fontName);
    EXPECT_EQ(loaded.macros[kSlot - 1].fontName, defaults.macros[kSlot - 1].fontName);
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
