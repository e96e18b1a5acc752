#pragma once

#include "discseek/request_table.h"

#include <QByteArray>
#include <QString>

namespace discseek {

class CdDrives;
class LibraryFolder;

// Where a lookup's end goes: the answer file, or the error box. Both end the program.
class LookupOutcome {
public:
    virtual ~LookupOutcome() = default;
    virtual void writeLookupAnswer(const QByteArray& answer) = 0;
    virtual void reportLookupError(const QString& message) = 0;
};

// One lookup on one callbook CD through its library. A lookup either hands an answer or an
// error to the outcome, or (for some HamCall statuses) returns having done neither.
class CallbookLookups {
public:
    CallbookLookups(LibraryFolder& libraries, const CdDrives& drives, LookupOutcome& outcome)
        : libraries_(libraries), drives_(drives), outcome_(outcome)
    {
    }

    void lookup(Callbook callbook, const QByteArray& cdDrive, const QByteArray& callsign);
    void lookupQrz(const QByteArray& cdDrive, const QByteArray& callsign);
    void lookupHamCall(const QByteArray& cdDrive, const QByteArray& callsign);
    void lookupRac(const QByteArray& cdDrive, const QByteArray& callsign);

private:
    // The drive's folder followed by `rest`, as a path for the library; empty for a drive
    // that is not mapped, which the libraries take as a drive without a CD.
    QByteArray cdPath(const QByteArray& cdDrive, const char* rest) const;

    LibraryFolder& libraries_;
    const CdDrives& drives_;
    LookupOutcome& outcome_;
};

} // namespace discseek
