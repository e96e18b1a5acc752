#pragma once

#include "conversion/conversion_dialogs.h"
#include "conversion/record_converter.h"
#include "platform/background_call.h"
#include "platform/clock.h"

#include <QByteArray>
#include <QString>

#include <optional>

class QFile;

namespace tavrik::conversion {

// What a run needs from its window: the choice of the check boxes, a place to show progress,
// and a chance for the window to handle its events (Abort among them).
class RunView {
public:
    virtual ~RunView() = default;
    virtual SecondWords secondWords() const = 0;
    virtual void showProgress(const QString& call, qint64 bytesDone, qint64 bytesTotal) = 0;
    virtual void processEvents() = 0;
};

// Chooses an input file, converts it record by record into CONVERTED.ADI and reports the
// outcome. One instance lives as long as the window and serves every run.
class ConversionRun {
public:
    // Events are handled at most this often: enough for Abort to answer at once, rare enough
    // that showing progress costs little beside the conversion.
    static constexpr double kEventIntervalMs = 25.0;

    ConversionRun(ConversionDialogs& dialogs, RunView& view, Clock& clock, QString programFolder,
                  QString programTitle);

    // Start: lets the user choose a file and, when it opens, converts it.
    void start();
    // Abort: the run stops before the next line is read.
    void requestAbort() { abortRequested_ = true; }

    int recordCount() const { return recordCount_; }
    const QByteArray& operatorCall() const { return operatorCall_; }

    static QString SummaryText(int recordCount, const QString& outputName);

private:
    QString chooseInputFile();
    void convertFile(QFile& input);
    bool convertRecord(QByteArray record, class ConvertedFile& output);
    // The record converted on the call thread while the window handles its events; empty when
    // Abort came first.
    std::optional<ConvertedRecord> converted(QByteArray record);
    void askOperatorCall();
    void showLatest(qint64 bytesDone, qint64 bytesTotal);
    // Progress and the window's events inside one long record; false once Abort was asked.
    bool handleEventsInLongWork();

    ConversionDialogs& dialogs_;
    RunView& view_;
    Clock& clock_;
    QString programFolder_;
    QString programTitle_;

    bool abortRequested_ = false;
    int recordCount_ = 0;
    QByteArray operatorCall_;
    QByteArray latestCall_;
    qint64 bytesDone_ = 0;
    qint64 bytesTotal_ = 0;
    BackgroundCall calls_;
};

} // namespace tavrik::conversion
