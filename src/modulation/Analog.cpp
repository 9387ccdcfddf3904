#include "modulation/Analog.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "dsp/DotProduct.h"
#include "modulation/MessageFile.h"

namespace quorvel {
namespace {

// Acklam's rational approximation of the normal quantile, polished by one Halley step against
// erfc, which leaves it good to the last few bits.
double normalQuantile(double p) {
    static constexpr std::array<double, 6> a{-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                                             1.383577518672690e+02, -3.066479806614716e+01, 2.506628277459239e+00};
    static constexpr std::array<double, 5> b{-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                                             6.680131188771972e+01, -1.328068155288572e+01};
    static constexpr std::array<double, 6> c{-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                                             -2.549732539343734e+00, 4.374664141464968e+00, 2.938163982698783e+00};
    static constexpr std::array<double, 4> d{7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                                             3.754408661907416e+00};
    double x = 0.0;
    if (p < 0.02425 || p > 1.0 - 0.02425) {
        const double q = std::sqrt(-2.0 * std::log(std::min(p, 1.0 - p)));
        x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
        x = p < 0.5 ? x : -x;
    } else {
        const double q = p - 0.5;
        const double r = q * q;
        x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
            (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1.0);
    }
    const double e = 0.5 * std::erfc(-x / std::sqrt(2.0)) - p;
    const double u = e * std::sqrt(2.0 * Pi) * std::exp(x * x / 2.0);
    return x - u / (1.0 + x * u / 2.0);
}

const std::vector<double>& quantileTable() {
    static const std::vector<double> table = [] {
        std::vector<double> t(kAnalogAlphabet);
        for (std::int32_t k = 0; k < kAnalogAlphabet; ++k) {
            t[static_cast<std::size_t>(k)] = normalQuantile((k + 0.5) / kAnalogAlphabet);
        }
        return t;
    }();
    return table;
}

// The noise message's standard deviation: the envelope 1 + m x of full AM stays positive but for
// one sample in about 16 000.
constexpr double kNoiseDeviation = 0.25;

}  // namespace

std::optional<AnalogMessage> parseAnalogMessage(std::string_view text) {
    if (text.empty()) {
        return AnalogMessage{};
    }
    if (namesMessageFile(text)) {
        return AnalogMessage{.tonesHz = {}, .filePath = std::string(text)};
    }
    constexpr std::string_view prefix = "tone:";
    if (!text.starts_with(prefix)) {
        return std::nullopt;
    }
    text.remove_prefix(prefix.size());
    AnalogMessage message;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        double hz = 0.0;
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), hz);
        if (item.empty() || error != std::errc{} || end != item.data() + item.size() || !std::isfinite(hz)) {
            return std::nullopt;
        }
        message.tonesHz.push_back(hz);
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    return message;
}

MessageBand noiseMessageBand(double samplingRateHz, double topHz) {
    // The filter takes 3 fs / low taps (see the source below): a lower edge held that far up keeps it
    // within kMaxMessageTaps.
    return {std::max(kVoiceLowHz, 3.0 * samplingRateHz / static_cast<double>(kMaxMessageTaps - 1)), topHz};
}

// The noise message's filter, taps reversed so that tap 0 meets the oldest draw of the window.
struct MessageFilter {
    double samplingRateHz = 0.0, lowHz = 0.0, highHz = 0.0;
    std::vector<double> i, q;
};

MessageFilter designMessageFilter(double samplingRateHz, const MessageBand& band) {
    // A Blackman-windowed low-pass of half the band's width, moved up to the band's centre: its
    // main lobe spreads each edge by 3 fs / taps, which the length below makes the lower edge, so
    // the negative frequencies (2 low from the passband) fall in the window's -74 dB side lobes.
    MessageFilter filter{samplingRateHz, band.lowHz, band.highHz, {}, {}};
    const auto wanted = static_cast<std::size_t>(std::ceil(3.0 * samplingRateHz / band.lowHz));
    const std::size_t taps = std::min(kMaxMessageTaps, wanted | 1U);
    const double half = 0.5 * (band.highHz - band.lowHz) / samplingRateHz;
    const double centre = 0.5 * (band.highHz + band.lowHz) / samplingRateHz;
    const double middle = 0.5 * static_cast<double>(taps - 1);
    filter.i.resize(taps);
    filter.q.resize(taps);
    double sum = 0.0;
    for (std::size_t n = 0; n < taps; ++n) {
        const double t = static_cast<double>(n) - middle;
        const double x = 2.0 * Pi * static_cast<double>(n) / static_cast<double>(taps - 1);
        const double window = 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x);
        const double lowPass = t == 0.0 ? 2.0 * half : std::sin(2.0 * Pi * half * t) / (Pi * t);
        const double h = 2.0 * lowPass * window;
        filter.i[n] = h * std::cos(2.0 * Pi * centre * t);
        filter.q[n] = h * std::sin(2.0 * Pi * centre * t);
        sum += filter.i[n] * filter.i[n];
    }
    const double gain = kNoiseDeviation / std::sqrt(sum);
    for (std::size_t n = 0; n < taps; ++n) {
        filter.i[n] *= gain;
        filter.q[n] *= gain;
    }
    std::reverse(filter.i.begin(), filter.i.end());
    std::reverse(filter.q.begin(), filter.q.end());
    return filter;
}

// A dataset makes capture after capture with the same band: each thread keeps its last design,
// which is the same numbers a fresh one gives.
const MessageFilter& messageFilter(double samplingRateHz, const MessageBand& band) {
    thread_local MessageFilter last;
    if (last.samplingRateHz != samplingRateHz || last.lowHz != band.lowHz || last.highHz != band.highHz) {
        last = designMessageFilter(samplingRateHz, band);
    }
    return last;
}

double analogGaussian(std::int32_t index) {
    return quantileTable()[static_cast<std::size_t>(std::clamp(index, 0, kAnalogAlphabet - 1))];
}

AnalogMessageSource::AnalogMessageSource(const AnalogSettings& s) {
    if (!s.message.filePath.empty()) {
        MessageFileReading reading = readMessageFile(s.message.filePath, s.samplingRateHz, s.messageTopHz);
        if (!reading) {
            throw std::runtime_error(reading.problem);
        }
        period_ = std::move(*reading.period);
        for (const ComplexSample& a : period_) {
            power_ += a.i * a.i;
        }
        power_ /= static_cast<double>(period_.size());
        return;
    }
    if (!s.message.tonesHz.empty()) {
        for (const double hz : s.message.tonesHz) {
            cyclesPerSample_.push_back(hz / s.samplingRateHz);
        }
        const double count = static_cast<double>(cyclesPerSample_.size());
        amplitude_ = 1.0 / count;
        power_ = 1.0 / (2.0 * count);
        return;
    }
    const MessageBand band = noiseMessageBand(s.samplingRateHz, s.messageTopHz);
    const MessageFilter& filter = messageFilter(s.samplingRateHz, band);
    tapsI_ = filter.i;
    tapsQ_ = filter.q;
    const std::size_t taps = tapsI_.size();
    history_.assign(taps - 1, 0.0);
    stride_ = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(s.samplingRateHz / (16.0 * band.highHz)));
    power_ = kNoiseDeviation * kNoiseDeviation;
}

void AnalogMessageSource::next(const SymbolSequence& symbols, std::vector<ComplexSample>& out) {
    out.resize(symbols.size());
    if (!period_.empty()) {
        for (std::size_t k = 0; k < symbols.size(); ++k, ++next_) {
            out[k] = period_[next_ % period_.size()];
        }
        return;
    }
    if (!cyclesPerSample_.empty()) {
        for (std::size_t k = 0; k < symbols.size(); ++k, ++next_) {
            ComplexSample sum{};
            for (const double rate : cyclesPerSample_) {
                // From the sample index afresh, as the tone family does: no rounding piles up.
                const double cycles = rate * static_cast<double>(next_);
                sum = sum + polar(amplitude_, (Pi * 2.0) * (cycles - std::floor(cycles)));
            }
            out[k] = sum;
        }
        return;
    }
    // The draws before this piece (zeros before the file's first) and this piece's, in time order.
    const std::size_t taps = tapsI_.size();
    std::vector<double> draws(history_);
    draws.reserve(history_.size() + symbols.size());
    for (const std::int32_t symbol : symbols) {
        draws.push_back(analogGaussian(symbol));
    }
    const double stride = static_cast<double>(stride_);
    for (std::size_t k = 0; k < symbols.size(); ++k) {
        const std::uint64_t phase = (next_ + k) % stride_;
        if (phase == 0) {
            const double* w = draws.data() + k;
            previous_ = current_;
            current_ = {dotProduct(tapsI_.data(), w, taps), dotProduct(tapsQ_.data(), w, taps)};
        }
        if (stride_ == 1) {
            out[k] = current_;
            continue;
        }
        const double t = static_cast<double>(phase) / stride;
        out[k] = {previous_.i + t * (current_.i - previous_.i), previous_.q + t * (current_.q - previous_.q)};
    }
    std::copy(draws.end() - static_cast<std::ptrdiff_t>(history_.size()), draws.end(), history_.begin());
    next_ += symbols.size();
}

AnalogMapper::AnalogMapper(const AnalogSettings& settings) : settings_(settings), message_(settings) {
    const double power = message_.messagePower();
    const double m = settings.modDepth;
    switch (settings.kind) {
        case AnalogKind::AmDsb: scale_ = 1.0 / std::sqrt(1.0 + m * m * power); break;
        case AnalogKind::AmDsbSc: scale_ = 1.0 / std::sqrt(power); break;
        case AnalogKind::AmSsb: scale_ = 1.0 / std::sqrt(1.0 + 2.0 * m * m * power); break;
        case AnalogKind::AmSsbSc: scale_ = 1.0 / std::sqrt(2.0 * power); break;
        case AnalogKind::Fm: scale_ = 1.0; break;
    }
}

void AnalogMapper::append(const SymbolSequence& symbols, SampleBuffer& out) {
    message_.next(symbols, analytic_);
    out.reserve(out.size() + analytic_.size());
    const double m = settings_.modDepth;
    const double side = settings_.lowerSideband ? -1.0 : 1.0;
    const double step = 2.0 * Pi * settings_.deviationHz / settings_.samplingRateHz;
    for (const ComplexSample& a : analytic_) {
        switch (settings_.kind) {
            case AnalogKind::AmDsb: out.push_back({scale_ * (1.0 + m * a.i), 0.0}); break;
            case AnalogKind::AmDsbSc: out.push_back({scale_ * a.i, 0.0}); break;
            case AnalogKind::AmSsb: out.push_back({scale_ * (1.0 + m * a.i), scale_ * side * m * a.q}); break;
            case AnalogKind::AmSsbSc: out.push_back({scale_ * a.i, scale_ * side * a.q}); break;
            case AnalogKind::Fm:
                // Renormalised every sample, so the phase never grows however long the file.
                phase_ += step * a.i;
                if (phase_ > Pi || phase_ <= -Pi) {
                    phase_ = std::remainder(phase_, 2.0 * Pi);
                }
                out.push_back(polar(1.0, phase_));
                break;
        }
    }
}

SampleBuffer modulateAnalog(const SymbolSequence& symbols, const AnalogSettings& settings) {
    SampleBuffer out;
    AnalogMapper(settings).append(symbols, out);
    return out;
}

}  // namespace quorvel
