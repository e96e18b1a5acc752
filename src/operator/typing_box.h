#pragma once

#include "keyer/keyer_ports.h"

namespace tavrik {

// The typing box beyond what the send loop needs: what the operator and the macros do to it.
class TypingBox : public TransmitQueue {
public:
    virtual QString text() const = 0;
    // Inserts at the end in the typing colour; the caret ends at the end.
    virtual void insertAtEnd(const QString& text) = 0;
    virtual void removeLastChar() = 0;
    // Replaces `count` characters from the 0-based `start` with `text` in the typing colour.
    virtual void replaceRange(qsizetype start, qsizetype count, const QString& text) = 0;
    virtual void setBackground(Colour colour) = 0;
};

} // namespace tavrik
