#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace isd {

// RFC 4180 text: fields separated by commas, quoted when they hold a comma, a quote or a line
// break, a quote inside doubled.
class CsvReader {
public:
    explicit CsvReader(QString text);
    // The next row, or nothing at the end; `line` is where the row began.
    std::optional<QStringList> next(int& line);
    // A quoted field that never closed.
    bool failed() const { return failed_; }

private:
    QString text_;
    qsizetype pos_ = 0;
    int line_ = 1;
    bool failed_ = false;
};

QString CsvRow(const QStringList& fields);

} // namespace isd
