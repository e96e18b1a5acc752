#include "keyer_model.h"

#include "morse_elements.h"

#include <algorithm>

namespace tavrik::emulator {

double SidetoneHz(int code)
{
    constexpr double kHz[] = {3759, 1879, 1252, 940, 752, 625, 535, 469, 417, 375};
    return code >= 1 && code <= 10 ? kHz[code - 1] : 752;
}

std::vector<KeyStep> StepsForChar(char c, int wpm, const KeyerParameters& p)
{
    wpm = std::clamp(wpm, 5, 99);
    const double spaceDit = 1200.0 / wpm;
    const double markDit = p.farnsworth > wpm ? 1200.0 / p.farnsworth : spaceDit;
    const double weightMs = (p.weight - 50) / 50.0 * markDit + p.compensationMs;
    const double dah = markDit * 3 * p.ratio / 50.0;
    const bool contest = (p.mode & 0x01) != 0;
    std::vector<KeyStep> steps;
    if (c == ' ') {
        // The letter gap has gone already: the rest of the word space.
        steps.push_back({false, spaceDit * (contest ? 3 : 4)});
        return steps;
    }
    if (c == '|') {
        steps.push_back({false, spaceDit / 2});
        return steps;
    }
    const QByteArray elements = ElementsFor(c);
    for (qsizetype i = 0; i < elements.size(); ++i) {
        const double mark = (elements.at(i) == '.' ? markDit : dah) + weightMs;
        steps.push_back({true, std::max(1.0, mark)});
        const double gap = i + 1 < elements.size() ? markDit - weightMs : spaceDit * 3 - weightMs;
        steps.push_back({false, std::max(1.0, gap)});
    }
    if (steps.empty())
        steps.push_back({false, spaceDit * 3});
    return steps;
}

int ArgumentCount(std::uint8_t command, std::uint8_t firstArgument)
{
    switch (command) {
    case 0x00:
        // Admin: the sub-command, and for some of them a value more.
        return firstArgument == 0x04 || firstArgument == 0x00 ? 2 : 1;
    case 0x04: case 0x1B: return 2;
    case 0x05: return 3;
    case 0x07: case 0x08: case 0x0A: case 0x13: case 0x15: case 0x1E: case 0x1F: return 0;
    case 0x0F: return 15;
    default: return command < 0x20 ? 1 : 0;
    }
}

QString CommandName(std::uint8_t command, const QByteArray& a)
{
    const auto arg = [&a](int i) { return i < a.size() ? static_cast<std::uint8_t>(a.at(i)) : 0; };
    switch (command) {
    case 0x00:
        switch (arg(0)) {
        case 0x00: return QStringLiteral("admin: calibrate");
        case 0x01: return QStringLiteral("admin: reset");
        case 0x02: return QStringLiteral("admin: host open");
        case 0x03: return QStringLiteral("admin: host close");
        case 0x04: return QStringLiteral("admin: echo test");
        default: return QStringLiteral("admin: sub-command %1").arg(arg(0));
        }
    case 0x01: return QStringLiteral("sidetone control %1").arg(arg(0));
    case 0x02: return arg(0) == 0 ? QStringLiteral("set speed from the pot") : QStringLiteral("set speed %1 WPM").arg(arg(0));
    case 0x03: return QStringLiteral("weighting %1").arg(arg(0));
    case 0x04: return QStringLiteral("PTT lead %1 tail %2 (x10 ms)").arg(arg(0)).arg(arg(1));
    case 0x05: return QStringLiteral("speed pot min %1 range %2").arg(arg(0)).arg(arg(1));
    case 0x06: return QStringLiteral("pause %1").arg(arg(0));
    case 0x07: return QStringLiteral("get speed pot");
    case 0x08: return QStringLiteral("backspace");
    case 0x09: return QStringLiteral("pin configuration %1").arg(arg(0), 2, 16, QLatin1Char('0'));
    case 0x0A: return QStringLiteral("clear buffer");
    case 0x0B: return arg(0) ? QStringLiteral("key immediate: down") : QStringLiteral("key immediate: up");
    case 0x0C: return QStringLiteral("command 0C %1").arg(arg(0));
    case 0x0D: return QStringLiteral("Farnsworth %1 WPM").arg(arg(0));
    case 0x0E: return QStringLiteral("mode %1").arg(arg(0), 2, 16, QLatin1Char('0'));
    case 0x0F:
        return QStringLiteral("load defaults: mode %1 speed %2 tone %3 weight %4 lead %5 tail %6 min %7 range %8 "
                              "ext %9 comp %10 farnsworth %11 switchpoint %12 ratio %13 pins %14")
            .arg(arg(0), 2, 16, QLatin1Char('0')).arg(arg(1)).arg(arg(2)).arg(arg(3)).arg(arg(4)).arg(arg(5))
            .arg(arg(6)).arg(arg(7)).arg(arg(8)).arg(arg(9)).arg(arg(10)).arg(arg(11)).arg(arg(12))
            .arg(arg(13), 2, 16, QLatin1Char('0'));
    case 0x10: return QStringLiteral("first extension %1 ms").arg(arg(0));
    case 0x11: return QStringLiteral("keying compensation %1 ms").arg(arg(0));
    case 0x12: return QStringLiteral("paddle switchpoint %1").arg(arg(0));
    case 0x15: return QStringLiteral("request status");
    case 0x17: return QStringLiteral("dit/dah ratio %1").arg(arg(0));
    case 0x1B:
        return QStringLiteral("merge '%1%2'").arg(QLatin1Char(static_cast<char>(arg(0)))).arg(QLatin1Char(static_cast<char>(arg(1))));
    case 0x1C: return QStringLiteral("buffered speed %1 WPM").arg(arg(0));
    case 0x1E: return QStringLiteral("cancel buffered speed");
    default:
        if (command == 0x7C)
            return QStringLiteral("text '|' (half space, no echo)");
        if (command >= 0x20 && command < 0x80)
            return QStringLiteral("text '%1'").arg(QLatin1Char(static_cast<char>(command)));
        return QStringLiteral("command %1").arg(command, 2, 16, QLatin1Char('0'));
    }
}

std::vector<QByteArray> CommandParser::feed(const QByteArray& bytes)
{
    pending_ += bytes;
    std::vector<QByteArray> out;
    while (!pending_.isEmpty()) {
        const auto command = static_cast<std::uint8_t>(pending_.at(0));
        if (command == 0xFF) { // the end of a calibration, or a stray
            out.push_back(pending_.left(1));
            pending_.remove(0, 1);
            continue;
        }
        if (command < 0x20 && pending_.size() < 2 && ArgumentCount(command, 0xFF) > 0)
            break;
        const int length = 1 + ArgumentCount(command, pending_.size() > 1 ? static_cast<std::uint8_t>(pending_.at(1)) : 0);
        if (pending_.size() < length)
            break;
        out.push_back(pending_.left(length));
        pending_.remove(0, length);
    }
    return out;
}

} // namespace tavrik::emulator
