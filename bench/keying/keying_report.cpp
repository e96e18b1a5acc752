#include "keying_report.h"

#include "keyer/morse.h"
#include "sorted_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace tavrik::bench {

std::vector<double> IdealIntervalsMs(const QString& text, double dot, const TimingRatios& r)
{
    std::vector<double> ideal;
    for (const QChar c : text) {
        if (c == u' ') {
            if (!ideal.empty())
                ideal.back() += (r.wordSpace - 2 * r.letterSpace) * dot + r.letterSpace * dot;
            continue;
        }
        const QString elements = MorseForChar(QString(c), 0x0409);
        for (qsizetype e = 0; e < elements.size(); ++e) {
            ideal.push_back(elements.at(e) == u'.' ? dot : dot * r.dashLength);
            ideal.push_back(e + 1 < elements.size() ? dot : r.letterSpace * dot);
        }
    }
    if (!ideal.empty())
        ideal.pop_back();
    return ideal;
}

double PrintAccuracy(const char* title, const std::vector<std::int64_t>& edges, std::int64_t frequency,
                   const std::vector<double>& idealMs)
{
    if (edges.size() != idealMs.size() + 1) {
        std::printf("%s: %zu edges recorded, %zu expected\n", title, edges.size(), idealMs.size() + 1);
        return -1;
    }
    std::vector<double> errorsUs;
    errorsUs.reserve(idealMs.size());
    double signedSumUs = 0;
    for (std::size_t i = 0; i < idealMs.size(); ++i) {
        const double measured = ElapsedMs(edges[i], edges[i + 1], frequency);
        errorsUs.push_back(std::fabs(measured - idealMs[i]) * 1000.0);
        signedSumUs += (measured - idealMs[i]) * 1000.0;
    }
    std::vector<double> sorted = errorsUs;
    std::sort(sorted.begin(), sorted.end());
    const double idealSpan = std::accumulate(idealMs.begin(), idealMs.end(), 0.0);
    const double span = ElapsedMs(edges.front(), edges.back(), frequency);
    std::printf("%s: %zu intervals, error median %.2f us, p99 %.2f us, max %.2f us, mean %+.2f us; span %.3f ms vs %.3f ms "
                "ideal (%+.4f%%)\n",
                title, sorted.size(), At(sorted, 0.5), At(sorted, 0.99), sorted.back(), signedSumUs / static_cast<double>(sorted.size()), span,
                idealSpan, (span - idealSpan) / idealSpan * 100.0);
    std::fflush(stdout);
    return At(sorted, 0.99);
}

QString RepeatedWord(const QString& word, int times)
{
    QStringList words;
    for (int i = 0; i < times; ++i)
        words << word;
    return words.join(u' ');
}

} // namespace tavrik::bench
