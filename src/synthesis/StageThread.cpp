#include "synthesis/StageThread.h"

#include <algorithm>

namespace quorvel {

std::size_t StageThread::read(std::span<ComplexSample> out) {
    if (!started_) {
        started_ = true;
        for (Block& block : blocks_) {
            block.samples.resize(kBlockSamples);
        }
        thread_ = std::thread([this] { loop(); });
    }
    std::size_t done = 0;
    while (done < out.size()) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return filled_ > 0 || ended_; });
        if (filled_ == 0) {
            if (failure_) {
                std::rethrow_exception(failure_);
            }
            break;
        }
        // A filled block is the reader's alone until it hands it back.
        lock.unlock();
        const Block& block = blocks_[readBlock_];
        const std::size_t count = std::min(out.size() - done, block.count - readOffset_);
        std::copy_n(block.samples.begin() + static_cast<std::ptrdiff_t>(readOffset_), count,
                    out.begin() + static_cast<std::ptrdiff_t>(done));
        done += count;
        readOffset_ += count;
        if (readOffset_ == block.count) {
            lock.lock();
            readBlock_ = (readBlock_ + 1) % kBlocks;
            readOffset_ = 0;
            --filled_;
            lock.unlock();
            changed_.notify_all();
        }
    }
    return done;
}

void StageThread::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void StageThread::loop() {
    for (;;) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return filled_ < kBlocks || stopping_; });
        if (stopping_) {
            return;
        }
        // An empty block is the thread's alone until it hands it over.
        Block& block = blocks_[writeBlock_];
        lock.unlock();
        std::size_t count = 0;
        std::exception_ptr failure;
        try {
            count = upstream_.read(block.samples);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        if (failure || count == 0) {
            failure_ = failure;
            ended_ = true;
            lock.unlock();
            changed_.notify_all();
            return;
        }
        block.count = count;
        writeBlock_ = (writeBlock_ + 1) % kBlocks;
        ++filled_;
        lock.unlock();
        changed_.notify_all();
    }
}

}  // namespace quorvel
