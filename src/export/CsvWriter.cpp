#include "export/CsvWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "export/SampleFormat.h"

namespace quorvel {
namespace {

constexpr std::string_view kHeaderLine = "Real,Imaginary\r\n";
// Two values, the comma and CR LF.
constexpr std::size_t kMaxLineLength = 2 * kMaxSampleTextLength + 3;

char* appendLine(char* out, char* end, const ComplexSample& sample) {
    out = formatSample(out, end, sample.i);
    *out++ = ',';
    out = formatSample(out, end, sample.q);
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

std::string reasonText(int error) {
    // EIO stands in for a stream that failed without saying why.
    return std::generic_category().message(error != 0 ? error : EIO);
}

}  // namespace

std::string sampleFilePath(const std::string& savePath, std::int32_t fileNumber) {
    return savePath + "/modulated_signal_" + std::to_string(fileNumber) + ".csv";
}

bool streamSampleText(const SampleBuffer& samples, std::size_t chunkBytes,
                      const SampleTextSink& sink) {
    const std::size_t capacity = std::max({chunkBytes, kMaxLineLength, kHeaderLine.size()});
    const auto chunk = std::make_unique_for_overwrite<char[]>(capacity);
    char* const begin = chunk.get();
    char* const end = begin + capacity;
    char* out = std::copy(kHeaderLine.begin(), kHeaderLine.end(), begin);
    for (const ComplexSample& sample : samples) {
        if (static_cast<std::size_t>(end - out) < kMaxLineLength) {
            if (!sink(std::string_view(begin, static_cast<std::size_t>(out - begin)))) {
                return false;
            }
            out = begin;
        }
        out = appendLine(out, end, sample);
    }
    return sink(std::string_view(begin, static_cast<std::size_t>(out - begin)));
}

std::string formatSampleText(const SampleBuffer& samples) {
    std::string text;
    streamSampleText(samples, kSampleTextChunkBytes, [&text](std::string_view piece) {
        text.append(piece);
        return true;
    });
    return text;
}

std::optional<std::string> writeSampleFile(const std::string& path, const SampleBuffer& samples) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return reasonText(errno);
    }
    // The pieces are already large; a stream buffer would only copy them once more.
    std::setvbuf(file, nullptr, _IONBF, 0);
    int writeError = 0;
    const bool written =
        streamSampleText(samples, kSampleTextChunkBytes, [&](std::string_view piece) {
            errno = 0;
            if (std::fwrite(piece.data(), 1, piece.size(), file) == piece.size()) {
                return true;
            }
            writeError = errno;
            return false;
        });
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    const int closeError = errno;
    if (!written) {
        return reasonText(writeError);
    }
    if (!closed) {
        return reasonText(closeError);
    }
    return std::nullopt;
}

}  // namespace quorvel
