#pragma once
// The smallest and largest I and Q over any range of a recording, from a pyramid of block
// extents: a pixel column over a million samples costs a few dozen block look-ups, so a view of
// 10^9 samples draws as fast as one of 10^4. The pyramid is built once, on a thread of its own
// if the caller likes; until it reaches a range, that range is read or sampled instead.

#include <atomic>
#include <cstdint>
#include <vector>

#include "analyzer/SampleReader.h"

namespace quorvel {

// The extent of the finite samples of a range; empty when it holds none.
struct IqExtent {
    float minI = 0.0f;
    float maxI = 0.0f;
    float minQ = 0.0f;
    float maxQ = 0.0f;
    bool empty = true;

    // Widens the extent to take in s; a non-finite part is left out.
    void add(IqSample s);
    void add(const IqExtent& other);
};

class MinMaxPyramid {
  public:
    static constexpr std::uint64_t kBaseBlock = 1024;  // samples per block of the first level
    static constexpr std::uint64_t kFanOut = 16;       // blocks of a level per block of the next
    // A range longer than this that the pyramid has not reached yet is sampled, not read whole.
    static constexpr std::uint64_t kReadBudget = std::uint64_t{1} << 18;

    // A pyramid over reader, which must outlive it; nothing is read until build().
    explicit MinMaxPyramid(const SampleReader& reader);

    // Reads the whole recording once and fills the levels, base first; may run on another thread
    // while extent() is called. Returns early, unfinished, once stop is set.
    void build(const std::atomic<bool>* stop = nullptr);

    // Samples from 0 up to which the pyramid is complete.
    std::uint64_t builtSamples() const { return built_.load(std::memory_order_acquire); }
    bool complete() const { return builtSamples() == size_; }

    // The extent of samples begin ... end - 1 (end <= the recording's size). Exact where the
    // pyramid reaches or the range is short; otherwise from evenly spread runs of samples, and
    // then *exact is set false.
    IqExtent extent(std::uint64_t begin, std::uint64_t end, bool* exact = nullptr) const;

  private:
    std::uint64_t blockSize(std::size_t level) const;
    void accumulate(std::size_t level, std::uint64_t begin, std::uint64_t end, IqExtent& out) const;
    void readRange(std::uint64_t begin, std::uint64_t end, IqExtent& out) const;
    IqExtent sampled(std::uint64_t begin, std::uint64_t end) const;
    void finishParents(std::uint64_t samplesDone);

    const SampleReader& reader_;
    std::uint64_t size_;
    std::vector<std::vector<IqExtent>> levels_;  // levels_[L - 1] holds level L's blocks
    std::vector<std::size_t> filled_;            // blocks of each level written so far
    std::atomic<std::uint64_t> built_{0};
};

// The extents of columns equal shares of samples begin ... end - 1, column c covering
// begin + floor(c (end - begin) / columns) up to the next column's first sample; exact is
// cleared if any column was only sampled.
std::vector<IqExtent> columnExtents(const MinMaxPyramid& pyramid, std::uint64_t begin,
                                    std::uint64_t end, int columns, bool* exact = nullptr);

}  // namespace quorvel
