#pragma once

#include <QString>

namespace tavrik {

// The nearest text the Windows-1252 code page can hold, for the single-byte slots of the
// shared block. Characters the page has stay as they are; a letter it lacks loses the accent
// it has no form for ("ł" to "l", "ő" to "o", "ǅ" to "Dž"); compatibility forms are spelt out
// ("ﬁ" to "fi"); anything without a near form becomes "?".
QString NearestWindows1252Form(const QString& text);

} // namespace tavrik
