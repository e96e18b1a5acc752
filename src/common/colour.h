#pragma once

#include <QColor>

#include <cstdint>

namespace tavrik {

// Stored colours: red in the lowest byte, then green, then blue (255 red, 16711680 blue).
using Colour = std::uint32_t;

inline QColor ToQColor(Colour c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

inline Colour FromQColor(const QColor& c)
{
    return static_cast<Colour>(c.red()) | (static_cast<Colour>(c.green()) << 8) | (static_cast<Colour>(c.blue()) << 16);
}

} // namespace tavrik
