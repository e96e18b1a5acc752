#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tavrik::test {

// A WAV file as a player would read it, with every header field that a valid file of the
// sidetone's format must have checked on the way.
struct WavFile {
    bool valid = false;
    std::string problem;
    std::uint64_t fileBytes = 0;
    std::vector<std::int16_t> samples;
};

inline std::uint32_t Le32(const std::vector<unsigned char>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

inline std::uint16_t Le16(const std::vector<unsigned char>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

inline WavFile ReadWav(const std::string& path)
{
    WavFile wav;
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    wav.fileBytes = b.size();
    auto fail = [&](const std::string& why) {
        wav.problem = why;
        return wav;
    };
    if (b.size() < 44)
        return fail("shorter than a header");
    if (std::memcmp(&b[0], "RIFF", 4) != 0 || std::memcmp(&b[8], "WAVEfmt ", 8) != 0 || std::memcmp(&b[36], "data", 4) != 0)
        return fail("not a RIFF WAVE file with fmt and data chunks");
    if (Le32(b, 16) != 16 || Le16(b, 20) != 1 || Le16(b, 22) != 1 || Le32(b, 24) != 22050 || Le32(b, 28) != 44100
        || Le16(b, 32) != 2 || Le16(b, 34) != 16)
        return fail("not PCM mono 16-bit 22050 Hz");
    const std::uint32_t dataBytes = Le32(b, 40);
    if (Le32(b, 4) != dataBytes + 36)
        return fail("RIFF size does not match the data size");
    if (dataBytes != b.size() - 44)
        return fail("data size " + std::to_string(dataBytes) + " but " + std::to_string(b.size() - 44) + " bytes follow");
    wav.samples.resize(dataBytes / 2);
    for (std::size_t i = 0; i < wav.samples.size(); ++i)
        wav.samples[i] = static_cast<std::int16_t>(Le16(b, 44 + 2 * i));
    wav.valid = true;
    return wav;
}

// A stretch of sound between silences.
struct ToneRun {
    std::size_t start; // first sample of the run
    std::size_t length;
};

// Tones are found by their non-zero samples. A sine crosses zero inside a tone, but never
// for more than `maxInnerZeros` samples in a row at the pitches tested; the table's first
// sample is sin 0 = 0, so a run starts one sample before its first non-zero sample.
inline std::vector<ToneRun> FindToneRuns(const std::vector<std::int16_t>& s, std::size_t maxInnerZeros = 3)
{
    std::vector<ToneRun> runs;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == 0) {
            ++i;
            continue;
        }
        const std::size_t first = i;
        std::size_t last = i;
        for (std::size_t j = i + 1; j < s.size() && j <= last + maxInnerZeros + 1; ++j) {
            if (s[j] != 0)
                last = j;
        }
        const std::size_t start = first > 0 ? first - 1 : 0;
        runs.push_back({start, last + 1 - start});
        i = last + 1;
    }
    return runs;
}

} // namespace tavrik::test
