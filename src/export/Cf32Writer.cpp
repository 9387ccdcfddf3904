#include "export/Cf32Writer.h"

#include "export/Cf32Sink.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

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

void Cf32Sink::write(std::span<const ComplexSample> block) {
    for (std::size_t begin = 0; begin < block.size() && error() == 0; begin += kChunkSamples) {
        const auto chunk = block.subspan(begin, std::min(kChunkSamples, block.size() - begin));
        if (capacity_ < chunk.size()) {
            bytes_ = std::make_unique_for_overwrite<std::byte[]>(chunk.size() * kCf32BytesPerSample);
            capacity_ = chunk.size();
        }
        encodeCf32(chunk, bytes_.get());
        output_.write(bytes_.get(), chunk.size() * kCf32BytesPerSample);
    }
}

std::optional<std::string> writeCf32File(const std::string& path, std::span<const ComplexSample> samples) {
    Cf32Sink sink(ByteOutput::createFile(path));
    sink.write(samples);
    // A shortened file stays: the caller reports it, and a careful reader sees its length.
    return sink.finish(true);
}

}  // namespace quorvel
