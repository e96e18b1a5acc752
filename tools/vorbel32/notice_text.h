#pragma once

#include <QString>

namespace tavrik::standin {

// The contact fields as the block holds them when a notice arrives.
struct ContactSlots {
    QString callsign;
    QString name; // or an outbound command "Command ..." / "HexCommand ..."
    QString srx;
};

// A notice or request of the message "TAVRIK" in words: "keyer on", "log contact K1ABC".
QString DescribeNotice(int code, int argument, const ContactSlots& contact);

} // namespace tavrik::standin
