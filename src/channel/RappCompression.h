#pragma once
// A transmitter amplifier driven into compression, memoryless: the Rapp model's AM/AM curve,
// no AM/PM.

#include <span>

#include "common/Impairments.h"
#include "common/SampleSource.h"
#include "common/Signal.h"

namespace quorvel {

// Scales every sample to |x| / (1 + (|x| / A)^(2P))^(1/(2P)), its phase kept; in place.
void compressRapp(std::span<ComplexSample> samples, const RappCompression& amplifier);

// The same over a whole buffer, returned as a copy.
SampleBuffer applyRappCompression(const SampleBuffer& input, const RappCompression& amplifier);

class RappCompressionStage final : public SampleSource {
  public:
    RappCompressionStage(SampleSource& upstream, const RappCompression& amplifier)
        : upstream_(upstream), amplifier_(amplifier) {}

    std::size_t read(std::span<ComplexSample> out) override {
        const std::size_t count = upstream_.read(out);
        compressRapp(out.first(count), amplifier_);
        return count;
    }

  private:
    SampleSource& upstream_;
    RappCompression amplifier_;
};

}  // namespace quorvel
