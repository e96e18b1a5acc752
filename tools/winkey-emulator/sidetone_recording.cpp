#include "sidetone_recording.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace tavrik::emulator {
namespace {

constexpr std::int64_t kHeaderBytes = 44;
// The RIFF sizes are 32-bit: the recording ends where the next sample would pass them.
constexpr std::int64_t kMostSamples = (0xFFFFFFFFLL - (kHeaderBytes - 8)) / 2;

void Le(unsigned char* at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

} // namespace

SidetoneRecording::~SidetoneRecording()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool SidetoneRecording::open(const QString& path, double atMs)
{
    fd_ = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error_ = QStringLiteral("cannot create %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    path_ = path;
    originMs_ = atMs;
    unsigned char header[kHeaderBytes] = {};
    std::memcpy(header, "RIFF", 4);
    Le(header + 4, kHeaderBytes - 8, 4);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    Le(header + 16, 16, 4);                 // fmt chunk length
    Le(header + 20, 1, 2);                  // PCM
    Le(header + 22, 1, 2);                  // one channel
    Le(header + 24, kSampleRate, 4);
    Le(header + 28, kSampleRate * 2, 4);    // bytes a second
    Le(header + 32, 2, 2);                  // bytes a frame
    Le(header + 34, 16, 2);                 // bits a sample
    std::memcpy(header + 36, "data", 4);
    return put(0, header, sizeof(header));
}

std::int64_t SidetoneRecording::sampleAt(double ms) const
{
    const auto sample = static_cast<std::int64_t>(std::llround((ms - originMs_) * kSampleRate / 1000.0));
    return std::clamp(sample, covered_, kMostSamples);
}

void SidetoneRecording::keyDown(double atMs)
{
    if (fd_ < 0 || sounding_)
        return;
    toneStart_ = sampleAt(atMs);
    sounding_ = true;
}

void SidetoneRecording::keyUp(double atMs)
{
    if (fd_ < 0 || !sounding_)
        return;
    sounding_ = false;
    const std::int64_t end = sampleAt(atMs);
    if (writeTone(end))
        coverUpTo(end);
}

void SidetoneRecording::close(double atMs)
{
    if (fd_ < 0)
        return;
    const std::int64_t end = sampleAt(atMs);
    if ((!sounding_ || writeTone(end)) && coverUpTo(end)) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool SidetoneRecording::writeTone(std::int64_t end)
{
    // Each tone starts at phase 0, as a keyed oscillator does.
    std::vector<std::int16_t> samples(static_cast<std::size_t>(std::max<std::int64_t>(0, end - toneStart_)));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double phase = 2 * std::numbers::pi * pitchHz_ * static_cast<double>(i) / kSampleRate;
        samples[i] = static_cast<std::int16_t>(std::lround(32767 * std::sin(phase)));
    }
    return put(kHeaderBytes + toneStart_ * 2, samples.data(), samples.size() * sizeof(std::int16_t));
}

bool SidetoneRecording::coverUpTo(std::int64_t samples)
{
    // Longer first, then the header: a kill between the two leaves a shorter valid file.
    const std::int64_t dataBytes = samples * 2;
    if (::ftruncate(fd_, kHeaderBytes + dataBytes) != 0) {
        fail(QStringLiteral("cannot write"));
        return false;
    }
    unsigned char riffSize[4];
    unsigned char dataSize[4];
    Le(riffSize, static_cast<std::uint32_t>(dataBytes + kHeaderBytes - 8), 4);
    Le(dataSize, static_cast<std::uint32_t>(dataBytes), 4);
    if (!put(4, riffSize, 4) || !put(40, dataSize, 4))
        return false;
    covered_ = samples;
    return true;
}

bool SidetoneRecording::put(std::int64_t offset, const void* data, std::size_t bytes)
{
    const auto* from = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t written = ::pwrite(fd_, from, bytes, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            fail(QStringLiteral("cannot write"));
            return false;
        }
        from += written;
        bytes -= static_cast<std::size_t>(written);
        offset += written;
    }
    return true;
}

void SidetoneRecording::fail(const QString& what)
{
    // The header of the last good write stays: the file is readable up to there.
    error_ = QStringLiteral("%1 %2: %3").arg(what, path_, QString::fromLocal8Bit(std::strerror(errno)));
    ::close(fd_);
    fd_ = -1;
    sounding_ = false;
}

} // namespace tavrik::emulator
