// Time to expand a long macro made mostly of tokens, as a button press would.
#include "fake_macro_context.h"
#include "macros/macro_expander.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

QString TokenHeavyMacro(qsizetype length)
{
    const QStringList pieces = {
        "$CALL$ ", "$NAME$ ", "$SENTRSTN$ ", "$RECEIVEDRST$ ", "$SERIALNUM$ ", "$SERIALNUM-1$ ",
        "$MYCALL$ ", "$BAND$ ", "$SPEED+$", "$SPEED-$", "$COMMAND CQ$", "$HEXCOMMAND 1A2B$",
        "$LOG$", "$ROTOR$", "$LOOP$", "$CWSPEEDUP$", "$CWSPEEDDN$", "$RESET$", "$UNKNOWN$ ", "TU 5NN ",
    };
    QString macro;
    for (qsizetype i = 0; macro.size() < length; ++i)
        macro += pieces.at(i % pieces.size());
    macro.truncate(length);
    return macro;
}

struct Figures {
    double median;
    double p99;
    qsizetype expandedLength;
};

Figures Measure(tavrik::test::FakeMacroContext& context, const QString& macro)
{
    using Clock = std::chrono::steady_clock;
    constexpr int kRuns = 1000;
    tavrik::MacroExpander expander(context);
    std::vector<double> micros;
    micros.reserve(kRuns);
    qsizetype expandedLength = 0;
    for (int run = 0; run < kRuns; ++run) {
        context.calls.clear();
        context.loopMs = 0;
        const auto start = Clock::now();
        expandedLength = expander.ExpandMacro(macro).size();
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    return {micros[kRuns / 2], micros[kRuns * 99 / 100], expandedLength};
}

void Print(const char* what, const QString& macro, const Figures& f)
{
    std::printf("%-40s %5lld -> %6lld chars: median %8.1f us, p99 %8.1f us\n", what,
                static_cast<long long>(macro.size()), static_cast<long long>(f.expandedLength), f.median, f.p99);
}

} // namespace

int main()
{
    tavrik::test::FakeMacroContext context;
    context.name = QStringLiteral("JOHN");
    context.callsign = QStringLiteral("DL1ABC");
    context.mine = QStringLiteral("SM5XYZ");
    context.band = QStringLiteral("20M");
    context.mirrors[2] = tavrik::test::FakeMacroContext::Slot(QStringLiteral("105"));
    context.mirrors[8] = tavrik::test::FakeMacroContext::Slot(QStringLiteral("599"));
    context.format = QStringLiteral("000");

    const QString mixed = TokenHeavyMacro(3000);
    Print("mixed tokens", mixed, Measure(context, mixed));

    // The heaviest case: every token grows the text by a full slot.
    context.mirrors[8] = tavrik::test::FakeMacroContext::Slot(QString(63, u'5'));
    const QString reports = QStringLiteral("$SENTRST$").repeated(3000 / 9);
    Print("one report token repeated, 63-char slot", reports, Measure(context, reports));
    return 0;
}
