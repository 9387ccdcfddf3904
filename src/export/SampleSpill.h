#pragma once
// Samples set aside for a moment in a file without a name: what a file's measuring pass hands its
// making pass, so that costly stages run once. Having no name, the file goes with the process
// however it ends; it holds the doubles as they are, so what is read back is what was made.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "common/Signal.h"

namespace quorvel {

class SampleSpill {
public:
    // A spill for `samples` samples in folder, if its file system offers files without a name and
    // has room for the spill `roomFactor` times over (room for the output beside it); else none.
    static std::unique_ptr<SampleSpill> open(const std::string& folder, std::uint64_t samples,
                                             std::uint64_t roomFactor);
    ~SampleSpill();

    SampleSpill(const SampleSpill&) = delete;
    SampleSpill& operator=(const SampleSpill&) = delete;

    // Appends the samples; false when they could not all be written.
    bool append(std::span<const ComplexSample> samples);

    // The next samples from the first on: as many as out holds or are left; fewer than are left
    // only when reading failed.
    std::size_t read(std::span<ComplexSample> out);

private:
    explicit SampleSpill(int fd) : fd_(fd) {}

    int fd_;
    std::uint64_t written_ = 0;  // bytes
    std::uint64_t read_ = 0;     // bytes
};

}  // namespace quorvel
