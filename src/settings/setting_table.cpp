#include "settings/setting_table.h"

#include "common/vb_numbers.h"

#include <cmath>

namespace tavrik {
namespace {

QString TrueFalse(const bool& on)
{
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

QString OnOff(const bool& on)
{
    return on ? QStringLiteral("ON") : QStringLiteral("OFF");
}

template <typename T>
QString Decimal(const T& value)
{
    return QString::number(value);
}

// Shortest decimal form: 3 stays "3", 2.5 "2.5".
QString Shortest(const double& value)
{
    return QString::number(value, 'g', 15);
}

std::optional<double> FiniteLeadingNumber(const QString& text)
{
    // A value too large for a double would make every gap endless.
    const double value = LeadingNumber(text);
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

} // namespace

namespace conversion {

const Conversion<QString> kText{[](const QString& text) { return std::optional<QString>(text); },
                                [](const QString& value) { return value; }};
const Conversion<bool> kBoolean{&ToBoolean, &TrueFalse};
const Conversion<bool> kOneOrZero{&ToBoolean, [](const bool& on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }};
const Conversion<bool> kOnWhenOn{[](const QString& text) { return std::optional<bool>(text == u"ON"); }, &OnOff};
const Conversion<bool> kOnUnlessOff{[](const QString& text) { return std::optional<bool>(text != u"OFF"); }, &OnOff};
const Conversion<bool> kExactlyTrue{[](const QString& text) { return std::optional<bool>(text == u"True"); },
                                    &TrueFalse};
const Conversion<std::int16_t> kInteger{&ToInteger, &Decimal<std::int16_t>};
const Conversion<std::int32_t> kIntegerInLongField{
    [](const QString& text) -> std::optional<std::int32_t> {
        if (const auto value = ToInteger(text))
            return *value;
        return std::nullopt;
    },
    &Decimal<std::int32_t>};
const Conversion<std::int32_t> kLong{&ToLong, &Decimal<std::int32_t>};
const Conversion<double> kNumber{&FiniteLeadingNumber, &Shortest};
const Conversion<std::int16_t> kWholeNumber{&WholeNumber, &Decimal<std::int16_t>};
const Conversion<double> kStrictNumber{&StrictNumber, &Shortest};
const Conversion<Colour> kColour{
    [](const QString& text) -> std::optional<Colour> {
        if (const auto value = ToLong(text))
            return static_cast<Colour>(*value);
        return std::nullopt;
    },
    &Decimal<Colour>};
const Conversion<KeyerChoice> kKeyerWord{
    [](const QString& text) {
        return std::optional<KeyerChoice>(text == u"WinKey" ? KeyerChoice::WinKey
                                          : text == u"Rig"  ? KeyerChoice::Rig
                                                            : KeyerChoice::Software);
    },
    [](const KeyerChoice& keyer) {
        switch (keyer) {
        case KeyerChoice::WinKey: return QStringLiteral("WinKey");
        case KeyerChoice::Rig: return QStringLiteral("Rig");
        case KeyerChoice::Software: break;
        }
        return QStringLiteral("Software");
    }};
const Conversion<KeyingMode> kKeyingWord{
    [](const QString& text) { return std::optional<KeyingMode>(text == u"VOX" ? KeyingMode::Vox : KeyingMode::Mox); },
    [](const KeyingMode& mode) { return mode == KeyingMode::Vox ? QStringLiteral("VOX") : QStringLiteral("MOX"); }};
const Conversion<SerialZero> kZeroWord{
    [](const QString& text) {
        return std::optional<SerialZero>(text == u"0"   ? SerialZero::Zero
                                         : text == u"T" ? SerialZero::LetterT
                                                        : SerialZero::LetterO);
    },
    [](const SerialZero& zero) {
        return zero == SerialZero::Zero      ? QStringLiteral("0")
               : zero == SerialZero::LetterT ? QStringLiteral("T")
                                             : QStringLiteral("O");
    }};
const Conversion<QString> kNonEmptyText{
    [](const QString& text) { return text.isEmpty() ? std::nullopt : std::optional<QString>(text); },
    [](const QString& value) { return value; }};
const Conversion<std::uint16_t> kPortNumber{
    [](const QString& text) -> std::optional<std::uint16_t> {
        bool number = false;
        const int port = text.toInt(&number);
        if (!number || port < 1 || port > 65535)
            return std::nullopt;
        return static_cast<std::uint16_t>(port);
    },
    &Decimal<std::uint16_t>};

} // namespace conversion

QString PortToUseWord(bool parallel, bool sharedSerial)
{
    return parallel ? QStringLiteral("Parallel") : sharedSerial ? QStringLiteral("Shared Serial") : QStringLiteral("Serial");
}

QString CommPortKey(int portNumber)
{
    return QStringLiteral("Comm") + QString::number(portNumber);
}

QString CommPortDefault(int portNumber)
{
    return QStringLiteral("/dev/ttyS") + QString::number(portNumber - 1);
}

} // namespace tavrik
