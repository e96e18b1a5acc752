// Stand-in for the QRZ CD library: answers from QRZ/CALLBOOK.DAT under the CD root. Between
// QRZInit and QRZExit the file is held exclusively, as the real library keeps the CD to itself.
#include "callbook_file.h"
#include "discseek/callbook_calls.h"
#include "export.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

std::unique_ptr<callbook::CallbookFile> openBook;

// Copies at most `limit` bytes, then a NUL when it fits; returns the bytes copied.
std::int32_t CopyOut(std::string_view text, char* out, std::size_t limit)
{
    const std::size_t count = std::min(text.size(), limit);
    std::memcpy(out, text.data(), count);
    if (count < limit)
        out[count] = '\0';
    return static_cast<std::int32_t>(count);
}

} // namespace

// -1: another program uses the CD; 0: no QRZ CD at that root; 1: ready.
CALLBOOK_EXPORT std::int32_t QRZInit(const char* cdRoot)
{
    if (openBook)
        return 1;
    auto book = std::make_unique<callbook::CallbookFile>();
    const std::string folder = callbook::JoinPath(cdRoot ? cdRoot : "", "QRZ");
    switch (book->open(cdRoot && *cdRoot ? folder : std::string(), "CALLBOOK.DAT", callbook::LockMode::Exclusive)) {
    case callbook::OpenStatus::Ready:
        openBook = std::move(book);
        return 1;
    case callbook::OpenStatus::InUse:
        return -1;
    default:
        return 0;
    }
}

// Mode 1 looks a callsign up; the answer "CALL|NAME|ADDRESS" fills up to 500 bytes.
CALLBOOK_EXPORT std::int32_t QRZSearch(std::int32_t mode, const char* callsign, const char*, const char*,
                                       char* answer, std::int32_t)
{
    callbook::Record record;
    if (!openBook || mode != 1 || !answer
        || openBook->find(callbook::NormalizedCall(callsign), record) != callbook::FindStatus::Found)
        return 0;
    std::string text(record.call);
    text.append("|").append(record.name).append("|").append(record.address);
    return CopyOut(text, answer, kQrzAnswerSize);
}

// The e-mail address, at most `limit` bytes and a NUL; 0 when the record has none.
CALLBOOK_EXPORT std::int32_t QRZGetEmail(const char* callsign, char* email, std::int32_t limit)
{
    callbook::Record record;
    if (!openBook || !email || limit <= 1
        || openBook->find(callbook::NormalizedCall(callsign), record) != callbook::FindStatus::Found)
        return 0;
    return CopyOut(record.email, email, static_cast<std::size_t>(limit) - 1);
}

CALLBOOK_EXPORT std::int32_t QRZExit()
{
    openBook.reset();
    return 0;
}
