#pragma once

#include <QString>

#include <cstdint>

namespace tavrik {

// The Windows language identifier of the user's language, from LC_ALL, LC_MESSAGES or LANG
// ("sv_SE.UTF-8" gives 0x041D). Unknown or "C" locales give US English, 0x0409.
std::uint16_t UserLangId();
// The same derivation for a given locale name, for callers that already hold one.
std::uint16_t LangIdForLocaleName(const QString& localeName);

} // namespace tavrik
