#pragma once

#include <QString>

namespace tavrik {

// What a text in the command slot asks of Tavrik.
struct InboundCommand {
    enum class Kind { Ignored, Close, Normal, Minimize, Format, Key };
    Kind kind = Kind::Ignored;
    QString serialFormat;  // Format
    int keyCode = 0;       // Key: a Windows virtual-key code
    int shift = 0;         // Key: 0, 2 (Ctrl) or 4 (Alt)
};

// "Close", "Normal" and "Minimize" exactly as written; any text holding "Format "; else the
// text's leading number picks a key: 27 Esc, 112..123 F1..F12, twice an F-key's code with
// Ctrl, four times with Alt. Everything else is ignored.
InboundCommand ParseInboundCommand(const QString& text);

} // namespace tavrik
