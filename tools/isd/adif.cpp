#include "adif.h"

namespace isd {

AdifReader::AdifReader(QString text) : text_(std::move(text))
{
    if (!text_.trimmed().startsWith(u'<')) {
        const qsizetype header = text_.indexOf(QStringLiteral("<EOH>"), 0, Qt::CaseInsensitive);
        pos_ = header < 0 ? 0 : header + 5;
    }
}

std::optional<AdifRecord> AdifReader::next()
{
    AdifRecord record;
    for (;;) {
        const qsizetype open = text_.indexOf(u'<', pos_);
        if (open < 0)
            break;
        const qsizetype close = text_.indexOf(u'>', open);
        if (close < 0)
            break;
        const QStringList parts = text_.mid(open + 1, close - open - 1).split(u':');
        const QString tag = parts.first().trimmed().toUpper();
        pos_ = close + 1;
        if (tag == QStringLiteral("EOR"))
            return record;
        if (tag == QStringLiteral("EOH")) {
            record.clear();
            continue;
        }
        bool ok = false;
        const qsizetype length = parts.size() > 1 ? parts[1].trimmed().toLongLong(&ok) : 0;
        if (!ok || length < 0)
            continue;
        // A value never runs past its record's <EOR>: a length that says so is a damaged field,
        // and taking it would swallow the records after it (or overflow the position).
        qsizetype recordEnd = text_.indexOf(QStringLiteral("<EOR>"), pos_, Qt::CaseInsensitive);
        if (recordEnd < 0)
            recordEnd = text_.size();
        if (length > recordEnd - pos_) {
            error_ = QStringLiteral("field %1 is %2 characters long, beyond the end of its record")
                         .arg(tag, parts[1].trimmed());
            pos_ = text_.size();
            return std::nullopt;
        }
        record.append({tag, text_.mid(pos_, length)});
        pos_ += length;
    }
    pos_ = text_.size();
    if (record.isEmpty())
        return std::nullopt;
    return record;
}

QString AdifField(const QString& tag, const QString& value)
{
    return u'<' + tag + u':' + QString::number(value.size()) + u'>' + value + u' ';
}

} // namespace isd
