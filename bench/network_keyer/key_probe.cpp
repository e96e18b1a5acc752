// Preloaded into cwdaemon for the benchmark: gives a pseudo-terminal the modem lines it lacks
// and stamps each rise of DTR (cwdaemon's key line) on CLOCK_MONOTONIC, written as 8 bytes to
// the descriptor named by TAVRIK_KEY_PROBE_FD.
#include <asm/ioctls.h>
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kDtr = 0x002; // TIOCM_DTR
int lines = 0;

void Stamp()
{
    static const int fd = [] {
        const char* text = std::getenv("TAVRIK_KEY_PROBE_FD");
        return text ? std::atoi(text) : -1;
    }();
    if (fd < 0)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t ns = static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    [[maybe_unused]] const ssize_t written = write(fd, &ns, sizeof ns);
}

void Set(int next)
{
    if ((next & kDtr) != 0 && (lines & kDtr) == 0)
        Stamp();
    lines = next;
}

} // namespace

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    int* bits = static_cast<int*>(argument);
    switch (request) {
    case TIOCMGET:
        *bits = lines;
        return 0;
    case TIOCMSET:
        Set(*bits);
        return 0;
    case TIOCMBIS:
        Set(lines | *bits);
        return 0;
    case TIOCMBIC:
        Set(lines & ~*bits);
        return 0;
    default:
        break;
    }
    using Ioctl = int (*)(int, unsigned long, void*);
    static const auto real = reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, "ioctl"));
    return real(fd, request, argument);
}
