#pragma once
// An upstream stage run on a thread of its own, a few blocks ahead of its reader, so that the
// costly stages of one chain share the cores instead of taking turns on one. The upstream is read
// in blocks of its own size, whatever the reader asks for: every stage hands out the same samples
// for any sizes of read.

#include <array>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <span>
#include <thread>
#include <utility>

#include "common/SampleSource.h"
#include "common/Signal.h"
#include "common/ThreadBudget.h"

namespace quorvel {

class StageThread final : public SampleSource {
public:
    // The thread starts at the first read: a chain that is built and never read costs nothing.
    // It runs on the helper granted, if any, which goes back to the budget with this stage.
    explicit StageThread(SampleSource& upstream, HelperThreads helper = {})
        : upstream_(upstream), helper_(std::move(helper)) {}
    ~StageThread() override { stop(); }

    StageThread(const StageThread&) = delete;
    StageThread& operator=(const StageThread&) = delete;

    // What the upstream hands out; what it throws, in place of the samples it could not make.
    std::size_t read(std::span<ComplexSample> out) override;

    // Stops reading ahead and waits for the thread: afterwards the upstream is the caller's again.
    void stop();

private:
    static constexpr std::size_t kBlockSamples = 16384;
    static constexpr std::size_t kBlocks = 3;

    struct Block {
        SampleBuffer samples;
        std::size_t count = 0;
    };

    void loop();

    SampleSource& upstream_;
    std::array<Block, kBlocks> blocks_{};
    std::size_t readBlock_ = 0;   // the reader's block and the samples of it already handed out
    std::size_t readOffset_ = 0;
    std::size_t writeBlock_ = 0;  // the thread's next block
    std::size_t filled_ = 0;      // blocks made and not yet handed out whole
    bool started_ = false;
    bool ended_ = false;          // the upstream has ended, or failed
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::mutex mutex_;
    std::condition_variable changed_;
    HelperThreads helper_;
    std::thread thread_;
};

}  // namespace quorvel
