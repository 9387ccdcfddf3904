#include "synthesis/SignalSynthesizer.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <cstdio>
#include <system_error>
#include <chrono>
#include <memory>
#include <new>
#include <span>
#include <utility>

#include "channel/WhiteGaussianNoise.h"
#include "common/BufferAllocator.h"
#include "common/FileDigest.h"
#include "common/Version.h"
#include "export/ByteOutput.h"
#include "export/OutputFolder.h"
#include "export/Cf32Sink.h"
#include "export/Cf32Writer.h"
#include "export/CsvSink.h"
#include "export/CsvWriter.h"
#include "export/IntegerSamples.h"
#include "export/SigmfMetadata.h"
#include "synthesis/RunCheck.h"
#include "modulation/SchemeCatalog.h"
#include "synthesis/BitSources.h"
#include "synthesis/FileRun.h"
#include "synthesis/NoiseReference.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {
namespace {

// Failures beyond this many are only counted: a run of millions of files into a missing folder
// must not hold millions of messages.
constexpr std::size_t kListedFailures = 100;

// What a file takes on disk at most per sample [bytes]: CSV lines are about 21 bytes with noise.
constexpr double kCsvBytesPerSample = 21.0;
constexpr double kMetadataBytes = 4096.0;

void addFailure(GenerationResult& result, std::string path, std::string reason) {
    if (result.fileFailures.size() < kListedFailures) {
        result.fileFailures.push_back({std::move(path), std::move(reason)});
    } else {
        ++result.unlistedFailures;
    }
}

bool isDiskFull(const std::string& reason) {
    for (const int error : {ENOSPC, EFBIG, EDQUOT}) {
        if (reason == std::generic_category().message(error)) {
            return true;
        }
    }
    return false;
}

// The sample files the format asks for, in the order they are reported.
std::vector<std::unique_ptr<SampleSink>> openSampleFiles(const SignalParameters& p, const std::string& folder,
                                                         std::int32_t k, Durability durability) {
    std::vector<std::unique_ptr<SampleSink>> sinks;
    if (writesCsv(p.outputFormat)) {
        sinks.push_back(std::make_unique<CsvSink>(ByteOutput::createFile(sampleFilePath(folder, k), durability),
                                                  CsvSink::defaultWorkers()));
    }
    if (isIntegerFormat(p.outputFormat)) {
        sinks.push_back(std::make_unique<IntegerSink>(ByteOutput::createFile(cf32FilePath(folder, k), durability),
                                                      p.outputFormat, integerFullScale(p)));
    } else if (writesSigmfData(p.outputFormat)) {
        sinks.push_back(std::make_unique<Cf32Sink>(ByteOutput::createFile(cf32FilePath(folder, k), durability)));
    }
    return sinks;
}

// The paths of the sample files of file k, as openSampleFiles names them.
std::vector<std::string> sampleFilePaths(const SignalParameters& p, const std::string& folder, std::int32_t k) {
    std::vector<std::string> paths;
    if (writesCsv(p.outputFormat)) {
        paths.push_back(sampleFilePath(folder, k));
    }
    if (writesSigmfData(p.outputFormat)) {
        paths.push_back(cf32FilePath(folder, k));
    }
    return paths;
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The bits file as a metadata file at metadataPath names it: its path from the metadata's folder
// (absolute when there is none) and its SHA-256.
RecordingRecord::BitsFileDigest bitsFileDigest(const std::string& bitsFile, const std::string& metadataPath) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path file = fs::weakly_canonical(fs::absolute(bitsFile, error), error);
    fs::path folder = fs::path(metadataPath).parent_path();
    folder = fs::weakly_canonical(fs::absolute(folder.empty() ? fs::path(".") : folder, error), error);
    fs::path named = error ? fs::path() : file.lexically_relative(folder);
    if (named.empty()) {
        named = file;
    }
    return {named.generic_string(), fileDigest(bitsFile, DigestKind::Sha256)};
}

// Closes the file's sinks, the sample files first, and, when at least one of them was written,
// writes the metadata describing those, last. Finished unless a failure ends the run.
FileEnd recordOutcome(const FileWork& work, std::int32_t k, std::optional<std::uint32_t> seed, bool seedsPerFile,
                      const std::string& metadataPath, GenerationResult& result) {
    std::vector<std::string> written;
    bool diskFull = false;
    for (SampleSink* sink : work.sinks) {
        if (auto error = sink->finish(true)) {
            diskFull = diskFull || isDiskFull(*error);
            addFailure(result, sink->name(), std::move(*error));
        } else if (sink != work.options.sampleStream) {
            result.writtenFiles.push_back(sink->name());
            written.push_back(fileNameOf(sink->name()));
        } else {
            written.push_back(sink->name());
        }
    }
    const FileEnd end = diskFull ? FileEnd::DiskFull : FileEnd::Finished;
    if (written.empty()) {
        return end;
    }
    RecordingRecord record{work.p, seed, k, std::string(kProgramVersion), work.length, work.signalPower, {},
                           seed.has_value() && seedsPerFile, std::nullopt, std::nullopt, 0.0, 0, std::nullopt, std::nullopt};
    if (isIntegerFormat(work.p.outputFormat)) {
        record.parameters.integerScale = integerScaleOf(work.p);
        record.fullScale = integerFullScale(work.p);
        // Every sink takes the same samples; those that keep floats count nothing.
        for (const SampleSink* sink : work.sinks) {
            record.clippedSamples = std::max(record.clippedSamples, sink->clippedSamples());
        }
        result.clippedSamples += record.clippedSamples;
    }
    if (work.p.transmitter.snrReference == SnrReference::Nominal) {
        record.nominalPower = nominalNoiseReference(work.p);
    }
    if (written.size() != work.sinks.size() && work.options.sampleStream == nullptr) {
        record.writtenSampleFiles = written;
    }
    if (work.options.recordBitsDigest && work.p.transmitter.bits == BitSource::File && !metadataPath.empty()) {
        try {
            record.bitsFileDigest = bitsFileDigest(work.p.transmitter.bitsFile, metadataPath);
        } catch (const std::runtime_error& e) {
            // Metadata that cannot name the bits it was asked to would vouch for nothing.
            addFailure(result, metadataPath, e.what());
            return end;
        }
    }
    result.lastRecord = record;
    if (metadataPath.empty()) {
        return end;
    }
    const Durability durability = work.options.syncToDisk ? Durability::AfterPowerLoss : Durability::AfterCrash;
    std::optional<std::string> error;
    try {
        error = writeMetadataFile(metadataPath, record, durability);
    } catch (const std::bad_alloc&) {
        // The sample files are whole and stay, as they do when the disk cannot take the metadata.
        addFailure(result, metadataPath, std::generic_category().message(ENOMEM));
        return FileEnd::OutOfMemory;
    }
    if (error) {
        const bool full = isDiskFull(*error);
        addFailure(result, metadataPath, std::move(*error));
        return full ? FileEnd::DiskFull : end;
    }
    result.metadataFiles.push_back(metadataPath);
    return end;
}

// Why the run cannot go into folder: another run writing there, or too little room for it.
std::optional<std::string> folderRefusal(const SignalParameters& p, std::int32_t files, const std::string& folder,
                                         std::uint64_t samplesPerFile, const FolderLock& lock, bool& busy) {
    if (lock.busy()) {
        busy = true;
        return "another run is writing into " + folder;
    }
    const double perSample = (writesCsv(p.outputFormat) ? kCsvBytesPerSample : 0.0) +
                             (writesSigmfData(p.outputFormat) ? static_cast<double>(sigmfBytesPerSample(p.outputFormat)) : 0.0);
    const double bytes = static_cast<double>(files) * (static_cast<double>(samplesPerFile) * perSample + kMetadataBytes);
    const auto free = freeBytes(folder);
    if (free && bytes > static_cast<double>(*free)) {
        char text[160];
        std::snprintf(text, sizeof text, "The run writes about %.0f MB but only %.0f MB are free in ", bytes / 1e6,
                      static_cast<double>(*free) / 1e6);
        return text + folder + ".";
    }
    return std::nullopt;
}

}  // namespace

SignalSynthesizer::SignalSynthesizer(SeedSource seeds, StageSeeds stageSeeds)
    : seeds_(std::move(seeds)), stageSeeds_(std::move(stageSeeds)) {}

SignalSynthesizer SignalSynthesizer::seeded(std::uint32_t seed) {
    SignalSynthesizer synthesizer(seededSequence(seed), derivedStageSeeds(seed));
    synthesizer.userSeed_ = seed;
    synthesizer.seedsPerFile_ = true;
    return synthesizer;
}

SignalSynthesizer SignalSynthesizer::seededInSequence(std::uint32_t seed) {
    SignalSynthesizer synthesizer(seededSequence(seed), derivedStageSeeds(seed));
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
    // Every refusal depends on the parameters and the folder alone, so it comes before any file
    // is touched.
    const std::uint64_t limit = memoryLimitBytes_.value_or(availableMemoryBytes());
    if (auto reason = findRefusal(p, limit, options.keepLastSignal)) {
        result.refusal = std::move(*reason);
        return result;
    }
    result.samplesPerFile = static_cast<std::uint64_t>(samplesPerFile(p));
    const bool toFiles = options.sampleStream == nullptr;
    std::optional<FolderLock> lock;
    if (toFiles) {
        lock.emplace(folder);
        // Found now, not once every sample has been made for files that cannot be written.
        std::error_code notThere;
        if (!lock->held() && !lock->busy() && !std::filesystem::is_directory(folder, notThere)) {
            result.refusal = std::filesystem::exists(folder, notThere) ? "The save path " + folder + " is not a folder."
                                                                       : "The folder " + folder + " does not exist.";
            result.folderMissing = true;
            return result;
        }
        if (auto reason = folderRefusal(p, lastFile - firstFile + 1, folder, result.samplesPerFile, *lock,
                                        result.folderBusy)) {
            result.refusal = std::move(*reason);
            return result;
        }
        if (lock->held()) {
            removeStaleTemporaryFiles(folder);
        }
    }
    const Durability durability = options.syncToDisk ? Durability::AfterPowerLoss : Durability::AfterCrash;
    // One engine over the whole run, unless every file has its own seeds.
    std::optional<SymbolEngine> runEngine;
    if (!seedsPerFile_) {
        runEngine.emplace(seeds_());
        const bool noisy = !isNoiseless(p.snrDb);
        // Of the files before the first one made, only the symbol engine's state and the noise
        // seeds carry over.
        for (std::int32_t k = 1; k < firstFile; ++k) {
            // A bit source starts afresh in every file and leaves the engine alone.
            if (p.transmitter.bits == BitSource::Indices) {
                SymbolStream(p, *runEngine).drawRest();
            }
            if (noisy) {
                seeds_();
            }
        }
    }
    ProgressReport progress(options, result.samplesPerFile * static_cast<std::uint64_t>(lastFile - firstFile + 1));
    // A file's samples set aside go beside the output, on the disk that has room for it.
    std::error_code noTemporaryFolder;
    const std::string spillFolder = toFiles ? folder : std::filesystem::temp_directory_path(noTemporaryFolder).string();
    // Counted in 64 bits: a last file of INT32_MAX must end the loop, not wrap to file INT32_MIN.
    for (std::int64_t number = firstFile; number <= lastFile; ++number) {
        const auto k = static_cast<std::int32_t>(number);
        const bool last = k == lastFile;
        FileWork work{p, result.samplesPerFile, {}, nullptr, options, progress};
        work.stageSeeds = impairmentSeeds(p.impairments, stageSeeds_, k);
        work.spillFolder = spillFolder;
        std::vector<std::unique_ptr<SampleSink>> files;
        // The viewer needs the last file whole: a memory sink keeps it beside the files.
        SampleBuffer signal;
        SampleBuffer mapped;
        std::optional<MemorySink> memory;
        FileEnd end = FileEnd::OutOfMemory;
        int shortage = ENOMEM;
        std::string lostPayload;  // why the bits file ran out under the file
        // Memory can run out at any allocation of a file: its sinks, its buffers, its threads.
        // What was made of the file goes with its sinks, and so does the run, as no later file
        // needs less.
        try {
            if (!toFiles) {
                work.sinks.push_back(options.sampleStream);
            } else {
                files = openSampleFiles(p, folder, k, durability);
                for (auto& file : files) {
                    work.sinks.push_back(file.get());
                }
            }
            if (last && options.keepLastSignal) {
                signal.reserve(result.samplesPerFile);
                mapped.reserve(mapsOnePointPerSymbol(p.modulationType) ? static_cast<std::size_t>(p.symbolCount)
                                                                       : result.samplesPerFile);
                memory.emplace(signal);
                work.keptMapped = &mapped;
                work.sinks.push_back(&*memory);
            } else if (last && options.lastMapperTap != nullptr) {
                work.keptMapped = options.lastMapperTap;
            }
            if (last && options.lastFileTap != nullptr) {
                work.sinks.push_back(options.lastFileTap);
            }
            if (seedsPerFile_) {
                const SeedSource fileSeeds = counterSeeds(splitMix64(*userSeed_, static_cast<std::uint64_t>(k)));
                SymbolEngine fileEngine(fileSeeds());
                end = makeStreamedFile(work, fileEngine, fileSeeds);
            } else {
                end = makeStreamedFile(work, *runEngine, seeds_);
            }
        } catch (const PayloadLost& e) {
            lostPayload = e.what();
        } catch (const std::bad_alloc&) {
        } catch (const std::system_error& e) {
            // A thread's stack is memory too: the system refuses a new thread when it has none.
            if (e.code() != std::errc::resource_unavailable_try_again) {
                throw;
            }
            shortage = EAGAIN;
        }
        // What is reported and recorded are the files, not the copies kept beside them.
        std::erase_if(work.sinks, [&](const SampleSink* sink) {
            return (memory && sink == &*memory) || sink == options.lastFileTap;
        });
        if (!lostPayload.empty()) {
            // The files before this one were made from the bytes the run checked and stay.
            for (SampleSink* sink : work.sinks) {
                sink->finish(false);
            }
            for (const auto& path : toFiles ? sampleFilePaths(p, folder, k)
                                            : std::vector<std::string>{options.sampleStream->name()}) {
                addFailure(result, path, lostPayload);
            }
            result.stoppedByPayload = true;
            break;
        }
        if (end == FileEnd::OutOfMemory) {
            for (SampleSink* sink : work.sinks) {
                sink->finish(false);
            }
            const std::string reason = std::generic_category().message(shortage);
            if (k == firstFile && toFiles) {
                // Nothing of the run has reached the user: it cannot be made at all, as if the
                // check had refused it, and says so as a refusal does (the command line's exit 1).
                result.refusal = std::string("The run could not get the ") +
                                 (shortage == EAGAIN ? "threads" : "memory") + " it needs: " + reason;
            } else {
                for (const auto& path : toFiles ? sampleFilePaths(p, folder, k)
                                                : std::vector<std::string>{options.sampleStream->name()}) {
                    addFailure(result, path, reason);
                }
                result.stoppedByMemory = true;
            }
            break;
        }
        if (end != FileEnd::Finished) {
            for (SampleSink* sink : work.sinks) {
                if (auto error = sink->finish(false); error && end != FileEnd::Cancelled) {
                    addFailure(result, sink->name(), std::move(*error));
                }
            }
            result.cancelled = end == FileEnd::Cancelled;
            result.streamFailed = end == FileEnd::StreamFailed;
            result.stoppedByDisk = end == FileEnd::DiskFull;
            break;
        }
        const std::string metadataPath =
            toFiles ? metadataFilePath(folder, k) : options.metadataPath.value_or("");
        const FileEnd recorded = recordOutcome(work, k, userSeed_, seedsPerFile_, metadataPath, result);
        if (recorded != FileEnd::Finished) {
            // No later file can fit where this one did not, nor get the memory it could not.
            result.stoppedByDisk = recorded == FileEnd::DiskFull;
            result.stoppedByMemory = recorded == FileEnd::OutOfMemory;
            break;
        }
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
