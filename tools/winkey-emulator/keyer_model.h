#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace tavrik::emulator {

// The keyer's parameters as the host last set them.
struct KeyerParameters {
    std::uint8_t mode = 0x04;
    int speed = 20;          // 0: from the pot
    int sidetoneCode = 5;
    int weight = 50;
    int leadMs = 0;
    int tailMs = 0;
    int potMin = 15;
    int potRange = 15;
    int firstExtensionMs = 0;
    int compensationMs = 0;
    int farnsworth = 0;
    int ratio = 50;
    std::uint8_t pinConfig = 0x05;
};

double SidetoneHz(int code);

// One step of keying: the key down or up for a time.
struct KeyStep {
    bool keyDown;
    double ms;
};

// The elements of one character with their spaces, at the parameters' timing: dit 1200/wpm,
// dah ratio/50 × 3 dits, weighting and compensation moved from the spaces into the marks.
// With a Farnsworth speed above the speed, marks go at the Farnsworth speed and the gaps
// between characters at the speed. The last step is the gap after the character.
std::vector<KeyStep> StepsForChar(char c, int wpm, const KeyerParameters& p);

// Host commands: how many bytes follow each command byte (0x00 to 0x1F).
int ArgumentCount(std::uint8_t command, std::uint8_t firstArgument);
QString CommandName(std::uint8_t command, const QByteArray& arguments);

// Splits the host's byte stream into commands and text, whatever the read sizes were.
class CommandParser {
public:
    // Returns the complete commands (command byte and its arguments) and text bytes.
    std::vector<QByteArray> feed(const QByteArray& bytes);

private:
    QByteArray pending_;
};

} // namespace tavrik::emulator
