#include "analyzer/SymbolRecovery.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "modulation/SchemeCatalog.h"

namespace quorvel {
namespace {

// Points closer than this are one point of the constellation.
constexpr double kSamePoint = 1e-9;

}  // namespace

SymbolTiming timingOf(const SignalParameters& p) {
    SymbolTiming t;
    t.samplesPerSymbol = p.samplingRate / p.symbolRate;
    if (shapesPulses(p)) {
        t.pulse = p.transmitter.pulse;
        t.rolloff = p.transmitter.rolloff;
        t.spanSymbols = p.transmitter.span;
        t.quadratureHalfSymbolLate = p.modulationType == ModulationType::Oqpsk;
    }
    return t;
}

std::optional<std::string> timingProblem(const SymbolTiming& t) {
    if (!(t.samplesPerSymbol >= 1.0 && t.samplesPerSymbol <= kMaxSamplesPerSymbol)) {
        return "The symbol rate must give 1 to " +
               std::to_string(static_cast<int>(kMaxSamplesPerSymbol)) + " samples per symbol.";
    }
    if (t.pulse != PulseShape::Linear) {
        if (!(t.rolloff > 0.0 && t.rolloff <= 1.0)) {
            return std::string("The roll-off must lie above 0 and at most 1.");
        }
        if (t.spanSymbols < 1 || t.spanSymbols > kMaxPulseSpanSymbols) {
            return "The pulse span must be 1 to " + std::to_string(kMaxPulseSpanSymbols) +
                   " symbols.";
        }
    }
    if (!std::isfinite(t.firstSymbolSample)) {
        return std::string("The first symbol's place must be a finite number of samples.");
    }
    return std::nullopt;
}

MatchedFilter::MatchedFilter(const SampleReader& reader, const SymbolTiming& timing)
    : reader_(reader), timing_(timing) {
    if (timing.pulse != PulseShape::Linear) {
        pulse_.emplace(timing.pulse, timing.rolloff, timing.spanSymbols, timing.samplesPerSymbol);
    }
}

float MatchedFilter::componentAt(double t, bool quadrature) const {
    const auto size = static_cast<std::int64_t>(reader_.size());
    const auto part = [quadrature](IqSample s) { return quadrature ? s.imag() : s.real(); };
    if (!pulse_) {
        const double floorT = std::floor(t);
        const auto n = static_cast<std::int64_t>(floorT);
        const double frac = t - floorT;
        std::array<IqSample, 2> pair{};
        for (std::int64_t k = 0; k < 2; ++k) {
            if (n + k >= 0 && n + k < size) {
                reader_.read(static_cast<std::uint64_t>(n + k), 1,
                             &pair[static_cast<std::size_t>(k)]);
            }
        }
        return static_cast<float>((1.0 - frac) * part(pair[0]) + frac * part(pair[1]));
    }
    const double reach = pulse_->halfSpan() * timing_.samplesPerSymbol;
    const auto first = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil(t - reach)));
    const auto last =
        std::min<std::int64_t>(size - 1, static_cast<std::int64_t>(std::floor(t + reach)));
    if (last < first) {
        return 0.0f;
    }
    std::vector<IqSample> window(static_cast<std::size_t>(last - first + 1));
    reader_.read(static_cast<std::uint64_t>(first), window.size(), window.data());
    double sum = 0.0;
    for (std::size_t k = 0; k < window.size(); ++k) {
        const double offset =
            (static_cast<double>(first) + static_cast<double>(k) - t) / timing_.samplesPerSymbol;
        sum += pulse_->at(offset) * part(window[k]);
    }
    return static_cast<float>(sum);
}

IqSample MatchedFilter::at(double t) const {
    const double late = timing_.quadratureHalfSymbolLate ? 0.5 * timing_.samplesPerSymbol : 0.0;
    return {componentAt(t, false), componentAt(t + late, true)};
}

std::vector<IqSample> MatchedFilter::symbols(std::int64_t first, std::size_t count) const {
    std::vector<IqSample> out;
    out.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const double t =
            timing_.firstSymbolSample +
            static_cast<double>(first + static_cast<std::int64_t>(k)) * timing_.samplesPerSymbol;
        if (t >= 0.0 && t <= static_cast<double>(reader_.size()) - 1.0) {
            out.push_back(at(t));
        }
    }
    return out;
}

std::pair<std::int64_t, std::size_t> MatchedFilter::wholeSymbols() const {
    const double sps = timing_.samplesPerSymbol;
    const double margin =
        (pulse_ ? pulse_->halfSpan() + (timing_.quadratureHalfSymbolLate ? 0.5 : 0.0) : 0.0) * sps;
    const double lastSample = static_cast<double>(reader_.size()) - 1.0;
    const auto first =
        static_cast<std::int64_t>(std::ceil((margin - timing_.firstSymbolSample) / sps));
    const auto last = static_cast<std::int64_t>(
        std::floor((lastSample - margin - timing_.firstSymbolSample) / sps));
    if (last < first) {
        return {first, 0};
    }
    return {first, static_cast<std::size_t>(last - first + 1)};
}

std::vector<IqSample> idealPoints(const SignalParameters& parameters) {
    if (!mapsOnePointPerSymbol(parameters.modulationType)) {
        return {};
    }
    // Only an order the scheme offers: a recording's metadata may name any.
    const Scheme* scheme = findScheme(parameters.modulationType);
    if (scheme == nullptr ||
        (scheme->hasOrders() && findOrder(*scheme, chosenOrder(parameters)) == nullptr)) {
        return {};
    }
    const std::int32_t m = alphabetSize(parameters);
    SymbolSequence symbols;
    // Every index, and for the small alphabets every pair of indices, so that a differential
    // scheme's mapper visits every phase it can reach.
    for (std::int32_t a = 0; a < m; ++a) {
        symbols.push_back(a);
        for (std::int32_t b = 0; m <= 8 && b < m; ++b) {
            symbols.push_back(a);
            symbols.push_back(b);
        }
    }
    SignalParameters unshaped = parameters;
    unshaped.transmitter.gray = false;
    const SampleBuffer mapped = mapSymbols(symbols, unshaped);
    std::vector<IqSample> points;
    for (const ComplexSample& s : mapped) {
        const IqSample point(static_cast<float>(s.i), static_cast<float>(s.q));
        const bool known = std::any_of(points.begin(), points.end(), [&](IqSample p) {
            return std::abs(p - point) < kSamePoint;
        });
        if (!known) {
            points.push_back(point);
        }
    }
    return points;
}

std::optional<ConstellationQuality> measureQuality(const std::vector<IqSample>& points,
                                                   const std::vector<IqSample>& ideal) {
    if (points.empty() || ideal.empty()) {
        return std::nullopt;
    }
    double idealPower = 0.0;
    for (const IqSample p : ideal) {
        idealPower += std::norm(std::complex<double>(p));
    }
    idealPower /= static_cast<double>(ideal.size());
    double receivedPower = 0.0;
    for (const IqSample p : points) {
        receivedPower += std::norm(std::complex<double>(p));
    }
    receivedPower /= static_cast<double>(points.size());
    if (!(receivedPower > 0.0) || !(idealPower > 0.0)) {
        return std::nullopt;
    }
    const double gain = std::sqrt(idealPower / receivedPower);
    double errorPower = 0.0;
    double referencePower = 0.0;
    for (const IqSample p : points) {
        const std::complex<double> scaled = gain * std::complex<double>(p);
        double nearest = INFINITY;
        std::complex<double> decided;
        for (const IqSample q : ideal) {
            const double d = std::norm(scaled - std::complex<double>(q));
            if (d < nearest) {
                nearest = d;
                decided = q;
            }
        }
        errorPower += nearest;
        referencePower += std::norm(decided);
    }
    ConstellationQuality q;
    q.symbols = points.size();
    q.evmPercent = 100.0 * std::sqrt(errorPower / referencePower);
    q.merDb = 10.0 * std::log10(referencePower / std::max(errorPower, 1e-300));
    return q;
}

EyeDensity eyeDiagram(const MatchedFilter& filter, const SymbolTiming& timing, std::int64_t first,
                      std::size_t traces, int width, int height, bool quadrature) {
    EyeDensity eye;
    if (width < 2 || height < 2 || traces == 0) {
        return eye;
    }
    eye.width = width;
    eye.height = height;
    eye.hits.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    std::vector<float> values(traces * static_cast<std::size_t>(width));
    double largest = 0.0;
    for (std::size_t k = 0; k < traces; ++k) {
        const double centre =
            timing.firstSymbolSample +
            static_cast<double>(first + static_cast<std::int64_t>(k)) * timing.samplesPerSymbol;
        for (int x = 0; x < width; ++x) {
            const double t = centre + (2.0 * x / (width - 1) - 1.0) * timing.samplesPerSymbol;
            const IqSample s = filter.at(t);
            const float v = quadrature ? s.imag() : s.real();
            values[k * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = v;
            if (std::isfinite(v)) {
                largest = std::max(largest, static_cast<double>(std::fabs(v)));
            }
        }
    }
    eye.limit = largest > 0.0 ? 1.1 * largest : 1.0;
    for (std::size_t k = 0; k < traces; ++k) {
        for (int x = 0; x < width; ++x) {
            const float v =
                values[k * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
            if (!std::isfinite(v)) {
                continue;
            }
            const double share = (eye.limit - v) / (2.0 * eye.limit);
            const int y = std::clamp(static_cast<int>(share * height), 0, height - 1);
            std::uint32_t& cell =
                eye.hits[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)];
            eye.peak = std::max(eye.peak, ++cell);
        }
    }
    return eye;
}

}  // namespace quorvel
