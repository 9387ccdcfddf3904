#pragma once
// The generation pipeline: from one run's settings to its sample files and final signal.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/SeedSource.h"
#include "common/Signal.h"
#include "export/SampleSink.h"
#include "export/SigmfMetadata.h"
#include "common/SignalParameters.h"

namespace quorvel {

struct FileWriteFailure {
    std::string path;
    std::string reason;
};

// How far a run has come: samples finished of all the samples the run makes. A file whose noise
// level must first be measured counts each of its samples half when measured and half when made.
struct RunProgress {
    std::uint64_t samplesDone = 0;
    std::uint64_t samplesTotal = 0;
};

// What the caller of a run may ask besides the settings. Everything here is optional.
struct RunOptions {
    // Keep the last file's final samples and mapper output in the result (the viewer needs them);
    // without it the run holds only a few blocks of samples at a time, however long the file.
    bool keepLastSignal = true;
    // Called on the generating thread between blocks, a few times a second at most, and once at
    // the end of every file.
    std::function<void(const RunProgress&)> progress;
    // Set from any thread; the run stops at the next block, keeps the files it finished and
    // removes the one it was making.
    const std::atomic<bool>* cancel = nullptr;
    // When set, the samples of the run's one file go here instead of to sample files, and the
    // metadata only to metadataPath, if given. The run ends early if the sink fails (a closed pipe).
    SampleSink* sampleStream = nullptr;
    std::optional<std::string> metadataPath;
    // Flush every finished file and its folder entry to the disk, so that it survives a power cut.
    bool syncToDisk = false;
    // For a caller that keeps the last file in storage of its own: lastFileTap receives its final
    // samples beside its files (or the sample stream), but is neither finished nor reported as a
    // file; lastMapperTap receives its mapper output, unless keepLastSignal keeps it in the result.
    SampleSink* lastFileTap = nullptr;
    SampleBuffer* lastMapperTap = nullptr;
    // A bits file's metadata names its SHA-256 and its path from the metadata file's folder.
    bool recordBitsDigest = false;
};

struct GenerationResult {
    SampleBuffer signal;         // final samples of the last file (when kept); empty when refused
    SampleBuffer mappedSymbols;  // mapper output of the last file, before resampling and the channel
    std::string refusal;         // why the run was refused, one line; empty when it ran
    std::vector<std::string> writtenFiles;          // sample files (CSV, cf32), in the order written
    std::vector<std::string> metadataFiles;         // the SigMF metadata files, in the order written
    std::vector<FileWriteFailure> fileFailures;     // files that could not be created, written or closed
    std::uint64_t samplesPerFile = 0;               // samples each file holds
    std::uint64_t clippedSamples = 0;               // integer formats: samples clipped at full scale, all files
    bool cancelled = false;                         // the run stopped at the caller's request
    bool streamFailed = false;                      // the sample stream failed and ended the run
    bool folderBusy = false;        // refused because another run is writing into the folder
    bool folderMissing = false;     // refused because the folder is not there to write into
    bool stoppedByDisk = false;     // a full disk or a file-size limit ended the run early
    bool stoppedByMemory = false;   // memory ran out after the first file and ended the run early
    bool stoppedByPayload = false;  // the bits file could not be read to its end; earlier files stay
    std::size_t unlistedFailures = 0;  // failures beyond those fileFailures lists
    // What the last file finished records, whether or not a metadata file was written for it.
    std::optional<RecordingRecord> lastRecord;

    bool refused() const { return !refusal.empty(); }
};

class SignalSynthesizer {
public:
    // seeds: the symbol engine takes the first seed of each run, every noise stage the next one;
    // stageSeeds: the random impairment stages of each file.
    explicit SignalSynthesizer(SeedSource seeds = platformSeedSource(), StageSeeds stageSeeds = platformStageSeeds());

    // File K takes its seeds from counterSeeds(splitMix64(seed, K)), the symbol engine the first and
    // every noise stage the next; the seed and this derivation are recorded in every metadata file,
    // so that any file can be made again on its own, at the cost of that file alone.
    static SignalSynthesizer seeded(std::uint32_t seed);

    // The derivation of Quorvel 0.1.0, for the recordings that name none: one seededSequence(seed)
    // over the whole run, each file's symbols continuing the engine of the file before.
    static SignalSynthesizer seededInSequence(std::uint32_t seed);

    // Bounds the memory a run may hold at once [bytes]; by default what the system has available.
    void setMemoryLimit(std::optional<std::uint64_t> bytes) { memoryLimitBytes_ = bytes; }

    // Runs the whole file loop. A refused run writes no file and returns only its reason.
    GenerationResult generateSignal(const SignalParameters& parameters, const RunOptions& options = {}) const;

    // Makes file `fileNumber` of the run again, exactly as generateSignal would have made it with
    // the same seeds, in the run's format and with its metadata, but in `folder` instead of the
    // run's save path (which the metadata still records). The earlier files' symbols are drawn
    // and their noise seeds taken, but nothing else of them is computed.
    GenerationResult regenerateFile(const SignalParameters& parameters, std::int32_t fileNumber,
                                    const std::string& folder, const RunOptions& options = {}) const;

private:
    GenerationResult run(const SignalParameters& p, std::int32_t firstFile, std::int32_t lastFile,
                         const std::string& folder, const RunOptions& options) const;

    SeedSource seeds_;
    StageSeeds stageSeeds_;
    std::optional<std::uint32_t> userSeed_;
    bool seedsPerFile_ = false;  // each file from its own key rather than one sequence over the run
    std::optional<std::uint64_t> memoryLimitBytes_;
};

}  // namespace quorvel
