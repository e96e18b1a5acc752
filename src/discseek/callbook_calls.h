#pragma once

#include <cstdint>

// The calls of the three callbook CD libraries, as Discseek makes them. Text is single-byte
// (Windows-1252) and NUL-terminated; output buffers are filled in place and are never larger
// than the sizes named here. docs/discseek-protocol.md describes each call.
inline constexpr int kQrzAnswerSize = 500;
inline constexpr int kQrzEmailSize = 256;
inline constexpr int kQrzEmailLimit = 128;
inline constexpr int kHamCallAnswerSize = 500;
inline constexpr int kRacAnswerSize = 501;

extern "C" {

// QRZ CD (qrz32.dll).
using QrzInitCall = std::int32_t (*)(const char* cdRoot);
using QrzSearchCall = std::int32_t (*)(std::int32_t mode, const char* callsign, const char* unused1,
                                      const char* unused2, char* answer, std::int32_t flag);
using QrzGetEmailCall = std::int32_t (*)(const char* callsign, char* email, std::int32_t limit);
using QrzExitCall = std::int32_t (*)();

// HamCall CD (Hamcal32.dll).
using LookupCallSignCall = std::int16_t (*)(const char* databasePath, const char* callsign,
                                           std::int32_t answerSize, char* answer);

// RAC CD (RACCD32A.DLL).
using GetCallInfoCall = void (*)(const char* cdRoot, const char* callsign, char* answer, std::int16_t* status);
}
