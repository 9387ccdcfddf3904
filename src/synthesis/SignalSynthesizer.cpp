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
#include "common/Version.h"
#include "export/Cf32Writer.h"
#include "export/CsvWriter.h"
#include "export/SampleFileStream.h"
#include "export/SigmfMetadata.h"
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

// One file on its way to disk: its final samples and the streams writing them.
struct FileInProgress {
    std::int32_t number = 0;
    SampleBuffer samples;
    double signalPower = 0.0;                  // measured before the noise is added
    std::string csvPath;                       // empty when the format has no CSV file
    std::unique_ptr<SampleFileStream> stream;  // the CSV file, written while the noise is drawn
    std::string cf32Path;                      // empty when the format has no cf32 file
    std::optional<std::string> cf32Error;
};

void markReady(FileInProgress& file, std::size_t count) {
    if (file.stream) {
        file.stream->markReady(count);
    }
}

// The noise stage, last of all, done piece by piece: the CSV stream formats and writes each
// piece on the other cores while the next one is drawn. The values are those of one pass.
void addNoiseWhileWriting(FileInProgress& file, double snrDb, const SeedSource& seeds) {
    file.signalPower = meanPower(file.samples);
    if (!addsNoise(file.samples, snrDb)) {
        markReady(file, file.samples.size());
        return;
    }
    NoiseGenerator noise(noiseStandardDeviation(file.signalPower, snrDb), seeds());
    const std::span<ComplexSample> all(file.samples);
    for (std::size_t begin = 0; begin < all.size(); begin += SampleFileStream::kChunkSamples) {
        const std::size_t count = std::min(SampleFileStream::kChunkSamples, all.size() - begin);
        noise.addTo(all.subspan(begin, count));
        markReady(file, begin + count);
    }
}

// Waits for the file's sample files and, when at least one of them was written, writes the
// metadata describing them.
void recordOutcome(FileInProgress& file, const SignalParameters& p, std::optional<std::uint32_t> seed,
                   const std::string& folder, GenerationResult& result) {
    bool anyWritten = false;
    const auto note = [&](const std::string& path, std::optional<std::string> error) {
        if (error) {
            result.fileFailures.push_back({path, std::move(*error)});
        } else {
            result.writtenFiles.push_back(path);
            anyWritten = true;
        }
    };
    if (file.stream) {
        note(file.csvPath, file.stream->finish());
    }
    if (!file.cf32Path.empty()) {
        note(file.cf32Path, std::move(file.cf32Error));
    }
    if (!anyWritten) {
        return;
    }
    const RecordingRecord record{p, seed, file.number, std::string(kProgramVersion), file.samples.size(),
                                 file.signalPower};
    const std::string path = metadataFilePath(folder, file.number);
    if (auto error = writeMetadataFile(path, record)) {
        result.fileFailures.push_back({path, std::move(*error)});
    } else {
        result.metadataFiles.push_back(path);
    }
}

}  // namespace

SignalSynthesizer::SignalSynthesizer(SeedSource seeds) : seeds_(std::move(seeds)) {}

SignalSynthesizer SignalSynthesizer::seeded(std::uint32_t seed) {
    SignalSynthesizer synthesizer(seededSequence(seed));
    synthesizer.userSeed_ = seed;
    return synthesizer;
}

GenerationResult SignalSynthesizer::generateSignal(const SignalParameters& p, const RunOptions& options) const {
    return run(p, 1, p.fileCount, p.savePath, options);
}

GenerationResult SignalSynthesizer::regenerateFile(const SignalParameters& p, std::int32_t fileNumber,
                                                   const std::string& folder, const RunOptions& options) const {
    if (fileNumber < 1 || fileNumber > p.fileCount) {
        GenerationResult result;
        result.refusal = "The run has files 1 to " + std::to_string(p.fileCount) + ", not file " +
                         std::to_string(fileNumber) + ".";
        return result;
    }
    return run(p, fileNumber, fileNumber, folder, options);
}

GenerationResult SignalSynthesizer::run(const SignalParameters& p, std::int32_t firstFile, std::int32_t lastFile,
                                        const std::string& folder, const RunOptions& options) const {
    GenerationResult result;
    // Every refusal depends on the parameters alone, so it comes before any file is touched.
    if (auto reason = findRefusal(p, memoryLimitBytes_.value_or(availableMemoryBytes()))) {
        result.refusal = std::move(*reason);
        return result;
    }
    SymbolEngine engine(seeds_());
    const std::int32_t m = alphabetSize(p);
    // Of the files before the first one made, only the symbol engine's state carries over.
    for (std::int32_t k = 1; k < firstFile; ++k) {
        drawSymbols(p.dataSource, m, p.symbolCount, engine);
    }
    // The previous file goes on being written while the next one is generated; only then is it
    // waited for, so at most two files' samples are held at once.
    std::unique_ptr<FileInProgress> previous;
    RunProgress progress{0, static_cast<std::uint64_t>(samplesPerFile(p)) *
                                static_cast<std::uint64_t>(lastFile - firstFile + 1)};
    for (std::int32_t k = firstFile; k <= lastFile; ++k) {
        if (options.cancel != nullptr && options.cancel->load()) {
            result.cancelled = true;
            break;
        }
        const SymbolSequence symbols = drawSymbols(p.dataSource, m, p.symbolCount, engine);
        SampleBuffer mapped = mapSymbols(symbols, p);
        auto file = std::make_unique<FileInProgress>();
        file->number = k;
        const bool last = k == lastFile;
        // Only the last file's mapper output outlives its file; the others' can become the
        // working buffer themselves instead of being copied.
        SampleBuffer atSamplingRate = !mapsOnePointPerSymbol(p.modulationType)
                                          ? (last ? mapped : std::move(mapped))
                                          : resampleToSamplingRate(mapped, p.symbolRate, p.samplingRate);
        file->samples = applyImpairments(std::move(atSamplingRate), p);
        if (k == firstFile && addsNoise(file->samples, p.snrDb)) {
            // Every file of a run has the same length, so each skipped file took a noise seed too.
            for (std::int32_t skipped = 1; skipped < firstFile; ++skipped) {
                seeds_();
            }
        }
        if (previous) {
            recordOutcome(*previous, p, userSeed_, folder, result);
            previous.reset();
        }
        if (writesCsv(p.outputFormat)) {
            file->csvPath = sampleFilePath(folder, k);
            file->stream = std::make_unique<SampleFileStream>(file->csvPath, file->samples,
                                                              SampleFileStream::defaultWorkers());
        }
        addNoiseWhileWriting(*file, p.snrDb, seeds_);
        if (writesCf32(p.outputFormat)) {
            // The samples are final now; the CSV workers go on formatting meanwhile.
            file->cf32Path = cf32FilePath(folder, k);
            file->cf32Error = writeCf32File(file->cf32Path, file->samples);
        }
        result.samplesPerFile = file->samples.size();
        progress.samplesDone += file->samples.size();
        if (options.progress) {
            options.progress(progress);
        }
        if (!last) {
            previous = std::move(file);
        } else {
            recordOutcome(*file, p, userSeed_, folder, result);
            result.signal = std::move(file->samples);
            result.mappedSymbols = std::move(mapped);
        }
    }
    if (previous) {
        recordOutcome(*previous, p, userSeed_, folder, result);
    }
    // What the run kept for reuse goes back to the system; the result keeps its own storage.
    releaseCachedBlocks();
    return result;
}

}  // namespace quorvel
