#pragma once

#include "platform/sample_clock.h"
#include "platform/sound_output.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace tavrik {

class Clock;

// Writes to a WAV file what the sound card would have played, placed by the counter as the
// sound card places it: sample n of the file belongs to the instant open() + n / 22050 s. Silence is left as a
// hole in the file (it reads as zeros and costs no disk space), so an idle hour costs
// nothing at the next tone. The header's sizes are brought up to date at every tone-off,
// so the file is valid even if the program is killed.
//
// Opening again with a new table (a new pitch) keeps the file: one recording covers the run.
// Once closed, or stopped by a write error, the output does not open again, so the
// recording is never truncated.
class WavCaptureOutput final : public SoundOutput {
public:
    static constexpr std::int64_t kHeaderBytes = 44;
    // The RIFF sizes are 32-bit; the recording stops where the next sample would pass them
    // (about 27 hours).
    static constexpr std::int64_t kMaxSamples = (0xFFFFFFFFLL - (kHeaderBytes - 8)) / 2;

    WavCaptureOutput(QString path, Clock& clock);
    ~WavCaptureOutput() override;
    WavCaptureOutput(const WavCaptureOutput&) = delete;
    WavCaptureOutput& operator=(const WavCaptureOutput&) = delete;

    bool open(std::vector<std::int16_t> table) override;
    void gateOn() override;
    void gateOff() override;
    // Ends the file at this instant (trailing silence included) and closes it.
    void close() override;
    QString errorText() const override { return error_; }

    const QString& path() const { return path_; }

private:
    std::int64_t sampleNow();
    // Writes the tone from toneStart_ to `end` and advances the recorded length to `end`.
    bool endTone(std::int64_t end);
    bool writeAt(std::int64_t offset, const void* data, std::size_t bytes);
    // Brings the file length and the header's sizes up to samples_.
    bool finishChunk();
    void stopRecording(const QString& why);

    QString path_;
    Clock& clock_;
    std::vector<std::int16_t> table_;
    int fd_ = -1;
    SampleClock placement_; // sample 0 is the instant of open()
    std::int64_t samples_ = 0; // samples the data chunk holds
    bool gateOpen_ = false;
    bool finished_ = false; // closed, or stopped by a write error
    std::int64_t toneStart_ = 0;
    QString error_;
};

} // namespace tavrik
