#pragma once
// Writes recordings for tests and benchmarks: a header, then records whose values a
// function gives, written in large blocks.

#include "Recording_format.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// value(i, channel) of sample i; false when the file cannot be written.
inline bool make_recording(const std::string& path, std::uint64_t count,
                           const std::function<std::int16_t(std::uint64_t, int)>& value,
                           double period = 0.001, std::size_t extra_bytes = 0)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    // The diagram's own channel colours, 0x00BBGGRR.
    static constexpr std::uint32_t kColours[kRecordingChannels] = {0x008000, 0xFF0000, 0x000080,
                                                                   0x0000FF, 0x800000, 0x800080,
                                                                   0xFF00FF, 0x00FF00};
    RecordingHeader h;
    h.sample_period = period;
    for (int ch = 0; ch < kRecordingChannels; ++ch) {
        h.name[ch] = "Canale " + std::to_string(ch + 1);
        h.colour[ch] = kColours[ch];
    }
    const RecordingHeaderBytes header = recording_encode_header(h);
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size();
    constexpr std::uint64_t kBlock = 1 << 16;
    std::vector<std::uint8_t> block(kBlock * kRecordingRecordSize);
    for (std::uint64_t first = 0; ok && first < count; first += kBlock) {
        const std::uint64_t n = std::min(kBlock, count - first);
        for (std::uint64_t k = 0; k < n; ++k) {
            RecordingRecord r;
            for (int ch = 0; ch < kRecordingChannels; ++ch)
                r.value[std::size_t(ch)] = value(first + k, ch);
            recording_encode_record(r, &block[k * kRecordingRecordSize]);
        }
        ok = std::fwrite(block.data(), kRecordingRecordSize, n, f) == n;
    }
    const std::vector<std::uint8_t> tail(extra_bytes, 0xAB);
    if (ok && extra_bytes)
        ok = std::fwrite(tail.data(), 1, extra_bytes, f) == extra_bytes;
    return std::fclose(f) == 0 && ok;
}

// A repeatable pseudo-random stream (splitmix64) for test signals.
inline std::uint64_t mix64(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A slow wave per channel with noise and, now and then, a spike far off it: the kind of
// signal on which a picture drawn from summaries differs first from one drawn from all
// samples.
inline std::int16_t spiky_value(std::uint64_t i, int ch)
{
    const std::uint64_t r = mix64(i * 8 + std::uint64_t(ch));
    const int wave = int((i / (1000 + 300 * std::uint64_t(ch))) % 200) - 100;
    int v = 100 * ch + wave + int(r % 21) - 10;
    if (r % 5003 == 0)
        v += (r & 0x100000) ? 3000 : -3000;
    return std::int16_t(v);
}
