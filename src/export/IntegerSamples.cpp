#include "export/IntegerSamples.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "export/Cf32Writer.h"

namespace quorvel {
namespace {

constexpr std::size_t kChunkSamples = std::size_t{1} << 16;

// Codes per unit of fullScale and the end codes of the signed forms.
struct SignedCodes {
    double perFullScale;
    double lowest;
    double highest;
};

constexpr SignedCodes kCi16{32768.0, -32768.0, 32767.0};
constexpr SignedCodes kCi8{128.0, -128.0, 127.0};

// x rounded to the nearest whole number, ties to even, as nearbyint rounds in the default mode,
// for |x| < 2^51; larger values come back beyond every end code. Written out because the
// library's call would cost more than the rest of a sample: adding and taking away 1.5 * 2^52
// leaves no fraction bits.
inline double roundedToWhole(double x) {
    constexpr double kShift = 6755399441055744.0;
    return (x + kShift) - kShift;
}

// The end code for a code beyond the ends, 0 for not a number (which fails both comparisons).
inline double clampedCode(double code, double lowest, double highest, bool& clipped) {
    if (code >= lowest && code <= highest) {
        return code;
    }
    clipped = true;
    return code < lowest ? lowest : (code > highest ? highest : 0.0);
}

// The nearest code, the end code beyond the ends; clipped is set for a value beyond them or not
// a number (written 0).
inline double signedCode(double value, const SignedCodes& codes, bool& clipped) {
    return clampedCode(roundedToWhole(value * codes.perFullScale), codes.lowest, codes.highest, clipped);
}

// cu8's 256 levels lie at (u - 127.5) / 128: each value goes to the level of its own 1/128 step
// (floor), so the levels' mean is 0 as the signal's is. Not a number is written as 128.
inline double unsignedCode(double value, bool& clipped) {
    const double scaled = value * 128.0;
    if (!(scaled >= -128.0 && scaled < 128.0)) {
        clipped = true;
        return scaled >= 128.0 ? 255.0 : (scaled < -128.0 ? 0.0 : 128.0);
    }
    const int truncated = static_cast<int>(scaled);
    return static_cast<double>(truncated + 128 - static_cast<int>(static_cast<double>(truncated) > scaled));
}

std::uint16_t littleEndian(std::int16_t value) {
    const auto bits = static_cast<std::uint16_t>(value);
    if constexpr (std::endian::native == std::endian::little) {
        return bits;
    } else {
        return static_cast<std::uint16_t>((bits << 8) | (bits >> 8));
    }
}

}  // namespace

double defaultIntegerScale() {
    return std::pow(10.0, kDefaultHeadroomDb / 20.0);
}

double integerScaleOf(const SignalParameters& p) {
    return p.integerScale > 0.0 ? p.integerScale : defaultIntegerScale();
}

std::size_t sigmfBytesPerSample(OutputFormat format) {
    switch (format) {
        case OutputFormat::Ci16: return 4;
        case OutputFormat::Ci8:
        case OutputFormat::Cu8: return 2;
        default: return kCf32BytesPerSample;
    }
}

std::string_view sigmfDatatype(OutputFormat format) {
    switch (format) {
        case OutputFormat::Ci16: return "ci16_le";
        case OutputFormat::Ci8: return "ci8";
        case OutputFormat::Cu8: return "cu8";
        default: return "cf32_le";
    }
}

std::uint64_t encodeIntegers(std::span<const ComplexSample> samples, OutputFormat format, double fullScale,
                             std::byte* out) {
    const double gain = 1.0 / fullScale;
    std::uint64_t clipped = 0;
    // One loop per format, so that no sample asks which.
    const auto each = [&](auto code) {
        for (const ComplexSample& sample : samples) {
            bool clip = false;
            const auto pair = {code(sample.i * gain, clip), code(sample.q * gain, clip)};
            for (const auto value : pair) {
                std::memcpy(out, &value, sizeof value);
                out += sizeof value;
            }
            clipped += clip ? 1 : 0;
        }
    };
    switch (format) {
        case OutputFormat::Ci16:
            each([](double v, bool& clip) { return littleEndian(static_cast<std::int16_t>(signedCode(v, kCi16, clip))); });
            break;
        case OutputFormat::Ci8:
            each([](double v, bool& clip) { return static_cast<std::int8_t>(signedCode(v, kCi8, clip)); });
            break;
        default:
            each([](double v, bool& clip) { return static_cast<std::uint8_t>(unsignedCode(v, clip)); });
            break;
    }
    return clipped;
}

void IntegerSink::write(std::span<const ComplexSample> block) {
    const std::size_t width = sigmfBytesPerSample(format_);
    for (std::size_t begin = 0; begin < block.size() && error() == 0; begin += kChunkSamples) {
        const auto chunk = block.subspan(begin, std::min(kChunkSamples, block.size() - begin));
        if (capacity_ < chunk.size()) {
            bytes_ = std::make_unique_for_overwrite<std::byte[]>(chunk.size() * width);
            capacity_ = chunk.size();
        }
        clipped_ += encodeIntegers(chunk, format_, fullScale_, bytes_.get());
        output_.write(bytes_.get(), chunk.size() * width);
    }
}

}  // namespace quorvel
