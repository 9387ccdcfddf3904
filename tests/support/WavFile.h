#pragma once
// WAV files for the tests, written byte by byte so that the reader under test is not also the writer.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace quorvel::testing_support {

// A canonical 44-byte-header PCM WAV, samples interleaved by channel.
inline void writeWav(const std::string& path, int rateHz, int channels, const std::vector<std::int16_t>& samples) {
    std::string bytes;
    const auto put = [&bytes](std::uint32_t value, int size) {
        for (int k = 0; k < size; ++k) {
            bytes += static_cast<char>((value >> (8 * k)) & 0xFF);
        }
    };
    const auto data = static_cast<std::uint32_t>(2 * samples.size());
    bytes += "RIFF";
    put(36 + data, 4);
    bytes += "WAVEfmt ";
    put(16, 4);
    put(1, 2);
    put(static_cast<std::uint32_t>(channels), 2);
    put(static_cast<std::uint32_t>(rateHz), 4);
    put(static_cast<std::uint32_t>(rateHz * channels * 2), 4);
    put(static_cast<std::uint32_t>(channels * 2), 2);
    put(16, 2);
    bytes += "data";
    put(data, 4);
    for (const std::int16_t s : samples) {
        put(static_cast<std::uint16_t>(s), 2);
    }
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace quorvel::testing_support
