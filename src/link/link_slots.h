#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

// The layout of the shared block "TAVRIK" and the text a slot carries.
namespace tavrik::LinkSlots {

inline constexpr int kCount = 10;
inline constexpr std::size_t kStride = 128;
inline constexpr std::size_t kBlockSize = kStride * kCount;
// Only this much of a slot is ever read or written.
inline constexpr qsizetype kTextBytes = 64;

enum Slot : int {
    kCallsign = 0,
    kName = 1, // also outbound commands: "Command ..." or "HexCommand ..."
    kSerialNumber = 2,
    kMyCallsign = 3,
    kBand = 4,
    kCommand = 5, // command to Tavrik, consumed by its poll
    kSrx = 6,
    kActiveRadio = 7,
    kSentRst = 8,
    kReceivedRst = 9,
};

constexpr std::size_t Offset(int slot) { return kStride * static_cast<std::size_t>(slot); }
constexpr bool IsSlot(int slot) { return slot >= 0 && slot < kCount; }

// 64 Windows-1252 bytes: the text in its nearest Windows-1252 form, one NUL, blanks. A text of 64 characters or more is cut
// to 64 bytes and then carries no NUL, so it reads as empty.
QByteArray EncodeText(const QString& text);
// The 64 raw bytes as the 64 characters of the mirror.
QString DecodeRaw(const QByteArray& raw);
// The value: blanks trimmed, cut at the first NUL; empty without a NUL or with the NUL first.
QString Value(const QString& mirror);
// The value a slot holds once `text` is written to it.
QString StoredValue(const QString& text);
// What a consumed command slot holds: one NUL, 63 blanks.
QByteArray ClearedText();

// A name slot that begins with one of these is a command for the logging program.
bool IsOutboundCommand(const QString& value);

} // namespace tavrik::LinkSlots
