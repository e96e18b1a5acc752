#pragma once

#include <QString>

#include <cstdint>

namespace tavrik {

// Element letters: '.' dot, '-' dash, '_' word gap (stands for a space).
// Returns the elements of one character, empty for a character without an entry.
// The Nordic letters count only under the Danish, Finnish, Norwegian, Swedish and
// Icelandic language identifiers.
QString MorseForChar(const QString& character, std::uint16_t userLangId);

bool UsesNordicLetters(std::uint16_t userLangId);

} // namespace tavrik
