#pragma once
// The receiver's side of a linear scheme: the matched filter of the recorded pulse sampled at the
// recorded symbol instants, the eye of its output, and how far the points lie from the ideal
// constellation (EVM, MER).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analyzer/SampleReader.h"
#include "channel/PulseShapes.h"
#include "common/SignalParameters.h"

namespace quorvel {

// Where a recording's symbols are and what pulse carries them.
struct SymbolTiming {
    double samplesPerSymbol = 10.0;  // fs / Rs
    double firstSymbolSample = 0.0;  // symbol k sits at firstSymbolSample + k samplesPerSymbol
    PulseShape pulse = PulseShape::Linear;
    double rolloff = 0.35;
    std::int32_t spanSymbols = 10;
    bool quadratureHalfSymbolLate = false;  // shaped OQPSK: Q is read half a symbol later
};

// The timing of a recording of this program's settings: symbol 0 at sample 0, the recorded pulse.
SymbolTiming timingOf(const SignalParameters& parameters);

// More samples per symbol than this make no constellation worth the reading.
inline constexpr double kMaxSamplesPerSymbol = 65536.0;

// Why a timing cannot be filtered with (a recording's metadata or a typed rate may hold
// anything): samples per symbol from 1 to kMaxSamplesPerSymbol, and for a shaped pulse a
// roll-off above 0 and at most 1 and a span of 1 to kMaxPulseSpanSymbols; nothing when it can.
std::optional<std::string> timingProblem(const SymbolTiming& timing);

class MatchedFilter {
  public:
    // A filter over reader, which must outlive it.
    MatchedFilter(const SampleReader& reader, const SymbolTiming& timing);

    // The filter's output at fractional sample position t: for a shaped pulse the correlation
    // with the unit-energy pulse centred on t; for straight lines, which pass through the points,
    // the signal itself interpolated. Samples outside the recording count as 0.
    IqSample at(double t) const;

    // The outputs at symbols first ... first + count - 1 (those inside the recording).
    std::vector<IqSample> symbols(std::int64_t first, std::size_t count) const;

    // Symbols whose whole pulse lies inside the recording: first and count.
    std::pair<std::int64_t, std::size_t> wholeSymbols() const;

  private:
    float componentAt(double t, bool quadrature) const;

    const SampleReader& reader_;
    SymbolTiming timing_;
    std::optional<PulseFilter> pulse_;
};

// The distinct points of the scheme's constellation; empty for FSK, MSK and GMSK and for an order
// the scheme does not offer.
std::vector<IqSample> idealPoints(const SignalParameters& parameters);

struct ConstellationQuality {
    double evmPercent = 0.0;  // RMS error over RMS ideal point, as a percentage
    double merDb = 0.0;       // 10 log10 of ideal power over error power
    std::size_t symbols = 0;
};

// Scales points to the mean power of ideal, decides each for its nearest ideal point, and
// measures the error; nothing without points or ideal points.
std::optional<ConstellationQuality> measureQuality(const std::vector<IqSample>& points,
                                                   const std::vector<IqSample>& ideal);

// How often the filter's output passes each pixel of a width x height eye two symbols wide,
// centred on the symbol instants; amplitude from -limit (bottom) to +limit (top).
struct EyeDensity {
    int width = 0;
    int height = 0;
    double limit = 1.0;
    std::vector<std::uint32_t> hits;  // row-major, row 0 at the top
    std::uint32_t peak = 0;
};

// The eye of the I (or Q) output over traces symbols from first on.
EyeDensity eyeDiagram(const MatchedFilter& filter, const SymbolTiming& timing, std::int64_t first,
                      std::size_t traces, int width, int height, bool quadrature);

}  // namespace quorvel
