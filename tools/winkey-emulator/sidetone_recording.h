#pragma once

#include <QString>

#include <cstdint>

namespace tavrik::emulator {

// The keyed sidetone as a WAV file (22050 samples a second, 16-bit mono). Edges are given as
// the moments the keyer scheduled them, in ms of the emulator's clock, so a timer that runs
// late on a busy machine does not bend the recorded Morse. Silence is a hole in the file; the
// header covers every finished tone, so the file is valid while the emulator runs.
class SidetoneRecording {
public:
    static constexpr int kSampleRate = 22050;

    SidetoneRecording() = default;
    ~SidetoneRecording();
    SidetoneRecording(const SidetoneRecording&) = delete;
    SidetoneRecording& operator=(const SidetoneRecording&) = delete;

    // Sample 0 is the moment `atMs`. False with the reason in errorText().
    bool open(const QString& path, double atMs);
    // From the next tone on.
    void setPitch(double hz) { pitchHz_ = hz; }
    void keyDown(double atMs);
    void keyUp(double atMs);
    // Ends the file at `atMs`, trailing silence included.
    void close(double atMs);
    const QString& errorText() const { return error_; }

private:
    std::int64_t sampleAt(double ms) const;
    bool writeTone(std::int64_t end);
    bool coverUpTo(std::int64_t samples);
    bool put(std::int64_t offset, const void* data, std::size_t bytes);
    void fail(const QString& what);

    int fd_ = -1;
    QString path_;
    double originMs_ = 0;
    double pitchHz_ = 752;
    bool sounding_ = false;
    std::int64_t toneStart_ = 0;
    std::int64_t covered_ = 0; // samples the header covers
    QString error_;
};

} // namespace tavrik::emulator
