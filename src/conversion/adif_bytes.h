#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace tavrik::conversion {

// ADIF files are single-byte text of unknown code page, so tags are matched with ASCII case
// folding only; bytes above 127 are compared as they stand.
qsizetype IndexOfNoCase(QByteArrayView haystack, QByteArrayView needle, qsizetype from = 0);
inline bool ContainsNoCase(QByteArrayView haystack, QByteArrayView needle)
{
    return IndexOfNoCase(haystack, needle) >= 0;
}

// The leading decimal digits of a declared length (blanks in front allowed); 0 when there are
// none, so a length that is not a number reads as an empty value instead of failing.
qsizetype LeadingLength(QByteArrayView text);

// Leading and trailing blanks removed; tabs and other bytes are kept.
QByteArrayView TrimBlanks(QByteArrayView text);

} // namespace tavrik::conversion
