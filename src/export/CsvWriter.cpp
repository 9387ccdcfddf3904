#include "export/CsvWriter.h"

#include <algorithm>
#include <memory>

#include "export/CsvSink.h"
#include "export/SampleFormat.h"

namespace quorvel {
namespace {

constexpr std::string_view kHeaderLine = "Real,Imaginary\r\n";

}  // namespace

std::string sampleFilePath(const std::string& savePath, std::int32_t fileNumber) {
    return savePath + "/modulated_signal_" + std::to_string(fileNumber) + ".csv";
}

bool streamSampleText(const SampleBuffer& samples, std::size_t chunkBytes,
                      const SampleTextSink& sink) {
    const std::size_t capacity = std::max({chunkBytes, kMaxSampleLineLength, kHeaderLine.size()});
    const auto chunk = std::make_unique_for_overwrite<char[]>(capacity);
    char* const begin = chunk.get();
    char* const end = begin + capacity;
    char* out = std::copy(kHeaderLine.begin(), kHeaderLine.end(), begin);
    for (const ComplexSample& sample : samples) {
        if (static_cast<std::size_t>(end - out) < kMaxSampleLineLength) {
            if (!sink(std::string_view(begin, static_cast<std::size_t>(out - begin)))) {
                return false;
            }
            out = begin;
        }
        out = formatSampleLines(out, std::span(&sample, 1));
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
    CsvSink sink(ByteOutput::createFile(path), CsvSink::defaultWorkers());
    sink.write(samples);
    // A shortened file stays: the caller reports it.
    return sink.finish(true);
}

}  // namespace quorvel
