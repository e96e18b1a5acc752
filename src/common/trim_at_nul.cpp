#include "common/trim_at_nul.h"

namespace tavrik {

QString TrimBlanks(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first).toString();
}

QString TrimAtNul(const QString& buffer)
{
    const QString trimmed = TrimBlanks(buffer);
    const qsizetype nul = trimmed.indexOf(QChar(u'\0'));
    if (nul <= 0)
        return {};
    return trimmed.left(nul);
}

} // namespace tavrik
