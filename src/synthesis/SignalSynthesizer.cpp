#include "synthesis/SignalSynthesizer.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>
#include <span>
#include <utility>

#include "channel/WhiteGaussianNoise.h"
#include "common/BufferAllocator.h"
#include "common/Version.h"
#include "export/ByteOutput.h"
#include "export/Cf32Sink.h"
#include "export/Cf32Writer.h"
#include "export/CsvSink.h"
#include "export/CsvWriter.h"
#include "export/SigmfMetadata.h"
#include "synthesis/RunCheck.h"
#include "synthesis/SchemeTable.h"
#include "synthesis/FileRun.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {
namespace {

// The sample files the format asks for, in the order they are reported.
std::vector<std::unique_ptr<SampleSink>> openSampleFiles(const SignalParameters& p, const std::string& folder,
                                                         std::int32_t k) {
    std::vector<std::unique_ptr<SampleSink>> sinks;
    if (writesCsv(p.outputFormat)) {
        sinks.push_back(std::make_unique<CsvSink>(ByteOutput::createFile(sampleFilePath(folder, k)),
                                                  CsvSink::defaultWorkers()));
    }
    if (writesCf32(p.outputFormat)) {
        sinks.push_back(std::make_unique<Cf32Sink>(ByteOutput::createFile(cf32FilePath(folder, k))));
    }
    return sinks;
}

// Closes the file's sinks and, when at least one sample file was written, writes the metadata.
void recordOutcome(const FileWork& work, std::int32_t k, std::optional<std::uint32_t> seed,
                   const std::string& metadataPath, GenerationResult& result) {
    bool anyWritten = false;
    for (SampleSink* sink : work.sinks) {
        if (auto error = sink->finish(true)) {
            result.fileFailures.push_back({sink->name(), std::move(*error)});
        } else {
            anyWritten = true;
            if (sink != work.options.sampleStream) {
                result.writtenFiles.push_back(sink->name());
            }
        }
    }
    if (!anyWritten || metadataPath.empty()) {
        return;
    }
    const RecordingRecord record{work.p, seed, k, std::string(kProgramVersion), work.length, work.signalPower};
    if (auto error = writeMetadataFile(metadataPath, record)) {
        result.fileFailures.push_back({metadataPath, std::move(*error)});
    } else {
        result.metadataFiles.push_back(metadataPath);
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
    const std::uint64_t limit = memoryLimitBytes_.value_or(availableMemoryBytes());
    if (auto reason = findRefusal(p, limit, options.keepLastSignal)) {
        result.refusal = std::move(*reason);
        return result;
    }
    SymbolEngine engine(seeds_());
    const std::int32_t m = alphabetSize(p);
    const bool noisy = p.snrDb != std::numeric_limits<double>::infinity();
    // Of the files before the first one made, only the symbol engine's state and the noise seeds
    // carry over.
    for (std::int32_t k = 1; k < firstFile; ++k) {
        SymbolStream(p.dataSource, m, p.symbolCount, engine).drawRest();
        if (noisy) {
            seeds_();
        }
    }
    result.samplesPerFile = static_cast<std::uint64_t>(samplesPerFile(p));
    ProgressReport progress(options, result.samplesPerFile * static_cast<std::uint64_t>(lastFile - firstFile + 1));
    for (std::int32_t k = firstFile; k <= lastFile; ++k) {
        const bool last = k == lastFile;
        FileWork work{p, result.samplesPerFile, {}, nullptr, options, progress};
        std::vector<std::unique_ptr<SampleSink>> files;
        if (options.sampleStream != nullptr) {
            work.sinks.push_back(options.sampleStream);
        } else {
            files = openSampleFiles(p, folder, k);
            for (auto& file : files) {
                work.sinks.push_back(file.get());
            }
        }
        // The viewer needs the last file whole: a memory sink keeps it beside the files.
        SampleBuffer signal;
        SampleBuffer mapped;
        std::optional<MemorySink> memory;
        if (last && options.keepLastSignal) {
            signal.reserve(result.samplesPerFile);
            mapped.reserve(mapsOnePointPerSymbol(p.modulationType) ? static_cast<std::size_t>(p.symbolCount)
                                                                   : result.samplesPerFile);
            memory.emplace(signal);
            work.keptMapped = &mapped;
            work.sinks.push_back(&*memory);
        }
        const FileEnd end = makeStreamedFile(work, engine, seeds_);
        if (memory) {
            work.sinks.pop_back();  // what is reported and recorded are the files
        }
        if (end != FileEnd::Finished) {
            for (SampleSink* sink : work.sinks) {
                if (auto error = sink->finish(false); error && end == FileEnd::StreamFailed) {
                    result.fileFailures.push_back({sink->name(), std::move(*error)});
                }
            }
            result.cancelled = end == FileEnd::Cancelled;
            result.streamFailed = end == FileEnd::StreamFailed;
            break;
        }
        const std::string metadataPath =
            options.sampleStream != nullptr ? options.metadataPath.value_or("") : metadataFilePath(folder, k);
        recordOutcome(work, k, userSeed_, metadataPath, result);
        progress.endOfFile();
        if (last) {
            result.signal = std::move(signal);
            result.mappedSymbols = std::move(mapped);
        }
    }
    // What the run kept for reuse goes back to the system; the result keeps its own storage.
    releaseCachedBlocks();
    return result;
}

}  // namespace quorvel
