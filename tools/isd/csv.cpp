#include "csv.h"

namespace isd {

CsvReader::CsvReader(QString text) : text_(std::move(text))
{
    if (text_.startsWith(QChar(0xFEFF)))
        text_.remove(0, 1);
}

std::optional<QStringList> CsvReader::next(int& line)
{
    // Blank lines between rows carry nothing.
    while (pos_ < text_.size() && (text_[pos_] == u'\n' || text_[pos_] == u'\r')) {
        if (text_[pos_] == u'\n')
            ++line_;
        ++pos_;
    }
    if (pos_ >= text_.size() || failed_)
        return std::nullopt;
    line = line_;
    QStringList row;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (; pos_ < text_.size(); ++pos_) {
        const QChar c = text_[pos_];
        if (quoted) {
            if (c == u'"' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'"') {
                field += u'"';
                ++pos_;
            } else if (c == u'"') {
                quoted = false;
            } else {
                if (c == u'\n')
                    ++line_;
                field += c;
            }
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == u',') {
            row << field;
            field.clear();
            wasQuoted = false;
        } else if (c == u'\n' || c == u'\r') {
            break;
        } else {
            field += c;
        }
    }
    if (quoted) {
        failed_ = true;
        return std::nullopt;
    }
    row << field;
    return row;
}

QString CsvRow(const QStringList& fields)
{
    QStringList out;
    for (const QString& field : fields) {
        if (field.contains(u',') || field.contains(u'"') || field.contains(u'\n') || field.contains(u'\r'))
            out << u'"' + QString(field).replace(u'"', QStringLiteral("\"\"")) + u'"';
        else
            out << field;
    }
    return out.join(u',') + QStringLiteral("\r\n");
}

} // namespace isd
