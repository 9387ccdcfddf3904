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
#include "synthesis/SignalChain.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {
namespace {

// Samples made and handed to the sinks at a time.
constexpr std::size_t kBlockSamples = 65536;

// Reports progress in half samples, so that a file measured before it is made counts each sample
// half in each pass; at most a few times a second, and at the end of every file.
class ProgressReport {
public:
    ProgressReport(const RunOptions& options, std::uint64_t samplesTotal) : options_(options) {
        progress_.samplesTotal = samplesTotal;
    }

    void add(std::uint64_t halfSamples) {
        doneHalves_ += halfSamples;
        if (!options_.progress) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - lastReport_ >= kInterval) {
            report(now);
        }
    }

    void endOfFile() {
        if (options_.progress) {
            report(std::chrono::steady_clock::now());
        }
    }

private:
    static constexpr auto kInterval = std::chrono::milliseconds(100);

    void report(std::chrono::steady_clock::time_point now) {
        lastReport_ = now;
        progress_.samplesDone = doneHalves_ / 2;
        options_.progress(progress_);
    }

    const RunOptions& options_;
    RunProgress progress_;
    std::uint64_t doneHalves_ = 0;
    std::chrono::steady_clock::time_point lastReport_{};
};

// Why a file was not finished.
enum class FileEnd { Finished, Cancelled, StreamFailed };

// One file on its way out: where its samples go and what becomes of it.
struct FileWork {
    const SignalParameters& p;
    std::uint64_t length = 0;
    std::vector<SampleSink*> sinks;
    SampleBuffer* keptSignal = nullptr;  // the last file's samples, when the caller keeps them
    SampleBuffer* keptMapped = nullptr;
    const RunOptions& options;
    ProgressReport& progress;
    double signalPower = 0.0;  // measured before the noise is added
};

double sumOfPowers(std::span<const ComplexSample> block, double sum) {
    for (const auto& s : block) {
        sum += s.i * s.i + s.q * s.q;
    }
    return sum;
}

bool cancelRequested(const RunOptions& options) {
    return options.cancel != nullptr && options.cancel->load(std::memory_order_relaxed);
}

// Hands one finished block to every sink; says whether the run goes on.
FileEnd deliver(FileWork& work, std::span<const ComplexSample> block) {
    for (SampleSink* sink : work.sinks) {
        sink->write(block);
    }
    if (work.options.sampleStream != nullptr && work.options.sampleStream->failed()) {
        return FileEnd::StreamFailed;
    }
    return cancelRequested(work.options) ? FileEnd::Cancelled : FileEnd::Finished;
}

// The file made in one pass into memory and then handed out from there, noise added block by block.
FileEnd makeKeptFile(FileWork& work, SymbolEngine& engine, const SeedSource& seeds) {
    SampleBuffer& signal = *work.keptSignal;
    signal.resize(work.length);
    SignalChain chain(work.p, engine, work.keptMapped);
    double sum = 0.0;
    for (std::size_t begin = 0; begin < signal.size(); begin += kBlockSamples) {
        const auto block = std::span(signal).subspan(begin, std::min(kBlockSamples, signal.size() - begin));
        chain.read(block);
        sum = sumOfPowers(block, sum);
        work.progress.add(block.size());
        if (cancelRequested(work.options)) {
            return FileEnd::Cancelled;
        }
    }
    chain.finish();
    work.signalPower = sum / static_cast<double>(signal.size());
    std::optional<NoiseGenerator> noise;
    if (work.p.snrDb != std::numeric_limits<double>::infinity()) {
        noise.emplace(noiseStandardDeviation(work.signalPower, work.p.snrDb), seeds());
    }
    for (std::size_t begin = 0; begin < signal.size(); begin += kBlockSamples) {
        const auto block = std::span(signal).subspan(begin, std::min(kBlockSamples, signal.size() - begin));
        if (noise) {
            noise->addTo(block);
        }
        work.progress.add(block.size());
        if (const FileEnd end = deliver(work, block); end != FileEnd::Finished) {
            return end;
        }
    }
    return FileEnd::Finished;
}

// The file made block by block and never held whole. Noise needs the mean power of the whole
// file first, so a first pass, from a copy of the symbol engine, only measures it; the second
// makes the same samples again and adds the noise.
FileEnd makeStreamedFile(FileWork& work, SymbolEngine& engine, const SeedSource& seeds) {
    SampleBuffer block(std::min<std::uint64_t>(kBlockSamples, work.length));
    const bool noisy = work.p.snrDb != std::numeric_limits<double>::infinity();
    double sum = 0.0;
    if (noisy) {
        SymbolEngine measuring = engine;
        SignalChain chain(work.p, measuring, nullptr);
        while (const std::size_t count = chain.read(block)) {
            sum = sumOfPowers(std::span(block).first(count), sum);
            work.progress.add(count);
            if (cancelRequested(work.options)) {
                return FileEnd::Cancelled;
            }
        }
        work.signalPower = sum / static_cast<double>(work.length);
    }
    std::optional<NoiseGenerator> noise;
    if (noisy) {
        noise.emplace(noiseStandardDeviation(work.signalPower, work.p.snrDb), seeds());
    }
    SignalChain chain(work.p, engine, nullptr);
    while (const std::size_t count = chain.read(block)) {
        const auto made = std::span(block).first(count);
        if (noise) {
            noise->addTo(made);
        } else {
            sum = sumOfPowers(made, sum);
        }
        work.progress.add(noisy ? count : 2 * count);
        if (const FileEnd end = deliver(work, made); end != FileEnd::Finished) {
            return end;
        }
    }
    chain.finish();
    if (!noisy) {
        work.signalPower = sum / static_cast<double>(work.length);
    }
    return FileEnd::Finished;
}

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
        FileWork work{p, result.samplesPerFile, {}, nullptr, nullptr, options, progress};
        std::vector<std::unique_ptr<SampleSink>> files;
        if (options.sampleStream != nullptr) {
            work.sinks.push_back(options.sampleStream);
        } else {
            files = openSampleFiles(p, folder, k);
            for (auto& file : files) {
                work.sinks.push_back(file.get());
            }
        }
        SampleBuffer signal;
        SampleBuffer mapped;
        if (last && options.keepLastSignal) {
            work.keptSignal = &signal;
            work.keptMapped = &mapped;
        }
        const FileEnd end = work.keptSignal != nullptr ? makeKeptFile(work, engine, seeds_)
                                                       : makeStreamedFile(work, engine, seeds_);
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
