#pragma once

#include "notecart/isam_library.h"
#include "notecart/notecart_dialogs.h"
#include "platform/background_call.h"
#include "platform/clock.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace tavrik::notecart {

// What a transfer needs from its window: the operator filter, the log, progress, and a chance
// for the window to handle its events (closing among them).
class TransferView {
public:
    virtual ~TransferView() = default;
    virtual bool operatorFilterOn() const = 0;
    virtual QString operatorCall() const = 0;
    virtual void startLog(const QString& text) = 0;
    virtual void appendLog(const QString& text) = 0;
    virtual void showProgress(int notesRead, const QString& call) = 0;
    virtual void processEvents() = 0;
};

// Copies every note of a Vorbel notes file into the matching records of a Vorbel32 logbook.
// One instance lives as long as the window and serves every run.
class NotesTransfer {
public:
    static constexpr const char* kAccessKey = "KQ74PLMNA21F9BB307";
    // Events are handled at most this often: enough for the window to answer at once, rare
    // enough that they cost little beside the transfer.
    static constexpr double kEventIntervalMs = 25.0;
    // Notes in a row that find the logbook in use before the run gives up: another program
    // holds it for good, and every further note would wait in vain.
    static constexpr int kMostNotesInUse = 3;

    NotesTransfer(IsamLibrary& library, NotecartDialogs& dialogs, TransferView& view, Clock& clock);

    // Start: the transfer from the notes file at `notesPath` into the logbook at `logbookPath`,
    // both paths without their ".ISD".
    void start(const QString& notesPath, const QString& logbookPath);
    // The transfer stops before its next note.
    void requestStop() { stopRequested_ = true; }
    bool running() const { return running_; }
    // Closes both files; harmless when they are not open.
    void closeFiles();

private:
    bool openFiles(const QString& notesPath, const QString& logbookPath);
    bool readNote();
    void transferNote();
    // The next logbook record of the note's callsign; false when there is none (more).
    bool readContact();
    void writeNote();
    void logReadFailure(const QString& notFound);
    void keepWindowAlive();
    // Makes one library call on the call thread; the window handles its events while it waits.
    std::int16_t waitFor(const std::function<std::int16_t()>& call);

    IsamLibrary& library_;
    NotecartDialogs& dialogs_;
    TransferView& view_;
    Clock& clock_;

    std::int32_t notesHandle_ = 0;
    std::int32_t logbookHandle_ = 0;
    std::int16_t dbStatus_ = 0;
    QByteArray noteCall_;
    QByteArray noteText_;
    QByteArray logbookKey_;
    QByteArray contactRecord_;
    QByteArray recordNumber_;
    BackgroundCall calls_;
    std::int64_t lastEvents_ = 0;
    int notesInUse_ = 0; // in a row
    bool noteInUse_ = false;
    bool noteFaithful_ = true;
    bool stopRequested_ = false;
    bool running_ = false;
};

} // namespace tavrik::notecart
