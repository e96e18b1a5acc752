#pragma once

// wParam codes of the message Tavrik posts or sends to the logging program.
namespace tavrik::LinkCode {

constexpr int kLogContact = 100;
constexpr int kRadioPolling = 150; // 1 hold, 0 resume
constexpr int kSlotWritten = 200;
constexpr int kSharedKeyUp = 300;  // + serial port number
constexpr int kSharedKeyDown = 400;
constexpr int kSharedPttOn = 500;
constexpr int kSharedPttOff = 600;
constexpr int kClearLogEntry = 700;
constexpr int kRotor = 800;        // 0 short path, 1 long path
constexpr int kKeying = 900;       // 1 keyer on, 0 keyer off

} // namespace tavrik::LinkCode
