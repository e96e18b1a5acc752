#include "notecart/notes_transfer.h"

#include "notecart/vmx.h"
#include "platform/windows1252.h"

#include <QDir>
#include <QList>

namespace tavrik::notecart {
namespace {

constexpr std::int16_t kNotesKey = VMX_KEY_CALL;
constexpr std::int16_t kLogbookCallKey = VMX_KEY_CALL_DUPLICATES;
constexpr qsizetype kNotesField = 21;
constexpr qsizetype kOperatorField = 22;

const QString kBlankNote = QStringLiteral("The Notes record is blank, so I ignored it.");
const QString kNotFound = QStringLiteral(" Not found in this Logbook.");
const QString kNotFoundForOperator = QStringLiteral(" Not found for this Opreator.");
const QString kTransferred = QStringLiteral(" Note transferred OK.");
const QString kUpdateError = QStringLiteral(" Error updateing Logbook.");
// The library carries notes in Windows-1252: such a note would arrive with '?' in it.
const QString kNotFaithful = QStringLiteral(" Note holds characters outside Windows-1252; not transferred.");
constexpr std::chrono::milliseconds kWaitInterval{25};

bool IsBlank(const QByteArray& text)
{
    return text.trimmed().isEmpty();
}

// The two files name one file when their paths do; letter case does not tell files apart.
bool SamePath(const QString& a, const QString& b)
{
    return QDir::cleanPath(a).compare(QDir::cleanPath(b), Qt::CaseInsensitive) == 0;
}

} // namespace

NotesTransfer::NotesTransfer(IsamLibrary& library, NotecartDialogs& dialogs, TransferView& view,
                             Clock& clock)
    : library_(library), dialogs_(dialogs), view_(view), clock_(clock)
{
}

void NotesTransfer::closeFiles()
{
    library_.close(notesHandle_);
    library_.close(logbookHandle_);
}

bool NotesTransfer::openFiles(const QString& notesPath, const QString& logbookPath)
{
    // Opened as its own logbook, the notes file would get records it cannot hold.
    if (SamePath(notesPath, logbookPath)) {
        dialogs_.showMessage(DialogTitle(QStringLiteral("Same file")),
                             QStringLiteral("The Vorbel32 Logbook is the Vorbel Notes file itself :")
                                 + logbookPath
                                 + QStringLiteral(".\nChoose the Logbook the notes are to go into."),
                             MessageIcon::None);
        return false;
    }
    // Only read: a notes file on a read-only medium opens as well as any other.
    dbStatus_ = library_.open(ToWindows1252(notesPath), notesHandle_, kAccessKey, IsamLibrary::Access::ReadOnly);
    if (dbStatus_ != VMX_OK) {
        dialogs_.showMessage(DialogTitle(QStringLiteral("db Open Error : ") + library_.returnCode(dbStatus_)),
                             QStringLiteral("Error opening Vorbel Note file :") + notesPath + u'.', MessageIcon::None);
        return false;
    }
    dbStatus_ = library_.open(ToWindows1252(logbookPath), logbookHandle_, kAccessKey);
    if (dbStatus_ != VMX_OK) {
        dialogs_.showMessage(DialogTitle(QStringLiteral("db Open Error : ") + library_.returnCode(dbStatus_)),
                             QStringLiteral("Error opening Vorbel32 Logbook :") + logbookPath + u'.', MessageIcon::None);
        library_.close(notesHandle_);
        return false;
    }
    return true;
}

void NotesTransfer::start(const QString& notesPath, const QString& logbookPath)
{
    stopRequested_ = false;
    running_ = true;
    closeFiles();
    if (openFiles(notesPath, logbookPath)) {
        view_.startLog(QStringLiteral("Starting Notes transfer :"));
        lastEvents_ = clock_.counter();
        library_.bof(notesHandle_, kNotesKey);
        int notesRead = 0;
        notesInUse_ = 0;
        while (!stopRequested_ && notesInUse_ < kMostNotesInUse && readNote()) {
            ++notesRead;
            noteInUse_ = false;
            view_.appendLog(u'\n' + FromWindows1252(noteCall_) + QStringLiteral(" : "));
            if (IsBlank(noteText_))
                view_.appendLog(kBlankNote);
            else if (!noteFaithful_)
                view_.appendLog(kNotFaithful);
            else
                transferNote();
            notesInUse_ = noteInUse_ ? notesInUse_ + 1 : 0;
            view_.showProgress(notesRead, FromWindows1252(noteCall_));
            keepWindowAlive();
        }
        if (stopRequested_)
            view_.appendLog(QStringLiteral("\nTransfer stopped."));
        else if (notesInUse_ >= kMostNotesInUse)
            view_.appendLog(QStringLiteral("\nThe Logbook was in use by another program for %1 notes in a row; the "
                                           "transfer stopped. Close the other program and start again.")
                                .arg(kMostNotesInUse));
        else if (dbStatus_ != VMX_END_OF_FILE)
            // A notes file that fails half-way must not look like one that was read to its end.
            view_.appendLog(u'\n' + library_.returnCode(dbStatus_)
                            + QStringLiteral(" Error reading Vorbel Notes file; the transfer ended here."));
    }
    closeFiles();
    running_ = false;
}

bool NotesTransfer::readNote()
{
    dbStatus_ = waitFor([this] {
        return library_.get(notesHandle_, kNotesKey, VMX_GET_NEXT, QByteArray(), recordNumber_, noteCall_,
                            noteText_);
    });
    // A note with characters the code page lacks is read with '?' in their place: it goes no
    // further, but the notes after it do.
    noteFaithful_ = dbStatus_ != VMX_NOT_IN_CODE_PAGE;
    return dbStatus_ == VMX_OK || dbStatus_ == VMX_NOT_IN_CODE_PAGE;
}

void NotesTransfer::transferNote()
{
    // Where the callsign's records begin; a callsign without any shows at the read below.
    waitFor([this] {
        return library_.get(logbookHandle_, kLogbookCallKey, VMX_GET_POSITION, noteCall_ + VMX_KEY_SEPARATOR,
                            recordNumber_, logbookKey_, contactRecord_);
    });
    if (!view_.operatorFilterOn()) {
        if (readContact())
            writeNote();
        else
            logReadFailure(kNotFound);
        return;
    }
    const QString wanted = view_.operatorCall().trimmed();
    while (readContact()) {
        const QList<QByteArray> fields = contactRecord_.split(VMX_FIELD_SEPARATOR);
        const QString recordOperator = fields.size() >= kOperatorField
            ? FromWindows1252(fields.at(kOperatorField - 1)).trimmed() : QString();
        if (recordOperator.compare(wanted, Qt::CaseInsensitive) == 0) {
            writeNote();
            return;
        }
        keepWindowAlive();
    }
    logReadFailure(kNotFoundForOperator);
}

void NotesTransfer::logReadFailure(const QString& notFound)
{
    // Only a callsign that has no (more) records is "not found"; a logbook that cannot be read
    // says so, or the operator would think the contact missing.
    if (dbStatus_ == VMX_KEY_NOT_FOUND)
        view_.appendLog(notFound);
    else
        view_.appendLog(u' ' + library_.returnCode(dbStatus_) + QStringLiteral(" Error reading Logbook."));
}

bool NotesTransfer::readContact()
{
    dbStatus_ = waitFor([this] {
        return library_.get(logbookHandle_, kLogbookCallKey, VMX_GET_NEXT_EQUAL, noteCall_, recordNumber_,
                            logbookKey_, contactRecord_);
    });
    noteInUse_ = noteInUse_ || dbStatus_ == VMX_IN_USE;
    // The library keeps the stored text of every field written back as it was read, so a
    // contact with such characters takes its note all the same.
    return dbStatus_ == VMX_OK || dbStatus_ == VMX_NOT_IN_CODE_PAGE;
}

void NotesTransfer::writeNote()
{
    QList<QByteArray> fields = contactRecord_.split(VMX_FIELD_SEPARATOR);
    if (fields.size() < kOperatorField) {
        view_.appendLog(QStringLiteral(" Not a Vorbel32 Logbook record, so I left it alone."));
        return;
    }
    fields[kNotesField - 1] = noteText_;
    const QByteArray record = fields.join(VMX_FIELD_SEPARATOR);
    dbStatus_ = waitFor([this, &record] { return library_.put(logbookHandle_, logbookKey_, record, VMX_PUT_UPDATE); });
    noteInUse_ = noteInUse_ || dbStatus_ == VMX_IN_USE;
    if (dbStatus_ == VMX_OK)
        view_.appendLog(kTransferred);
    else if (dbStatus_ == VMX_FIELD_TOO_LONG)
        // The library refuses a field it cannot hold whole: the note is not cut, it stays out.
        view_.appendLog(QStringLiteral(" Note of %1 characters is longer than this Logbook's notes "
                                       "field holds; not transferred.")
                            .arg(noteText_.size()));
    else
        view_.appendLog(library_.returnCode(dbStatus_) + kUpdateError);
}

std::int16_t NotesTransfer::waitFor(const std::function<std::int16_t()>& call)
{
    // A file another program holds makes a call wait up to the library's busy timeout; the
    // window stays with the operator meanwhile. The call uses this transfer's buffers, so the
    // wait is never given up.
    std::int16_t status = 0;
    calls_.run([&status, &call] { status = call(); },
               [this] {
                   view_.processEvents();
                   return true;
               },
               kWaitInterval);
    return status;
}

void NotesTransfer::keepWindowAlive()
{
    const std::int64_t now = clock_.counter();
    if (ElapsedMs(lastEvents_, now, clock_.frequency()) < kEventIntervalMs)
        return;
    lastEvents_ = now;
    view_.processEvents();
}

} // namespace tavrik::notecart
