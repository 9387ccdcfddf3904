#pragma once
// OFDM: each OFDM symbol is the inverse DFT of N bins, K of them carrying one subcarrier symbol
// each, at one sample per bin (a subcarrier spacing of fs / N), with its last L samples put in
// front as the cyclic prefix. The points are scaled so that the mean power over an OFDM symbol,
// prefix included, is 1 for equally likely indices: 1 / sqrt(K P) for points of mean power P and
// mean 0, a little more for OOK and ASK, whose mean the prefix carries less of.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/Signal.h"

namespace quorvel {

class FourierTransform;

struct OfdmFrame {
    std::size_t fftSize = 64;      // N bins, one sample each
    std::size_t prefixLength = 16; // L samples of cyclic prefix
    std::size_t activeCount = 54;  // K subcarriers, DC left empty
};

// K when none is asked for: about 5/6 of N, even, so that as many lie above DC as below.
std::size_t defaultActiveCount(std::size_t fftSize);
// round(ratio N), halves away from zero.
std::size_t cyclicPrefixLength(std::size_t fftSize, double ratio);
// The bins the subcarriers ride, lowest frequency first: floor(K/2) below DC (bins N - floor(K/2)
// ... N-1), the rest above it (bins 1 ...).
std::vector<std::size_t> activeBins(std::size_t fftSize, std::size_t activeCount);

class OfdmMapper {
public:
    // points: the subcarrier scheme's point of each index. symbolCount: the file's subcarrier
    // symbols; the last OFDM symbol carries what is left, its other bins empty.
    OfdmMapper(const OfdmFrame& frame, std::vector<ComplexSample> points, std::size_t symbolCount);
    ~OfdmMapper();
    OfdmMapper(OfdmMapper&&) noexcept;
    OfdmMapper& operator=(OfdmMapper&&) noexcept;

    void append(const SymbolSequence& symbols, SampleBuffer& out);

private:
    void emitSymbol(SampleBuffer& out);

    OfdmFrame frame_;
    std::vector<ComplexSample> points_;
    std::vector<std::size_t> bins_;
    double scale_ = 1.0;  // of the points: unit mean power over an OFDM symbol, its prefix included
    std::unique_ptr<FourierTransform> transform_;
    SampleBuffer spectrum_;      // the OFDM symbol being filled
    std::size_t filled_ = 0;     // its subcarriers filled so far
    std::size_t remaining_;      // the file's subcarrier symbols not yet received
};

// Samples of a file of symbolCount subcarrier symbols: ceil(count / K) OFDM symbols of N + L.
double ofdmSampleCount(const OfdmFrame& frame, double symbolCount);

// The whole sequence's samples, as OfdmMapper gives them.
SampleBuffer modulateOfdm(const SymbolSequence& symbols, const OfdmFrame& frame, std::vector<ComplexSample> points);

}  // namespace quorvel
