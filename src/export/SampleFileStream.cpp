#include "export/SampleFileStream.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>
#include <system_error>

#include "export/SampleFormat.h"

namespace quorvel {
namespace {

constexpr std::string_view kHeaderLine = "Real,Imaginary\r\n";

std::string reasonText(int error) {
    return std::generic_category().message(error);
}

bool writeAll(std::FILE* file, const char* text, std::size_t length) {
    errno = 0;
    return std::fwrite(text, 1, length, file) == length;
}

// errno after a failed call, or EIO where the call failed without saying why.
int lastError() {
    return errno != 0 ? errno : EIO;
}

}  // namespace

unsigned SampleFileStream::defaultWorkers() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores, 2u, 8u) - 1;
}

SampleFileStream::SampleFileStream(const std::string& path, std::span<const ComplexSample> samples,
                                   unsigned workers)
    : samples_(samples), chunkCount_((samples.size() + kChunkSamples - 1) / kChunkSamples) {
    // The system would read the name only up to a NUL and so write some other file.
    if (path.find('\0') != std::string::npos) {
        error_ = EINVAL;
        return;
    }
    errno = 0;
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        error_ = lastError();
        return;
    }
    // The pieces are large already; a stream buffer would only copy them once more.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (!writeAll(file_, kHeaderLine.data(), kHeaderLine.size())) {
        error_ = lastError();
        return;
    }
    for (unsigned n = 0; n < workers && n < chunkCount_; ++n) {
        workers_.emplace_back([this] { formatChunks(); });
    }
}

SampleFileStream::~SampleFileStream() {
    if (!finished_) {
        finish();
    }
}

void SampleFileStream::markReady(std::size_t count) {
    {
        const std::lock_guard lock(mutex_);
        ready_ = std::max(ready_, std::min(count, samples_.size()));
    }
    changed_.notify_all();
}

bool SampleFileStream::nextChunkClaimable() const {
    const std::size_t end = std::min((nextToClaim_ + 1) * kChunkSamples, samples_.size());
    return end <= ready_;
}

void SampleFileStream::fail(int error) {
    if (error_ == 0) {
        error_ = error;
    }
}

void SampleFileStream::formatChunks() {
    std::unique_ptr<char[]> text;
    try {
        text = std::make_unique_for_overwrite<char[]>(kChunkSamples * kMaxSampleLineLength);
    } catch (const std::bad_alloc&) {
        const std::lock_guard lock(mutex_);
        fail(ENOMEM);
        changed_.notify_all();
        return;
    }
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] {
            return error_ != 0 || nextToClaim_ >= chunkCount_ || nextChunkClaimable();
        });
        if (error_ != 0 || nextToClaim_ >= chunkCount_) {
            return;
        }
        const std::size_t chunk = nextToClaim_++;
        lock.unlock();

        const auto lines = samples_.subspan(chunk * kChunkSamples,
                                            std::min(kChunkSamples, samples_.size() - chunk * kChunkSamples));
        const std::size_t length = static_cast<std::size_t>(formatSampleLines(text.get(), lines) - text.get());

        lock.lock();
        changed_.wait(lock, [this, chunk] { return error_ != 0 || nextToWrite_ == chunk; });
        if (error_ != 0) {
            return;
        }
        // Only the thread holding the next chunk writes, so the file needs no lock of its own.
        lock.unlock();
        const bool written = writeAll(file_, text.get(), length);
        const int error = written ? 0 : lastError();
        lock.lock();
        if (!written) {
            fail(error);
        }
        ++nextToWrite_;
        changed_.notify_all();
    }
}

std::optional<std::string> SampleFileStream::finish() {
    finished_ = true;
    if (file_ == nullptr) {
        return reasonText(error_);
    }
    markReady(samples_.size());
    if (error_ == 0) {
        formatChunks();
    }
    for (auto& worker : workers_) {
        worker.join();
    }
    workers_.clear();
    errno = 0;
    const bool closed = std::fclose(file_) == 0;
    const int closeError = closed ? 0 : lastError();
    file_ = nullptr;
    if (error_ != 0) {
        return reasonText(error_);
    }
    if (!closed) {
        return reasonText(closeError);
    }
    return std::nullopt;
}

}  // namespace quorvel
