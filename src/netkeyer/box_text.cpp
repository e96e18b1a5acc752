#include "netkeyer/box_text.h"

#include "keyer/box_marks.h"

#include <algorithm>
#include <array>

namespace tavrik::netkeyer {
namespace {

struct Prosign {
    char sign;
    const char* letters;
};

// "(" is KN in the box already.
constexpr std::array kProsigns = {
    Prosign{'*', "A^R"}, Prosign{'=', "B^T"}, Prosign{'<', "S^K"}, Prosign{'!', "S^N"},
    Prosign{'&', "A^S"}, Prosign{'>', "B^K"},
};

// The box reads these as marks, or they are no single-byte text at all.
bool Dropped(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u >= 0x7F || c == '^' || c == '|' || c == kSpeedMarkOpen || c == kSpeedMarkClose;
}

} // namespace

BoxText ToBoxText(const QByteArray& request)
{
    BoxText box;
    QByteArray text = request;
    // What follows the "^" is neither keyed nor echoed.
    if (const qsizetype caret = text.indexOf('^'); caret >= 0) {
        text.truncate(caret);
        box.echo = text;
    }
    for (const char c : text) {
        if (c == '+') {
            box.text += QChar(0x00BB);
        } else if (c == '-') {
            box.text += QChar(0x00AB);
        } else if (const auto* p = std::find_if(kProsigns.begin(), kProsigns.end(), [c](const Prosign& s) { return s.sign == c; });
                   p != kProsigns.end()) {
            box.text += QLatin1String(p->letters);
        } else if (!Dropped(c)) {
            box.text += QChar::fromLatin1(c).toUpper();
        }
    }
    return box;
}

QString SpeedMarkText(int wpm)
{
    return QChar(kSpeedMarkOpen) + QString::number(wpm) + QChar(kSpeedMarkClose);
}

} // namespace tavrik::netkeyer
