// Preloaded into a keyer under test: records, on CLOCK_MONOTONIC, every change of DTR that
// the program asks of the terminal named by $TAVRIK_RECORDED_LINE, the moment it asks.
// A pseudo-terminal has no modem lines, so for that terminal the calls are answered here
// (success, and the lines as last set) rather than by the kernel.
#include <dlfcn.h>
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

} // namespace

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
            if (((before ^ lines) & TIOCM_DTR) != 0 && edgeCount < MAX_EDGES)
                edges[edgeCount++] = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
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
