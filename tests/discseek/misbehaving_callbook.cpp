// A callbook library that fills its buffers carelessly: counts beyond the buffer, text after a
// NUL, no NUL at all; and on a CD folder named "hang", never returns, as a library does on a
// hung drive. Built under each library's name for Discseek to load.
#include "discseek/callbook_calls.h"

#include <unistd.h>

#include <cstring>

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT std::int32_t QRZInit(const char* cdRoot)
{
    if (cdRoot && std::strstr(cdRoot, "/hang"))
        for (;;)
            pause();
    return 1;
}

EXPORT std::int32_t QRZSearch(std::int32_t, const char*, const char*, const char*, char* answer, std::int32_t)
{
    std::memset(answer, 'A', kQrzAnswerSize);
    return 100000;
}

EXPORT std::int32_t QRZGetEmail(const char*, char* email, std::int32_t)
{
    std::memset(email, 'z', kQrzEmailSize);
    std::memcpy(email, "op@example.org", 15);
    return 14;
}

EXPORT std::int32_t QRZExit()
{
    return 0;
}

EXPORT std::int16_t LookupCallSign(const char*, const char*, std::int32_t, char* answer)
{
    std::memcpy(answer, "K1ABC  \0junk", 12);
    return 7;
}

EXPORT void sGetCallInfo(const char*, const char*, char* answer, std::int16_t* status)
{
    std::memset(answer, 'r', kRacAnswerSize);
    std::memcpy(answer, "K1ABC;Op\0junk", 13);
    *status = 0;
}
