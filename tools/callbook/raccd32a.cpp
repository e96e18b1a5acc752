// Stand-in for the RAC CD library: answers from RACCD.DAT in the CD root as
// "CALL;NAME;ADDRESS;EMAIL" and a NUL. The status values follow the system's error numbers.
#include "callbook_file.h"
#include "discseek/callbook_calls.h"
#include "export.h"

#include <algorithm>
#include <cstring>

namespace {

enum Status : std::int16_t {
    kFound = 0,
    kBadCallsign = 1,    // characters no callsign has
    kFileNotFound = 2,
    kPathNotFound = 3,   // no CD in the drive
    kCannotRead = 4,
    kAccessDenied = 5,   // another program holds the file
    kNoCallsign = -2,
    kWrongEdition = -3,  // the library is from another edition of the CD
    kDecodeError = -4,
    kInternalError = -5, // the file's index does not match its records
    kNotFound = 1101,
};

std::int16_t Lookup(const char* cdRoot, const char* callsign, char* answer)
{
    const std::string call = callbook::NormalizedCall(callsign);
    if (call.empty())
        return kNoCallsign;
    if (!callbook::IsCallsignText(call))
        return kBadCallsign;
    callbook::CallbookFile book;
    switch (book.open(cdRoot ? cdRoot : "", "RACCD.DAT", callbook::LockMode::Shared)) {
    case callbook::OpenStatus::Ready:
        break;
    case callbook::OpenStatus::FolderMissing:
        return kPathNotFound;
    case callbook::OpenStatus::FileMissing:
        return kFileNotFound;
    case callbook::OpenStatus::InUse:
        return kAccessDenied;
    case callbook::OpenStatus::Unreadable:
        return kCannotRead;
    case callbook::OpenStatus::WrongEdition:
        return kWrongEdition;
    case callbook::OpenStatus::Damaged:
        return kInternalError;
    }
    callbook::Record record;
    switch (book.find(call, record)) {
    case callbook::FindStatus::NotFound:
        return kNotFound;
    case callbook::FindStatus::Undecodable:
        return kDecodeError;
    case callbook::FindStatus::Unreadable:
        return kCannotRead;
    case callbook::FindStatus::Found:
        break;
    }
    std::string line(record.call);
    line.append(";").append(record.name).append(";").append(record.address).append(";").append(record.email);
    const std::size_t count = std::min<std::size_t>(line.size(), kRacAnswerSize - 1);
    std::memcpy(answer, line.data(), count);
    answer[count] = '\0';
    return kFound;
}

} // namespace

CALLBOOK_EXPORT void sGetCallInfo(const char* cdRoot, const char* callsign, char* answer, std::int16_t* status)
{
    if (!answer || !status)
        return;
    *status = Lookup(cdRoot, callsign, answer);
}
