// Stand-in for the HamCall CD library: answers from HAMCALL.DAT in the database folder, in
// fixed columns (callsign 12, name 40, e-mail 60, then the address), with no NUL: the caller's
// blanks stay after the answer.
#include "callbook_file.h"
#include "discseek/callbook_calls.h"
#include "export.h"

#include <algorithm>
#include <cstring>

namespace {

enum Status : std::int16_t {
    kNotFound = -1,
    kNoDatabase = -2,
    kIndexError = -3,
    kNoMemory = -4, // the answer does not fit the caller's buffer
    kBusy = -5,     // another program holds the database
    kNoCallsign = 0,
};

void AppendColumn(std::string& line, std::string_view text, std::size_t width)
{
    line.append(text.substr(0, width));
    line.append(width - std::min(width, text.size()), ' ');
}

} // namespace

// Above 0: the answer's length. Otherwise one of the statuses above.
CALLBOOK_EXPORT std::int16_t LookupCallSign(const char* databasePath, const char* callsign,
                                            std::int32_t answerSize, char* answer)
{
    const std::string call = callbook::NormalizedCall(callsign);
    if (call.empty() || !answer || answerSize <= 0)
        return kNoCallsign;
    callbook::CallbookFile book;
    switch (book.open(databasePath ? databasePath : "", "HAMCALL.DAT", callbook::LockMode::Shared)) {
    case callbook::OpenStatus::Ready:
        break;
    case callbook::OpenStatus::FolderMissing:
    case callbook::OpenStatus::FileMissing:
        return kNoDatabase;
    case callbook::OpenStatus::InUse:
        return kBusy;
    default:
        return kIndexError;
    }
    callbook::Record record;
    switch (book.find(call, record)) {
    case callbook::FindStatus::NotFound:
        return kNotFound;
    case callbook::FindStatus::Undecodable:
    case callbook::FindStatus::Unreadable:
        return kIndexError;
    case callbook::FindStatus::Found:
        break;
    }
    std::string line;
    AppendColumn(line, record.call, 12);
    AppendColumn(line, record.name, 40);
    AppendColumn(line, record.email, 60);
    line.append(record.address);
    if (line.size() > static_cast<std::size_t>(answerSize) || line.size() > 32767)
        return kNoMemory;
    std::memcpy(answer, line.data(), line.size());
    return static_cast<std::int16_t>(line.size());
}
