#include "slot_text.h"

#include <array>

namespace tavrik::standin {
namespace {

// Windows-1252 where it parts from Latin-1; 0 marks the five bytes the page leaves unused.
constexpr std::array<char16_t, 32> kFrom80 = {
    u'€', 0,     u'‚', u'ƒ', u'„', u'…', u'†', u'‡', u'ˆ', u'‰', u'Š', u'‹', u'Œ', 0,     u'Ž', 0,
    0,    u'‘', u'’', u'“', u'”', u'•', u'–', u'—', u'˜', u'™', u'š', u'›', u'œ', 0,     u'ž', u'Ÿ',
};

// The byte for one character, or -1 when the page has none.
int PageByte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kFrom80[static_cast<std::size_t>(i)] != 0 && kFrom80[static_cast<std::size_t>(i)] == c)
            return 0x80 + i;
    }
    return -1;
}

void AppendPlain(QByteArray& bytes, const QString& character)
{
    // The decomposed form without its combining marks: "ő" becomes "o".
    QByteArray plain;
    for (const QChar part : character.normalized(QString::NormalizationForm_KD)) {
        if (part.isMark())
            continue;
        const int b = PageByte(part.unicode());
        if (b < 0) {
            bytes.append('?');
            return;
        }
        plain.append(static_cast<char>(b));
    }
    bytes.append(plain.isEmpty() ? QByteArray("?") : plain);
}

} // namespace

QByteArray SlotBytes(const QString& text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = PageByte(text.at(i).unicode());
        if (b >= 0) {
            bytes.append(static_cast<char>(b));
        } else {
            const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            AppendPlain(bytes, text.mid(i, length));
            i += length - 1;
        }
    }
    bytes.append('\0');
    const auto size = static_cast<qsizetype>(kSlotTextBytes);
    if (bytes.size() < size)
        bytes.append(size - bytes.size(), ' ');
    bytes.truncate(size);
    return bytes;
}

QString SlotValue(const QByteArray& bytes)
{
    qsizetype first = 0;
    qsizetype end = bytes.size();
    while (first < end && bytes.at(first) == ' ')
        ++first;
    while (end > first && bytes.at(end - 1) == ' ')
        --end;
    const qsizetype nul = bytes.indexOf('\0', first);
    if (nul <= first || nul >= end)
        return {};
    QString value;
    for (qsizetype i = first; i < nul; ++i) {
        const auto b = static_cast<unsigned char>(bytes.at(i));
        const char16_t c = b >= 0x80 && b < 0xA0 ? kFrom80[b - 0x80u] : b;
        value.append(c != 0 ? QChar(c) : QChar(QChar::ReplacementCharacter));
    }
    return value;
}

bool IsCommandForLogger(const QString& value)
{
    return value.startsWith(u"Command ", Qt::CaseInsensitive) || value.startsWith(u"HexCommand ", Qt::CaseInsensitive);
}

} // namespace tavrik::standin
