// Preloaded into a keyer under test: records, on CLOCK_MONOTONIC, every change of DTR that
// the program asks of the terminal named by $TAVRIK_RECORDED_LINE, the moment it asks.
// A pseudo-terminal has no modem lines, so for that terminal the calls are answered here
// (success, and the lines as last set) rather than by the kernel.
// For a keyer in another process: each stamp is also written, as 8 bytes, to the file named
// by $TAVRIK_RECORDED_EDGES; and a program that only opens devices by its own names opens
// the recorded line when it asks for $TAVRIK_RECORDED_ALIAS.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>
#include <cstring>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <ctime>

#define MAX_EDGES 200000

namespace {

int64_t edges[MAX_EDGES];
int edgeCount;
int lines;

int IsRecordedLine(int fd)
{
    static int known = 0;
    static dev_t device;
    struct stat info;
    if (!known) {
        const char* path = getenv("TAVRIK_RECORDED_LINE");
        if (path == nullptr || stat(path, &info) != 0)
            return 0;
        device = info.st_rdev;
        known = 1;
    }
    return fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) && info.st_rdev == device;
}

void WriteOut(int64_t stamp)
{
    static int out = -2;
    if (out == -2) {
        const char* path = getenv("TAVRIK_RECORDED_EDGES");
        out = path != nullptr ? ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600) : -1;
    }
    if (out >= 0 && ::write(out, &stamp, sizeof stamp) != static_cast<ssize_t>(sizeof stamp))
        out = -1;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int open(const char* path, int flags, ...)
{
    using Open = int (*)(const char*, int, ...);
    static Open real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "open"));
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(ap, int)) : 0;
    va_end(ap);
    const char* alias = getenv("TAVRIK_RECORDED_ALIAS");
    const char* line = getenv("TAVRIK_RECORDED_LINE");
    if (alias != nullptr && line != nullptr && path != nullptr && std::strcmp(path, alias) == 0)
        path = line;
    return real(path, flags, mode);
}

extern "C" __attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) noexcept
{
    using Ioctl = int (*)(int, unsigned long, ...);
    static Ioctl real = nullptr;
    va_list ap;
    va_start(ap, request);
    void* argument = va_arg(ap, void*); // NOLINT: the request decides the type
    va_end(ap);
    if (request == TIOCMBIS || request == TIOCMBIC || request == TIOCMSET || request == TIOCMGET) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (IsRecordedLine(fd)) {
            int* bits = static_cast<int*>(argument);
            const int before = lines;
            if (request == TIOCMGET) {
                *bits = lines;
                return 0;
            }
            lines = request == TIOCMBIS ? (lines | *bits) : request == TIOCMBIC ? (lines & ~*bits) : *bits;
            if (((before ^ lines) & TIOCM_DTR) != 0 && edgeCount < MAX_EDGES) {
                edges[edgeCount] = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
                WriteOut(edges[edgeCount++]);
            }
            return 0;
        }
    }
    if (real == nullptr)
        real = reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, "ioctl"));
    return real(fd, request, argument);
}

// The DTR changes so far, oldest first.
extern "C" __attribute__((visibility("default"))) int tavrik_recorded_dtr_edges(const int64_t** out)
{
    *out = edges;
    return edgeCount;
}
