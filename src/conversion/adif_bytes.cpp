#include "conversion/adif_bytes.h"

#include <cstring>
#include <limits>

namespace tavrik::conversion {

namespace {

constexpr char Fold(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

qsizetype IndexOfNoCase(QByteArrayView haystack, QByteArrayView needle, qsizetype from)
{
    if (from < 0)
        from = 0;
    const qsizetype last = haystack.size() - needle.size();
    if (needle.isEmpty())
        return from <= haystack.size() ? from : -1;
    const char first = Fold(needle[0]);
    const bool firstIsLetter = first >= 'A' && first <= 'Z';
    for (qsizetype i = from; i <= last; ++i) {
        if (!firstIsLetter) {
            // Tags begin with '<': jump from one to the next.
            const void* hit = std::memchr(haystack.data() + i, first, last - i + 1);
            if (!hit)
                return -1;
            i = static_cast<const char*>(hit) - haystack.data();
        } else if (Fold(haystack[i]) != first) {
            continue;
        }
        qsizetype k = 1;
        while (k < needle.size() && Fold(haystack[i + k]) == Fold(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return -1;
}

qsizetype LeadingLength(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    qsizetype value = 0;
    constexpr qsizetype kCap = std::numeric_limits<qsizetype>::max() / 10 - 9;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < kCap)
            value = value * 10 + (text[i] - '0');
    }
    return value;
}

QByteArrayView TrimBlanks(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace tavrik::conversion
