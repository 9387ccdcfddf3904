#include "synthesis/RunCheck.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <utility>
#include <vector>
#include <cmath>
#include <fstream>
#include <numeric>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

#include "channel/Resampling.h"
#include "channel/WhiteGaussianNoise.h"
#include "common/NumberText.h"
#include "common/Signal.h"
#include "modulation/Fsk.h"
#include "modulation/NominalPower.h"
#include "modulation/SchemeCatalog.h"
#include "modulation/SymbolTiming.h"
#include "synthesis/TransmitterCheck.h"

namespace quorvel {
namespace {

constexpr double kBytesPerSample = 16.0;
// Beyond this many samples per file no machine of our users has the memory; it also keeps every
// count well inside size_t and the exact-integer range of a double.
constexpr double kMaxSamplesPerFile = 1e15;
// The largest signal or noise power per sample a run may ask for. Below it, the sum of the powers
// of every sample of a file and the noise drawn from it stay far inside the range of a double, so
// no file ever holds an infinity or a not-a-number that the settings did not ask for.
constexpr double kMaxPower = 1e280;
constexpr double kMinPeakMagnitude = 1e-15;

std::string number(double value) {
    return numberText(value);
}

std::optional<std::string> rangeRefusal(const SignalParameters& p) {
    if (!(p.symbolRate > 0.0) || !std::isfinite(p.symbolRate)) {
        return "The symbol rate must be a finite number above 0 Hz (it is " + number(p.symbolRate) + ").";
    }
    if (!(p.samplingRate > 0.0) || !std::isfinite(p.samplingRate)) {
        return "The sampling rate must be a finite number above 0 Hz (it is " + number(p.samplingRate) + ").";
    }
    if (p.symbolCount <= 0) {
        return "The number of symbols must be at least 1 (it is " + std::to_string(p.symbolCount) + ").";
    }
    if (!(p.timingError >= -kMaxTimingErrorSymbols && p.timingError <= kMaxTimingErrorSymbols)) {
        return "The timing error must lie between -" + number(kMaxTimingErrorSymbols) + " and " +
               number(kMaxTimingErrorSymbols) + " (it is " + number(p.timingError) + ").";
    }
    if (p.fileCount <= 0) {
        return "The file count must be at least 1 (it is " + std::to_string(p.fileCount) + ").";
    }
    if (std::isnan(p.snrDb) || p.snrDb == -INFINITY) {
        return "The SNR must be a number of dB or +inf for no noise (it is " + number(p.snrDb) + ").";
    }
    if (!std::isfinite(p.mixingFrequency)) {
        return "The mixing frequency must be a finite number of Hz.";
    }
    if (!std::isfinite(p.frequencyOffset)) {
        return "The frequency offset must be a finite number of Hz.";
    }
    // Callers that fill the record themselves could pass any number; guessing which files they
    // meant would write something nobody asked for.
    const auto format = static_cast<std::int32_t>(p.outputFormat);
    if (format < 0 || format > 5) {
        return "Unknown output format " + std::to_string(format) + " (0 CSV, 1 cf32, 2 both, 3 ci16, 4 ci8, 5 cu8).";
    }
    if (isIntegerFormat(p.outputFormat) && !(p.integerScale == 0.0 || (std::isfinite(p.integerScale) && p.integerScale > 0.0))) {
        return "The integer formats' scale must be a finite factor above 0 (0 for the default).";
    }
    return std::nullopt;
}

// The largest magnitude a sample can have before the noise: the keyed schemes give unit-magnitude
// samples, the others at most their largest constellation point, since no later stage raises it
// (interpolation takes weighted means of neighbours, mixing and offset only rotate).
// Only PSK and square QAM orders exceed kMappedAlphabet, and their point of index 0 is a peak
// (every PSK point lies on the unit circle; index 0 is a corner of the QAM grid), so mapping the
// first kMappedAlphabet indices finds the peak without gigabytes for an order near 2^31.
double peakMagnitude(const SignalParameters& p) {
    if (!mapsOnePointPerSymbol(p.modulationType)) {
        return 1.0;
    }
    constexpr std::int32_t kMappedAlphabet = 4096;
    SymbolSequence everyIndex(static_cast<std::size_t>(std::min(alphabetSize(p), kMappedAlphabet)));
    std::iota(everyIndex.begin(), everyIndex.end(), 0);
    double peak = 0.0;
    for (const ComplexSample& point : mapSymbols(everyIndex, p)) {
        peak = std::max(peak, std::hypot(point.i, point.q));
    }
    return peak * pulsePeakGain(p);
}

// Settings whose every value is finite but whose signal is not: ring radii or noise so large that
// the powers overflow, or a frequency whose phase over the file does.
std::optional<std::string> overflowRefusal(const SignalParameters& p, double samples) {
    const double peak = peakMagnitude(p);
    // Rings this small give samples of zero in single precision, and noise measured against
    // their power none.
    if (!(peak >= kMinPeakMagnitude)) {
        return "APSK ring radii must reach at least " + number(kMinPeakMagnitude) + " (the largest is " +
               number(peak) + ").";
    }
    if (!(peak * peak <= kMaxPower)) {
        return "APSK ring radii must lie within +-" + number(std::sqrt(kMaxPower)) + " (the largest is " +
               number(peak) + ").";
    }
    const double peakPower = std::max(peak * peak, 1.0);
    if (!isNoiseless(p.snrDb) && !(peakPower / dbToLinear(perSampleSnrDb(p)) <= kMaxPower)) {
        return "An SNR of " + number(p.snrDb) + " dB asks for more noise than a number can hold (the lowest is " +
               number(10.0 * std::log10(peakPower / kMaxPower)) + " dB here).";
    }
    // The stage forms each phase as (n / samplingRate) * (2 pi f); the last sample's is the largest.
    const double lastTime = (samples - 1.0) / p.samplingRate;
    const auto phaseOverflows = [lastTime](double frequency) {
        const double radiansPerSecond = (Pi * 2.0) * frequency;
        return !std::isfinite(radiansPerSecond) || !std::isfinite(lastTime * radiansPerSecond);
    };
    if (p.mixingFrequency != 0.0 && phaseOverflows(p.mixingFrequency)) {
        return "The mixing frequency of " + number(p.mixingFrequency) +
               " Hz is too large: its phase over one file exceeds the range of a double.";
    }
    if (p.frequencyOffset != 0.0 && phaseOverflows(p.frequencyOffset)) {
        return "The frequency offset of " + number(p.frequencyOffset) +
               " Hz is too large: its phase over one file exceeds the range of a double.";
    }
    // Keyed on whole samples, each FSK sample's phase is (2 pi tone) * (n / fs): the outer tones
    // overflow first. Exact timing counts phase in symbol periods, where no rate can overflow.
    if (p.modulationType == ModulationType::Fsk && !p.transmitter.exactTiming) {
        const auto toneOverflows = [&p](std::int32_t index) {
            return !std::isfinite((Pi * 2.0) * fskToneHz(index, p.fskOrder, p.symbolRate));
        };
        if (toneOverflows(0) || toneOverflows(p.fskOrder - 1)) {
            return "The symbol rate of " + number(p.symbolRate) + " Hz is too large for " +
                   std::to_string(p.fskOrder) + "-FSK: the phase of its outer tones exceeds the range of a double.";
        }
    }
    return std::nullopt;
}

// A NUL byte ends a file name at the system call, so the file written would be another one.
std::optional<std::string> savePathRefusal(const SignalParameters& p) {
    if (p.savePath.find('\0') != std::string::npos) {
        return "The save path holds a NUL character (typed characters whose low byte is 0, such as U+0100 or "
               "U+4E00, become one); no file can be named with it.";
    }
    return std::nullopt;
}

std::optional<std::string> schemeRefusal(const SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    if (scheme == nullptr) {
        return "Unknown modulation type " + std::to_string(static_cast<std::int32_t>(p.modulationType)) +
               " (the types are " + typeNumbersText() + ").";
    }
    if (alphabetSize(p) < 1) {
        // A family whose parameter sets the alphabet says what is wrong with the parameter.
        if (scheme->alphabet != nullptr && scheme->refusal != nullptr) {
            if (auto reason = scheme->refusal(p)) {
                return reason;
            }
        }
        if (scheme->onlyOfferedOrders) {
            return std::string(scheme->family) + " order " + std::to_string(chosenOrder(p)) +
                   " has no ring table (use " + offeredOrdersText(*scheme, " or ") + ").";
        }
        return "Modulation order " + std::to_string(alphabetSize(p)) + " is not usable.";
    }
    const bool needsNominalPower =
        isIntegerFormat(p.outputFormat) || p.transmitter.snrReference == SnrReference::Nominal;
    if (needsNominalPower && mapsOnePointPerSymbol(p.modulationType) && alphabetSize(p) > kMaxSummedAlphabet) {
        return "Modulation order " + std::to_string(alphabetSize(p)) + " is too large for a nominal power (at most " +
               std::to_string(kMaxSummedAlphabet) + "); write cf32 or CSV with the measured SNR reference.";
    }
    return scheme->refusal != nullptr ? scheme->refusal(p) : std::nullopt;
}

}  // namespace

bool ownsLength(const SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    return scheme != nullptr && scheme->samplesPerFile != nullptr;
}

double samplesPerFile(const SignalParameters& p) {
    if (ownsLength(p)) {
        return findScheme(p.modulationType)->samplesPerFile(p);
    }
    const double symbols = p.symbolCount;
    if (mapsOnePointPerSymbol(p.modulationType)) {
        const double estimate = symbols * (p.samplingRate / p.symbolRate);
        if (!(estimate < kMaxSamplesPerFile)) {
            return estimate;
        }
        return static_cast<double>(resampledLength(static_cast<std::size_t>(p.symbolCount),
                                                   p.symbolRate, p.samplingRate));
    }
    if (p.transmitter.exactTiming) {
        return std::round(symbols * (p.samplingRate / p.symbolRate));
    }
    return symbols * std::trunc(p.samplingRate / p.symbolRate);
}

double peakMemoryBytes(const SignalParameters& p, bool keepsLastSignal) {
    // The blocks in flight through the stages and the sinks' queues, measured with some margin.
    constexpr double kStreamingBytes = 16.0 * 1048576.0;
    const double symbols = p.symbolCount;
    // A keyed mapper hands out at least one symbol's samples at a time.
    double symbolSamples = mapsOnePointPerSymbol(p.modulationType) ? 0.0 : std::trunc(p.samplingRate / p.symbolRate);
    if (ownsLength(p)) {
        symbolSamples = samplesPerFile(p) / std::max(1, p.symbolCount);
    }
    double bytes = kStreamingBytes + kBytesPerSample * 2.0 * symbolSamples;
    if (keepsLastSignal) {
        const double mapped = mapsOnePointPerSymbol(p.modulationType) ? symbols : samplesPerFile(p);
        bytes += kBytesPerSample * (samplesPerFile(p) + mapped);
    }
    return bytes;
}

std::optional<std::string> findRefusal(const SignalParameters& p, std::uint64_t memoryLimitBytes,
                                       bool keepsLastSignal) {
    if (auto reason = rangeRefusal(p)) {
        return reason;
    }
    if (auto reason = schemeRefusal(p)) {
        return reason;
    }
    if (auto reason = transmitterRefusal(p)) {
        return reason;
    }
    if (auto reason = savePathRefusal(p)) {
        return reason;
    }
    const double samples = samplesPerFile(p);
    if (samples < 1.0) {
        return std::to_string(p.symbolCount) + " symbols at " + number(p.samplingRate / p.symbolRate) +
               " samples per symbol give no samples: raise the sampling rate or the number of symbols.";
    }
    if (samples < kMaxSamplesPerFile) {
        if (auto reason = overflowRefusal(p, samples)) {
            return reason;
        }
    }
    const double bytes = peakMemoryBytes(p, keepsLastSignal);
    if (!(samples < kMaxSamplesPerFile) || bytes > static_cast<double>(memoryLimitBytes)) {
        return "The run needs about " + number(bytes / 1048576.0) + " MiB of memory (" + number(samples) +
               " samples per file) but only " + number(static_cast<double>(memoryLimitBytes) / 1048576.0) +
               " MiB are available.";
    }
    return std::nullopt;
}

namespace {

// The number a /proc/self/status line such as "VmSize:   3896 kB" gives, in bytes.
std::optional<std::uint64_t> statusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) {
            std::istringstream fields(line.substr(key.size() + 1));
            std::uint64_t kib = 0;
            if (fields >> kib) {
                return kib * 1024u;
            }
        }
    }
    return std::nullopt;
}

// What the process may still map under a resource limit, given what it already uses.
std::optional<std::uint64_t> roomUnderLimit(int resource, const std::string& usedKey) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return std::nullopt;
    }
    const std::uint64_t used = statusBytes(usedKey).value_or(0);
    const auto bound = static_cast<std::uint64_t>(limit.rlim_cur);
    return bound > used ? bound - used : 0;
}

std::optional<std::uint64_t> fileNumber(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::string text;
    if (!(file >> text) || text == "max") {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The room left under the memory limits of the process's control group and each group above
// it: cgroup v2 (memory.max, memory.current) and the v1 memory controller.
std::optional<std::uint64_t> cgroupRoom() {
    std::ifstream groups("/proc/self/cgroup");
    struct Place {
        std::filesystem::path root;   // where the hierarchy is mounted
        std::filesystem::path group;  // the process's group in it
        const char* limitFile;
        const char* usageFile;
    };
    std::vector<Place> places;
    std::string line;
    while (std::getline(groups, line)) {
        const auto first = line.find(':');
        const auto second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) {
            continue;
        }
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::filesystem::path group = std::filesystem::path(line.substr(second + 1)).relative_path();
        if (line.compare(0, first, "0") == 0 && controllers.empty()) {
            places.push_back({"/sys/fs/cgroup", group, "memory.max", "memory.current"});
        } else if (controllers == "memory") {
            places.push_back({"/sys/fs/cgroup/memory", group, "memory.limit_in_bytes", "memory.usage_in_bytes"});
        }
    }
    std::optional<std::uint64_t> room;
    for (const Place& place : places) {
        // Each group up to the mount's root bounds the process, whichever is tightest.
        for (std::filesystem::path group = place.group;; group = group.parent_path()) {
            const std::filesystem::path folder = place.root / group;
            const auto limit = fileNumber(folder / place.limitFile);
            const auto used = fileNumber(folder / place.usageFile);
            if (limit && used) {
                const std::uint64_t left = *limit > *used ? *limit - *used : 0;
                room = std::min(room.value_or(left), left);
            }
            if (group.empty()) {
                break;
            }
        }
    }
    return room;
}

}  // namespace

std::uint64_t availableMemoryBytes() {
    std::uint64_t bytes = 0;
    bool found = false;
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    std::string unit;
    while (meminfo >> key >> kib >> unit) {
        if (key == "MemAvailable:") {
            bytes = kib * 1024u;
            found = true;
            break;
        }
    }
    if (!found) {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGE_SIZE);
        bytes = pages > 0 && pageSize > 0
                    ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize)
                    : std::uint64_t{1} << 30;
    }
    // The limits the process runs under bind as much as what the system has free.
    for (const auto room : {roomUnderLimit(RLIMIT_AS, "VmSize"), roomUnderLimit(RLIMIT_DATA, "VmData"), cgroupRoom()}) {
        if (room) {
            bytes = std::min(bytes, *room);
        }
    }
    return bytes;
}

}  // namespace quorvel
