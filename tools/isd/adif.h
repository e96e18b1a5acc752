#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace isd {

// One ADIF record: its fields in the order found, tags in upper case.
using AdifRecord = QList<QPair<QString, QString>>;

// Reads the records of an ADIF text. Text before the first tag is the header when the file
// has "<EOH>"; lengths count characters.
class AdifReader {
public:
    explicit AdifReader(QString text);
    // Nothing at the end of the text, or at a damaged record (then error() says why).
    std::optional<AdifRecord> next();
    const QString& error() const { return error_; }

private:
    QString text_;
    QString error_;
    qsizetype pos_ = 0;
};

QString AdifField(const QString& tag, const QString& value);

} // namespace isd
