#include "common/trim_at_nul.h"

namespace tavrik {

QString TrimAtNul(const QString& buffer)
{
    qsizetype first = 0;
    qsizetype last = buffer.size();
    while (first < last && buffer.at(first) == u' ')
        ++first;
    while (last > first && buffer.at(last - 1) == u' ')
        --last;
    const QStringView trimmed = QStringView(buffer).mid(first, last - first);
    const qsizetype nul = trimmed.indexOf(QChar(u'\0'));
    if (nul <= 0)
        return {};
    return trimmed.left(nul).toString();
}

} // namespace tavrik
