#include "settings/ini_document.h"

#include "platform/windows1252.h"

#include <algorithm>

namespace tavrik {
namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool IsHeader(const QString& line)
{
    return TrimIniBlanks(line).startsWith(u'[');
}

QString HeaderName(const QString& line)
{
    const QString trimmed = TrimIniBlanks(line);
    const qsizetype close = trimmed.indexOf(u']');
    return TrimIniBlanks(close < 0 ? QStringView(trimmed).mid(1) : QStringView(trimmed).mid(1, close - 1));
}

// The key of a "key=value" line, or empty for any other line (blank, comment, stray text).
QString KeyOf(const QString& line)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return {};
    const QString key = TrimIniBlanks(QStringView(line).left(equals));
    if (key.startsWith(u';'))
        return {};
    return key;
}

// A line of a marked file that is not UTF-8 was typed in an editor of the code page.
QString DecodeMarkedLine(const QByteArray& line)
{
    return IsValidUtf8(line) ? QString::fromUtf8(line) : FromWindows1252(line);
}

// Two names match when this gives the same text: each character's simple case folding, the
// comparison that a case-blind compare of two texts makes character by character.
QString FoldedName(const QString& name)
{
    QString folded;
    folded.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar unit = name.at(i);
        if (unit.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            const char32_t point = QChar::toCaseFolded(QChar::surrogateToUcs4(unit, name.at(i + 1)));
            folded += QString::fromUcs4(&point, 1);
            ++i;
        } else {
            folded += QChar(static_cast<char16_t>(QChar::toCaseFolded(unit.unicode())));
        }
    }
    return folded;
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

QString TrimIniBlanks(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && IsBlank(text.at(first)))
        ++first;
    while (last > first && IsBlank(text.at(last - 1)))
        --last;
    return text.mid(first, last - first).toString();
}

IniDocument IniDocument::Parse(const QByteArray& bytes)
{
    IniDocument doc;
    QByteArrayView body = bytes;
    if (body.startsWith(kByteOrderMark)) {
        doc.encoding_ = Encoding::Utf8;
        body = body.sliced(kByteOrderMark.size());
    }
    auto decode = [&](QByteArrayView line) {
        const QByteArray raw = line.toByteArray();
        return doc.encoding_ == Encoding::Utf8 ? DecodeMarkedLine(raw) : FromWindows1252(raw);
    };

    // Line breaks are the same bytes in both character sets.
    bool endingSeen = false;
    qsizetype start = 0;
    const qsizetype n = body.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = body.at(i);
        if (c != '\r' && c != '\n')
            continue;
        const qsizetype breakLength = (c == '\r' && i + 1 < n && body.at(i + 1) == '\n') ? 2 : 1;
        if (!endingSeen) {
            doc.lineEnding_ = QString::fromLatin1(body.sliced(i, breakLength));
            endingSeen = true;
        }
        doc.lines_.append(decode(body.sliced(start, i - start)));
        i += breakLength - 1;
        start = i + 1;
    }
    if (start < n)
        doc.lines_.append(decode(body.sliced(start)));
    return doc;
}

const IniDocument::Index& IniDocument::index() const
{
    if (index_)
        return *index_;
    index_.emplace();
    // The section being read, kept aside until it ends: none before the first header, nor in a
    // repeated section, whose keys the first section of that name hides.
    std::optional<std::pair<QString, Index::Section>> current;
    const auto close = [&](qsizetype end) {
        if (!current)
            return;
        current->second.span.end = end;
        index_->sections.insert(current->first, current->second);
        current.reset();
    };
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const QString& line = lines_.at(i);
        if (IsHeader(line)) {
            close(i);
            QString name = FoldedName(HeaderName(line));
            if (!index_->sections.contains(name))
                current.emplace(std::move(name), Index::Section{SectionSpan{i, i + 1}, {}});
            continue;
        }
        // Every other line counts, as its key or as the empty key, as a search of the lines would.
        if (current) {
            const QString key = FoldedName(KeyOf(line));
            if (!current->second.keys.contains(key))
                current->second.keys.insert(key, i);
        }
    }
    close(lines_.size());
    return *index_;
}

const IniDocument::Index::Section* IniDocument::findSection(const QString& section) const
{
    const Index& sections = index();
    const auto found = sections.sections.constFind(FoldedName(TrimIniBlanks(section)));
    return found == sections.sections.cend() ? nullptr : &*found;
}

qsizetype IniDocument::findKey(const Index::Section& section, const QString& key)
{
    return section.keys.value(FoldedName(TrimIniBlanks(key)), -1);
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const Index::Section* found = findSection(section);
    if (!found)
        return std::nullopt;
    const qsizetype line = findKey(*found, key);
    if (line < 0)
        return std::nullopt;
    const QString& text = lines_.at(line);
    return TrimIniBlanks(QStringView(text).mid(text.indexOf(u'=') + 1));
}

bool IniDocument::IsStorable(const QString& section, const QString& key, const QString& value)
{
    const QString s = TrimIniBlanks(section);
    const QString k = TrimIniBlanks(key);
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
    const Index::Section* found = findSection(section);
    if (!found) {
        lines_.append(u'[' + TrimIniBlanks(section) + u']');
        lines_.append(TrimIniBlanks(key) + u'=' + value);
        index_.reset();
        return true;
    }
    const qsizetype line = findKey(*found, key);
    if (line >= 0) {
        // The key keeps the spelling the file already has, so the index stays right.
        lines_[line] = KeyOf(lines_.at(line)) + u'=' + value;
        return true;
    }
    // After the section's last non-blank line, so blank lines before the next section stay.
    const SectionSpan span = found->span;
    qsizetype last = span.header;
    for (qsizetype i = span.header + 1; i < span.end; ++i) {
        if (!TrimIniBlanks(lines_.at(i)).isEmpty())
            last = i;
    }
    lines_.insert(last + 1, TrimIniBlanks(key) + u'=' + value);
    index_.reset();
    return true;
}

QByteArray IniDocument::serialize() const
{
    QString text;
    for (const QString& line : lines_) {
        text += line;
        text += lineEnding_;
    }
    // Unmarked text is read as the code page, so UTF-8 always carries its mark.
    if (encoding_ == Encoding::Utf8)
        return kByteOrderMark + text.toUtf8();
    return ToWindows1252(text);
}

} // namespace tavrik
