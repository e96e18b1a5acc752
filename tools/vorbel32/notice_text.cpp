#include "notice_text.h"

#include "link_terms.h"
#include "slot_text.h"

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
    case request::kKeyUp:
        return QStringLiteral("key up") + port;
    case request::kKeyDown:
        return QStringLiteral("key down") + port;
    case request::kPttOn:
        return QStringLiteral("PTT on") + port;
    case request::kPttOff:
        return QStringLiteral("PTT off") + port;
    default:
        return {};
    }
}

} // namespace

QString DescribeNotice(int code, int argument, const ContactSlots& contact)
{
    switch (code) {
    case notice::kLogContact:
        return contact.callsign.isEmpty() ? QStringLiteral("log contact (no callsign)")
                                          : QStringLiteral("log contact ") + contact.callsign;
    case notice::kRadioPolling:
        return argument != 0 ? QStringLiteral("hold radio polling") : QStringLiteral("resume radio polling");
    case notice::kSlotWritten: {
        const QString second = IsCommandForLogger(contact.name) ? QStringLiteral("command ") : QStringLiteral("name ");
        return QStringLiteral("slot written: call %1, %2%3, srx %4")
            .arg(Quoted(contact.callsign), second, Quoted(contact.name), Quoted(contact.srx));
    }
    case notice::kClearLogEntry:
        return QStringLiteral("clear log entry");
    case notice::kRotor:
        return argument != 0 ? QStringLiteral("turn rotator to contact, long path")
                             : QStringLiteral("turn rotator to contact, short path");
    case notice::kKeying:
        return argument != 0 ? QStringLiteral("keyer on") : QStringLiteral("keyer off");
    default:
        break;
    }
    if (code >= request::kKeyUp && code < request::kPttOff + 100)
        return PortRequest(code);
    return QStringLiteral("unknown notice");
}

} // namespace tavrik::standin
