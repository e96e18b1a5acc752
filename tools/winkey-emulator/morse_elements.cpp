#include "morse_elements.h"

#include <cstring>

namespace tavrik::emulator {
namespace {

// Indexed from 'A': the international signs of the letters.
constexpr const char* kLetters[26] = {
    ".-",   "-...", "-.-.", "-..",  ".",   "..-.", "--.",  "....", "..",  ".---", "-.-",  ".-..", "--",
    "-.",   "---",  ".--.", "--.-", ".-.", "...",  "-",    "..-",  "...-", ".--", "-..-", "-.--", "--..",
};

// Indexed from '0'.
constexpr const char* kDigits[10] = {
    "-----", ".----", "..---", "...--", "....-", ".....", "-....", "--...", "---..", "----.",
};

struct Sign {
    char character;
    const char* elements;
};

constexpr Sign kPunctuation[] = {
    {'.', ".-.-.-"}, {',', "--..--"}, {'?', "..--.."}, {'/', "-..-."},  {'-', "-....-"}, {':', "---..."},
    {'\'', ".----."}, {'"', ".-..-."}, {'(', "-.--."},  {')', "-.--.-"}, {'@', ".--.-."},
};

} // namespace

QByteArray ElementsFor(char c)
{
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z')
        return kLetters[c - 'A'];
    if (c >= '0' && c <= '9')
        return kDigits[c - '0'];
    for (const Sign& sign : kPunctuation) {
        if (sign.character == c)
            return sign.elements;
    }
    return {};
}

} // namespace tavrik::emulator
