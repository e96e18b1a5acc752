#include "platform/wav_capture_output.h"

#include "platform/clock.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace tavrik {
namespace {

constexpr std::int64_t kBytesPerSample = 2;

void PutLe16(unsigned char* at, std::uint16_t v)
{
    at[0] = static_cast<unsigned char>(v & 0xFF);
    at[1] = static_cast<unsigned char>(v >> 8);
}

void PutLe32(unsigned char* at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

std::array<unsigned char, WavCaptureOutput::kHeaderBytes> Header(std::uint32_t dataBytes)
{
    std::array<unsigned char, WavCaptureOutput::kHeaderBytes> h{};
    std::memcpy(&h[0], "RIFF", 4);
    PutLe32(&h[4], dataBytes + static_cast<std::uint32_t>(WavCaptureOutput::kHeaderBytes - 8));
    std::memcpy(&h[8], "WAVEfmt ", 8);
    PutLe32(&h[16], 16);                                   // fmt chunk size
    PutLe16(&h[20], 1);                                    // PCM
    PutLe16(&h[22], 1);                                    // mono
    PutLe32(&h[24], kSoundSampleRate);                     // samples a second
    PutLe32(&h[28], kSoundSampleRate * kBytesPerSample);   // bytes a second
    PutLe16(&h[32], static_cast<std::uint16_t>(kBytesPerSample)); // block alignment
    PutLe16(&h[34], 16);                                   // bits a sample
    std::memcpy(&h[36], "data", 4);
    PutLe32(&h[40], dataBytes);
    return h;
}

QString SystemError(const QString& what)
{
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

WavCaptureOutput::WavCaptureOutput(QString path, Clock& clock)
    : path_(std::move(path)), clock_(clock), placement_(clock.frequency(), kSoundSampleRate)
{
}

WavCaptureOutput::~WavCaptureOutput()
{
    close();
}

bool WavCaptureOutput::open(std::vector<std::int16_t> table)
{
    if (fd_ >= 0) {
        // A new pitch: the sounding tone ends here and the recording goes on.
        gateOff();
        table_ = std::move(table);
        return true;
    }
    if (finished_) {
        // Opening the path again would truncate the recording made so far.
        if (error_.isEmpty())
            error_ = QStringLiteral("The recording to ") + path_ + QStringLiteral(" is finished");
        return false;
    }
    const QByteArray name = QFile::encodeName(path_);
    fd_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error_ = SystemError(QStringLiteral("Cannot create ") + path_);
        finished_ = true;
        return false;
    }
    table_ = std::move(table);
    samples_ = 0;
    gateOpen_ = false;
    const auto header = Header(0);
    if (!writeAt(0, header.data(), header.size()))
        return false;
    placement_.setOrigin(clock_.counter());
    return true;
}

std::int64_t WavCaptureOutput::sampleNow()
{
    return std::clamp(placement_.sampleAt(clock_.counter()), samples_, kMaxSamples);
}

void WavCaptureOutput::gateOn()
{
    if (fd_ < 0 || gateOpen_)
        return;
    toneStart_ = sampleNow();
    gateOpen_ = true;
}

void WavCaptureOutput::gateOff()
{
    if (fd_ < 0 || !gateOpen_)
        return;
    gateOpen_ = false;
    if (endTone(sampleNow()))
        finishChunk();
}

void WavCaptureOutput::close()
{
    if (fd_ < 0)
        return;
    const std::int64_t end = sampleNow();
    const bool toneWritten = !gateOpen_ || endTone(end);
    gateOpen_ = false;
    if (toneWritten) {
        samples_ = end;
        finishChunk();
    }
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    finished_ = true;
}

bool WavCaptureOutput::endTone(std::int64_t end)
{
    // Every tone starts at the table's first sample, looping as long as the gate stays open.
    std::int64_t sample = toneStart_;
    if (!table_.empty()) {
        const auto tableSize = static_cast<std::int64_t>(table_.size());
        while (sample < end) {
            const std::int64_t run = std::min(end - sample, tableSize);
            if (!writeAt(kHeaderBytes + sample * kBytesPerSample, table_.data(),
                         static_cast<std::size_t>(run * kBytesPerSample)))
                return false;
            sample += run;
        }
    }
    samples_ = end;
    return true;
}

bool WavCaptureOutput::writeAt(std::int64_t offset, const void* data, std::size_t bytes)
{
    const auto* from = static_cast<const unsigned char*>(data);
    while (bytes > 0) {
        const ssize_t written = ::pwrite(fd_, from, bytes, offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            stopRecording(SystemError(QStringLiteral("Cannot write ") + path_));
            return false;
        }
        from += written;
        bytes -= static_cast<std::size_t>(written);
        offset += written;
    }
    return true;
}

bool WavCaptureOutput::finishChunk()
{
    // The file is extended first (trailing silence reads as zeros), then the header is
    // made to cover it: a kill between the two leaves a shorter but valid file.
    const std::int64_t dataBytes = samples_ * kBytesPerSample;
    if (::ftruncate(fd_, kHeaderBytes + dataBytes) != 0) {
        stopRecording(SystemError(QStringLiteral("Cannot write ") + path_));
        return false;
    }
    // Only the two size fields change; the rest of the header was written at open.
    const auto header = Header(static_cast<std::uint32_t>(dataBytes));
    return writeAt(4, &header[4], 4) && writeAt(40, &header[40], 4);
}

void WavCaptureOutput::stopRecording(const QString& why)
{
    // The file keeps the header of the last good write, so it stays readable up to there.
    error_ = why;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    gateOpen_ = false;
    finished_ = true;
}

} // namespace tavrik
