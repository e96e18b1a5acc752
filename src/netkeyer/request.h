#pragma once

#include <QByteArray>

#include <optional>

namespace tavrik::netkeyer {

// The longest datagram taken; a longer one is dropped whole rather than keyed in part.
inline constexpr int kLongestRequest = 256;

// One datagram of the cwdaemon protocol: text to key, or ESC and a one-letter code.
struct Request {
    enum class Kind {
        Text,
        Reset,       // ESC 0
        Speed,       // ESC 2, WPM
        Tone,        // ESC 3, Hz, 0 silences
        Abort,       // ESC 4
        Exit,        // ESC 5
        WordMode,    // ESC 6
        Weighting,   // ESC 7
        Device,      // ESC 8, text
        Ptt,         // ESC a, 0 or 1
        Ssb,         // ESC b, 0 or 1
        Tune,        // ESC c, seconds
        PttDelay,    // ESC d, ms
        Band,        // ESC e
        SoundSystem, // ESC f, text
        Volume,      // ESC g, percent
        Reply,       // ESC h, text
    };
    Kind kind = Kind::Text;
    int number = 0;
    QByteArray text;
};

// Trailing CR and LF are stripped. Nothing for an empty, oversized or unknown request, or a
// number that is malformed or out of its range: the request is dropped.
std::optional<Request> ParseRequest(QByteArray datagram);

} // namespace tavrik::netkeyer
