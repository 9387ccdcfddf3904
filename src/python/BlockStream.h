#pragma once
// A run whose last file's samples are handed out in blocks of a chosen length while it goes on:
// the engine runs on a thread of its own and waits whenever a few blocks are ready and not yet
// taken, so a signal of any length costs the same memory.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "options/OptionRun.h"
#include "python/ArraySink.h"
#include "python/RunFailure.h"

namespace quorvel {

class BlockStream {
public:
    struct Block {
        std::unique_ptr<std::byte[]> bytes;  // bytesPerSample(type) per sample
        std::size_t samples = 0;
    };

    // Starts the run; the run's sample stream or last-file tap must be unset, the stream sets one.
    BlockStream(OptionRun run, std::size_t blockSamples, SampleType type, bool toFiles);
    ~BlockStream();

    BlockStream(const BlockStream&) = delete;
    BlockStream& operator=(const BlockStream&) = delete;

    // The next block, once it is made: blockSamples long, the last one shorter. Nothing once the
    // run has ended and every block was taken, or after close().
    std::optional<Block> next();

    // The same, waiting at most patience: stillMaking is set when no block came meanwhile and
    // the run goes on, so that the caller can look at its own signals between waits.
    std::optional<Block> nextWithin(std::chrono::milliseconds patience, bool& stillMaking);

    // Asks the run to stop at its next block, without waiting for it; close() still joins it.
    void cancel();

    // Stops the run at its next block (its finished files stay) and waits for its thread; the
    // blocks not taken are dropped. Safe to call more than once.
    void close();

    // Why the run ended without its whole signal, once next() has returned nothing.
    std::optional<RunFailure> failure() const;

private:
    class QueueSink;
    // Blocks made and not yet taken before the engine waits.
    static constexpr std::size_t kReadyBlocks = 2;

    bool hand(Block block);
    void runEngine();

    OptionRun run_;
    std::size_t blockSamples_;
    SampleType type_;
    double fullScale_;  // the integer codes' full scale
    std::unique_ptr<QueueSink> sink_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Block> ready_;
    bool ended_ = false;
    bool closed_ = false;
    std::atomic<bool> cancel_{false};
    GenerationResult result_;
    std::thread thread_;
};

}  // namespace quorvel
