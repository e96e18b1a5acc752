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
    std::optional<AdifRecord> next();

private:
    QString text_;
    qsizetype pos_ = 0;
};

QString AdifField(const QString& tag, const QString& value);

} // namespace isd
