#include "isd_transfer.h"

#include "adif.h"
#include "csv.h"

#include "notecart/vmx.h"
#include "platform/windows1252.h"

#include <QHash>
#include <QSet>

namespace isd {
namespace {

QString Normalised(const QString& call)
{
    return call.trimmed().toUpper();
}

// Where each name of a column or ADIF tag goes: -1 for the callsign key of a notes file,
// else the field index.
QHash<QString, int> Destinations(const vbis::Layout& layout)
{
    QHash<QString, int> destinations;
    if (layout.kind == vbis::FileKind::Notes) {
        destinations.insert(QStringLiteral("CALL"), -1);
        destinations.insert(QStringLiteral("NOTE"), 0);
        destinations.insert(QStringLiteral("NOTES"), 0);
        return destinations;
    }
    for (std::size_t i = 0; i < layout.fields.size(); ++i)
        destinations.insert(QString::fromStdString(layout.fields[i].name), static_cast<int>(i));
    return destinations;
}

QString StatusMessage(vbis::Status status)
{
    switch (status) {
    case VMX_DUPLICATE_KEY: return QStringLiteral("the callsign is there already");
    case VMX_FIELD_TOO_LONG: return QStringLiteral("a field is longer than the file allows");
    case VMX_EMPTY_KEY: return QStringLiteral("the callsign is empty");
    case VMX_IN_USE: return QStringLiteral("the file is in use by another program");
    case VMX_DISK_FULL: return QStringLiteral("the disk is full");
    default: return QStringLiteral("error %1 writing the file").arg(status);
    }
}

// Puts one record together and writes it; the message says what went wrong.
QString Put(vbis::IsamStore& store, const QList<QPair<int, QString>>& values)
{
    const vbis::Layout& layout = store.layout();
    std::vector<std::string> fields(layout.fields.size());
    std::string call;
    for (const auto& [destination, value] : values) {
        if (destination < 0)
            call = Normalised(value).toStdString();
        else if (layout.keyIsField1() && destination == 0)
            fields[0] = Normalised(value).toStdString();
        else
            fields[static_cast<std::size_t>(destination)] = value.toStdString();
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (QString::fromStdString(fields[i]).size() > layout.fields[i].width)
            return QStringLiteral("field %1 is longer than its %2 characters")
                .arg(QString::fromStdString(layout.fields[i].name))
                .arg(layout.fields[i].width);
    }
    const vbis::Status status = store.insert(call, fields);
    return status == VMX_OK ? QString() : StatusMessage(status);
}

ImportOutcome ImportCsv(vbis::IsamStore& store, const QString& text)
{
    ImportOutcome outcome;
    const QHash<QString, int> destinations = Destinations(store.layout());
    CsvReader reader(text);
    int line = 0;
    const std::optional<QStringList> header = reader.next(line);
    if (!header) {
        outcome.error = QStringLiteral("no header row");
        return outcome;
    }
    QList<int> columns;
    for (const QString& name : *header) {
        const auto found = destinations.find(name.trimmed().toUpper());
        if (found == destinations.end()) {
            outcome.error = QStringLiteral("line 1: no field is called \"%1\"").arg(name);
            return outcome;
        }
        columns << *found;
    }
    if (!columns.contains(store.layout().keyIsField1() ? 0 : -1)) {
        outcome.error = QStringLiteral("line 1: there is no CALL column");
        return outcome;
    }
    while (const std::optional<QStringList> row = reader.next(line)) {
        if (row->size() != columns.size()) {
            outcome.error = QStringLiteral("line %1: %2 columns where the header has %3")
                                .arg(line).arg(row->size()).arg(columns.size());
            return outcome;
        }
        QList<QPair<int, QString>> values;
        for (qsizetype i = 0; i < columns.size(); ++i)
            values.append({columns[i], row->at(i)});
        const QString problem = Put(store, values);
        if (!problem.isEmpty()) {
            outcome.error = QStringLiteral("line %1: %2").arg(line).arg(problem);
            return outcome;
        }
        ++outcome.records;
    }
    if (reader.failed())
        outcome.error = QStringLiteral("a quoted field is never closed");
    return outcome;
}

ImportOutcome ImportAdif(vbis::IsamStore& store, const QString& text)
{
    ImportOutcome outcome;
    const QHash<QString, int> destinations = Destinations(store.layout());
    QSet<QString> ignored;
    AdifReader reader(text);
    while (const std::optional<AdifRecord> record = reader.next()) {
        QList<QPair<int, QString>> values;
        for (const auto& [tag, value] : *record) {
            const auto found = destinations.find(tag);
            if (found == destinations.end())
                ignored.insert(tag);
            else
                values.append({*found, value});
        }
        const QString problem = Put(store, values);
        if (!problem.isEmpty()) {
            outcome.error = QStringLiteral("record %1: %2").arg(outcome.records + 1).arg(problem);
            return outcome;
        }
        ++outcome.records;
    }
    if (!reader.error().isEmpty()) {
        outcome.error = QStringLiteral("record %1: %2").arg(outcome.records + 1).arg(reader.error());
        return outcome;
    }
    outcome.ignoredTags = QStringList(ignored.begin(), ignored.end());
    outcome.ignoredTags.sort();
    return outcome;
}

} // namespace

std::optional<Format> FormatOf(const QString& fileName)
{
    const QString lower = fileName.toLower();
    if (lower.endsWith(QStringLiteral(".csv")))
        return Format::Csv;
    if (lower.endsWith(QStringLiteral(".adi")) || lower.endsWith(QStringLiteral(".adif")))
        return Format::Adif;
    return std::nullopt;
}

QString DecodeInput(const QByteArray& bytes)
{
    return tavrik::IsValidUtf8(bytes) ? QString::fromUtf8(bytes) : tavrik::FromWindows1252(bytes);
}

ImportOutcome Import(vbis::IsamStore& store, const QString& text, Format format)
{
    if (const vbis::Status status = store.beginBatch(); status != VMX_OK)
        return {0, StatusMessage(status), {}};
    ImportOutcome outcome = format == Format::Csv ? ImportCsv(store, text) : ImportAdif(store, text);
    if (outcome.error.isEmpty()) {
        if (const vbis::Status status = store.commitBatch(); status != VMX_OK)
            outcome.error = StatusMessage(status);
    }
    if (!outcome.error.isEmpty()) {
        store.rollbackBatch();
        outcome.records = 0;
    }
    return outcome;
}

DumpOutcome Dump(vbis::IsamStore& store, Format format, const QString& sourceName)
{
    DumpOutcome outcome;
    const vbis::Layout& layout = store.layout();
    const bool notes = layout.kind == vbis::FileKind::Notes;
    QStringList names;
    if (notes)
        names << QStringLiteral("CALL") << QStringLiteral("NOTES");
    else
        for (const vbis::FieldSpec& field : layout.fields)
            names << QString::fromStdString(field.name);

    QString text = format == Format::Csv
        ? CsvRow(names)
        : QStringLiteral("isd dump of %1\r\n%2%3<EOH>\r\n")
              .arg(sourceName, AdifField(QStringLiteral("ADIF_VER"), QStringLiteral("3.1.4")),
                   AdifField(QStringLiteral("PROGRAMID"), QStringLiteral("isd")));
    store.rewind();
    vbis::StoredRecord record;
    while ((outcome.status = store.next(record)) == VMX_OK) {
        QStringList values;
        if (notes)
            values << QString::fromStdString(record.call);
        for (const std::string& field : record.fields)
            values << QString::fromStdString(field);
        if (format == Format::Csv) {
            text += CsvRow(values);
        } else {
            for (qsizetype i = 0; i < values.size(); ++i) {
                if (!values[i].isEmpty())
                    text += AdifField(names[i], values[i]);
            }
            text += QStringLiteral("<EOR>\r\n");
        }
        ++outcome.records;
    }
    if (outcome.status == VMX_END_OF_FILE)
        outcome.status = VMX_OK;
    outcome.bytes = format == Format::Csv ? text.toUtf8() : tavrik::ToWindows1252(text);
    return outcome;
}

} // namespace isd
