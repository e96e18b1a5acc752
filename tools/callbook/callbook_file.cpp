#include "callbook_file.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace callbook {
namespace {

// Lines are short; a probe reads this much at a time around its offset.
constexpr std::size_t kBlock = 512;
// The header is one short line; anything longer is no header.
constexpr std::size_t kHeaderLimit = 256;

std::string_view CallOf(std::string_view line)
{
    return line.substr(0, line.find('\t'));
}

bool ParseNumber(std::string_view text, long long& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// Reads up to `count` bytes at `offset`; the bytes read, or -1 on a read error.
ssize_t ReadAt(int fd, char* out, std::size_t count, std::size_t offset)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

} // namespace

CallbookFile::~CallbookFile()
{
    close();
}

void CallbookFile::close()
{
    size_ = 0;
    if (fd_ >= 0)
        ::close(fd_); // also drops the lock
    fd_ = -1;
}

OpenStatus CallbookFile::open(std::string_view folder, std::string_view fileName, LockMode lock)
{
    close();
    // A relative path would be looked for in whatever folder the caller happens to run in.
    if (folder.empty() || folder.front() != '/')
        return OpenStatus::FolderMissing;
    struct stat info {};
    if (stat(std::string(folder).c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return OpenStatus::FolderMissing;

    const std::string path = JoinPath(folder, fileName);
    // Never waits on open: a FIFO or device in the file's place is no callbook file.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        if (errno == ENOENT)
            return OpenStatus::FileMissing;
        return errno == EACCES || errno == EPERM ? OpenStatus::InUse : OpenStatus::Unreadable;
    }
    if (flock(fd_, (lock == LockMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        close();
        return OpenStatus::InUse;
    }
    if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        close();
        return OpenStatus::Unreadable;
    }
    const int flags = fcntl(fd_, F_GETFL);
    if (flags >= 0)
        fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    size_ = static_cast<std::size_t>(info.st_size);
    if (size_ == 0)
        return OpenStatus::Damaged;

    // "CALLBOOK <edition> <records> [<bytes>]"
    char head[kHeaderLimit];
    const ssize_t got = ReadAt(fd_, head, std::min(size_, kHeaderLimit), 0);
    if (got < 0)
        return OpenStatus::Unreadable;
    const std::string_view start(head, static_cast<std::size_t>(got));
    const std::size_t newline = start.find('\n');
    constexpr std::string_view kMagic = "CALLBOOK ";
    if (newline == std::string_view::npos || newline + 1 >= size_ || !start.starts_with(kMagic))
        return OpenStatus::Damaged;
    std::string_view numbers = start.substr(kMagic.size(), newline - kMagic.size());
    long long values[3] = {0, 0, -1};
    int count = 0;
    while (!numbers.empty() && count < 3) {
        const std::size_t blank = numbers.find(' ');
        if (!ParseNumber(numbers.substr(0, blank), values[count++]))
            return OpenStatus::Damaged;
        numbers = blank == std::string_view::npos ? std::string_view() : numbers.substr(blank + 1);
    }
    if (count < 2 || !numbers.empty() || values[1] < 0)
        return OpenStatus::Damaged;
    if (values[0] != kEdition)
        return OpenStatus::WrongEdition;
    recordsStart_ = newline + 1;

    // A file cut short (a bad copy, a scratched disc) ends inside a record, or is shorter than
    // its header says: both show at its ends, without reading what lies between.
    char last = 0;
    if (ReadAt(fd_, &last, 1, size_ - 1) != 1)
        return OpenStatus::Unreadable;
    if (last != '\n' || (values[2] >= 0 && static_cast<unsigned long long>(values[2]) != size_))
        return OpenStatus::Damaged;
    return OpenStatus::Ready;
}

bool CallbookFile::lineStart(std::size_t low, std::size_t& at) const
{
    char block[kBlock];
    while (at > low) {
        const std::size_t from = at - std::min(kBlock, at - low);
        const std::size_t length = at - from;
        if (ReadAt(fd_, block, length, from) != static_cast<ssize_t>(length))
            return false;
        for (std::size_t i = length; i > 0; --i) {
            if (block[i - 1] == '\n') {
                at = from + i;
                return true;
            }
        }
        at = from;
    }
    return true;
}

bool CallbookFile::readLine(std::size_t at, std::string& line) const
{
    line.clear();
    char block[kBlock];
    while (at < size_) {
        const ssize_t got = ReadAt(fd_, block, std::min(kBlock, size_ - at), at);
        if (got <= 0)
            return false;
        const std::string_view read(block, static_cast<std::size_t>(got));
        const std::size_t newline = read.find('\n');
        line.append(read.substr(0, newline));
        if (newline != std::string_view::npos)
            return true;
        at += static_cast<std::size_t>(got);
    }
    return true;
}

FindStatus CallbookFile::find(std::string_view callsign, Record& record) const
{
    if (fd_ < 0 || callsign.empty())
        return FindStatus::NotFound;
    // Binary search over byte offsets: each probe backs up to the start of its line, so a
    // lookup reads a few blocks per halving, however large the file.
    std::size_t low = recordsStart_;
    std::size_t high = size_;
    while (low < high) {
        std::size_t middle = low + (high - low) / 2;
        if (!lineStart(low, middle) || !readLine(middle, line_))
            return FindStatus::Unreadable;
        const std::string_view line = line_;
        const std::string_view call = CallOf(line);
        if (call == callsign) {
            std::string_view fields[4];
            std::string_view rest = line;
            for (int i = 0; i < 4; ++i) {
                const std::size_t tab = rest.find('\t');
                if ((tab == std::string_view::npos) != (i == 3))
                    return FindStatus::Undecodable;
                fields[i] = rest.substr(0, tab);
                rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
            }
            record = {fields[0], fields[1], fields[2], fields[3]};
            return FindStatus::Found;
        }
        if (call < callsign)
            low = middle + line.size() + 1;
        else
            high = middle;
    }
    return FindStatus::NotFound;
}

std::string NormalizedCall(const char* callsign)
{
    std::string call = callsign ? callsign : "";
    for (char& c : call) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return call;
}

bool IsCallsignText(std::string_view callsign)
{
    for (const char c : callsign) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/'))
            return false;
    }
    return true;
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (path != "/")
        path += '/';
    return path + std::string(name);
}

} // namespace callbook
