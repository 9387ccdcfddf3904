#pragma once
// Making one file: its samples pulled block by block through the stages, the noise added at the
// level the whole file asks for, and every block handed to the file's sinks.

#include <chrono>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "common/SeedSource.h"
#include "export/SampleSink.h"
#include "common/SignalParameters.h"
#include "synthesis/ImpairmentStages.h"
#include "synthesis/SignalSynthesizer.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {

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
        // A display that cannot get the memory for one report misses that report: the run is not
        // the display's to end, and a run short of memory meets it again where it can say which
        // file it lost.
        try {
            options_.progress(progress_);
        } catch (const std::bad_alloc&) {
        }
    }

    const RunOptions& options_;
    RunProgress progress_;
    std::uint64_t doneHalves_ = 0;
    std::chrono::steady_clock::time_point lastReport_{};
};

// Why a file was not finished.
enum class FileEnd { Finished, Cancelled, StreamFailed, DiskFull, OutOfMemory };

// True for the write errors after which no later file can succeed either: a full disk, a
// quota, a file-size limit.
bool endsEveryLaterFile(int error);

// One file on its way out: where its samples go and what becomes of it.
struct FileWork {
    const SignalParameters& p;
    std::uint64_t length = 0;
    std::vector<SampleSink*> sinks;
    SampleBuffer* keptMapped = nullptr;  // receives the mapper output, when the caller keeps it
    const RunOptions& options;
    ProgressReport& progress;
    double signalPower = 0.0;  // measured before the noise is added
    ImpairmentSeeds stageSeeds{};  // of the file's random impairment stages
    std::string spillFolder{};     // where the measuring pass may set its samples aside; none if empty
};

// The file made block by block and never held whole. Noise against the measured power needs the
// mean power of the whole file first, so a first pass, from a copy of the symbol engine, measures it; the second makes the
// same samples again and adds the noise. Where the channel's stages make the samples dearer than
// the disk keeps them, the first pass sets them aside in spillFolder and the second reads them
// back, unless the folder has no room or no files without a name. Noise against the nominal
// power is made in the one pass, which measures the power as it goes.
FileEnd makeStreamedFile(FileWork& work, SymbolEngine& engine, const SeedSource& seeds);

}  // namespace quorvel
