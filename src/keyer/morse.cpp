#include "keyer/morse.h"

#include "platform/windows1252.h"

#include <array>

namespace tavrik {
namespace {

struct Entry {
    char16_t character;
    const char* elements;
};

constexpr std::array kTable = {
    Entry{u'A', ".-"},     Entry{u'B', "-..."},   Entry{u'C', "-.-."},   Entry{u'D', "-.."},
    Entry{u'E', "."},      Entry{u'F', "..-."},   Entry{u'G', "--."},    Entry{u'H', "...."},
    Entry{u'I', ".."},     Entry{u'J', ".---"},   Entry{u'K', "-.-"},    Entry{u'L', ".-.."},
    Entry{u'M', "--"},     Entry{u'N', "-."},     Entry{u'O', "---"},    Entry{u'P', ".--."},
    Entry{u'Q', "--.-"},   Entry{u'R', ".-."},    Entry{u'S', "..."},    Entry{u'T', "-"},
    Entry{u'U', "..-"},    Entry{u'V', "...-"},   Entry{u'W', ".--"},    Entry{u'X', "-..-"},
    Entry{u'Y', "-.--"},   Entry{u'Z', "--.."},   Entry{u'1', ".----"},  Entry{u'2', "..---"},
    Entry{u'3', "...--"},  Entry{u'4', "....-"},  Entry{u'5', "....."},  Entry{u'6', "-...."},
    Entry{u'7', "--..."},  Entry{u'8', "---.."},  Entry{u'9', "----."},  Entry{u'0', "-----"},
    Entry{u' ', "_"},      Entry{u'/', "-..-."},  Entry{u'.', ".-.-.-"}, Entry{u',', "--..--"},
    Entry{u':', "---..."}, Entry{u'?', "..--.."}, Entry{u'-', "-....-"}, Entry{u'\'', ".----."},
    Entry{u'(', "-.--."},  Entry{u')', "-.--.-"}, Entry{u'"', ".-..-."}, Entry{u'@', ".--.-."},
};

struct NordicEntry {
    int code; // Windows-1252
    const char* elements;
};

constexpr std::array kNordic = {
    NordicEntry{196, ".-.-"},  // Ä
    NordicEntry{197, ".--.-"}, // Å
    NordicEntry{198, ".-.-"},  // Æ
    NordicEntry{214, "---."},  // Ö
    NordicEntry{216, "---."},  // Ø
    NordicEntry{222, ".--.."}, // Þ
};

constexpr std::array<std::uint16_t, 7> kNordicLanguages = {0x0406, 0x040B, 0x0414, 0x0814,
                                                           0x041D, 0x081D, 0x040F};

} // namespace

bool UsesNordicLetters(std::uint16_t userLangId)
{
    for (const std::uint16_t id : kNordicLanguages) {
        if (id == userLangId)
            return true;
    }
    return false;
}

QString MorseForChar(const QString& character, std::uint16_t userLangId)
{
    const QString upper = character.toUpper();
    if (upper.size() == 1) {
        for (const Entry& entry : kTable) {
            if (upper.at(0) == QChar(entry.character))
                return QString::fromLatin1(entry.elements);
        }
    }
    if (!character.isEmpty() && UsesNordicLetters(userLangId)) {
        // The given character, not the upper-cased one: only the capitals are in this table.
        const int code = Windows1252Code(character.at(0));
        for (const NordicEntry& entry : kNordic) {
            if (entry.code == code)
                return QString::fromLatin1(entry.elements);
        }
    }
    return {};
}

} // namespace tavrik
