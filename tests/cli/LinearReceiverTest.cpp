// A matched-filter receiver of the tests' own recovers every linear family's bits from the
// command line's cf32 file at infinite SNR: root-raised-cosine pulses, the same pulse as matched
// filter, one decision per symbol at the nearest point, Gray labels undone by their formula.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "modulation/SchemeCatalog.h"
#include "support/CliRun.h"
#include "support/RecordingFiles.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::runCli;
using testing_support::TempDir;

constexpr int kSamplesPerSymbol = 8;
constexpr double kRolloff = 0.5;
constexpr int kSpanSymbols = 32;

// The root-raised-cosine pulse at t symbol periods from its centre, unit at t = 0 scaled away.
double rootRaisedCosine(double t) {
    const double b = kRolloff;
    if (t == 0.0) {
        return 1.0 - b + 4.0 * b / Pi;
    }
    if (std::abs(std::abs(t) - 1.0 / (4.0 * b)) < 1e-9) {
        return b / std::sqrt(2.0) *
               ((1.0 + 2.0 / Pi) * std::sin(Pi / (4.0 * b)) + (1.0 - 2.0 / Pi) * std::cos(Pi / (4.0 * b)));
    }
    return (std::sin(Pi * t * (1.0 - b)) + 4.0 * b * t * std::cos(Pi * t * (1.0 + b))) /
           (Pi * t * (1.0 - (4.0 * b * t) * (4.0 * b * t)));
}

struct LinearReceiverCase {
    const char* name;
    std::int32_t order;
    bool gray;
};

// The symbol indices of the file: every index once per period of M symbols, in a shuffled order.
std::vector<std::int32_t> sentIndices(std::int32_t order, int periods) {
    std::vector<std::int32_t> indices;
    std::mt19937 shuffler(static_cast<unsigned>(order));
    for (int p = 0; p < periods; ++p) {
        std::vector<std::int32_t> period(static_cast<std::size_t>(order));
        std::iota(period.begin(), period.end(), 0);
        std::shuffle(period.begin(), period.end(), shuffler);
        indices.insert(indices.end(), period.begin(), period.end());
    }
    return indices;
}

// The indices as bits, most significant bit first, packed into bytes the same way.
std::string packedBits(const std::vector<std::int32_t>& indices, int bitsPerSymbol) {
    std::string bytes;
    int filled = 0;
    unsigned char current = 0;
    for (const std::int32_t index : indices) {
        for (int b = bitsPerSymbol - 1; b >= 0; --b) {
            current = static_cast<unsigned char>((current << 1) | ((index >> b) & 1));
            if (++filled == 8) {
                bytes.push_back(static_cast<char>(current));
                filled = 0;
                current = 0;
            }
        }
    }
    return bytes;
}

TEST(LinearReceiver, RecoversTheBitsOfEveryLinearFamily) {
    const LinearReceiverCase cases[] = {
        {"ook", 2, false},  {"ask", 4, false},  {"ask", 64, false}, {"ask", 16, true},  {"pam", 8, false},
        {"pam", 64, false}, {"pam", 32, true},  {"psk", 32, false}, {"psk", 64, true},  {"qam", 128, false},
        {"qam", 512, false}, {"apsk", 128, false},
    };
    for (const LinearReceiverCase& c : cases) {
        const std::string context = std::string(c.name) + " " + std::to_string(c.order) + (c.gray ? " gray" : "");
        const int bits = std::countr_zero(static_cast<unsigned>(c.order));
        const int edgePeriods = (kSpanSymbols / 2 + c.order - 1) / c.order;
        const std::vector<std::int32_t> sent = sentIndices(c.order, 2 * edgePeriods + 3);
        const TempDir dir;
        std::ofstream(dir.file("bits"), std::ios::binary) << packedBits(sent, bits);
        std::vector<std::string> args{"--modulation", c.name, "--order", std::to_string(c.order), "--bits",
                                      dir.file("bits"), "--pulse", "rrc", "--rolloff", "0.5", "--span",
                                      std::to_string(kSpanSymbols), "--symbol-rate", "1000", "--sampling-rate",
                                      std::to_string(1000 * kSamplesPerSymbol), "--symbols",
                                      std::to_string(sent.size()), "--snr", "inf", "--format", "cf32", "--quiet",
                                      "--save-path", dir.str()};
        if (c.gray) {
            args.push_back("--gray");
        }
        const auto run = runCli(args);
        ASSERT_EQ(run.code, 0) << context << ": " << run.err;
        const std::vector<float> values = testing_support::readCf32Values(dir.file("modulated_signal_1.sigmf-data"));
        ASSERT_EQ(values.size(), 2 * sent.size() * kSamplesPerSymbol) << context;

        // The matched filter's output at each symbol's centre.
        const auto half = kSpanSymbols / 2 * kSamplesPerSymbol;
        const auto samples = static_cast<std::ptrdiff_t>(values.size() / 2);
        std::vector<ComplexSample> decisions;
        for (std::size_t k = 0; k < sent.size(); ++k) {
            ComplexSample y;
            for (std::ptrdiff_t m = -half; m <= half; ++m) {
                const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(k) * kSamplesPerSymbol + m;
                if (n >= 0 && n < samples) {
                    const double h = rootRaisedCosine(static_cast<double>(m) / kSamplesPerSymbol);
                    y = y + ComplexSample{h * values[2 * static_cast<std::size_t>(n)],
                                          h * values[2 * static_cast<std::size_t>(n) + 1]};
                }
            }
            decisions.push_back(y);
        }
        // The reference points, and the gain from the whole periods clear of the file's edges,
        // where every point occurs equally often.
        SignalParameters p;
        p.modulationType = findSchemeNamed(c.name)->type;
        setChosenOrder(p, c.order);
        if (p.modulationType == ModulationType::Apsk) {
            p.apskRadiiText = std::string(findOrder(*findSchemeNamed("apsk"), c.order)->radiiText);
        }
        SymbolSequence positions(static_cast<std::size_t>(c.order));
        std::iota(positions.begin(), positions.end(), 0);
        const SampleBuffer reference = mapSymbols(positions, p);
        const std::size_t first = static_cast<std::size_t>(edgePeriods * c.order);
        const std::size_t last = sent.size() - first;
        double received = 0.0;
        double table = 0.0;
        for (std::size_t k = first; k < last; ++k) {
            received += decisions[k].i * decisions[k].i + decisions[k].q * decisions[k].q;
        }
        for (const ComplexSample& r : reference) {
            table += r.i * r.i + r.q * r.q;
        }
        const double gain = std::sqrt((received / static_cast<double>(last - first)) / (table / c.order));
        std::size_t wrong = 0;
        std::size_t firstWrong = 0;
        for (std::size_t k = first; k < last; ++k) {
            std::int32_t best = 0;
            double bestDistance = INFINITY;
            for (std::int32_t position = 0; position < c.order; ++position) {
                const ComplexSample& r = reference[static_cast<std::size_t>(position)];
                const double di = decisions[k].i / gain - r.i;
                const double dq = decisions[k].q / gain - r.q;
                if (di * di + dq * dq < bestDistance) {
                    bestDistance = di * di + dq * dq;
                    best = position;
                }
            }
            // Gray coding sends label g at the position whose label p ^ (p >> 1) is g.
            const std::int32_t index = c.gray ? (best ^ (best >> 1)) : best;
            if (index != sent[k] && wrong++ == 0) {
                firstWrong = k;
            }
        }
        EXPECT_EQ(wrong, 0u) << context << ": first wrong symbol " << firstWrong;
    }
}

}  // namespace
}  // namespace quorvel
