#pragma once

#include <QHash>
#include <QString>

namespace tavrik {

// Translated menu captions: the file "<LCID>.lng" in the program's folder, with lines
// "id=text" in UTF-8. A missing or unreadable file translates nothing.
class LanguageLibrary {
public:
    static LanguageLibrary Load(const QString& programDir, int lcid);
    bool loaded() const { return loaded_; }
    // The text of a string resource, trimmed; empty when there is none.
    QString resourceText(int id) const { return strings_.value(id).trimmed(); }

private:
    bool loaded_ = false;
    QHash<int, QString> strings_;
};

} // namespace tavrik
