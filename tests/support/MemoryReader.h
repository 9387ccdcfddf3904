#pragma once
// A recording held in memory, for testing what reads recordings without a file.

#include <algorithm>
#include <vector>

#include "analyzer/SampleReader.h"

namespace quorvel::testing_support {

class MemoryReader : public SampleReader {
  public:
    explicit MemoryReader(std::vector<IqSample> samples) : samples_(std::move(samples)) {}

    std::uint64_t size() const override { return samples_.size(); }
    void read(std::uint64_t begin, std::size_t count, IqSample* out) const override {
        std::copy_n(samples_.begin() + static_cast<std::ptrdiff_t>(begin), count, out);
    }

  private:
    std::vector<IqSample> samples_;
};

}  // namespace quorvel::testing_support
