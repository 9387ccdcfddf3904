#pragma once
// Where sample n falls on the symbol grid, symbol k starting at k / symbolRate: n Rs / fs
// symbol periods, exact (in whole numbers) when both rates are whole numbers of Hz and their
// ratio has a small denominator (and fs >= Rs), so no rounding drifts over a long file.

#include <cmath>
#include <cstdint>
#include <numeric>

namespace quorvel {

class SymbolGrid {
public:
    struct Position {
        std::int64_t symbol = 0;  // the symbol whose period holds the sample
        std::int64_t phase = 0;   // exact grids: the fraction of the period in 1 / phases() steps
        double fraction = 0.0;    // the fraction of the period, 0 <= fraction < 1
    };

    // Exact grids keep at most this many phases per symbol period.
    static constexpr std::int64_t kMaxPhases = 4096;

    SymbolGrid(double symbolRateHz, double samplingRateHz) : symbolsPerSample_(symbolRateHz / samplingRateHz) {
        constexpr double kExactIntegers = 9007199254740992.0;  // 2^53
        const bool whole = samplingRateHz == std::floor(samplingRateHz) && symbolRateHz == std::floor(symbolRateHz) &&
                           samplingRateHz >= 1.0 && symbolRateHz >= 1.0 && samplingRateHz < kExactIntegers &&
                           symbolRateHz < kExactIntegers;
        if (whole) {
            const auto fs = static_cast<std::int64_t>(samplingRateHz);
            const auto rs = static_cast<std::int64_t>(symbolRateHz);
            const std::int64_t common = std::gcd(fs, rs);
            if (fs / common <= kMaxPhases && rs <= fs) {
                phases_ = fs / common;
                step_ = rs / common;
            }
        }
    }

    // 0 when the grid is not exact.
    std::int64_t phases() const { return phases_; }

    Position at(std::uint64_t n) const {
        if (phases_ > 0) {
            // n = whole * phases + rest: every product stays below kMaxPhases^2.
            const auto phases = static_cast<std::uint64_t>(phases_);
            const auto step = static_cast<std::uint64_t>(step_);
            const std::uint64_t rest = (n % phases) * step;
            const auto symbol = static_cast<std::int64_t>((n / phases) * step + rest / phases);
            const auto phase = static_cast<std::int64_t>(rest % phases);
            return {symbol, phase, static_cast<double>(phase) / static_cast<double>(phases_)};
        }
        const double at = static_cast<double>(n) * symbolsPerSample_;
        const double whole = std::floor(at);
        return {static_cast<std::int64_t>(whole), 0, at - whole};
    }

    // The position of the next sample after `p`, which is sample n's: on an exact grid by one
    // step of the phase, otherwise afresh.
    void advance(Position& p, std::uint64_t n) const {
        if (phases_ > 0) {
            p.phase += step_;
            if (p.phase >= phases_) {  // step_ <= phases_: at most one whole symbol per sample
                p.phase -= phases_;
                ++p.symbol;
            }
            p.fraction = static_cast<double>(p.phase) / static_cast<double>(phases_);
            return;
        }
        p = at(n + 1);
    }

private:
    double symbolsPerSample_;
    std::int64_t phases_ = 0;
    std::int64_t step_ = 0;
};

}  // namespace quorvel
