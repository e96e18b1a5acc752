#include "settings/load_settings.h"

#include "common/vb_numbers.h"

#include <cmath>

namespace tavrik {
namespace {

// Reads one key of the current section in one of the stored value forms.
class KeyReader {
public:
    explicit KeyReader(const SettingsFile& file)
        : file_(file)
    {
    }

    QString text(const QString& key, const QString& defaultValue) const
    {
        return file_.ReadSetting(key, defaultValue);
    }
    // A macro comes back whole, up to the longest the editor stores.
    QString macroText(const QString& key) const
    {
        return file_.ReadSetting(key, QString(), kLongestStoredMacro);
    }

    // A value that cannot be converted falls back to the key's default, which always can.
    template <typename Converter>
    auto convert(const QString& key, const QString& defaultValue, Converter converter) const
    {
        if (const auto value = converter(text(key, defaultValue)))
            return *value;
        return converter(defaultValue).value();
    }
    bool boolean(const QString& key, const QString& defaultValue) const
    {
        return convert(key, defaultValue, ToBoolean);
    }
    std::int16_t integer(const QString& key, const QString& defaultValue) const
    {
        return convert(key, defaultValue, ToInteger);
    }
    std::int32_t longValue(const QString& key, const QString& defaultValue) const
    {
        return convert(key, defaultValue, ToLong);
    }
    double number(const QString& key, const QString& defaultValue) const
    {
        // A value too large for a double would make every gap endless.
        const double value = LeadingNumber(text(key, defaultValue));
        return std::isfinite(value) ? value : LeadingNumber(defaultValue);
    }
    std::int16_t wholeNumber(const QString& key, const QString& defaultValue) const
    {
        return convert(key, defaultValue, WholeNumber);
    }
    double strictNumber(const QString& key, const QString& defaultValue) const
    {
        return convert(key, defaultValue, StrictNumber);
    }
    Colour colour(const QString& key, const QString& defaultValue) const
    {
        return static_cast<Colour>(convert(key, defaultValue, ToLong));
    }

private:
    const SettingsFile& file_;
};

QString S(const char* text)
{
    return QString::fromLatin1(text);
}

void ReadMainSection(const KeyReader& r, TavrikSettings& s)
{
    s.slowTyping = r.text(S("Slow Typing"), S("ON")) == u"ON";
    s.onTop = r.boolean(S("On Top"), S("1"));
    s.insertKeyCode = r.wholeNumber(S("Insert Key"), S("112"));
    s.top = r.integer(S("Top"), S("500"));
    s.left = r.integer(S("Left"), S("500"));
    s.height = r.integer(S("Height"), S("2500"));
    s.width = r.integer(S("Width"), S("3500"));
    s.textBoxFontName = r.text(S("TextBox Font Name"), S("MS Sans Serif"));
    s.textBoxFontSize = r.integer(S("TextBox Font Size"), S("8"));
    s.textBoxFontBold = r.boolean(S("TextBox Font Bold"), S("False"));
    s.textBoxFontItalic = r.boolean(S("TextBox Font Italic"), S("False"));
    s.textBoxBackColor = r.colour(S("TextBox BackColor"), S("14941692"));
    const QString keyer = r.text(S("Keyer to Use"), S("Software"));
    s.keyer = keyer == u"WinKey" ? KeyerChoice::WinKey : keyer == u"Rig" ? KeyerChoice::Rig : KeyerChoice::Software;
    s.loopingBackColor = r.colour(S("Text BackColor (looping)"), S("255"));
    s.textBoxForeColor = r.colour(S("TextBox Forecolor"), S("16711680"));
    s.pttDelay = r.longValue(S("PTT Delay"), S("100"));
    s.parallelPortAddress = r.longValue(S("Parallel Port Address"), S("&H378"));
    s.keying = r.text(S("Keying"), S("VOX")) == u"VOX" ? KeyingMode::Vox : KeyingMode::Mox;
    s.pttEnabled = r.text(S("PTT"), S("OFF")) != u"OFF";
    const QString port = r.text(S("Port to Use"), S("Parallel"));
    s.portIsParallel = port == u"Parallel";
    s.portIsSharedSerial = port == u"Shared Serial";
    s.disablePolling = r.boolean(S("Disable Polling"), S("False"));
    s.dedicatedSerialPort = r.text(S("Dedicated Serial Port"), QString());
    s.transmittingTextColor = r.colour(S("Transmitting Text Color"), S("255"));
    s.transmittedTextColor = r.colour(S("Transmitted Text Color"), S("0"));
    s.wordSpace = r.number(S("Word Space"), S("7"));
    s.letterSpace = r.number(S("Letter Space"), S("3"));
    s.dashLength = r.number(S("Dash Length"), S("3"));
    s.wpm = r.wholeNumber(S("WPM"), S("20"));
    s.wpmTextColor = r.colour(S("WPM Text Color"), S("0"));
    s.altFKeysVisible = r.boolean(S("SHIFT F Keys Visible"), S("True"));
    s.ctlFKeysVisible = r.boolean(S("ALT F Keys Visible"), S("True"));
    s.fKeysVisible = r.boolean(S("F Keys Visible"), S("True"));
    s.callsignFieldVisible = r.boolean(S("Callsign Field Visible"), S("True"));
    s.srxFieldVisible = r.text(S("SRX Field Visible"), S("False")) == u"True";
    s.sidetoneOn = r.text(S("SideTone"), S("OFF")) == u"ON";
    s.sidetoneFrequency = r.strictNumber(S("Frequency"), S("1000"));
    const QString zero = r.text(S("Serial # 0 preference"), S("0"));
    s.serialZero = zero == u"0" ? SerialZero::Zero : zero == u"T" ? SerialZero::LetterT : SerialZero::LetterO;
}

void ReadMacroSlot(const KeyReader& r, int number, MacroSlot& slot)
{
    const QString n = QString::number(number);
    auto key = [&](const char* prefix) { return S(prefix) + n; };
    slot.text = r.macroText(key("Macro #"));
    slot.caption = r.text(key("Macro Caption #"), QString());
    slot.backColor = r.colour(key("Macro BackColor #"), S("14671839"));
    slot.mouseOverBackColor = r.colour(key("Macro MouseOver BackColor #"), S("14671839"));
    slot.foreColor = r.colour(key("Macro ForeColor #"), S("0"));
    slot.mouseOverForeColor = r.colour(key("Macro MouseOver ForeColor #"), S("65535"));
    // The editor saves a mouse-over font name too, but one name serves both looks.
    slot.fontName = r.text(key("Macro Fontname #"), S("MS Sans Serif"));
    slot.mouseOverFontName = slot.fontName;
    slot.fontSize = r.integer(key("Macro Fontsize #"), S("8"));
    slot.mouseOverFontSize = r.integer(key("Macro MouseOver Fontsize #"), S("8"));
    slot.fontBold = r.boolean(key("Macro Fontbold #"), S("False"));
    slot.mouseOverFontBold = r.boolean(key("Macro MouseOver Fontbold #"), S("False"));
    slot.fontItalic = r.boolean(key("Macro Fontitalic #"), S("False"));
    slot.mouseOverFontItalic = r.boolean(key("Macro MouseOver Fontitalic #"), S("False"));
}

void ReadWinKeySection(const KeyReader& r, WinKeySettings& w)
{
    w.port = r.wholeNumber(S("WinKey Port"), S("0"));
    w.keyMode = r.wholeNumber(S("WinKey Key Mode"), S("0"));
    w.tone = r.wholeNumber(S("WinKey Tone"), S("752"));
    w.wordSpace = r.wholeNumber(S("WinKey WordSpace"), S("0"));
    w.paddleOperation = r.wholeNumber(S("WinKey Paddle Operation"), S("0"));
    w.pttLeadDelay = r.wholeNumber(S("WinKey PTT Lead Delay"), S("100"));
    w.pttLagDelay = r.wholeNumber(S("WinKey PTT Lag Delay"), S("250"));
    w.speedMax = r.wholeNumber(S("WinKey Speed Max"), S("30"));
    w.speedMin = r.wholeNumber(S("WinKey Speed Min"), S("15"));
    w.speedFarnsworth = r.wholeNumber(S("WinKey Speed Farnsworth"), S("20"));
    w.ditDahRatio = r.wholeNumber(S("WinKey DitDah Ratio"), S("50"));
    w.ditDahWeight = r.wholeNumber(S("WinKey DitDah Weight"), S("50"));
    w.firstExtension = r.wholeNumber(S("WinKey First Extension"), S("0"));
    w.compensation = r.wholeNumber(S("WinKey Compensation"), S("0"));
    w.paddleSwitchpoint = r.wholeNumber(S("WinKey Paddle Switchpoint"), S("50"));
    w.ptt = r.boolean(S("WinKey PTT"), S("True"));
    w.pin3 = r.boolean(S("WinKey Pin 3"), S("True"));
    w.autoSpace = r.boolean(S("WinKey AutoSpace"), S("True"));
    w.contestWordSpace = r.boolean(S("WinKey Contest WordSpace"), S("False"));
    w.switchPaddles = r.boolean(S("WinKey Switch Paddles"), S("False"));
    w.analogSpeed = r.boolean(S("WinKey Analog Speed"), S("False"));
    w.speed = r.wholeNumber(S("WinKey Speed"), S("15"));
    w.sideTone = r.boolean(S("WinKey SideTone"), S("False"));
    w.disablePaddleMemory = r.boolean(S("WinKey Disable Paddle Memory"), S("False"));
    w.paddleInsertCancelsMacro = r.boolean(S("WinKey Paddle Insert Cancels Macro"), S("True"));
    w.radio1Pin3 = r.boolean(S("WinKey Radio 1 Pin 3"), S("False"));
    w.radio2Pin3 = r.boolean(S("WinKey Radio 2 Pin 3"), S("False"));
    w.holdRadioPolling = r.boolean(S("WinKey Hold Radio Polling"), S("False"));
}

void ReadDevicesSection(const KeyReader& r, DeviceSettings& d)
{
    for (std::size_t i = 0; i < d.commPorts.size(); ++i) {
        d.commPorts[i] = r.text(S("Comm") + QString::number(i + 1), S("/dev/ttyS") + QString::number(i));
    }
    d.parallelDevice = r.text(S("Parallel Device"), QString());
    d.sidetoneOutput = r.text(S("Sidetone Output"), QString());
}

} // namespace

TavrikSettings LoadSettings(SettingsFile& file, const std::function<void()>& afterEachMacroSlot)
{
    TavrikSettings settings;
    const KeyReader reader(file);

    file.setReadSection(S("FrmTavrik Settings"));
    ReadMainSection(reader, settings);
    for (int number = 1; number <= kMacroSlots; ++number) {
        ReadMacroSlot(reader, number, settings.macros[static_cast<std::size_t>(number)]);
        if (afterEachMacroSlot)
            afterEachMacroSlot();
    }

    const QString winKeySection = S("WinKey Settings");
    file.setReadSection(winKeySection);
    ReadWinKeySection(reader, settings.winKey);

    file.setReadSection(S("Devices"));
    ReadDevicesSection(reader, settings.devices);
    // Readers after the load expect the section the WinKey keys left behind.
    file.setReadSection(winKeySection);
    return settings;
}

} // namespace tavrik
