#include "netkeyer/request.h"

#include <array>

namespace tavrik::netkeyer {
namespace {

constexpr char kEscape = 27;

enum class Argument { None, Number, Text };

struct Code {
    char code;
    Request::Kind kind;
    Argument argument;
    int lowest;
    int highest;
};

constexpr std::array kCodes = {
    Code{'0', Request::Kind::Reset, Argument::None, 0, 0},
    Code{'2', Request::Kind::Speed, Argument::Number, 4, 60},
    Code{'3', Request::Kind::Tone, Argument::Number, 0, 4000},
    Code{'4', Request::Kind::Abort, Argument::None, 0, 0},
    Code{'5', Request::Kind::Exit, Argument::None, 0, 0},
    Code{'6', Request::Kind::WordMode, Argument::None, 0, 0},
    Code{'7', Request::Kind::Weighting, Argument::Number, -50, 50},
    Code{'8', Request::Kind::Device, Argument::Text, 0, 0},
    Code{'a', Request::Kind::Ptt, Argument::Number, 0, 1},
    Code{'b', Request::Kind::Ssb, Argument::Number, 0, 1},
    Code{'c', Request::Kind::Tune, Argument::Number, 0, 10},
    Code{'d', Request::Kind::PttDelay, Argument::Number, 0, 50},
    Code{'e', Request::Kind::Band, Argument::Number, 0, 15},
    Code{'f', Request::Kind::SoundSystem, Argument::Text, 0, 0},
    Code{'g', Request::Kind::Volume, Argument::Number, 0, 100},
    Code{'h', Request::Kind::Reply, Argument::Text, 0, 0},
};

// A whole decimal number, a minus sign allowed; spaces before it, nothing after it.
std::optional<int> WholeNumber(QByteArray text)
{
    while (text.startsWith(' ') || text.startsWith('\t'))
        text.remove(0, 1);
    const qsizetype first = text.startsWith('-') ? 1 : 0;
    if (text.size() == first || text.size() > first + 5)
        return std::nullopt;
    int value = 0;
    for (qsizetype i = first; i < text.size(); ++i) {
        if (text.at(i) < '0' || text.at(i) > '9')
            return std::nullopt;
        value = value * 10 + (text.at(i) - '0');
    }
    return first == 1 ? -value : value;
}

} // namespace

std::optional<Request> ParseRequest(QByteArray datagram)
{
    if (datagram.size() > kLongestRequest)
        return std::nullopt;
    while (datagram.endsWith('\r') || datagram.endsWith('\n'))
        datagram.chop(1);
    if (datagram.isEmpty())
        return std::nullopt;
    if (datagram.front() != kEscape)
        return Request{Request::Kind::Text, 0, datagram};
    if (datagram.size() < 2)
        return std::nullopt;
    const QByteArray argument = datagram.mid(2);
    for (const Code& code : kCodes) {
        if (code.code != datagram.at(1))
            continue;
        Request request{code.kind, 0, {}};
        switch (code.argument) {
        case Argument::None:
            break;
        case Argument::Text:
            request.text = argument;
            break;
        case Argument::Number: {
            const std::optional<int> n = WholeNumber(argument);
            if (!n || *n < code.lowest || *n > code.highest)
                return std::nullopt;
            request.number = *n;
            break;
        }
        }
        return request;
    }
    return std::nullopt;
}

} // namespace tavrik::netkeyer
