#pragma once

#include "macros/macro_context.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>

namespace tavrik {

// Turns a macro into the text to transmit: value tokens are replaced, action tokens act at
// once and disappear. Nothing is transmitted and nothing is shown here. Holds no state of
// its own between calls, so an expansion started by a key that the link poll presses in the
// middle of another expansion is safe.
class MacroExpander {
public:
    static constexpr std::int32_t kLoopStepMs = 5000;
    // The loop timer cannot count further; more "$loop$" tokens add nothing.
    static constexpr std::int32_t kLongestLoopMs = 65535;

    // Speed steps stop here. Software keyer: below 1 WPM the dot length has no meaning
    // (it falls to its floor, the fastest speed), above 50 the 24 ms floor of the dot keeps
    // the keying from getting faster than the speed shown. WinKey: its own range, one byte.
    static constexpr std::int16_t kSlowestSoftwareWpm = 1;
    static constexpr std::int16_t kFastestSoftwareWpm = 50;
    static constexpr std::int16_t kSlowestWinKeyWpm = 5;
    static constexpr std::int16_t kFastestWinKeyWpm = 99;

    explicit MacroExpander(MacroContext& context) : context_(context) {}

    // `text` is the macro, already upper-cased by the caller.
    QString ExpandMacro(QString text);

private:
    void SendCommands(QString& text, QStringView head, const QString& fieldPrefix,
                      qsizetype shortestSent);
    // Replaces each occurrence in turn by what `occurrence` returns (after it has acted).
    // What was inserted is never searched again, so a value holding its own token ends.
    static void ReplaceEachOccurrence(QString& text, QStringView token,
                                      const std::function<QString()>& occurrence);
    QString Report(int slot, bool nines) const;
    QString SerialNumber() const;
    QString SerialNumberMinusOne() const;
    QString WithZeroPreference(QString digits) const;
    void StepSpeed(int step);
    void AddLoopPause();

    MacroContext& context_;
};

} // namespace tavrik
