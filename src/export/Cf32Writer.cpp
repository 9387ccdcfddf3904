#include "export/Cf32Writer.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

namespace quorvel {
namespace {

// Converted and written this many samples at a time: few system calls, bounded memory.
constexpr std::size_t kChunkSamples = std::size_t{1} << 16;

std::uint32_t littleEndianBits(double value) {
    const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
    if constexpr (std::endian::native == std::endian::little) {
        return bits;
    } else {
        return ((bits & 0xFFu) << 24) | ((bits & 0xFF00u) << 8) | ((bits >> 8) & 0xFF00u) | (bits >> 24);
    }
}

int lastError() {
    return errno != 0 ? errno : EIO;
}

std::string reasonText(int error) {
    return std::generic_category().message(error);
}

}  // namespace

std::string cf32FilePath(const std::string& savePath, std::int32_t fileNumber) {
    return savePath + "/modulated_signal_" + std::to_string(fileNumber) + ".sigmf-data";
}

void encodeCf32(std::span<const ComplexSample> samples, std::byte* out) {
    for (const ComplexSample& sample : samples) {
        const std::uint32_t pair[2] = {littleEndianBits(sample.i), littleEndianBits(sample.q)};
        std::memcpy(out, pair, sizeof pair);
        out += sizeof pair;
    }
}

std::optional<std::string> writeCf32File(const std::string& path, std::span<const ComplexSample> samples) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return reasonText(lastError());
    }
    // The chunks are large already; a stream buffer would only copy them once more.
    std::setvbuf(file, nullptr, _IONBF, 0);
    int error = 0;
    try {
        const std::size_t capacity = std::min(kChunkSamples, samples.size());
        const auto bytes = std::make_unique_for_overwrite<std::byte[]>(capacity * kCf32BytesPerSample);
        for (std::size_t begin = 0; begin < samples.size() && error == 0; begin += kChunkSamples) {
            const auto chunk = samples.subspan(begin, std::min(kChunkSamples, samples.size() - begin));
            encodeCf32(chunk, bytes.get());
            const std::size_t length = chunk.size() * kCf32BytesPerSample;
            errno = 0;
            if (std::fwrite(bytes.get(), 1, length, file) != length) {
                error = lastError();
            }
        }
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    }
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    if (error == 0 && !closed) {
        error = lastError();
    }
    return error == 0 ? std::nullopt : std::optional(reasonText(error));
}

}  // namespace quorvel
