// A RadioML-like dataset's two costs apart: making captures (bench/datasets/radioml-like.json:
// 8 schemes, 1024 samples, drawn rates, frequency offset and phase noise, SNR -20 to 30 dB) and
// writing them to HDF5. Their items per second give the file's share of a run's time. The same
// captures of the families added later (bench/datasets/new-families.json), of the analog ones
// (bench/datasets/analog.json) and of examples/datasets/drawn_channels.json, whose every capture
// fades through a drawn TR 38.901 profile of up to 24 taps, sit beside them.

#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "dataset/CaptureMaking.h"
#include "dataset/CaptureRecord.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/Hdf5DatasetFile.h"

namespace quorvel::bench {
namespace {

DatasetRecipe recipeFile(const char* path) {
    const RecipeReading reading = readDatasetRecipeFile(path);
    if (!reading) {
        std::fprintf(stderr, "%s\n", reading.problem.c_str());
        std::abort();
    }
    return *reading.recipe;
}

const DatasetRecipe& radiomlLike() {
    static const DatasetRecipe recipe = recipeFile(QUORVEL_SOURCE_DIR "/bench/datasets/radioml-like.json");
    return recipe;
}

const DatasetRecipe& analogFamilies() {
    static const DatasetRecipe recipe = recipeFile(QUORVEL_SOURCE_DIR "/bench/datasets/analog.json");
    return recipe;
}

const DatasetRecipe& newFamilies() {
    static const DatasetRecipe recipe = recipeFile(QUORVEL_SOURCE_DIR "/bench/datasets/new-families.json");
    return recipe;
}

// One capture after another, spread over every class and SNR, on one thread.
void makeCaptures(benchmark::State& state, const DatasetRecipe& recipe) {
    CaptureSamples capture;
    std::uint64_t index = 0;
    for (auto _ : state) {
        const CapturePlan plan = planCapture(recipe, index);
        makeCapture(plan, recipe.samplesPerCapture, capture, recipe.normalization);
        benchmark::DoNotOptimize(capture.samples.data());
        index = (index + 97) % recipe.captureCount();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_MakeCapture(benchmark::State& state) {
    makeCaptures(state, radiomlLike());
}
BENCHMARK(BM_MakeCapture)->Unit(benchmark::kMicrosecond);

void BM_MakeCaptureNewFamilies(benchmark::State& state) {
    makeCaptures(state, newFamilies());
}
BENCHMARK(BM_MakeCaptureNewFamilies)->Unit(benchmark::kMicrosecond);

// The analog families (bench/datasets/analog.json, the same shape with a noise message).
void BM_MakeCaptureAnalog(benchmark::State& state) {
    makeCaptures(state, analogFamilies());
}
BENCHMARK(BM_MakeCaptureAnalog)->Unit(benchmark::kMicrosecond);

void BM_MakeCaptureDrawnChannels(benchmark::State& state) {
    static const DatasetRecipe recipe = recipeFile(QUORVEL_SOURCE_DIR "/examples/datasets/drawn_channels.json");
    makeCaptures(state, recipe);
}
BENCHMARK(BM_MakeCaptureDrawnChannels)->Unit(benchmark::kMicrosecond);

// The HDF5 file alone: range(0) captures of 1024 samples written and closed, as a run writes them.
void BM_Hdf5WriteCaptures(benchmark::State& state) {
    const DatasetRecipe& recipe = radiomlLike();
    Hdf5Layout layout = hdf5Layout(recipe, {});
    layout.captures = static_cast<std::uint64_t>(state.range(0));
    std::vector<float> iq(2 * recipe.samplesPerCapture, 0.25f);
    std::vector<double> settings(layout.fields.size(), 1.0);
    const std::string path = (std::filesystem::temp_directory_path() / "quorvel-bench-dataset.h5").string();
    for (auto _ : state) {
        Hdf5DatasetWriter writer(path, layout);
        for (std::uint64_t k = 0; k < layout.captures; ++k) {
            writer.write({.index = k, .classIndex = k % 8, .snrDb = 10.0, .iq = iq, .settings = settings});
        }
        if (auto error = writer.finish(true)) {
            state.SkipWithError(error->c_str());
        }
    }
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Hdf5WriteCaptures)->Arg(8192)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel::bench
