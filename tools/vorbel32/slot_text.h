#pragma once

#include "link_terms.h"

#include <QByteArray>
#include <QString>

#include <cstddef>

namespace tavrik::standin {

constexpr std::size_t SlotOffset(int slot) { return kSlotStride * static_cast<std::size_t>(slot); }

// What a logging program writes into a slot: the text in Windows-1252, a NUL, blanks up to
// 64 bytes. A character the page lacks goes without its accents, else as "?". 64 characters
// or more are cut to 64 bytes and so carry no NUL.
QByteArray SlotBytes(const QString& text);
// The value of a slot's 64 bytes: blanks off both ends, then what stands before the first
// NUL; empty when there is no NUL or it comes first.
QString SlotValue(const QByteArray& bytes);
// A slot 1 that carries a command for the logging program rather than a name.
bool IsCommandForLogger(const QString& value);

} // namespace tavrik::standin
