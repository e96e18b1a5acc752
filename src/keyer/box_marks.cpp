#include "keyer/box_marks.h"

#include "keyer/keyer_ports.h"

namespace tavrik {

std::optional<SpeedMark> SpeedMarkAt(const TransmitQueue& box, int position)
{
    if (position > box.length() || box.charAt(position) != QChar(kSpeedMarkOpen))
        return std::nullopt;
    int wpm = 0;
    int at = position + 1;
    for (; at <= box.length() && at - position < kLongestSpeedMark; ++at) {
        const QChar c = box.charAt(at);
        if (c == QChar(kSpeedMarkClose))
            break;
        if (c < u'0' || c > u'9')
            return std::nullopt;
        wpm = wpm * 10 + (c.unicode() - u'0');
    }
    // "{}" and an unclosed brace are text; the keyers skip them as characters without code.
    if (at > box.length() || box.charAt(at) != QChar(kSpeedMarkClose) || at == position + 1 || wpm == 0)
        return std::nullopt;
    return SpeedMark{static_cast<std::int16_t>(wpm), at - position + 1};
}

} // namespace tavrik
