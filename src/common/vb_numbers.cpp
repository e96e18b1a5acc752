#include "common/vb_numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavrik {
namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

int HexDigitValue(QChar c)
{
    const char16_t u = c.toUpper().unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

struct Scan {
    double value = 0;
    qsizetype end = 0;     // index after the last character taken
    bool anyDigit = false;
};

// Reads a number from position `pos` of `text`, taking blanks inside it when `skipBlanks`.
Scan ScanNumber(const QString& text, qsizetype pos, bool skipBlanks)
{
    Scan scan;
    const qsizetype n = text.size();
    auto skip = [&] {
        while (skipBlanks && pos < n && IsBlank(text.at(pos)))
            ++pos;
    };
    skip();
    if (pos + 1 < n && text.at(pos) == u'&') {
        const QChar kind = text.at(pos + 1).toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base != 0) {
            qsizetype p = pos + 2;
            std::uint64_t acc = 0;
            while (p < n) {
                const int digit = HexDigitValue(text.at(p));
                if (digit < 0 || digit >= base)
                    break;
                // Saturate past 32 bits so the value stays out of range instead of wrapping.
                acc = std::min<std::uint64_t>(acc * base + static_cast<std::uint64_t>(digit), 0x1FFFFFFFFull);
                scan.anyDigit = true;
                ++p;
            }
            if (scan.anyDigit) {
                scan.value = static_cast<double>(acc);
                scan.end = p;
            }
            return scan;
        }
    }
    QString digits;
    if (pos < n && (text.at(pos) == u'+' || text.at(pos) == u'-')) {
        digits.append(text.at(pos));
        ++pos;
        skip();
    }
    auto takeDigits = [&] {
        bool any = false;
        while (pos < n) {
            if (text.at(pos) >= u'0' && text.at(pos) <= u'9') {
                digits.append(text.at(pos));
                any = true;
                ++pos;
            } else if (skipBlanks && IsBlank(text.at(pos))) {
                ++pos;
            } else {
                break;
            }
        }
        return any;
    };
    scan.anyDigit = takeDigits();
    if (pos < n && text.at(pos) == u'.') {
        digits.append(u'.');
        ++pos;
        scan.anyDigit = takeDigits() || scan.anyDigit;
    }
    if (!scan.anyDigit)
        return scan;
    scan.end = pos;
    if (pos < n && (text.at(pos) == u'e' || text.at(pos) == u'E' || text.at(pos) == u'd' || text.at(pos) == u'D')) {
        qsizetype p = pos + 1;
        QString exponent = QStringLiteral("e");
        if (p < n && (text.at(p) == u'+' || text.at(p) == u'-'))
            exponent.append(text.at(p++));
        bool anyExp = false;
        while (p < n && text.at(p) >= u'0' && text.at(p) <= u'9') {
            exponent.append(text.at(p++));
            anyExp = true;
        }
        if (anyExp) {
            digits.append(exponent);
            scan.end = p;
        }
    }
    scan.value = digits.toDouble();
    return scan;
}

} // namespace

std::int64_t RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return 0;
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    if (whole >= static_cast<double>(std::numeric_limits<std::int64_t>::max()))
        return std::numeric_limits<std::int64_t>::max();
    if (whole <= static_cast<double>(std::numeric_limits<std::int64_t>::min()))
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(whole);
}

double LeadingNumber(const QString& text)
{
    return ScanNumber(text, 0, true).value;
}

std::optional<double> StrictNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const Scan scan = ScanNumber(trimmed, 0, false);
    if (!scan.anyDigit || scan.end != trimmed.size() || !std::isfinite(scan.value))
        return std::nullopt;
    return scan.value;
}

std::optional<std::int16_t> ToInteger(const QString& text)
{
    const auto number = StrictNumber(text);
    if (!number)
        return std::nullopt;
    const std::int64_t rounded = RoundHalfEven(*number);
    if (rounded < std::numeric_limits<std::int16_t>::min() || rounded > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

std::optional<std::int32_t> ToLong(const QString& text)
{
    const auto number = StrictNumber(text);
    if (!number)
        return std::nullopt;
    const std::int64_t rounded = RoundHalfEven(*number);
    if (rounded < std::numeric_limits<std::int32_t>::min() || rounded > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

std::optional<std::int16_t> WholeNumber(const QString& text)
{
    // "1e400" is beyond any range, not zero.
    const double number = LeadingNumber(text);
    if (!std::isfinite(number))
        return std::nullopt;
    const std::int64_t rounded = RoundHalfEven(number);
    if (rounded < std::numeric_limits<std::int16_t>::min() || rounded > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

std::optional<bool> ToBoolean(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    const auto number = StrictNumber(trimmed);
    if (!number)
        return std::nullopt;
    return *number != 0.0;
}

std::optional<QString> FormatNumber(double value, const QString& pattern)
{
    if (pattern.isEmpty() || !std::isfinite(value))
        return std::nullopt;
    for (const QChar c : pattern) {
        if (c != u'0' && c != u'#' && c != u',' && c != u'.')
            return std::nullopt;
    }
    const qsizetype point = pattern.indexOf(u'.');
    const QString integerPart = point < 0 ? pattern : pattern.left(point);
    const QString fractionPart = point < 0 ? QString() : pattern.mid(point + 1).remove(u',');
    if (!integerPart.contains(u'0') && !integerPart.contains(u'#') && fractionPart.isEmpty())
        return std::nullopt;

    // Past fifteen decimals a double has no more digits to show, and the scale would overflow.
    if (fractionPart.size() > 15)
        return std::nullopt;
    const int decimals = static_cast<int>(fractionPart.size());
    const double scale = std::pow(10.0, decimals);
    const std::int64_t scaled = RoundHalfEven(std::fabs(value) * scale);
    const bool negative = value < 0 && scaled != 0;
    const std::int64_t whole = scaled / static_cast<std::int64_t>(scale);
    const std::int64_t fraction = scaled % static_cast<std::int64_t>(scale);

    // Integer digits: at least as many as the pattern's zeros; '#' alone shows no lone zero.
    const int minDigits = static_cast<int>(integerPart.count(u'0'));
    QString digits = whole == 0 ? QString() : QString::number(whole);
    while (digits.size() < minDigits)
        digits.prepend(u'0');
    if (integerPart.contains(u',')) {
        for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
            digits.insert(i, u',');
    }

    QString fractionDigits = decimals == 0 ? QString() : QString::number(fraction).rightJustified(decimals, u'0');
    // Trailing '#' places drop their zeros; '0' places keep them.
    qsizetype keep = fractionDigits.size();
    while (keep > 0 && fractionPart.at(keep - 1) == u'#' && fractionDigits.at(keep - 1) == u'0')
        --keep;
    fractionDigits.truncate(keep);

    QString result = negative ? QStringLiteral("-") : QString();
    result += digits;
    if (point >= 0 && (!fractionDigits.isEmpty() || pattern.endsWith(u'.')))
        result += u'.' + fractionDigits;
    if (result.isEmpty() || result == u"-")
        result = QStringLiteral("0");
    return result;
}

} // namespace tavrik
