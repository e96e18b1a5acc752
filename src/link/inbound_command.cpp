#include "link/inbound_command.h"

#include "common/vb_numbers.h"

namespace tavrik {
namespace {

constexpr int kEscape = 27;
constexpr int kCtrl = 2;
constexpr int kAlt = 4;

InboundCommand Key(double code, int shift)
{
    InboundCommand command;
    command.kind = InboundCommand::Kind::Key;
    command.keyCode = static_cast<int>(RoundHalfEven(code));
    command.shift = shift;
    return command;
}

} // namespace

InboundCommand ParseInboundCommand(const QString& text)
{
    InboundCommand command;
    if (text == u"Close") {
        command.kind = InboundCommand::Kind::Close;
    } else if (text == u"Normal") {
        command.kind = InboundCommand::Kind::Normal;
    } else if (text == u"Minimize") {
        command.kind = InboundCommand::Kind::Minimize;
    } else if (text.contains(u"Format ")) {
        command.kind = InboundCommand::Kind::Format;
        command.serialFormat = text.mid(7);
    } else {
        const double v = LeadingNumber(text);
        if (v == kEscape)
            return Key(v, 0);
        if (v > 111 && v < 124)
            return Key(v, 0);
        if (v >= 124 && v < 248)
            return Key(v / 2, kCtrl);
        if (v >= 248 && v < 492)
            return Key(v / 4, kAlt);
    }
    return command;
}

} // namespace tavrik
