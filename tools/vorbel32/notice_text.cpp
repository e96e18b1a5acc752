#include "notice_text.h"

#include "common/link_codes.h"
#include "link/link_slots.h"

namespace tavrik::standin {
namespace {

QString Quoted(const QString& text)
{
    return u'"' + text + u'"';
}

QString PortRequest(int code)
{
    const int kind = code / 100 * 100;
    const QString port = QStringLiteral(", port %1").arg(code - kind);
    switch (kind) {
    case LinkCode::kSharedKeyUp:
        return QStringLiteral("key up") + port;
    case LinkCode::kSharedKeyDown:
        return QStringLiteral("key down") + port;
    case LinkCode::kSharedPttOn:
        return QStringLiteral("PTT on") + port;
    case LinkCode::kSharedPttOff:
        return QStringLiteral("PTT off") + port;
    default:
        return {};
    }
}

} // namespace

QString DescribeNotice(int code, int argument, const ContactSlots& contact)
{
    switch (code) {
    case LinkCode::kLogContact:
        return contact.callsign.isEmpty() ? QStringLiteral("log contact (no callsign)")
                                          : QStringLiteral("log contact ") + contact.callsign;
    case LinkCode::kRadioPolling:
        return argument != 0 ? QStringLiteral("hold radio polling") : QStringLiteral("resume radio polling");
    case LinkCode::kSlotWritten: {
        const QString second = LinkSlots::IsOutboundCommand(contact.name) ? QStringLiteral("command ")
                                                                          : QStringLiteral("name ");
        return QStringLiteral("slot written: call %1, %2%3, srx %4")
            .arg(Quoted(contact.callsign), second, Quoted(contact.name), Quoted(contact.srx));
    }
    case LinkCode::kClearLogEntry:
        return QStringLiteral("clear log entry");
    case LinkCode::kRotor:
        return argument != 0 ? QStringLiteral("turn rotator to contact, long path")
                             : QStringLiteral("turn rotator to contact, short path");
    case LinkCode::kKeying:
        return argument != 0 ? QStringLiteral("keyer on") : QStringLiteral("keyer off");
    default:
        break;
    }
    if (code >= LinkCode::kSharedKeyUp && code < LinkCode::kSharedPttOff + 100)
        return PortRequest(code);
    return QStringLiteral("unknown notice");
}

} // namespace tavrik::standin
