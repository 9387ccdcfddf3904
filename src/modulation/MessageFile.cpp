#include "modulation/MessageFile.h"

#include <openssl/evp.h>
#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>

#include "common/InputFile.h"
#include "common/PrintableText.h"
#include "dsp/FourierTransform.h"

namespace quorvel {
namespace {

constexpr std::size_t kShownPathBytes = 256;

// libsndfile reads the bytes the input reader took, never the path itself: the file is checked
// and capped once, and what is decoded is what was hashed.
struct MemoryFile {
    const std::string* bytes = nullptr;
    sf_count_t position = 0;
};

sf_count_t memoryLength(void* user) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes->size()); }

sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t size = static_cast<sf_count_t>(file->bytes->size());
    const sf_count_t base = whence == SEEK_CUR ? file->position : whence == SEEK_END ? size : 0;
    file->position = std::clamp<sf_count_t>(base + offset, 0, size);
    return file->position;
}

sf_count_t memoryRead(void* out, sf_count_t count, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t size = static_cast<sf_count_t>(file->bytes->size());
    const sf_count_t taken = std::clamp<sf_count_t>(size - file->position, 0, std::max<sf_count_t>(count, 0));
    std::memcpy(out, file->bytes->data() + file->position, static_cast<std::size_t>(taken));
    file->position += taken;
    return taken;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t memoryTell(void* user) { return static_cast<MemoryFile*>(user)->position; }

struct Decoded {
    std::vector<double> mono;
    double rateHz = 0.0;
    std::string problem;
};

// The file's frames, each the mean of its channels.
Decoded decodeWav(const std::string& bytes) {
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    MemoryFile memory{&bytes, 0};
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open_virtual(&io, SFM_READ, &info, &memory), sf_close);
    Decoded out;
    if (!file) {
        out.problem = "is no sound file libsndfile reads (" + printableText(sf_strerror(nullptr), 80) + ")";
        return out;
    }
    const int major = info.format & SF_FORMAT_TYPEMASK;
    if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX && major != SF_FORMAT_RF64) {
        out.problem = "is a sound file but no WAV file";
        return out;
    }
    if (info.channels < 1 || info.samplerate < 1 || info.frames < 1) {
        out.problem = "holds no sound";
        return out;
    }
    if (static_cast<std::uint64_t>(info.frames) > kMaxMessagePeriodSamples) {
        out.problem = "holds more than " + std::to_string(kMaxMessagePeriodSamples) + " frames";
        return out;
    }
    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<double> block(channels * 4096);
    out.mono.reserve(static_cast<std::size_t>(info.frames));
    while (true) {
        const sf_count_t frames = sf_readf_double(file.get(), block.data(), 4096);
        for (sf_count_t f = 0; f < frames; ++f) {
            double sum = 0.0;
            for (std::size_t c = 0; c < channels; ++c) {
                sum += block[static_cast<std::size_t>(f) * channels + c];
            }
            out.mono.push_back(sum / static_cast<double>(channels));
        }
        if (frames < 4096) {
            break;
        }
    }
    if (out.mono.empty()) {
        out.problem = "holds no sound";
    }
    out.rateHz = static_cast<double>(info.samplerate);
    return out;
}

// One period at the sampling rate, analytic: the file's bins from the first above 0 Hz up to the
// band's top (and below both Nyquist frequencies) doubled, the rest zero, scaled by the lengths'
// ratio so the amplitude holds.
std::vector<ComplexSample> analyticPeriod(const std::vector<double>& mono, double rateHz, std::size_t length,
                                          double topHz) {
    const std::size_t n = mono.size();
    std::vector<ComplexSample> in(n);
    for (std::size_t k = 0; k < n; ++k) {
        in[k] = {mono[k], 0.0};
    }
    FourierTransform forward(n);
    const auto bins = forward.forward(in);
    std::vector<ComplexSample> out(length);
    const double gain = 2.0 / static_cast<double>(n);  // the inverse's 1/N for the period, doubled
    for (std::size_t k = 1; 2 * k < n && 2 * k < length && static_cast<double>(k) * rateHz / static_cast<double>(n) <= topHz; ++k) {
        out[k] = {gain * bins[2 * k], gain * bins[2 * k + 1]};
    }
    FourierTransform inverse(length, FourierTransform::Direction::Inverse);
    const auto samples = inverse.inverse(out);
    for (std::size_t k = 0; k < length; ++k) {
        out[k] = {samples[2 * k], samples[2 * k + 1]};
    }
    return out;
}

}  // namespace

bool namesMessageFile(std::string_view text) {
    constexpr std::string_view suffix = ".wav";
    if (text.size() <= suffix.size() || text.starts_with("tone:")) {
        return false;
    }
    const std::string_view tail = text.substr(text.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

MessageFileReading readMessageFile(const std::string& path, double samplingRateHz, double topHz) {
    const InputFile file = readInputFile(path, kMaxMessageFileBytes, "a message file");
    if (!file) {
        return {std::nullopt, "the message file " + file.problem};
    }
    const std::string shown = "the message file " + printableText(path, kShownPathBytes) + " ";
    const Decoded decoded = decodeWav(*file.text);
    if (!decoded.problem.empty()) {
        return {std::nullopt, shown + decoded.problem};
    }
    const double length = std::round(static_cast<double>(decoded.mono.size()) * samplingRateHz / decoded.rateHz);
    if (!(length >= 1.0 && length <= static_cast<double>(kMaxMessagePeriodSamples))) {
        return {std::nullopt, shown + "lasts " + std::to_string(length / samplingRateHz) + " s: at most " +
                                  std::to_string(kMaxMessagePeriodSamples) + " samples at the sampling rate"};
    }
    std::vector<ComplexSample> period = analyticPeriod(decoded.mono, decoded.rateHz, static_cast<std::size_t>(length), topHz);
    double peak = 0.0;
    for (const ComplexSample& a : period) {
        peak = std::max(peak, std::abs(a.i));
    }
    // Far below a 16-bit file's least step: nothing of the file lies in the band.
    if (!(peak > 1e-9)) {
        return {std::nullopt, shown + "holds no sound between 0 and " + std::to_string(topHz) + " Hz"};
    }
    for (ComplexSample& a : period) {
        a = {a.i / peak, a.q / peak};
    }
    return {std::move(period), {}};
}

std::optional<MessageFileIdentity> messageFileIdentity(const std::string& path, std::string* problem) {
    const InputFile file = readInputFile(path, kMaxMessageFileBytes, "a message file");
    if (!file) {
        if (problem != nullptr) {
            *problem = "the message file " + file.problem;
        }
        return std::nullopt;
    }
    const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), file.text->data(), file.text->size()) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest, &length) != 1) {
        return std::nullopt;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    MessageFileIdentity identity{file.text->size(), {}};
    for (unsigned int k = 0; k < length; ++k) {
        identity.sha256 += kHex[digest[k] >> 4];
        identity.sha256 += kHex[digest[k] & 15];
    }
    return identity;
}

}  // namespace quorvel
