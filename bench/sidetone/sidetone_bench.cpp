// What switching the sidetone costs the keyer: tone on and tone off on the recording
// backend with the real counter, and the audio callback's render time per buffer with edges
// placed inside it.
#include "keyer/sidetone.h"
#include "keyer/sidetone_table.h"
#include "platform/clock.h"
#include "platform/placed_tone_loop.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using tavrik::MonotonicClock;

struct Figures {
    double meanUs;
    double p99Us;
    double maxUs;
};

Figures Summarise(std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (const double u : us)
        sum += u;
    return {sum / static_cast<double>(us.size()), us[us.size() * 99 / 100], us.back()};
}

void SpinMs(MonotonicClock& clock, double ms)
{
    const std::int64_t start = clock.counter();
    while (tavrik::ElapsedMs(start, clock.counter(), clock.frequency()) < ms) {
    }
}

void Print(const char* what, const Figures& f)
{
    std::printf("%-34s mean %8.2f us   p99 %8.2f us   max %8.2f us\n", what, f.meanUs, f.p99Us, f.maxUs);
}

} // namespace

int main()
{
    constexpr int kTones = 1000;
    MonotonicClock clock;
    QTemporaryDir dir;
    tavrik::Sidetone sidetone(QStringLiteral("wav:") + dir.path() + QStringLiteral("/bench.wav"), clock);
    sidetone.setSidetoneOn(true);
    if (!sidetone.createSidetone(1000)) {
        std::printf("cannot create the recording: %s\n", sidetone.deviceError().toLocal8Bit().constData());
        return 1;
    }
    std::vector<double> on;
    std::vector<double> off;
    for (int i = 0; i < kTones; ++i) {
        std::int64_t t = clock.counter();
        sidetone.toneOn();
        on.push_back(static_cast<double>(clock.counter() - t) / 1000.0);
        SpinMs(clock, 2.4); // a dot at 50 WPM is 24 ms; a tenth of it keeps the run short
        t = clock.counter();
        sidetone.toneOff();
        off.push_back(static_cast<double>(clock.counter() - t) / 1000.0);
        SpinMs(clock, 2.4);
    }
    sidetone.release();
    std::printf("%d tones of 2.4 ms on the WAV recording, 1000 Hz\n", kTones);
    Print("toneOn", Summarise(on));
    Print("toneOff (counted into toneOffMs)", Summarise(off));

    constexpr std::size_t kFrames = 256;
    constexpr int kBuffers = 20000;
    const std::int64_t bufferCounts = static_cast<std::int64_t>(kFrames) * clock.frequency() / 22050;
    tavrik::PlacedToneLoop loop(tavrik::SidetoneTable(1000), {clock.frequency(), 22050, 2 * bufferCounts, bufferCounts});
    std::vector<std::int16_t> buffer(kFrames);
    std::vector<double> render;
    for (int i = 0; i < kBuffers; ++i) {
        const std::int64_t soundsAt = static_cast<std::int64_t>(i) * bufferCounts;
        if (i % 10 == 0)
            (i % 20 == 0) ? loop.toneOff(soundsAt) : loop.toneOn(soundsAt + bufferCounts / 3);
        const std::int64_t t = clock.counter();
        loop.render(buffer.data(), kFrames, soundsAt);
        render.push_back(static_cast<double>(clock.counter() - t) / 1000.0);
    }
    std::printf("%d audio buffers of %zu frames (%.1f ms each)\n", kBuffers, kFrames, kFrames * 1000.0 / 22050);
    Print("render", Summarise(render));
    return 0;
}
