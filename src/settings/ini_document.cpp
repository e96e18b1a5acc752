#include "settings/ini_document.h"

#include "platform/windows1252.h"

#include <algorithm>

namespace tavrik {
namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

bool IsHeader(const QString& line)
{
    return line.trimmed().startsWith(u'[');
}

QString HeaderName(const QString& line)
{
    const QString trimmed = line.trimmed();
    const qsizetype close = trimmed.indexOf(u']');
    return (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
}

// The key of a "key=value" line, or empty for any other line (blank, comment, stray text).
QString KeyOf(const QString& line)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return {};
    const QString key = line.left(equals).trimmed();
    if (key.startsWith(u';'))
        return {};
    return key;
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool HasLineBreakOrNul(const QString& text)
{
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(u'\0'));
}

bool FitsWindows1252(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return Windows1252Code(c) >= 0; });
}

} // namespace

IniDocument IniDocument::Parse(const QByteArray& bytes)
{
    IniDocument doc;
    QByteArray body = bytes;
    if (body.startsWith(kByteOrderMark)) {
        doc.byteOrderMark_ = true;
        body.remove(0, kByteOrderMark.size());
    }
    QString text;
    if (IsValidUtf8(body)) {
        text = QString::fromUtf8(body);
    } else {
        doc.encoding_ = Encoding::Windows1252;
        text = FromWindows1252(body);
    }

    bool endingSeen = false;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        const qsizetype breakLength = (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') ? 2 : 1;
        if (!endingSeen) {
            doc.lineEnding_ = text.mid(i, breakLength);
            endingSeen = true;
        }
        doc.lines_.append(text.mid(start, i - start));
        i += breakLength - 1;
        start = i + 1;
    }
    if (start < n)
        doc.lines_.append(text.mid(start));
    return doc;
}

std::optional<IniDocument::SectionSpan> IniDocument::findSection(const QString& section) const
{
    const QString wanted = section.trimmed();
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        if (!IsHeader(lines_.at(i)) || !SameName(HeaderName(lines_.at(i)), wanted))
            continue;
        SectionSpan span;
        span.header = i;
        span.end = i + 1;
        while (span.end < lines_.size() && !IsHeader(lines_.at(span.end)))
            ++span.end;
        return span;
    }
    return std::nullopt;
}

qsizetype IniDocument::findKey(const SectionSpan& span, const QString& key) const
{
    const QString wanted = key.trimmed();
    for (qsizetype i = span.header + 1; i < span.end; ++i) {
        if (SameName(KeyOf(lines_.at(i)), wanted))
            return i;
    }
    return -1;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const auto span = findSection(section);
    if (!span)
        return std::nullopt;
    const qsizetype line = findKey(*span, key);
    if (line < 0)
        return std::nullopt;
    const QString& text = lines_.at(line);
    return text.mid(text.indexOf(u'=') + 1).trimmed();
}

bool IniDocument::IsStorable(const QString& section, const QString& key, const QString& value)
{
    const QString s = section.trimmed();
    const QString k = key.trimmed();
    if (s.isEmpty() || HasLineBreakOrNul(s) || s.contains(u']'))
        return false;
    if (k.isEmpty() || HasLineBreakOrNul(k) || k.contains(u'=') || k.startsWith(u'[') || k.startsWith(u';'))
        return false;
    return !HasLineBreakOrNul(value);
}

bool IniDocument::set(const QString& section, const QString& key, const QString& value)
{
    if (!IsStorable(section, key, value))
        return false;
    // The code page would store what it cannot hold as '?'; UTF-8 holds every line as it is.
    if (encoding_ == Encoding::Windows1252 && !FitsWindows1252(section + key + value))
        encoding_ = Encoding::Utf8;
    const auto span = findSection(section);
    if (!span) {
        lines_.append(u'[' + section.trimmed() + u']');
        lines_.append(key.trimmed() + u'=' + value);
        return true;
    }
    const qsizetype line = findKey(*span, key);
    if (line >= 0) {
        // The key keeps the spelling the file already has.
        lines_[line] = KeyOf(lines_.at(line)) + u'=' + value;
        return true;
    }
    // After the section's last non-blank line, so blank lines before the next section stay.
    qsizetype last = span->header;
    for (qsizetype i = span->header + 1; i < span->end; ++i) {
        if (!lines_.at(i).trimmed().isEmpty())
            last = i;
    }
    lines_.insert(last + 1, key.trimmed() + u'=' + value);
    return true;
}

QByteArray IniDocument::serialize() const
{
    QString text;
    for (const QString& line : lines_) {
        text += line;
        text += lineEnding_;
    }
    QByteArray bytes = byteOrderMark_ ? kByteOrderMark : QByteArray();
    bytes += encoding_ == Encoding::Utf8 ? text.toUtf8() : ToWindows1252(text);
    return bytes;
}

} // namespace tavrik
