// Wideband scenes (bench/datasets/scenes.json: 2^18 samples at 10 MHz, 1 to 5 emitters of five
// classes, bursts, some hopping): whole captures per second on one thread, and the rate conversion
// that brings an emitter to the scene's rate alone.

#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "channel/RateConversion.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/SceneMaking.h"

namespace quorvel::bench {
namespace {

const DatasetRecipe& scenes() {
    static const DatasetRecipe recipe = [] {
        const RecipeReading reading = readDatasetRecipeFile(QUORVEL_SOURCE_DIR "/bench/datasets/scenes.json");
        if (!reading) {
            std::fprintf(stderr, "%s\n", reading.problem.c_str());
            std::abort();
        }
        return *reading.recipe;
    }();
    return recipe;
}

void BM_MakeScene(benchmark::State& state) {
    const DatasetRecipe& recipe = scenes();
    CaptureSamples capture;
    std::uint64_t index = 0;
    std::uint64_t emitters = 0;
    for (auto _ : state) {
        const ScenePlan plan = planScene(recipe, index);
        makeScene(recipe, plan, capture);
        emitters += plan.emitters.size();
        benchmark::DoNotOptimize(capture.samples.data());
        index = (index + 1) % recipe.captureCount();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["emitters"] = benchmark::Counter(static_cast<double>(emitters) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_MakeScene)->Unit(benchmark::kMillisecond);

// 2^18 output samples from an emitter at a rate `ratio` times lower.
void BM_RaiseSamplingRate(benchmark::State& state) {
    const double ratio = static_cast<double>(state.range(0)) / 10.0;
    const std::size_t count = std::size_t{1} << 18;
    SampleBuffer input(static_cast<std::size_t>(static_cast<double>(count) / ratio) + 64, ComplexSample{0.5, -0.25});
    SampleBuffer out;
    for (auto _ : state) {
        raiseSamplingRate(input, 1.0, ratio, 0, count, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
}
BENCHMARK(BM_RaiseSamplingRate)->Arg(13)->Arg(40)->Arg(333)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel::bench
