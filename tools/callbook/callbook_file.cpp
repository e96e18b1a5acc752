#include "callbook_file.h"

#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace callbook {
namespace {

std::string_view LineAt(const char* data, std::size_t size, std::size_t start)
{
    const void* end = std::memchr(data + start, '\n', size - start);
    const std::size_t stop = end ? static_cast<std::size_t>(static_cast<const char*>(end) - data) : size;
    return {data + start, stop - start};
}

std::string_view CallOf(std::string_view line)
{
    return line.substr(0, line.find('\t'));
}

bool ParseNumber(std::string_view text, long& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

CallbookFile::~CallbookFile()
{
    close();
}

void CallbookFile::close()
{
    if (data_ && size_ > 0)
        munmap(const_cast<char*>(data_), size_);
    data_ = nullptr;
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
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
    size_ = static_cast<std::size_t>(info.st_size);
    if (size_ == 0)
        return OpenStatus::Damaged;
    void* mapped = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
    if (mapped == MAP_FAILED) {
        size_ = 0;
        return OpenStatus::Unreadable;
    }
    data_ = static_cast<const char*>(mapped);

    // "CALLBOOK <edition> <records>"
    const std::string_view header = LineAt(data_, size_, 0);
    constexpr std::string_view kMagic = "CALLBOOK ";
    if (header.size() == size_ || !header.starts_with(kMagic))
        return OpenStatus::Damaged;
    const std::string_view numbers = header.substr(kMagic.size());
    const std::size_t blank = numbers.find(' ');
    long edition = 0;
    long records = 0;
    if (blank == std::string_view::npos || !ParseNumber(numbers.substr(0, blank), edition)
        || !ParseNumber(numbers.substr(blank + 1), records))
        return OpenStatus::Damaged;
    if (edition != kEdition)
        return OpenStatus::WrongEdition;
    recordsStart_ = header.size() + 1;

    // A file cut short (a bad copy, a scratched disc) has fewer lines than its header says.
    long lines = 0;
    for (const char* at = data_ + recordsStart_; at < data_ + size_; ++lines) {
        const void* end = std::memchr(at, '\n', static_cast<std::size_t>(data_ + size_ - at));
        if (!end)
            return OpenStatus::Damaged;
        at = static_cast<const char*>(end) + 1;
    }
    return lines == records ? OpenStatus::Ready : OpenStatus::Damaged;
}

FindStatus CallbookFile::find(std::string_view callsign, Record& record) const
{
    if (!data_ || callsign.empty())
        return FindStatus::NotFound;
    // Binary search over byte offsets: each probe backs up to the start of its line.
    std::size_t low = recordsStart_;
    std::size_t high = size_;
    while (low < high) {
        std::size_t middle = low + (high - low) / 2;
        while (middle > low && data_[middle - 1] != '\n')
            --middle;
        const std::string_view line = LineAt(data_, size_, middle);
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
