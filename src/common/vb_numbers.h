#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The number conversions that stored settings, shared-block values and macro tokens rely on,
// each in one place so every reader rounds and parses alike.
namespace tavrik {

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
std::int64_t RoundHalfEven(double value);

// The leading numeric part of a text: "7.5ms" is 7.5, "abc" is 0. Blanks inside the number
// are skipped; "&H1F" and "&O17" are read as hexadecimal and octal.
double LeadingNumber(const QString& text);

// The whole text must be a number (blanks around it allowed, "&H" accepted).
std::optional<double> StrictNumber(const QString& text);

// A 16-bit integer: the whole text a number, fractions rounded halves to even.
std::optional<std::int16_t> ToInteger(const QString& text);

// A 32-bit integer: the whole text a number, "&H" hexadecimal accepted.
std::optional<std::int32_t> ToLong(const QString& text);

// The leading numeric part made a 16-bit integer; empty when out of range or infinite.
std::optional<std::int16_t> WholeNumber(const QString& text);

// "True"/"False" in any case, or a number (zero is false).
std::optional<bool> ToBoolean(const QString& text);

// Formats with a numeric pattern of '0' (digit always shown), '#' (digit shown when
// significant), ',' (thousands grouping) and '.' (decimal point): 41 with "000" is "041",
// 5 with "##0" is "5". Empty when the pattern is not such a pattern.
std::optional<QString> FormatNumber(double value, const QString& pattern);

} // namespace tavrik
