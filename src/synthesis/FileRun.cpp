#include "synthesis/FileRun.h"

#include <algorithm>
#include <cerrno>
#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <span>
#include <thread>

#include "channel/WhiteGaussianNoise.h"
#include "common/ThreadBudget.h"
#include "export/SampleSpill.h"
#include "modulation/SymbolTiming.h"
#include "synthesis/NoiseReference.h"
#include "synthesis/RandomDraws.h"
#include "synthesis/SignalChain.h"

namespace quorvel {
namespace {

// Samples made and handed to the sinks at a time.
constexpr std::size_t kBlockSamples = 65536;

double sumOfPowers(std::span<const ComplexSample> block, double sum) {
    for (const auto& s : block) {
        sum += s.i * s.i + s.q * s.q;
    }
    return sum;
}

bool cancelRequested(const RunOptions& options) {
    return options.cancel != nullptr && options.cancel->load(std::memory_order_relaxed);
}

// The second half of making a block, on a thread of its own: the noise from the points the
// engine drew, then the sinks. So the next block's stages and points are made meanwhile, and the
// logarithms and the writing, the larger half, overlap with them.
class FinishingThread {
public:
    struct Slot {
        SampleBuffer own;                 // storage for a block that is not kept
        std::span<ComplexSample> samples;  // the block to finish
        NormalPiece noise;                 // the pairs readied for its noise
    };

    FinishingThread(FileWork& work, const std::optional<NoiseGenerator>& noise)
        : work_(work), noise_(noise) {
        for (Slot& slot : slots_) {
            free_.push_back(&slot);
        }
        // Without a helper to spare each block is finished at once, on this thread.
        if (helper_.count() == 1) {
            thread_ = std::thread([this] { loop(); });
        }
    }

    ~FinishingThread() { close(); }

    FinishingThread(const FinishingThread&) = delete;
    FinishingThread& operator=(const FinishingThread&) = delete;

    // A slot to fill, once the thread has given one back; nothing when the file has ended.
    Slot* acquire() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !free_.empty() || end_ != FileEnd::Finished; });
        if (end_ != FileEnd::Finished) {
            return nullptr;
        }
        Slot* slot = free_.front();
        free_.pop_front();
        return slot;
    }

    // Hands a filled slot over; slots are finished in the order they are handed over.
    void submit(Slot* slot) {
        {
            const std::lock_guard lock(mutex_);
            filled_.push_back(slot);
        }
        changed_.notify_all();
        if (!thread_.joinable()) {
            closing_ = true;
            loop();
            closing_ = false;
        }
    }

    // Samples handed to the sinks so far. Progress counts these, not the blocks merely made: a
    // cancel that follows a report of a finished file must find that file whole.
    std::uint64_t delivered() const { return delivered_.load(std::memory_order_acquire); }

    // Waits for every slot handed over; how the file ended.
    FileEnd close() {
        {
            std::unique_lock lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
        const std::lock_guard lock(mutex_);
        return end_;
    }

private:
    void loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return !filled_.empty() || closing_; });
            if (filled_.empty()) {
                return;
            }
            Slot* slot = filled_.front();
            filled_.pop_front();
            const bool going = end_ == FileEnd::Finished;
            lock.unlock();
            FileEnd end = FileEnd::Finished;
            if (going) {
                // Nothing may leave this thread: a sink that cannot get the memory for a block
                // (a CSV piece, a cf32 conversion buffer) ends the file here instead.
                try {
                    if (noise_) {
                        noise_->addPoints(slot->noise, slot->samples);
                    }
                    applyReceiverImpairments(work_.p.impairments, slot->samples);
                    end = deliver(slot->samples);
                } catch (const std::bad_alloc&) {
                    end = FileEnd::OutOfMemory;
                }
            }
            lock.lock();
            if (end != FileEnd::Finished) {
                end_ = end;
            } else if (going) {
                delivered_.fetch_add(slot->samples.size(), std::memory_order_release);
            }
            free_.push_back(slot);
            changed_.notify_all();
        }
    }

    // Hands one finished block to every sink; says whether the run goes on.
    FileEnd deliver(std::span<const ComplexSample> block) {
        for (SampleSink* sink : work_.sinks) {
            sink->write(block);
            if (endsEveryLaterFile(sink->error())) {
                return FileEnd::DiskFull;
            }
        }
        if (work_.options.sampleStream != nullptr && work_.options.sampleStream->error() != 0) {
            return FileEnd::StreamFailed;
        }
        return cancelRequested(work_.options) ? FileEnd::Cancelled : FileEnd::Finished;
    }

    FileWork& work_;
    const std::optional<NoiseGenerator>& noise_;
    std::array<Slot, 3> slots_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Slot*> free_;
    std::deque<Slot*> filled_;
    bool closing_ = false;
    FileEnd end_ = FileEnd::Finished;
    std::atomic<std::uint64_t> delivered_{0};
    HelperThreads helper_{1};
    std::thread thread_;
};

// Readies the pairs of a slot's block on this thread, in the file's order.
void drawNoisePoints(std::optional<NoiseGenerator>& noise, FinishingThread::Slot& slot) {
    if (noise) {
        noise->drawPoints(slot.noise, slot.samples.size());
    }
}

// A file of a few blocks gains nothing from threads that would start and stop within it.
StageThreading stageThreadingFor(const FileWork& work) {
    return work.length >= 4 * kBlockSamples ? StageThreading::PerChannelStage : StageThreading::None;
}

// Room for the spill this many times over, so that the output still has room beside it: a CSV
// line takes about 25 bytes, a spilled sample 16.
constexpr std::uint64_t kSpillRoomFactor = 4;

std::unique_ptr<SampleSpill> spillFor(const FileWork& work) {
    if (!hasChannelStages(work.p.impairments) || work.length < 4 * kBlockSamples || work.spillFolder.empty()) {
        return nullptr;
    }
    return SampleSpill::open(work.spillFolder, work.length, kSpillRoomFactor);
}

// The making pass's samples: read back from the spill; without one, or from where reading it
// failed, made again by a chain from the file's own engine.
class MakingSource {
public:
    MakingSource(FileWork& work, SymbolEngine& engine, std::unique_ptr<SampleSpill> spill)
        : work_(work), engine_(engine), spill_(std::move(spill)) {}

    std::size_t read(std::span<ComplexSample> out) {
        std::size_t count = 0;
        if (spill_) {
            count = spill_->read(out);
            served_ += count;
            if (count == out.size() || served_ == work_.length) {
                return count;
            }
            spill_.reset();
            // The mapper output came with the measuring pass.
            makeChain(nullptr);
            skip(served_);
        } else if (!chain_) {
            makeChain(work_.keptMapped);
        }
        const std::size_t made = chain_->read(out.subspan(count));
        served_ += made;
        return count + made;
    }

    // Leaves the engine where the whole file leaves it, when a chain drew from it.
    void finish() {
        if (chain_) {
            chain_->finish();
        }
    }

private:
    void makeChain(SampleBuffer* mapperTap) {
        chain_.emplace(work_.p, engine_, mapperTap, work_.stageSeeds, stageThreadingFor(work_));
    }

    void skip(std::uint64_t samples) {
        SampleBuffer block(kBlockSamples);
        while (samples > 0) {
            const std::size_t count = chain_->read(std::span(block).first(std::min<std::uint64_t>(samples, kBlockSamples)));
            if (count == 0) {
                return;
            }
            samples -= count;
        }
    }

    FileWork& work_;
    SymbolEngine& engine_;
    std::unique_ptr<SampleSpill> spill_;
    std::optional<SignalChain> chain_;
    std::uint64_t served_ = 0;
};

std::optional<NoiseGenerator> noiseFor(const FileWork& work, const SeedSource& seeds) {
    if (isNoiseless(work.p.snrDb)) {
        return std::nullopt;
    }
    return NoiseGenerator(noiseStandardDeviation(noiseReferencePower(work.p, work.signalPower), perSampleSnrDb(work.p)),
                          seeds(), noiseDraws(work.p));
}

}  // namespace

bool endsEveryLaterFile(int error) {
    return error == ENOSPC || error == EFBIG || error == EDQUOT;
}

FileEnd makeStreamedFile(FileWork& work, SymbolEngine& engine, const SeedSource& seeds) {
    // Noise against the nominal power needs nothing from the file before its first sample.
    const bool measuredFirst = !isNoiseless(work.p.snrDb) && work.p.transmitter.snrReference == SnrReference::Measured;
    double sum = 0.0;
    SymbolEngine measuring = engine;
    std::unique_ptr<SampleSpill> spill;
    if (measuredFirst) {
        spill = spillFor(work);
        const std::size_t mappedBefore = work.keptMapped != nullptr ? work.keptMapped->size() : 0;
        SampleBuffer block(std::min<std::uint64_t>(kBlockSamples, work.length));
        SignalChain chain(work.p, measuring, spill ? work.keptMapped : nullptr, work.stageSeeds,
                          stageThreadingFor(work));
        while (const std::size_t count = chain.read(block)) {
            const std::span<const ComplexSample> made = std::span(block).first(count);
            sum = sumOfPowers(made, sum);
            if (spill && !spill->append(made)) {
                // The making pass makes the samples again instead, its mapper output too.
                spill.reset();
                work.keptMapped->resize(mappedBefore);
            }
            work.progress.add(count);
            if (cancelRequested(work.options)) {
                return FileEnd::Cancelled;
            }
        }
        if (spill) {
            chain.finish();
        }
        work.signalPower = sum / static_cast<double>(work.length);
    }
    std::optional<NoiseGenerator> noise = noiseFor(work, seeds);
    const bool readBack = spill != nullptr;
    MakingSource source(work, engine, std::move(spill));
    FileEnd end = FileEnd::Finished;
    {
        FinishingThread finishing(work, noise);
        // Each sample of this pass counts half when the file was measured first, whole otherwise.
        const std::uint64_t weight = measuredFirst ? 1 : 2;
        std::uint64_t counted = 0;
        const auto countDelivered = [&] {
            const std::uint64_t delivered = finishing.delivered();
            work.progress.add(weight * (delivered - counted));
            counted = delivered;
        };
        for (;;) {
            FinishingThread::Slot* slot = finishing.acquire();
            if (slot == nullptr) {
                break;
            }
            slot->own.resize(std::min<std::uint64_t>(kBlockSamples, work.length));
            const std::size_t count = source.read(slot->own);
            if (count == 0) {
                break;
            }
            slot->samples = std::span(slot->own).first(count);
            if (!measuredFirst) {
                sum = sumOfPowers(slot->samples, sum);
            }
            drawNoisePoints(noise, *slot);
            finishing.submit(slot);
            countDelivered();
        }
        end = finishing.close();
        countDelivered();
    }
    if (end != FileEnd::Finished) {
        return end;
    }
    source.finish();
    if (readBack) {
        // The measuring pass drew the file's symbols from its copy.
        engine = measuring;
    }
    if (!measuredFirst) {
        work.signalPower = sum / static_cast<double>(work.length);
    }
    return FileEnd::Finished;
}

}  // namespace quorvel
