// The CSV text: formatting alone and writing whole files, 10^3 ... 10^7 lines; the cf32 files:
// converting alone and writing whole files.

#include <cstdio>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "export/Cf32Writer.h"
#include "export/IntegerSamples.h"
#include "export/CsvWriter.h"

namespace quorvel::bench {
namespace {

void BM_FormatSampleText(benchmark::State& state) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::size_t bytes = 0;
        streamSampleText(samples, kSampleTextChunkBytes, [&bytes](std::string_view piece) {
            bytes += piece.size();
            return true;
        });
        benchmark::DoNotOptimize(bytes);
    }
    countItems(state);
}
BENCHMARK(BM_FormatSampleText)->Apply(decades);

void BM_WriteSampleFile(benchmark::State& state) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    const std::string path = "quorvel-bench-samples.csv";
    for (auto _ : state) {
        benchmark::DoNotOptimize(writeSampleFile(path, samples));
    }
    std::remove(path.c_str());
    countItems(state);
}
BENCHMARK(BM_WriteSampleFile)->Apply(decades);

void BM_EncodeCf32(benchmark::State& state) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    const auto bytes = std::make_unique<std::byte[]>(samples.size() * kCf32BytesPerSample);
    for (auto _ : state) {
        encodeCf32(samples, bytes.get());
        benchmark::DoNotOptimize(bytes.get());
        benchmark::ClobberMemory();
    }
    countItems(state);
}
BENCHMARK(BM_EncodeCf32)->Apply(decades);

// The integer formats beside cf32: the same samples at 12 dB below full scale.
void BM_EncodeIntegers(benchmark::State& state, OutputFormat format) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    const auto bytes = std::make_unique<std::byte[]>(samples.size() * sigmfBytesPerSample(format));
    for (auto _ : state) {
        benchmark::DoNotOptimize(encodeIntegers(samples, format, defaultIntegerScale(), bytes.get()));
        benchmark::ClobberMemory();
    }
    countItems(state);
}
BENCHMARK_CAPTURE(BM_EncodeIntegers, Ci16, OutputFormat::Ci16)->Apply(decades);
BENCHMARK_CAPTURE(BM_EncodeIntegers, Ci8, OutputFormat::Ci8)->Apply(decades);
BENCHMARK_CAPTURE(BM_EncodeIntegers, Cu8, OutputFormat::Cu8)->Apply(decades);

void BM_WriteCf32File(benchmark::State& state) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    const std::string path = "quorvel-bench-samples.sigmf-data";
    for (auto _ : state) {
        benchmark::DoNotOptimize(writeCf32File(path, samples));
    }
    std::remove(path.c_str());
    countItems(state);
}
BENCHMARK(BM_WriteCf32File)->Apply(decades);

}  // namespace
}  // namespace quorvel::bench
