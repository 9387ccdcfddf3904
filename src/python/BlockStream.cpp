#include "python/BlockStream.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "synthesis/NoiseReference.h"

namespace quorvel {

// Cuts the file's samples into blocks of the stream's length and hands each one over when full.
class BlockStream::QueueSink final : public SampleSink {
public:
    explicit QueueSink(BlockStream& stream) : stream_(stream) {}

    const std::string& name() const override { return name_; }
    int error() const override { return 0; }

    void write(std::span<const ComplexSample> samples) override {
        const std::size_t length = stream_.blockSamples_;
        const std::size_t width = bytesPerSample(stream_.type_);
        while (!samples.empty()) {
            if (!current_.bytes) {
                current_.bytes = std::make_unique_for_overwrite<std::byte[]>(length * width);
            }
            const std::size_t count = std::min(samples.size(), length - current_.samples);
            encodeSamples(samples.first(count), stream_.type_, current_.bytes.get() + current_.samples * width,
                          stream_.fullScale_);
            current_.samples += count;
            samples = samples.subspan(count);
            // A closed stream takes nothing more; the engine sees the cancel after this block.
            if (current_.samples == length && !stream_.hand(std::exchange(current_, {}))) {
                return;
            }
        }
    }

    std::optional<std::string> finish(bool complete) override {
        if (complete && current_.samples > 0) {
            stream_.hand(std::exchange(current_, {}));
        }
        current_ = {};
        return std::nullopt;
    }

private:
    BlockStream& stream_;
    Block current_;
    std::string name_ = "stream";
};

BlockStream::BlockStream(OptionRun run, std::size_t blockSamples, SampleType type, bool toFiles)
    : run_(std::move(run)), blockSamples_(blockSamples), type_(type),
      fullScale_(integerFormatOf(type) ? integerFullScale(run_.parameters) : 1.0),
      sink_(std::make_unique<QueueSink>(*this)) {
    run_.options.cancel = &cancel_;
    (toFiles ? run_.options.lastFileTap : run_.options.sampleStream) = sink_.get();
    thread_ = std::thread([this] { runEngine(); });
}

BlockStream::~BlockStream() {
    close();
}

void BlockStream::runEngine() {
    GenerationResult result;
    try {
        result = run_.synthesizer.generateSignal(run_.parameters, run_.options);
        // The tap beside the files is not finished by the run: its last short block is handed here.
        if (run_.options.lastFileTap != nullptr) {
            sink_->finish(!result.cancelled && !runFailure(result));
        }
    } catch (const std::exception& e) {
        // Memory the system promised but could not give after all, as the command line reports it.
        result.refusal = e.what();
    }
    const std::lock_guard lock(mutex_);
    result_ = std::move(result);
    ended_ = true;
    changed_.notify_all();
}

bool BlockStream::hand(Block block) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ready_.size() < kReadyBlocks || cancel_.load(); });
    if (cancel_.load()) {
        return false;
    }
    ready_.push_back(std::move(block));
    changed_.notify_all();
    return true;
}

std::optional<BlockStream::Block> BlockStream::next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() || ended_ || closed_; });
    if (closed_ || ready_.empty()) {
        return std::nullopt;
    }
    Block block = std::move(ready_.front());
    ready_.pop_front();
    changed_.notify_all();
    return block;
}

std::optional<BlockStream::Block> BlockStream::nextWithin(std::chrono::milliseconds patience, bool& stillMaking) {
    std::unique_lock lock(mutex_);
    stillMaking = !changed_.wait_for(lock, patience, [this] { return !ready_.empty() || ended_ || closed_; });
    if (stillMaking || closed_ || ready_.empty()) {
        return std::nullopt;
    }
    Block block = std::move(ready_.front());
    ready_.pop_front();
    changed_.notify_all();
    return block;
}

void BlockStream::cancel() {
    const std::lock_guard lock(mutex_);
    closed_ = true;
    cancel_ = true;
    changed_.notify_all();
}

void BlockStream::close() {
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        cancel_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    const std::lock_guard lock(mutex_);
    ready_.clear();
}

std::optional<RunFailure> BlockStream::failure() const {
    const std::lock_guard lock(mutex_);
    if (!ended_ || closed_) {
        return std::nullopt;
    }
    return runFailure(result_);
}

}  // namespace quorvel
