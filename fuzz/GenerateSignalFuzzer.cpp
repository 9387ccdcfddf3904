// generateSignal over arbitrary settings, kept small (at most 256 symbols of at most 64 samples,
// at most three files) so that a case takes milliseconds. Every field may be out of range: unknown
// types and sources, odd and negative orders, any radii text, rates and frequencies that are not
// a number, infinite, negative or huge. What must hold whatever the settings:
// - a refused run has a one-line reason, no signal and no file on disk;
// - a run into a missing folder is refused, as is any other: one line, nothing on disk;
// - otherwise every sample file of the format (CSV, cf32 or both) and every metadata file is
//   reported written and exists, a CSV file holds the header and one line per sample, a cf32
//   file eight bytes per sample, the last file is exactly the returned signal, and the signal has
//   the length the run check promised;
// - finite settings (an SNR of +inf included) never give a non-finite sample: whatever would
//   overflow is refused.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "FuzzSupport.h"
#include "export/Cf32Writer.h"
#include "export/CsvWriter.h"
#include "export/IntegerSamples.h"
#include "export/SigmfMetadata.h"
#include "synthesis/NoiseReference.h"
#include "synthesis/RunCheck.h"
#include "modulation/SchemeCatalog.h"
#include "synthesis/SignalSynthesizer.h"

namespace {

using quorvel::fuzzing::awkwardDouble;
using quorvel::fuzzing::pickOrAny;
using quorvel::fuzzing::require;
namespace fs = std::filesystem;

constexpr std::int32_t kMaxSymbols = 256;
constexpr double kMaxSamplesPerSymbol = 64.0;
constexpr std::uint64_t kMemoryLimit = std::uint64_t{64} << 20;

// This process's own folder, emptied after every case and removed at exit.
fs::path scratch;

void removeScratch() {
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
}

void emptyScratch() {
    for (const auto& entry : fs::directory_iterator(scratch)) {
        fs::remove_all(entry.path());
    }
}

bool scratchIsEmpty() {
    return fs::directory_iterator(scratch) == fs::directory_iterator();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string radiiText(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange<int>(0, 4)) {
        case 0:
            return "";
        case 1:
            return "0.5 1.5";
        case 2:
            return "0.3 0.7 1.2";
        case 3:
            return "0.8 1.2 2.0 2.5";
        default:
            return data.ConsumeRandomLengthString(40);
    }
}

struct Case {
    quorvel::SignalParameters parameters;
    std::uint64_t memoryLimit = kMemoryLimit;
    std::uint32_t seed = 0;
    bool missingFolder = false;
};

// Usually a rate ratio within the cap; sometimes the sampling rate is decoded on its own.
void decodeRates(FuzzedDataProvider& data, quorvel::SignalParameters& p) {
    p.symbolRate = awkwardDouble(data);
    if (data.ConsumeBool()) {
        const double ratio = data.ConsumeBool() ? data.ConsumeFloatingPointInRange<double>(0.0, kMaxSamplesPerSymbol)
                                                : static_cast<double>(data.ConsumeIntegralInRange<int>(1, 64));
        p.samplingRate = p.symbolRate * ratio;
    } else {
        p.samplingRate = awkwardDouble(data);
    }
    if (p.symbolRate > 0.0 && p.samplingRate / p.symbolRate > kMaxSamplesPerSymbol) {
        p.samplingRate = p.symbolRate * kMaxSamplesPerSymbol;
    }
}

Case decode(FuzzedDataProvider& data) {
    Case c;
    quorvel::SignalParameters& p = c.parameters;
    p.modulationType = static_cast<quorvel::ModulationType>(
        pickOrAny(data, std::array<std::int32_t, 19>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 0, 18}));
    p.order = pickOrAny(data, std::array<std::int32_t, 8>{2, 4, 8, 16, 32, 64, 0, 3});
    if (data.ConsumeBool()) {
        p.values["tone"] = data.ConsumeBool() ? data.ConsumeFloatingPointInRange<double>(-6000.0, 6000.0)
                                              : awkwardDouble(data);
    }
    // OFDM's frame: offered and refused sizes, prefixes and counts, and its subcarrier words' numbers.
    if (data.ConsumeBool()) {
        p.values["fft_size"] = pickOrAny(data, std::array<std::int32_t, 5>{64, 72, 300, 2048, 100});
        p.values["cp_ratio"] = data.ConsumeFloatingPointInRange<double>(0.0, 1.0);
        p.values["active"] = pickOrAny(data, std::array<std::int32_t, 5>{0, 1, 63, 64, 2047});
        p.values["subcarriers"] = pickOrAny(data, std::array<std::int32_t, 5>{10004, 70016, 80128, 90002, 20004});
    }
    if (data.ConsumeBool()) {
        // One of the later families' own numbers, plausible or not.
        constexpr std::array<const char*, 6> kOwn{"mod_index", "bt", "chirp_bandwidth", "chirp_length", "chirp_gap",
                                                  "spreading_factor"};
        p.values[kOwn[data.ConsumeIntegralInRange<std::size_t>(0, kOwn.size() - 1)]] =
            data.ConsumeBool() ? std::round(data.ConsumeFloatingPointInRange<double>(-2.0, 6000.0)) : awkwardDouble(data);
    }
    p.pskOrder = pickOrAny(data, std::array<std::int32_t, 8>{2, 4, 8, 16, 0, 1, 3, -4});
    p.fskOrder = pickOrAny(data, std::array<std::int32_t, 6>{2, 4, 8, 0, 1, 3});
    p.qamOrder = pickOrAny(data, std::array<std::int32_t, 10>{16, 32, 64, 256, 1024, 2048, 0, 4, 8, 48});
    p.apskOrder = pickOrAny(data, std::array<std::int32_t, 5>{16, 32, 64, 0, 8});
    p.apskRadiiText = radiiText(data);
    p.symbolCount = data.ConsumeIntegralInRange<int>(0, 7) != 0
                        ? data.ConsumeIntegralInRange<std::int32_t>(1, kMaxSymbols)
                        : pickOrAny(data, std::array<std::int32_t, 4>{0, -1, INT32_MIN, INT32_MAX});
    p.fileCount = data.ConsumeIntegralInRange<int>(0, 7) != 0
                      ? data.ConsumeIntegralInRange<std::int32_t>(1, 3)
                      : data.ConsumeIntegralInRange<std::int32_t>(INT32_MIN, 0);
    p.dataSource = static_cast<quorvel::DataSource>(pickOrAny(data, std::array<std::int32_t, 5>{0, 1, 2, 3, -1}));
    p.outputFormat = static_cast<quorvel::OutputFormat>(pickOrAny(data, std::array<std::int32_t, 7>{0, 1, 2, 3, 4, 5, -1}));
    decodeRates(data, p);
    p.snrDb = data.ConsumeBool() ? data.ConsumeFloatingPointInRange<double>(-20.0, 60.0) : awkwardDouble(data);
    p.mixingFrequency = data.ConsumeBool() ? 0.0 : awkwardDouble(data);
    p.timingError = data.ConsumeBool() ? data.ConsumeFloatingPointInRange<double>(-1.25, 1.25) : awkwardDouble(data);
    p.frequencyOffset = data.ConsumeBool() ? 0.0 : awkwardDouble(data);
    switch (data.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:
            c.memoryLimit = data.ConsumeIntegralInRange<std::uint64_t>(0, kMemoryLimit);
            break;
        case 1:
            c.missingFolder = true;
            break;
        default:
            break;
    }
    c.seed = data.ConsumeIntegral<std::uint32_t>();
    p.savePath = (c.missingFolder ? scratch / "missing" : scratch).string();
    return c;
}

bool hasFiniteSettings(const quorvel::SignalParameters& p) {
    return std::isfinite(p.symbolRate) && std::isfinite(p.samplingRate) && std::isfinite(p.mixingFrequency) &&
           std::isfinite(p.frequencyOffset) && std::isfinite(p.timingError) &&
           (std::isfinite(p.snrDb) || p.snrDb == INFINITY);
}

void checkRefused(const quorvel::GenerationResult& result) {
    require(result.refusal.find('\n') == std::string::npos, "a one-line refusal");
    require(result.signal.empty() && result.mappedSymbols.empty(), "a refused run has no signal");
    require(result.writtenFiles.empty() && result.metadataFiles.empty() && result.fileFailures.empty(),
            "a refused run reports no file");
    require(scratchIsEmpty(), "a refused run writes nothing");
}

// The sample files of the run in the order they are reported: per file CSV, then cf32.
std::vector<std::string> expectedSampleFiles(const quorvel::SignalParameters& p) {
    std::vector<std::string> paths;
    for (std::int32_t k = 1; k <= p.fileCount; ++k) {
        if (quorvel::writesCsv(p.outputFormat)) {
            paths.push_back(quorvel::sampleFilePath(p.savePath, k));
        }
        if (quorvel::writesSigmfData(p.outputFormat)) {
            paths.push_back(quorvel::cf32FilePath(p.savePath, k));
        }
    }
    return paths;
}

void checkFiles(const quorvel::SignalParameters& p, const quorvel::GenerationResult& result) {
    require(result.fileFailures.empty(), "no failure in a writable folder");
    require(result.writtenFiles == expectedSampleFiles(p), "every sample file reported written, in order");
    require(result.metadataFiles.size() == static_cast<std::size_t>(p.fileCount), "one metadata file per file");
    for (std::int32_t k = 1; k <= p.fileCount; ++k) {
        const std::string& metadata = result.metadataFiles[static_cast<std::size_t>(k - 1)];
        require(metadata == quorvel::metadataFilePath(p.savePath, k) && !readFile(metadata).empty(),
                "the metadata files in order, not empty");
    }
    const std::string lastCsv = quorvel::sampleFilePath(p.savePath, p.fileCount);
    const std::string lastCf32 = quorvel::cf32FilePath(p.savePath, p.fileCount);
    for (const std::string& path : result.writtenFiles) {
        const std::string bytes = readFile(path);
        if (path.ends_with(".csv")) {
            require(bytes.rfind("Real,Imaginary\r\n", 0) == 0, "the header first");
            const auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
            require(lines == result.signal.size() + 1, "the header and one line per sample");
            require(path != lastCsv || bytes == quorvel::formatSampleText(result.signal),
                    "the last CSV file is the returned signal");
        } else {
            require(bytes.size() == quorvel::sigmfBytesPerSample(p.outputFormat) * result.signal.size(),
                    "the format's width per sample");
            if (path == lastCf32) {
                std::string expected(bytes.size(), '\0');
                auto* out = reinterpret_cast<std::byte*>(expected.data());
                if (p.outputFormat == quorvel::OutputFormat::Cf32 || p.outputFormat == quorvel::OutputFormat::Both) {
                    quorvel::encodeCf32(result.signal, out);
                } else {
                    quorvel::encodeIntegers(result.signal, p.outputFormat, quorvel::integerFullScale(p), out);
                }
                require(bytes == expected, "the last sample file is the returned signal");
            }
        }
    }
}

void checkRun(const Case& c, const quorvel::GenerationResult& result) {
    const quorvel::SignalParameters& p = c.parameters;
    require(p.fileCount >= 1 && p.symbolCount >= 1, "a run only with files and symbols");
    require(static_cast<double>(result.signal.size()) == quorvel::samplesPerFile(p), "the promised length");
    const std::size_t mapped = quorvel::mapsOnePointPerSymbol(p.modulationType)
                                   ? static_cast<std::size_t>(p.symbolCount)
                                   : result.signal.size();
    require(result.mappedSymbols.size() == mapped, "the mapper output of the last file");
    require(!c.missingFolder, "a run into a missing folder is refused");
    checkFiles(p, result);
    if (hasFiniteSettings(p)) {
        for (const auto& sample : result.signal) {
            require(std::isfinite(sample.i) && std::isfinite(sample.q), "finite samples from finite settings");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (fs::temp_directory_path() / "quorvel-fuzz-XXXXXX").string();
    require(mkdtemp(pattern.data()) != nullptr, "a scratch folder");
    scratch = pattern;
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const Case c = decode(data);
    quorvel::SignalSynthesizer synthesizer = quorvel::SignalSynthesizer::seeded(c.seed);
    synthesizer.setMemoryLimit(c.memoryLimit);
    const quorvel::GenerationResult result = synthesizer.generateSignal(c.parameters);
    if (result.refused()) {
        checkRefused(result);
    } else {
        checkRun(c, result);
    }
    emptyScratch();
    return 0;
}
