#pragma once

#include "isam_store.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace isd {

enum class Format { Csv, Adif };

// What a file name's extension says it holds, or nothing for one isd does not know.
std::optional<Format> FormatOf(const QString& fileName);

struct ImportOutcome {
    int records = 0;
    QString error;   // empty on success; then every record is in, else none is
    QStringList ignoredTags;
};

// Adds the records of a CSV or ADIF text to an open file, all in one transaction.
ImportOutcome Import(vbis::IsamStore& store, const QString& text, Format format);

struct DumpOutcome {
    QByteArray bytes; // UTF-8 CSV, or Windows-1252 ADIF
    int records = 0;
    vbis::Status status = 0;
};

DumpOutcome Dump(vbis::IsamStore& store, Format format, const QString& sourceName);

// A text file's characters: UTF-8 when it is valid UTF-8, else Windows-1252.
QString DecodeInput(const QByteArray& bytes);

} // namespace isd
