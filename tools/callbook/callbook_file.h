#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// One callbook data file on a "CD", as the stand-in libraries read it: a header line
// "CALLBOOK <edition> <records> <bytes>", then one record a line, "CALL<TAB>NAME<TAB>ADDRESS<TAB>EMAIL",
// sorted by callsign byte by byte. docs/callbook-libraries.md describes the layout.
namespace callbook {

inline constexpr int kEdition = 1;

enum class OpenStatus {
    Ready,
    FolderMissing, // the folder is not there: no CD in the drive
    FileMissing,
    InUse,         // another program holds the file
    Unreadable,    // the file cannot be read (a folder in its place, no descriptors left...)
    WrongEdition,
    Damaged,       // no valid header, or a record count that does not match
};

enum class LockMode { Shared, Exclusive };

struct Record {
    std::string_view call, name, address, email;
};

enum class FindStatus { Found, NotFound, Undecodable, Unreadable };

class CallbookFile {
public:
    CallbookFile() = default;
    ~CallbookFile();
    CallbookFile(const CallbookFile&) = delete;
    CallbookFile& operator=(const CallbookFile&) = delete;

    // `folder` must be an absolute path; the lock is held, without waiting, until destruction.
    OpenStatus open(std::string_view folder, std::string_view fileName, LockMode lock);
    // The record's texts stay valid until the next find.
    FindStatus find(std::string_view callsign, Record& record) const;

private:
    void close();
    // Moves `at` back to the start of its line, not before `low`; false on a read error.
    bool lineStart(std::size_t low, std::size_t& at) const;
    bool readLine(std::size_t at, std::string& line) const;

    int fd_ = -1;
    std::size_t size_ = 0;
    mutable std::string line_;
    std::size_t recordsStart_ = 0;
};

// Upper-cases the letters a-z, the way the libraries compare callsigns.
std::string NormalizedCall(const char* callsign);
// A callsign holds only A-Z, 0-9 and '/'.
bool IsCallsignText(std::string_view callsign);
// The folder followed by the name, with exactly one '/' between them.
std::string JoinPath(std::string_view folder, std::string_view name);

} // namespace callbook
