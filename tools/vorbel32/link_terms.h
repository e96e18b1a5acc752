#pragma once

#include <cstddef>

// The names, the block's layout and the message codes of Tavrik's link, as
// docs/link-protocol.md fixes them. Written here from that note, apart from Tavrik's own
// link, so that the stand-in checks Tavrik instead of agreeing with it.
namespace tavrik::standin {

inline constexpr char kBlockFileName[] = "TAVRIK";
inline constexpr char kWindowTitle[] = "Vorbel32";
inline constexpr char kMessageName[] = "TAVRIK";

inline constexpr int kSlotCount = 10;
inline constexpr std::size_t kSlotStride = 128;
inline constexpr std::size_t kBlockBytes = kSlotStride * kSlotCount;
// Only the start of a slot carries its value.
inline constexpr std::size_t kSlotTextBytes = 64;
// The slots the stand-in reads itself; the others it only shows.
inline constexpr int kCallsignSlot = 0;
inline constexpr int kNameSlot = 1; // or a command for the logging program
inline constexpr int kCommandSlot = 5;
inline constexpr int kSrxSlot = 6;

// wParam of the message "TAVRIK".
namespace notice {
inline constexpr int kLogContact = 100;
inline constexpr int kRadioPolling = 150;
inline constexpr int kSlotWritten = 200;
inline constexpr int kClearLogEntry = 700;
inline constexpr int kRotor = 800;
inline constexpr int kKeying = 900;
} // namespace notice

// The shared-serial requests: the hundreds say which, the rest is the serial port number.
namespace request {
inline constexpr int kKeyUp = 300;
inline constexpr int kKeyDown = 400;
inline constexpr int kPttOn = 500;
inline constexpr int kPttOff = 600;
} // namespace request

} // namespace tavrik::standin
