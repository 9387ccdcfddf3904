#include "synthesis/SignalSynthesizer.h"

#include <algorithm>
#include <memory>
#include <span>
#include <utility>

#include "channel/FrequencyOffset.h"
#include "channel/Mixing.h"
#include "channel/Resampling.h"
#include "channel/TimingError.h"
#include "channel/WhiteGaussianNoise.h"
#include "common/BufferAllocator.h"
#include "export/CsvWriter.h"
#include "export/SampleFileStream.h"
#include "synthesis/RunCheck.h"
#include "synthesis/SchemeTable.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {
namespace {

// Mixing, timing error and frequency offset, each only when its value is not 0 (so +0 and -0
// both skip it); the stages that can work in place reuse the working buffer's storage.
SampleBuffer applyImpairments(SampleBuffer working, const SignalParameters& p) {
    if (p.mixingFrequency != 0.0) {
        working = frequencyShift(std::move(working), p.mixingFrequency, p.samplingRate);
    }
    if (p.timingError != 0.0) {
        working = applyTimingError(working, p.timingError, p.symbolRate, p.samplingRate);
    }
    if (p.frequencyOffset != 0.0) {
        working = applyFrequencyOffset(std::move(working), p.frequencyOffset, p.samplingRate);
    }
    return working;
}

// One file on its way to disk: its final samples and the stream writing them.
struct FileInProgress {
    std::string path;
    SampleBuffer samples;
    std::unique_ptr<SampleFileStream> stream;
};

// The noise stage, last of all, done piece by piece: the file stream formats and writes each
// piece on the other cores while the next one is drawn. The values are those of one pass.
void addNoiseWhileWriting(FileInProgress& file, double snrDb, const SeedSource& seeds) {
    if (!addsNoise(file.samples, snrDb)) {
        file.stream->markReady(file.samples.size());
        return;
    }
    NoiseGenerator noise(noiseStandardDeviation(file.samples, snrDb), seeds());
    const std::span<ComplexSample> all(file.samples);
    for (std::size_t begin = 0; begin < all.size(); begin += SampleFileStream::kChunkSamples) {
        const std::size_t count = std::min(SampleFileStream::kChunkSamples, all.size() - begin);
        noise.addTo(all.subspan(begin, count));
        file.stream->markReady(begin + count);
    }
}

void recordOutcome(FileInProgress& file, GenerationResult& result) {
    if (auto error = file.stream->finish()) {
        result.fileFailures.push_back({file.path, std::move(*error)});
    } else {
        result.writtenFiles.push_back(file.path);
    }
}

}  // namespace

SignalSynthesizer::SignalSynthesizer(SeedSource seeds) : seeds_(std::move(seeds)) {}

GenerationResult SignalSynthesizer::generateSignal(const SignalParameters& p) const {
    GenerationResult result;
    // Every refusal depends on the parameters alone, so it comes before any file is touched.
    if (auto reason = findRefusal(p, memoryLimitBytes_.value_or(availableMemoryBytes()))) {
        result.refusal = std::move(*reason);
        return result;
    }
    SymbolEngine engine(seeds_());
    const std::int32_t m = alphabetSize(p);
    // The previous file goes on being written while the next one is generated; only then is it
    // waited for, so at most two files' samples are held at once.
    std::unique_ptr<FileInProgress> previous;
    for (std::int32_t k = 1; k <= p.fileCount; ++k) {
        const SymbolSequence symbols = drawSymbols(p.dataSource, m, p.symbolCount, engine);
        SampleBuffer mapped = mapSymbols(symbols, p);
        auto file = std::make_unique<FileInProgress>();
        file->path = sampleFilePath(p.savePath, k);
        const bool last = k == p.fileCount;
        // Only the last file's mapper output outlives its file; the others' can become the
        // working buffer themselves instead of being copied.
        SampleBuffer atSamplingRate = !mapsOnePointPerSymbol(p.modulationType)
                                          ? (last ? mapped : std::move(mapped))
                                          : resampleToSamplingRate(mapped, p.symbolRate, p.samplingRate);
        file->samples = applyImpairments(std::move(atSamplingRate), p);
        if (previous) {
            recordOutcome(*previous, result);
            previous.reset();
        }
        file->stream = std::make_unique<SampleFileStream>(file->path, file->samples,
                                                          SampleFileStream::defaultWorkers());
        addNoiseWhileWriting(*file, p.snrDb, seeds_);
        if (!last) {
            previous = std::move(file);
        } else {
            recordOutcome(*file, result);
            result.signal = std::move(file->samples);
            result.mappedSymbols = std::move(mapped);
        }
    }
    // What the run kept for reuse goes back to the system; the result keeps its own storage.
    releaseCachedBlocks();
    return result;
}

}  // namespace quorvel
