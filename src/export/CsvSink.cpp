#include "export/CsvSink.h"

#include <algorithm>
#include <string_view>

#include "common/ThreadBudget.h"
#include "export/SampleFormat.h"

namespace quorvel {
namespace {

constexpr std::string_view kHeaderLine = "Real,Imaginary\r\n";
// Pieces handed over and not yet written, at most: enough to keep every thread busy, few enough
// that memory stays a few megabytes however long the file.
constexpr std::size_t kMaxQueued = 8;

std::unique_ptr<char[]> newTextBuffer() {
    return std::make_unique_for_overwrite<char[]>(CsvSink::kPieceSamples * kMaxSampleLineLength);
}

}  // namespace

unsigned CsvSink::defaultWorkers() {
    // The producer formats too whenever it would wait, so one core needs no worker at all.
    return std::min(threadBudget(), 8u) - 1;
}

CsvSink::CsvSink(ByteOutput output, unsigned workers) : output_(std::move(output)) {
    error_ = output_.error();
    if (error_ != 0) {
        return;
    }
    producerText_ = newTextBuffer();
    // Every piece's storage passes through spare_, and no more than kMaxQueued pieces exist at
    // once: with room for them all, a formatting thread never allocates, so never throws.
    spare_.reserve(kMaxQueued);
    helpers_ = HelperThreads(workers);
    workers_.reserve(helpers_.count());
    try {
        for (unsigned n = 0; n < helpers_.count(); ++n) {
            workers_.emplace_back([this] { workerLoop(); });
        }
    } catch (...) {
        // No destructor runs for a sink that was never made, and a running thread must not
        // outlive it: the ones started are stopped before the failure goes on.
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        for (auto& worker : workers_) {
            worker.join();
        }
        throw;
    }
}

CsvSink::~CsvSink() {
    if (!finished_) {
        finish(false);
    }
}

int CsvSink::error() const {
    const std::lock_guard lock(mutex_);
    return error_;
}

bool CsvSink::anyClaimable() const {
    return std::any_of(queue_.begin(), queue_.end(), [](const auto& piece) { return !piece->claimed; });
}

bool CsvSink::formatOne(std::unique_lock<std::mutex>& lock, char* text) {
    const auto found = std::find_if(queue_.begin(), queue_.end(), [](const auto& piece) { return !piece->claimed; });
    if (found == queue_.end()) {
        return false;
    }
    Piece& piece = **found;
    piece.claimed = true;
    lock.unlock();
    const auto length = static_cast<std::size_t>(formatSampleLines(text, piece.samples) - text);
    lock.lock();
    changed_.wait(lock, [&] { return error_ != 0 || nextToWrite_ == piece.sequence; });
    if (error_ != 0) {
        return true;
    }
    // Only the thread holding the next piece writes, so the output needs no lock of its own.
    lock.unlock();
    const bool written = output_.write(text, length);
    lock.lock();
    if (!written) {
        error_ = output_.error();
    }
    ++nextToWrite_;
    spare_.push_back(std::move(queue_.front()->samples));
    queue_.pop_front();
    changed_.notify_all();
    return true;
}

void CsvSink::workerLoop() {
    const auto text = newTextBuffer();
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return error_ != 0 || stopping_ || anyClaimable(); });
        if (error_ != 0 || !anyClaimable()) {
            return;
        }
        formatOne(lock, text.get());
    }
}

void CsvSink::writeHeader() {
    // Written with the first samples rather than at once, so that a run refused before it
    // starts leaves nothing on a stream.
    if (!headerWritten_ && error_ == 0) {
        headerWritten_ = true;
        if (!output_.write(kHeaderLine.data(), kHeaderLine.size())) {
            const std::lock_guard lock(mutex_);
            error_ = output_.error();
        }
    }
}

void CsvSink::write(std::span<const ComplexSample> block) {
    writeHeader();
    for (std::size_t begin = 0; begin < block.size(); begin += kPieceSamples) {
        const auto part = block.subspan(begin, std::min(kPieceSamples, block.size() - begin));
        std::unique_lock lock(mutex_);
        // A full queue means the formatters are behind: the producer lends a hand.
        while (error_ == 0 && queue_.size() >= kMaxQueued) {
            if (!formatOne(lock, producerText_.get())) {
                changed_.wait(lock);
            }
        }
        if (error_ != 0) {
            return;
        }
        auto piece = std::make_unique<Piece>();
        if (!spare_.empty()) {
            piece->samples = std::move(spare_.back());
            spare_.pop_back();
        }
        piece->samples.assign(part.begin(), part.end());
        piece->sequence = nextSequence_++;
        queue_.push_back(std::move(piece));
        lock.unlock();
        changed_.notify_one();
    }
}

std::optional<std::string> CsvSink::finish(bool complete) {
    finished_ = true;
    if (complete) {
        writeHeader();
    }
    {
        std::unique_lock lock(mutex_);
        while (error_ == 0 && !queue_.empty()) {
            if (!formatOne(lock, producerText_.get())) {
                changed_.wait(lock);
            }
        }
        stopping_ = true;
    }
    changed_.notify_all();
    for (auto& worker : workers_) {
        worker.join();
    }
    workers_.clear();
    // Back to the budget at once: the next file's sink opens before this one goes.
    helpers_ = {};
    return output_.close(complete);
}

}  // namespace quorvel
