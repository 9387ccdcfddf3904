#pragma once
// The pull side of the block engine: a stage hands out its samples in order, as many as asked.

#include <algorithm>
#include <cstddef>
#include <span>
#include <stdexcept>
#include <utility>

#include "common/Signal.h"

namespace quorvel {

class SampleSource {
public:
    virtual ~SampleSource() = default;

    // Fills out with the next samples; returns how many, fewer than out.size() only at the end.
    virtual std::size_t read(std::span<ComplexSample> out) = 0;
};

// Hands out a buffer it holds; the stage of last resort for settings no block stage takes.
class BufferSource final : public SampleSource {
public:
    explicit BufferSource(SampleBuffer samples) : samples_(std::move(samples)) {}

    std::size_t read(std::span<ComplexSample> out) override {
        const std::size_t count = std::min(out.size(), samples_.size() - next_);
        std::copy_n(samples_.begin() + static_cast<std::ptrdiff_t>(next_), count, out.begin());
        next_ += count;
        return count;
    }

private:
    SampleBuffer samples_;
    std::size_t next_ = 0;
};

// The samples of an upstream stage from absolute index `first` on, pulled as they are asked for:
// what the interpolating stages read their neighbours through.
class SampleWindow {
public:
    explicit SampleWindow(SampleSource& upstream) : upstream_(upstream) {}

    // Sample `index` of the upstream stream; index must be at least the one last released and
    // below the stream's length.
    const ComplexSample& at(std::size_t index) {
        if (index < first_) {
            throw std::logic_error("a stage asked for a sample it had released");
        }
        while (index >= first_ + held_.size()) {
            pull();
        }
        return held_[index - first_];
    }

    // Samples below index will not be asked for again.
    void release(std::size_t index) { releasedBelow_ = std::max(releasedBelow_, index); }

    // Makes samples first ... last available at once (first at least the one last released, last
    // below the stream's length) and returns where sample `first` is held; valid until the next
    // call that pulls. The interpolating stages read a whole block's neighbours through it.
    const ComplexSample* hold(std::size_t first, std::size_t last) {
        at(last);
        return held_.data() + (first - first_);
    }

private:
    static constexpr std::size_t kPullSamples = 4096;

    void pull() {
        if (releasedBelow_ > first_) {
            const std::size_t dropped = std::min(releasedBelow_ - first_, held_.size());
            held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(dropped));
            first_ += dropped;
        }
        const std::size_t size = held_.size();
        held_.resize(size + kPullSamples);
        const std::size_t got = upstream_.read(std::span(held_).subspan(size));
        held_.resize(size + got);
        if (got == 0) {
            throw std::logic_error("a stage asked for a sample beyond the end of its input");
        }
    }

    SampleSource& upstream_;
    SampleBuffer held_;
    std::size_t first_ = 0;
    std::size_t releasedBelow_ = 0;
};

}  // namespace quorvel
