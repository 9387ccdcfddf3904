#include "analyzer/MinMaxPyramid.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quorvel {
namespace {

// Samples read at a time: a few pages, on the stack.
constexpr std::size_t kChunk = 2048;
// Runs of samples a sampled range reads, and their length.
constexpr std::uint64_t kSampledRuns = 64;
constexpr std::uint64_t kSampledRunLength = 32;

std::uint64_t ceilDiv(std::uint64_t a, std::uint64_t b) {
    return a / b + (a % b != 0 ? 1 : 0);
}

}  // namespace

void IqExtent::add(IqSample s) {
    const float i = s.real();
    const float q = s.imag();
    if (!std::isfinite(i) || !std::isfinite(q)) {
        return;
    }
    if (empty) {
        *this = {i, i, q, q, false};
        return;
    }
    minI = std::min(minI, i);
    maxI = std::max(maxI, i);
    minQ = std::min(minQ, q);
    maxQ = std::max(maxQ, q);
}

void IqExtent::add(const IqExtent& other) {
    if (other.empty) {
        return;
    }
    if (empty) {
        *this = other;
        return;
    }
    minI = std::min(minI, other.minI);
    maxI = std::max(maxI, other.maxI);
    minQ = std::min(minQ, other.minQ);
    maxQ = std::max(maxQ, other.maxQ);
}

MinMaxPyramid::MinMaxPyramid(const SampleReader& reader) : reader_(reader), size_(reader.size()) {
    // Sized in full before any block is written, so that readers on other threads never see a
    // vector move.
    for (std::uint64_t block = kBaseBlock; block < size_; block *= kFanOut) {
        levels_.emplace_back(ceilDiv(size_, block));
        filled_.push_back(0);
    }
}

std::uint64_t MinMaxPyramid::blockSize(std::size_t level) const {
    std::uint64_t size = 1;
    for (std::size_t l = 0; l < level; ++l) {
        size *= l == 0 ? kBaseBlock : kFanOut;
    }
    return size;
}

void MinMaxPyramid::build(const std::atomic<bool>* stop) {
    if (levels_.empty()) {
        built_.store(size_, std::memory_order_release);
        return;
    }
    std::vector<IqExtent>& base = levels_[0];
    std::array<IqSample, kBaseBlock> samples{};
    // Blocks are filled in order, a stretch at a time, and published once their parents are.
    constexpr std::size_t kBlocksPerStep = 256;
    for (std::size_t b = filled_[0]; b < base.size();) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            return;
        }
        const std::size_t stepEnd = std::min(base.size(), b + kBlocksPerStep);
        for (; b < stepEnd; ++b) {
            const std::uint64_t first = b * kBaseBlock;
            const std::size_t count = static_cast<std::size_t>(std::min(kBaseBlock, size_ - first));
            reader_.read(first, count, samples.data());
            IqExtent e;
            for (std::size_t k = 0; k < count; ++k) {
                e.add(samples[k]);
            }
            base[b] = e;
        }
        filled_[0] = b;
        const std::uint64_t done = std::min(size_, b * kBaseBlock);
        finishParents(done);
        built_.store(done, std::memory_order_release);
    }
}

void MinMaxPyramid::finishParents(std::uint64_t samplesDone) {
    for (std::size_t l = 1; l < levels_.size(); ++l) {
        const std::vector<IqExtent>& children = levels_[l - 1];
        std::vector<IqExtent>& parents = levels_[l];
        const std::uint64_t block = blockSize(l + 1);
        // A parent is due once every child it covers is: all kFanOut, or those up to the end.
        const std::size_t due =
            samplesDone == size_ ? parents.size() : static_cast<std::size_t>(samplesDone / block);
        for (std::size_t p = filled_[l]; p < due; ++p) {
            IqExtent e;
            const std::size_t last = std::min(children.size(), (p + 1) * kFanOut);
            for (std::size_t c = p * kFanOut; c < last; ++c) {
                e.add(children[c]);
            }
            parents[p] = e;
        }
        filled_[l] = std::max(filled_[l], due);
    }
}

IqExtent MinMaxPyramid::extent(std::uint64_t begin, std::uint64_t end, bool* exact) const {
    IqExtent out;
    if (exact != nullptr) {
        *exact = true;
    }
    if (end <= begin) {
        return out;
    }
    if (end > builtSamples()) {
        if (end - begin > kReadBudget) {
            if (exact != nullptr) {
                *exact = false;
            }
            return sampled(begin, end);
        }
        readRange(begin, end, out);
        return out;
    }
    std::size_t level = 0;
    while (level < levels_.size() && blockSize(level + 1) <= end - begin) {
        ++level;
    }
    accumulate(level, begin, end, out);
    return out;
}

// Whole blocks of this level inside the range, and the two ragged edges from the level below.
void MinMaxPyramid::accumulate(std::size_t level, std::uint64_t begin, std::uint64_t end,
                               IqExtent& out) const {
    if (begin >= end) {
        return;
    }
    if (level == 0) {
        readRange(begin, end, out);
        return;
    }
    const std::uint64_t block = blockSize(level);
    const std::uint64_t firstWhole = ceilDiv(begin, block);
    const std::uint64_t lastWhole = end / block;  // one past
    if (firstWhole >= lastWhole) {
        accumulate(level - 1, begin, end, out);
        return;
    }
    accumulate(level - 1, begin, firstWhole * block, out);
    const std::vector<IqExtent>& blocks = levels_[level - 1];
    for (std::uint64_t b = firstWhole; b < lastWhole; ++b) {
        out.add(blocks[b]);
    }
    accumulate(level - 1, lastWhole * block, end, out);
}

void MinMaxPyramid::readRange(std::uint64_t begin, std::uint64_t end, IqExtent& out) const {
    std::array<IqSample, kChunk> samples{};
    while (begin < end) {
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, end - begin));
        reader_.read(begin, count, samples.data());
        for (std::size_t k = 0; k < count; ++k) {
            out.add(samples[k]);
        }
        begin += count;
    }
}

IqExtent MinMaxPyramid::sampled(std::uint64_t begin, std::uint64_t end) const {
    IqExtent out;
    const std::uint64_t span = end - begin;
    for (std::uint64_t r = 0; r < kSampledRuns; ++r) {
        const std::uint64_t first = begin + (span - kSampledRunLength) / (kSampledRuns - 1) * r;
        readRange(first, first + kSampledRunLength, out);
    }
    return out;
}

std::vector<IqExtent> columnExtents(const MinMaxPyramid& pyramid, std::uint64_t begin,
                                    std::uint64_t end, int columns, bool* exact) {
    std::vector<IqExtent> out(static_cast<std::size_t>(std::max(columns, 0)));
    if (exact != nullptr) {
        *exact = true;
    }
    const std::uint64_t span = end > begin ? end - begin : 0;
    const auto edge = [&](int c) {
        return begin + static_cast<std::uint64_t>(static_cast<long double>(span) * c / columns);
    };
    for (int c = 0; c < columns; ++c) {
        bool columnExact = true;
        out[static_cast<std::size_t>(c)] = pyramid.extent(edge(c), edge(c + 1), &columnExact);
        if (exact != nullptr && !columnExact) {
            *exact = false;
        }
    }
    return out;
}

}  // namespace quorvel
