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
    // Replaces `count` characters from position `first` with `text` in the typing colour.
    // Positions count from 1, as the queue's do.
    virtual void replaceRange(qsizetype first, qsizetype count, const QString& text) = 0;
    virtual void setBackground(Colour colour) = 0;
    // What the station has to tell about a port or the sound, in place of the text.
    virtual void showNotice(const QString& text) = 0;
    virtual void withdrawNotice(const QString& start) = 0;
    virtual void clearNotice() = 0;
    virtual QString notice() const = 0;
};

} // namespace tavrik
