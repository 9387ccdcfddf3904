// Shaped QPSK at 8 samples per symbol, 10^7 samples, root-raised-cosine pulse of 10 symbols
// (roll-off 0.35): quorvel's pulse-shaping stage side by side with liquid-dsp's polyphase
// interpolator firinterp_crcf of the same length (m = 5 symbols either side). Both get the same
// points and keep every output in memory, already touched; the best of five runs counts.
//   quorvel-pulse-peer [samples]
#include <complex>
// liquid.h maps its complex types onto std::complex when <complex> comes first.
#include <liquid/liquid.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "channel/PulseShaping.h"
#include "common/SampleSource.h"

namespace {

constexpr unsigned kSamplesPerSymbol = 8;
constexpr unsigned kHalfSpan = 5;
constexpr float kRolloff = 0.35f;
constexpr int kRuns = 5;

// Hands out the points in place, so that no copy of them is timed.
class PointSource final : public quorvel::SampleSource {
public:
    explicit PointSource(const quorvel::SampleBuffer& points) : points_(points) {}
    std::size_t read(std::span<quorvel::ComplexSample> out) override {
        const std::size_t count = std::min(out.size(), points_.size() - next_);
        std::copy_n(points_.begin() + static_cast<std::ptrdiff_t>(next_), count, out.begin());
        next_ += count;
        return count;
    }

private:
    const quorvel::SampleBuffer& points_;
    std::size_t next_ = 0;
};

template <typename Work>
double bestSeconds(Work work) {
    double best = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t samples = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10'000'000;
    const std::size_t symbols = samples / kSamplesPerSymbol;
    std::mt19937 engine(1);
    quorvel::SampleBuffer points(symbols);
    std::vector<std::complex<float>> liquidPoints(symbols);
    for (std::size_t k = 0; k < symbols; ++k) {
        const double i = (engine() & 1) != 0 ? 1.0 : -1.0, q = (engine() & 1) != 0 ? 1.0 : -1.0;
        points[k] = {i, q};
        liquidPoints[k] = {static_cast<float>(i), static_cast<float>(q)};
    }

    // Both outputs are touched before the clocks start, so that neither run pays for the pages.
    quorvel::SampleBuffer shaped(samples);
    const double ours = bestSeconds([&] {
        PointSource source(points);
        quorvel::PulseShapingStage stage(source, symbols,
                                         {.shape = quorvel::PulseShape::RootRaisedCosine, .rolloff = kRolloff,
                                          .spanSymbols = 2 * kHalfSpan, .symbolRateHz = 1000,
                                          .samplingRateHz = 1000.0 * kSamplesPerSymbol});
        for (std::size_t at = 0; at < samples;) {
            const std::size_t got = stage.read(std::span(shaped).subspan(at, std::min<std::size_t>(65536, samples - at)));
            if (got == 0) break;
            at += got;
        }
    });

    std::vector<std::complex<float>> interpolated(samples);
    std::fill(interpolated.begin(), interpolated.end(), std::complex<float>(1.0f, 0.0f));
    const double theirs = bestSeconds([&] {
        firinterp_crcf interp =
            firinterp_crcf_create_prototype(LIQUID_FIRFILT_RRC, kSamplesPerSymbol, kHalfSpan, kRolloff, 0.0f);
        firinterp_crcf_execute_block(interp, liquidPoints.data(), static_cast<unsigned>(symbols), interpolated.data());
        firinterp_crcf_destroy(interp);
    });

    std::printf("shaped QPSK, %zu samples, %u samples per symbol, RRC 0.35 over %u symbols\n", samples,
                kSamplesPerSymbol, 2 * kHalfSpan);
    std::printf("%-32s %8.3f s %8.1f Msamples/s\n", "quorvel PulseShapingStage (f64)", ours, samples / ours / 1e6);
    std::printf("%-32s %8.3f s %8.1f Msamples/s\n", "liquid-dsp firinterp_crcf (f32)", theirs, samples / theirs / 1e6);
    std::printf("quorvel / liquid throughput: %.2f\n", theirs / ours);
    return 0;
}
