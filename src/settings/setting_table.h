#pragma once

#include "settings/ini_file.h"
#include "settings/tavrik_settings.h"

#include <QString>

#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

// Every key of TAVRIK.INI that the load reads or a command writes: its section, its name, its
// default, how its text converts both ways, and the field it fills. The load, the typed writes
// and the WinKey dialog all work from these rows, so a key is spelt and converted in one place.
namespace tavrik {

// How a stored text becomes a value and a value the text written for it. `read` gives
// nothing for a text the key cannot hold; the load then takes the key's default.
template <typename T>
struct Conversion {
    std::optional<T> (*read)(const QString& text);
    QString (*write)(const T& value);
};

namespace conversion {
extern const Conversion<QString> kText;
// "True"/"False" in any case, or a number; written "True"/"False".
extern const Conversion<bool> kBoolean;
// Read as kBoolean, written "1"/"0".
extern const Conversion<bool> kOneOrZero;
// On exactly when "ON"; written "ON"/"OFF".
extern const Conversion<bool> kOnWhenOn;
// On unless exactly "OFF"; written "ON"/"OFF".
extern const Conversion<bool> kOnUnlessOff;
// On exactly when "True"; written "True"/"False".
extern const Conversion<bool> kExactlyTrue;
// The whole text a number, made a 16-bit integer; written in decimal.
extern const Conversion<std::int16_t> kInteger;
// The whole text a 32-bit whole number, "&H" hexadecimal accepted; written in decimal.
extern const Conversion<std::int32_t> kLong;
// The leading numeric part; a value beyond any range does not convert.
extern const Conversion<double> kNumber;
// The leading numeric part made a 16-bit integer; written in decimal.
extern const Conversion<std::int16_t> kWholeNumber;
// The whole text a number.
extern const Conversion<double> kStrictNumber;
// kInteger for a field of 32 bits.
extern const Conversion<std::int32_t> kIntegerInLongField;
// A long holding red in the low byte; written in decimal.
extern const Conversion<Colour> kColour;
// "WinKey", "Rig", else the software keyer.
extern const Conversion<KeyerChoice> kKeyerWord;
// "VOX", else MOX.
extern const Conversion<KeyingMode> kKeyingWord;
// "0", "T", else the letter O.
extern const Conversion<SerialZero> kZeroWord;
// Any text but the empty one.
extern const Conversion<QString> kNonEmptyText;
// A whole number from 1 to 65535.
extern const Conversion<std::uint16_t> kPortNumber;
} // namespace conversion

// Where a row's value lives in its record.
template <typename Record, typename T>
struct Field {
    T (*get)(const Record& record);
    void (*set)(Record& record, const T& value);
};

namespace detail {
template <auto Member>
struct MemberField;
template <typename Record, typename T, T Record::*Member>
struct MemberField<Member> {
    static T get(const Record& record) { return record.*Member; }
    static void set(Record& record, const T& value) { record.*Member = value; }
    static constexpr Field<Record, T> kField{&get, &set};
};
} // namespace detail

// The field a member of the record is: FieldOf<&TavrikSettings::wpm>.
template <auto Member>
inline constexpr auto FieldOf = detail::MemberField<Member>::kField;

// One key. A family of keys, one a macro slot, gives the prefix as `key`; the slot number
// follows it directly.
template <typename Record, typename T>
struct Setting {
    const char* section;
    const char* key;
    // Null for a key that is written and never read.
    const char* defaultText;
    const Conversion<T>* conversion;
    Field<Record, T> field;
    // The spelling a write gives the key when it differs from `key` (names match without
    // regard to case, so this shows only in a file that lacks the key).
    const char* (*writtenKey)(const std::type_identity_t<T>& value) = nullptr;
    // The longest text a read gives back.
    qsizetype longest = IniFile::kLongestValue;
};

// What "Port to Use" stores for the port that keys; neither flag set is the dedicated port.
QString PortToUseWord(bool parallel, bool sharedSerial);

namespace setting {
namespace c = conversion;

inline constexpr const char* kMainSection = "frmTavrik Settings";
inline constexpr const char* kWinKeySection = "WinKey Settings";
inline constexpr const char* kDevicesSection = "Devices";
using S = TavrikSettings;

inline constexpr Setting kSlowTyping{kMainSection, "Slow Typing", "ON", &c::kOnWhenOn, FieldOf<&S::slowTyping>};
inline constexpr Setting kOnTop{kMainSection, "On Top", "1", &c::kOneOrZero, FieldOf<&S::onTop>};
inline constexpr Setting kInsertKey{kMainSection, "Insert Key", "112", &c::kWholeNumber, FieldOf<&S::insertKeyCode>};
inline constexpr Setting kTop{kMainSection, "Top", "500", &c::kInteger, FieldOf<&S::top>};
inline constexpr Setting kLeft{kMainSection, "Left", "500", &c::kInteger, FieldOf<&S::left>};
inline constexpr Setting kHeight{kMainSection, "Height", "2500", &c::kInteger, FieldOf<&S::height>};
inline constexpr Setting kWidth{kMainSection, "Width", "3500", &c::kInteger, FieldOf<&S::width>};
inline constexpr Setting kTextBoxFontName{kMainSection, "TextBox Font Name", "MS Sans Serif", &c::kText,
                                          FieldOf<&S::textBoxFontName>};
inline constexpr Setting kTextBoxFontSize{kMainSection, "TextBox Font Size", "8", &c::kInteger,
                                          FieldOf<&S::textBoxFontSize>};
inline constexpr Setting kTextBoxFontBold{kMainSection, "TextBox Font Bold", "False", &c::kBoolean,
                                          FieldOf<&S::textBoxFontBold>};
inline constexpr Setting kTextBoxFontItalic{kMainSection, "TextBox Font Italic", "False", &c::kBoolean,
                                            FieldOf<&S::textBoxFontItalic>};
inline constexpr Setting kTextBoxBackColor{kMainSection, "TextBox BackColor", "14941692", &c::kColour,
                                           FieldOf<&S::textBoxBackColor>,
                                           [](const Colour&) { return "TextBox Backcolor"; }};
inline constexpr Setting kKeyer{kMainSection, "Keyer to Use", "Software", &c::kKeyerWord, FieldOf<&S::keyer>};
inline constexpr Setting kLoopingBackColor{kMainSection, "Text BackColor (looping)", "255", &c::kColour,
                                           FieldOf<&S::loopingBackColor>};
inline constexpr Setting kTextBoxForeColor{kMainSection, "TextBox Forecolor", "16711680", &c::kColour,
                                           FieldOf<&S::textBoxForeColor>};
inline constexpr Setting kPttDelay{kMainSection, "PTT Delay", "100", &c::kLong, FieldOf<&S::pttDelay>};
inline constexpr Setting kParallelPortAddress{kMainSection, "Parallel Port Address", "&H378", &c::kLong,
                                              FieldOf<&S::parallelPortAddress>};
inline constexpr Setting kKeying{kMainSection, "Keying", "VOX", &c::kKeyingWord, FieldOf<&S::keying>};
inline constexpr Setting kPtt{kMainSection, "PTT", "OFF", &c::kOnUnlessOff, FieldOf<&S::pttEnabled>};
// The stored word: "Parallel", "Shared Serial", and anything else ("Serial") the dedicated port.
inline constexpr Setting kPortToUse{
    kMainSection, "Port to Use", "Parallel", &c::kText,
    Field<S, QString>{[](const S& s) { return PortToUseWord(s.portIsParallel, s.portIsSharedSerial); },
                      [](S& s, const QString& word) {
                          s.portIsParallel = word == u"Parallel";
                          s.portIsSharedSerial = word == u"Shared Serial";
                      }}};
inline constexpr Setting kDisablePolling{kMainSection, "Disable Polling", "False", &c::kBoolean,
                                         FieldOf<&S::disablePolling>};
inline constexpr Setting kDedicatedSerialPort{kMainSection, "Dedicated Serial Port", "", &c::kText,
                                              FieldOf<&S::dedicatedSerialPort>};
inline constexpr Setting kTransmittingTextColor{kMainSection, "Transmitting Text Color", "255", &c::kColour,
                                                FieldOf<&S::transmittingTextColor>};
inline constexpr Setting kTransmittedTextColor{kMainSection, "Transmitted Text Color", "0", &c::kColour,
                                               FieldOf<&S::transmittedTextColor>};
inline constexpr Setting kWordSpace{kMainSection, "Word Space", "7", &c::kNumber, FieldOf<&S::wordSpace>};
inline constexpr Setting kLetterSpace{kMainSection, "Letter Space", "3", &c::kNumber, FieldOf<&S::letterSpace>};
inline constexpr Setting kDashLength{kMainSection, "Dash Length", "3", &c::kNumber, FieldOf<&S::dashLength>};
inline constexpr Setting kWpm{kMainSection, "WPM", "20", &c::kWholeNumber, FieldOf<&S::wpm>};
inline constexpr Setting kWpmTextColor{kMainSection, "WPM Text Color", "0", &c::kColour, FieldOf<&S::wpmTextColor>};
// The second and third banks keep the names they had before the modifier keys were swapped.
inline constexpr Setting kAltFKeysVisible{kMainSection, "SHIFT F Keys Visible", "True", &c::kBoolean,
                                          FieldOf<&S::altFKeysVisible>};
inline constexpr Setting kCtlFKeysVisible{kMainSection, "ALT F Keys Visible", "True", &c::kBoolean,
                                          FieldOf<&S::ctlFKeysVisible>};
inline constexpr Setting kFKeysVisible{kMainSection, "F Keys Visible", "True", &c::kBoolean,
                                       FieldOf<&S::fKeysVisible>};
inline constexpr Setting kCallsignFieldVisible{kMainSection, "Callsign Field Visible", "True", &c::kBoolean,
                                               FieldOf<&S::callsignFieldVisible>};
inline constexpr Setting kSrxFieldVisible{kMainSection, "SRX Field Visible", "False", &c::kExactlyTrue,
                                          FieldOf<&S::srxFieldVisible>};
// The keyer setup has always written the two states under two spellings of the one key.
inline constexpr Setting kSidetone{kMainSection, "SideTone", "OFF", &c::kOnWhenOn, FieldOf<&S::sidetoneOn>,
                                   [](const bool& on) { return on ? "Sidetone" : "SideTone"; }};
inline constexpr Setting kFrequency{kMainSection, "Frequency", "1000", &c::kStrictNumber,
                                    FieldOf<&S::sidetoneFrequency>};
inline constexpr Setting kSerialZero{kMainSection, "Serial # 0 preference", "0", &c::kZeroWord,
                                     FieldOf<&S::serialZero>};

// Section "frmTavrik Settings" without the macros, in the order of the load.
inline constexpr std::tuple kMainSettings{
    kSlowTyping,        kOnTop,          kInsertKey,           kTop,
    kLeft,              kHeight,         kWidth,               kTextBoxFontName,
    kTextBoxFontSize,   kTextBoxFontBold, kTextBoxFontItalic,  kTextBoxBackColor,
    kKeyer,             kLoopingBackColor, kTextBoxForeColor,  kPttDelay,
    kParallelPortAddress, kKeying,       kPtt,                 kPortToUse,
    kDisablePolling,    kDedicatedSerialPort, kTransmittingTextColor, kTransmittedTextColor,
    kWordSpace,         kLetterSpace,    kDashLength,          kWpm,
    kWpmTextColor,      kAltFKeysVisible, kCtlFKeysVisible,    kFKeysVisible,
    kCallsignFieldVisible, kSrxFieldVisible, kSidetone,        kFrequency,
    kSerialZero,
};

// One macro slot: each key is its prefix followed by the slot number.
using M = MacroSlot;
inline constexpr Setting kMacroText{kMainSection, "Macro #", "", &c::kText, FieldOf<&M::text>, nullptr,
                                    kLongestStoredMacro};
inline constexpr Setting kMacroCaption{kMainSection, "Macro Caption #", "", &c::kText, FieldOf<&M::caption>};
inline constexpr Setting kMacroBackColor{kMainSection, "Macro BackColor #", "14671839", &c::kColour,
                                         FieldOf<&M::backColor>};
inline constexpr Setting kMacroMouseOverBackColor{kMainSection, "Macro MouseOver BackColor #", "14671839",
                                                  &c::kColour, FieldOf<&M::mouseOverBackColor>};
inline constexpr Setting kMacroForeColor{kMainSection, "Macro ForeColor #", "0", &c::kColour,
                                         FieldOf<&M::foreColor>};
inline constexpr Setting kMacroMouseOverForeColor{kMainSection, "Macro MouseOver ForeColor #", "65535",
                                                  &c::kColour, FieldOf<&M::mouseOverForeColor>};
// One name serves both looks: the load gives the mouse-over look the normal name.
inline constexpr Setting kMacroFontName{kMainSection, "Macro Fontname #", "MS Sans Serif", &c::kText,
                                        FieldOf<&M::fontName>};
inline constexpr Setting kMacroMouseOverFontName{kMainSection, "Macro MouseOver Fontname #", nullptr, &c::kText,
                                                 FieldOf<&M::mouseOverFontName>};
inline constexpr Setting kMacroFontSize{kMainSection, "Macro Fontsize #", "8", &c::kIntegerInLongField,
                                        FieldOf<&M::fontSize>};
inline constexpr Setting kMacroMouseOverFontSize{kMainSection, "Macro MouseOver Fontsize #", "8",
                                                 &c::kIntegerInLongField, FieldOf<&M::mouseOverFontSize>};
inline constexpr Setting kMacroFontBold{kMainSection, "Macro Fontbold #", "False", &c::kBoolean,
                                        FieldOf<&M::fontBold>};
inline constexpr Setting kMacroMouseOverFontBold{kMainSection, "Macro MouseOver Fontbold #", "False", &c::kBoolean,
                                                 FieldOf<&M::mouseOverFontBold>};
inline constexpr Setting kMacroFontItalic{kMainSection, "Macro Fontitalic #", "False", &c::kBoolean,
                                          FieldOf<&M::fontItalic>};
inline constexpr Setting kMacroMouseOverFontItalic{kMainSection, "Macro MouseOver Fontitalic #", "False",
                                                   &c::kBoolean, FieldOf<&M::mouseOverFontItalic>};

// The fourteen keys of a slot, in the order the macro editor writes them.
inline constexpr std::tuple kMacroSlotSettings{
    kMacroText,      kMacroCaption,           kMacroBackColor,         kMacroMouseOverBackColor,
    kMacroForeColor, kMacroMouseOverForeColor, kMacroFontName,         kMacroMouseOverFontName,
    kMacroFontSize,  kMacroMouseOverFontSize,  kMacroFontBold,         kMacroMouseOverFontBold,
    kMacroFontItalic, kMacroMouseOverFontItalic,
};

// Section "WinKey Settings", in the order the configuration dialog writes them.
using W = WinKeySettings;
inline constexpr Setting kWinKeyPort{kWinKeySection, "WinKey Port", "0", &c::kWholeNumber, FieldOf<&W::port>};
inline constexpr Setting kWinKeyKeyMode{kWinKeySection, "WinKey Key Mode", "0", &c::kWholeNumber,
                                        FieldOf<&W::keyMode>};
inline constexpr Setting kWinKeyTone{kWinKeySection, "WinKey Tone", "752", &c::kWholeNumber, FieldOf<&W::tone>};
inline constexpr Setting kWinKeyWordSpace{kWinKeySection, "WinKey WordSpace", "0", &c::kWholeNumber,
                                          FieldOf<&W::wordSpace>};
inline constexpr Setting kWinKeyPaddleOperation{kWinKeySection, "WinKey Paddle Operation", "0", &c::kWholeNumber,
                                                FieldOf<&W::paddleOperation>};
inline constexpr Setting kWinKeyPttLeadDelay{kWinKeySection, "WinKey PTT Lead Delay", "100", &c::kWholeNumber,
                                             FieldOf<&W::pttLeadDelay>};
inline constexpr Setting kWinKeyPttLagDelay{kWinKeySection, "WinKey PTT Lag Delay", "250", &c::kWholeNumber,
                                            FieldOf<&W::pttLagDelay>};
inline constexpr Setting kWinKeySpeedMax{kWinKeySection, "WinKey Speed Max", "30", &c::kWholeNumber,
                                         FieldOf<&W::speedMax>};
inline constexpr Setting kWinKeySpeedMin{kWinKeySection, "WinKey Speed Min", "15", &c::kWholeNumber,
                                         FieldOf<&W::speedMin>};
inline constexpr Setting kWinKeySpeedFarnsworth{kWinKeySection, "WinKey Speed Farnsworth", "20", &c::kWholeNumber,
                                                FieldOf<&W::speedFarnsworth>};
inline constexpr Setting kWinKeyDitDahRatio{kWinKeySection, "WinKey DitDah Ratio", "50", &c::kWholeNumber,
                                            FieldOf<&W::ditDahRatio>};
inline constexpr Setting kWinKeyDitDahWeight{kWinKeySection, "WinKey DitDah Weight", "50", &c::kWholeNumber,
                                             FieldOf<&W::ditDahWeight>};
inline constexpr Setting kWinKeyFirstExtension{kWinKeySection, "WinKey First Extension", "0", &c::kWholeNumber,
                                               FieldOf<&W::firstExtension>};
inline constexpr Setting kWinKeyCompensation{kWinKeySection, "WinKey Compensation", "0", &c::kWholeNumber,
                                             FieldOf<&W::compensation>};
inline constexpr Setting kWinKeyPaddleSwitchpoint{kWinKeySection, "WinKey Paddle Switchpoint", "50",
                                                  &c::kWholeNumber, FieldOf<&W::paddleSwitchpoint>};
inline constexpr Setting kWinKeySpeed{kWinKeySection, "WinKey Speed", "15", &c::kWholeNumber, FieldOf<&W::speed>};
inline constexpr Setting kWinKeyPtt{kWinKeySection, "WinKey PTT", "True", &c::kBoolean, FieldOf<&W::ptt>};
inline constexpr Setting kWinKeySideTone{kWinKeySection, "WinKey SideTone", "False", &c::kBoolean,
                                         FieldOf<&W::sideTone>, [](const bool&) { return "WinKey Sidetone"; }};
inline constexpr Setting kWinKeyPin3{kWinKeySection, "WinKey Pin 3", "True", &c::kBoolean, FieldOf<&W::pin3>};
inline constexpr Setting kWinKeyAutoSpace{kWinKeySection, "WinKey AutoSpace", "True", &c::kBoolean,
                                          FieldOf<&W::autoSpace>};
inline constexpr Setting kWinKeyContestWordSpace{kWinKeySection, "WinKey Contest WordSpace", "False", &c::kBoolean,
                                                 FieldOf<&W::contestWordSpace>};
inline constexpr Setting kWinKeySwitchPaddles{kWinKeySection, "WinKey Switch Paddles", "False", &c::kBoolean,
                                              FieldOf<&W::switchPaddles>};
inline constexpr Setting kWinKeyAnalogSpeed{kWinKeySection, "WinKey Analog Speed", "False", &c::kBoolean,
                                            FieldOf<&W::analogSpeed>};
inline constexpr Setting kWinKeyDisablePaddleMemory{kWinKeySection, "WinKey Disable Paddle Memory", "False",
                                                    &c::kBoolean, FieldOf<&W::disablePaddleMemory>};
inline constexpr Setting kWinKeyPaddleInsertCancelsMacro{kWinKeySection, "WinKey Paddle Insert Cancels Macro", "True",
                                                         &c::kBoolean, FieldOf<&W::paddleInsertCancelsMacro>};
inline constexpr Setting kWinKeyRadio1Pin3{kWinKeySection, "WinKey Radio 1 Pin 3", "False", &c::kBoolean,
                                           FieldOf<&W::radio1Pin3>};
inline constexpr Setting kWinKeyRadio2Pin3{kWinKeySection, "WinKey Radio 2 Pin 3", "False", &c::kBoolean,
                                           FieldOf<&W::radio2Pin3>};
inline constexpr Setting kWinKeyHoldRadioPolling{kWinKeySection, "WinKey Hold Radio Polling", "False", &c::kBoolean,
                                                 FieldOf<&W::holdRadioPolling>};

inline constexpr std::tuple kWinKeySettings{
    kWinKeyPort,           kWinKeyKeyMode,       kWinKeyTone,
    kWinKeyWordSpace,      kWinKeyPaddleOperation, kWinKeyPttLeadDelay,
    kWinKeyPttLagDelay,    kWinKeySpeedMax,      kWinKeySpeedMin,
    kWinKeySpeedFarnsworth, kWinKeyDitDahRatio,  kWinKeyDitDahWeight,
    kWinKeyFirstExtension, kWinKeyCompensation,  kWinKeyPaddleSwitchpoint,
    kWinKeySpeed,          kWinKeyPtt,           kWinKeySideTone,
    kWinKeyPin3,           kWinKeyAutoSpace,     kWinKeyContestWordSpace,
    kWinKeySwitchPaddles,  kWinKeyAnalogSpeed,   kWinKeyDisablePaddleMemory,
    kWinKeyPaddleInsertCancelsMacro, kWinKeyRadio1Pin3, kWinKeyRadio2Pin3,
    kWinKeyHoldRadioPolling,
};

// Section "Devices": what Linux needs to find the hardware.
using D = DeviceSettings;
inline constexpr Setting kParallelDevice{kDevicesSection, "Parallel Device", "", &c::kText,
                                         FieldOf<&D::parallelDevice>};
inline constexpr Setting kSidetoneOutput{kDevicesSection, "Sidetone Output", "", &c::kText,
                                         FieldOf<&D::sidetoneOutput>};
inline constexpr std::tuple kDeviceSettings{kParallelDevice, kSidetoneOutput};

} // namespace setting

// "Comm<n>" in section "Devices": the device behind serial port n, 1 to 8; /dev/ttyS<n-1>
// unless stored.
QString CommPortKey(int portNumber);
QString CommPortDefault(int portNumber);

// One value as a write stores it.
struct SettingWrite {
    QString section;
    QString key;
    QString value;
};

// The key a row names; for a family, the key of slot `slot`.
template <typename Record, typename T>
QString KeyOf(const Setting<Record, T>& s, int slot = 0)
{
    const QString key = QString::fromLatin1(s.key);
    return slot > 0 ? key + QString::number(slot) : key;
}

template <typename Record, typename T>
SettingWrite Stored(const Setting<Record, T>& s, const std::type_identity_t<T>& value, int slot = 0)
{
    const char* written = s.writtenKey ? s.writtenKey(value) : s.key;
    const QString key = QString::fromLatin1(written);
    return {QString::fromLatin1(s.section), slot > 0 ? key + QString::number(slot) : key, s.conversion->write(value)};
}

// A value as the operator typed it, stored for the key's reader to convert.
template <typename Record, typename T>
SettingWrite StoredText(const Setting<Record, T>& s, const QString& typed)
{
    return {QString::fromLatin1(s.section), KeyOf(s), typed};
}

// Every row of `table` as the write of its field of `record`, in the table's order.
template <typename Record, typename... Rows>
std::vector<SettingWrite> StoredValues(const std::tuple<Rows...>& table, const Record& record, int slot = 0)
{
    std::vector<SettingWrite> values;
    values.reserve(sizeof...(Rows));
    std::apply([&](const auto&... row) { (values.push_back(Stored(row, row.field.get(record), slot)), ...); }, table);
    return values;
}

// Reads the rows of `table` from the settings file into `record`. A value that cannot be
// converted falls back to the key's default, which always can.
template <typename File, typename Record, typename... Rows>
void ReadRows(const File& file, const std::tuple<Rows...>& table, Record& record, int slot = 0)
{
    const auto read = [&](const auto& row) {
        if (!row.defaultText)
            return;
        const QString defaultText = QString::fromLatin1(row.defaultText);
        const QString text = file.ReadSetting(QString::fromLatin1(row.section), KeyOf(row, slot), defaultText,
                                              row.longest);
        const auto value = row.conversion->read(text);
        row.field.set(record, value ? *value : row.conversion->read(defaultText).value());
    };
    std::apply([&](const auto&... row) { (read(row), ...); }, table);
}

// Hands a stored value to whatever writes settings: an object with writeSetting(section,
// key, value), or a function of those three.
template <typename Writer>
void Write(Writer&& writer, const SettingWrite& v)
{
    if constexpr (std::is_invocable_v<Writer&, const QString&, const QString&, const QString&>)
        writer(v.section, v.key, v.value);
    else
        writer.writeSetting(v.section, v.key, v.value);
}

} // namespace tavrik
