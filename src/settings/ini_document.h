#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace tavrik {

// Removes blanks (spaces and tabs) from both ends; other white space is part of the text.
QString TrimIniBlanks(QStringView text);

// The text of one initialization file, held as its lines, with the profile rules of the
// system: section and key names match without regard to letter case, a value is what follows
// the first equals sign with its blanks trimmed, the first matching section and key win.
// Untouched lines come back byte for byte, in the file's own encoding and line ending.
//
// A file is in the Windows code page unless it begins with the UTF-8 byte-order mark, whatever
// its bytes happen to look like: files from the other machine are code-page text, and a guess
// from the bytes would change with every value written. A file stays in its character set
// until a value needs a character the code page lacks; the whole file then turns to UTF-8
// and gets the mark.
class IniDocument {
public:
    enum class Encoding { Utf8, Windows1252 };

    static IniDocument Parse(const QByteArray& bytes);

    std::optional<QString> value(const QString& section, const QString& key) const;

    // Replaces the key's value on its own line, or adds the key at the end of its section, or
    // adds the section at the end of the text. False, and nothing changed, when the names or
    // the value could not be stored as one line (see IsStorable).
    bool set(const QString& section, const QString& key, const QString& value);

    QByteArray serialize() const;

    Encoding encoding() const { return encoding_; }
    QString lineEnding() const { return lineEnding_; }

    // A name or value that would break the line layout, or be read back as something else.
    static bool IsStorable(const QString& section, const QString& key, const QString& value);

private:
    struct SectionSpan {
        qsizetype header = -1; // line of the header
        qsizetype end = 0;     // first line after the section
    };
    // Where each section and key is, by its case-folded name: the first of a name only, as
    // the matching rules want. A document read for a whole load is asked hundreds of times.
    struct Index {
        struct Section {
            SectionSpan span;
            QHash<QString, qsizetype> keys; // line of each key
        };
        QHash<QString, Section> sections;
    };

    const Index& index() const;
    const Index::Section* findSection(const QString& section) const;
    static qsizetype findKey(const Index::Section& section, const QString& key);

    QStringList lines_;
    // Built on the first lookup; dropped when lines move.
    mutable std::optional<Index> index_;
    Encoding encoding_ = Encoding::Windows1252;
    QString lineEnding_ = QStringLiteral("\n");
};

} // namespace tavrik
