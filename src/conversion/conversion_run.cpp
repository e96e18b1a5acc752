#include "conversion/conversion_run.h"

#include "platform/windows1252.h"
#include "conversion/adif_bytes.h"
#include "conversion/adif_record_reader.h"
#include "conversion/converted_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace tavrik::conversion {

namespace {

const DialogTitle kNotVorbelTitle(QStringLiteral("Not Vorbel generated ADIF"));

// Old exports hold Windows-1252 names; newer files may be UTF-8.
QString Readable(const QByteArray& bytes)
{
    return IsValidUtf8(bytes) ? QString::fromUtf8(bytes) : FromWindows1252(bytes);
}

// The number and description an open failure is reported with.
QString OpenErrorText(const QString& name)
{
    const QFileInfo info(name);
    if (!info.exists())
        return QStringLiteral("Error # 53 File not found");
    if (!info.isDir() && !info.isReadable())
        return QStringLiteral("Error # 70 Permission denied");
    return QStringLiteral("Error # 75 Path/File access error");
}

} // namespace

ConversionRun::ConversionRun(ConversionDialogs& dialogs, RunView& view, Clock& clock,
                             QString programFolder, QString programTitle)
    : dialogs_(dialogs), view_(view), clock_(clock), programFolder_(std::move(programFolder)),
      programTitle_(std::move(programTitle))
{
}

QString ConversionRun::SummaryText(int recordCount, const QString& outputName)
{
    return QLatin1Char(' ') + QString::number(recordCount)
        + QStringLiteral(" ADIF records processed.  Converted ADIF file is called ") + outputName;
}

void ConversionRun::start()
{
    abortRequested_ = false;
    const QString name = chooseInputFile();
    if (name.isEmpty())
        return;
    QFile input(name);
    if (!input.open(QIODevice::ReadOnly)) {
        dialogs_.showMessage(DialogTitle(programTitle_), OpenErrorText(name), MessageIcon::None);
        return;
    }
    convertFile(input);
}

QString ConversionRun::chooseInputFile()
{
    static const QString kExtension = QStringLiteral(".ADI");
    QString name = dialogs_.chooseFile(kExtension + QStringLiteral(" Files (*") + kExtension
                                       + QLatin1Char(')'));
    if (name.contains(QStringLiteral("BAD.ADI"), Qt::CaseInsensitive)) {
        dialogs_.showMessage(
            DialogTitle(QStringLiteral("Can't import this file ...")),
            QStringLiteral("You can read directly from the BAD.ADI file.  If you want to import "
                           "records from this file, you must rename it, and fix the bad records."),
            MessageIcon::None);
        return {};
    }
    if (name.isEmpty())
        return {};
    if (name.right(4).toUpper() != kExtension)
        name += kExtension;
    return name;
}

void ConversionRun::convertFile(QFile& input)
{
    recordCount_ = 0;
    abortRequested_ = false;
    latestCall_.clear();
    AdifRecordReader reader(input);
    ConvertedFile output(programFolder_, QFileInfo(input.fileName()).absolutePath());
    const qint64 total = input.size();

    bytesTotal_ = total;
    std::int64_t lastEvents = clock_.counter();
    while (!abortRequested_) {
        const AdifRecordReader::Step step = reader.readLine();
        bytesDone_ = reader.bytesRead();
        if (step == AdifRecordReader::Step::End)
            break;
        if (step == AdifRecordReader::Step::HeaderNotFound) {
            dialogs_.showMessage(
                DialogTitle(QStringLiteral("Invalid file format")),
                QStringLiteral("I have read 5000 characters of the file, and I haven't found the "
                               "<EOH> end of header marker, so I give up"),
                MessageIcon::Exclamation);
        } else if (step == AdifRecordReader::Step::Record && !convertRecord(reader.takeRecord(), output)) {
            break;
        }
        if (ElapsedMs(lastEvents, clock_.counter(), clock_.frequency()) >= kEventIntervalMs) {
            showLatest(reader.bytesRead(), total);
            view_.processEvents();
            lastEvents = clock_.counter();
        }
    }

    input.close();
    output.close();
    showLatest(reader.bytesRead(), total);
    if (recordCount_ > 0) {
        const QString outputName = output.inProgramFolder()
            ? QString::fromLatin1(ConvertedFile::kFileName)
            : QDir::toNativeSeparators(output.path());
        dialogs_.showMessage(DialogTitle(QStringLiteral("All done")),
                             SummaryText(recordCount_, outputName), MessageIcon::None);
    } else {
        dialogs_.showMessage(DialogTitle(QStringLiteral("Nothing to do")),
                             QStringLiteral("No valid ADIF records found"), MessageIcon::Exclamation);
    }
}

bool ConversionRun::convertRecord(QByteArray record, ConvertedFile& output)
{
    if (recordCount_ == 0)
        askOperatorCall();
    if (ContainsNoCase(record, "<OPERATOR:")) {
        dialogs_.showMessage(kNotVorbelTitle,
                             QStringLiteral("ERROR!  This ADIF files contains OPERATOR fields.  "
                                            "Vorbel does not export OPERATOR fields."),
                             MessageIcon::None);
        return false;
    }
    if (ContainsNoCase(record, "<COMMENT:")) {
        dialogs_.showMessage(kNotVorbelTitle,
                             QStringLiteral("ERROR!  This ADIF files contains COMMENT fields.  "
                                            "Vorbel does not export COMMENT fields."),
                             MessageIcon::None);
        return false;
    }

    const std::optional<ConvertedRecord> converted = this->converted(std::move(record));
    if (!converted)
        return false;
    QString error;
    if (!output.write(converted->record, error, [this] { return handleEventsInLongWork(); })) {
        // Abort came while a long record was written: it is cut off, the run ends quietly.
        if (error.isEmpty())
            return false;
        dialogs_.showMessage(DialogTitle(QStringLiteral("Error loading ADIF record.")),
                             error + QStringLiteral(" : loading record - ") + Readable(converted->record)
                                 + QLatin1Char('.'),
                             MessageIcon::None);
        return false;
    }
    ++recordCount_;
    latestCall_ = converted->call;
    return true;
}

std::optional<ConvertedRecord> ConversionRun::converted(QByteArray record)
{
    // Records of ordinary size are converted in a moment, here.
    constexpr qsizetype kLongRecord = 1 << 20;
    const ConversionOptions options{view_.secondWords(), operatorCall_};
    if (record.size() < kLongRecord)
        return RecordConverter::convert(std::move(record), options);
    // A field of a gigabyte takes seconds; Abort must not wait for it. The call owns the record
    // and its result, so one given up ends on its own.
    auto job = std::make_shared<std::pair<QByteArray, ConvertedRecord>>(std::move(record), ConvertedRecord{});
    const bool done = calls_.run(
        [job, options] { job->second = RecordConverter::convert(std::move(job->first), options); },
        [this] { return handleEventsInLongWork(); }, std::chrono::milliseconds(static_cast<int>(kEventIntervalMs)));
    if (!done)
        return std::nullopt;
    return std::move(job->second);
}

void ConversionRun::askOperatorCall()
{
    const QString answer = dialogs_.askText(
        DialogTitle(QStringLiteral("Operator Callsign")),
        QStringLiteral("Please enter the Callsign for the OPERATOR field.  If you don't know what "
                       "is needed, simply enter the Callsign of the operator whos Logbook is "
                       "being converted."));
    // Blanks around a typed callsign are never part of it.
    operatorCall_ = ToWindows1252(answer.trimmed().toUpper());
}

bool ConversionRun::handleEventsInLongWork()
{
    showLatest(bytesDone_, bytesTotal_);
    view_.processEvents();
    return !abortRequested_;
}

void ConversionRun::showLatest(qint64 bytesDone, qint64 bytesTotal)
{
    view_.showProgress(Readable(latestCall_), bytesDone, bytesTotal);
}

} // namespace tavrik::conversion
