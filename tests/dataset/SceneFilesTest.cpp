// A scene recipe read with its refusals, and its files: the boxes table and the class counts in
// dataset.h5, shards merged to the whole file, SigMF's box annotations, and YOLO labels that land
// on the spectrogram's pixels where the emitters show.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "dataset/DatasetMerge.h"
#include "dataset/DatasetRun.h"
#include "dataset/SceneLabels.h"
#include "dataset/SceneMaking.h"
#include "dataset/SceneRecording.h"
#include "dsp/Spectrogram.h"
#include "support/Hdf5Values.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::hdf5Values;
using testing_support::hdf5XRow;
using testing_support::readBytes;
using testing_support::sameBytes;
using testing_support::TempDir;

std::string sceneFilesSceneRecipe(const std::string& scene, const std::string& extra = "") {
    return R"({"seed": 11, "samples_per_capture": 8192, )" + extra + R"("scene": )" + scene +
           R"(, "classes": [{"label": "QPSK", "modulation": "psk", "order": 4, "pulse": "rrc", "samples_per_symbol": 4},
                            {"label": "GMSK", "modulation": "gmsk", "samples_per_symbol": 4}]})";
}

const std::string kScene = R"({"sampling_rate": 1e6, "captures": 30, "emitters": {"min": 1, "max": 4},
    "bandwidth": {"min": 0.03, "max": 0.1}, "snr_db": {"min": 10, "max": 20}, "burst_probability": 0.5,
    "burst_length": {"min": 0.2, "max": 0.6}, "hopping": {"hops_per_second": 500, "channels": 4, "probability": 0.3}})";

struct SceneFilesRefusal {
    std::string recipe;
    std::string startsWith;
};

TEST(SceneFiles, RecipeRefusalsNameTheKey) {
    const SceneFilesRefusal cases[] = {
        {sceneFilesSceneRecipe(R"({"sampling_rate": 1e6, "captures": 3})"), "scene.emitters: missing"},
        {sceneFilesSceneRecipe(R"({"sampling_rate": 0, "captures": 3, "emitters": 1})"), "scene.sampling_rate: "},
        {sceneFilesSceneRecipe(R"({"sampling_rate": 1e6, "captures": 3, "emitters": 17})"), "scene.emitters: "},
        {sceneFilesSceneRecipe(R"({"sampling_rate": 1e6, "captures": 3, "emitters": {"min": 3, "max": 2}})"), "scene.emitters.max: "},
        {sceneFilesSceneRecipe(R"({"sampling_rate": 1e6, "captures": 3, "emitters": 1, "bandwidth": 1.5})"), "scene.bandwidth: "},
        {sceneFilesSceneRecipe(R"({"sampling_rate": 1e6, "captures": 3, "emitters": 1, "colour": 1})"), "scene.colour: unknown key"},
        {sceneFilesSceneRecipe(R"({"sampling_rate": 1e6, "captures": 3, "emitters": 1, "hopping": {"channels": 2}})"),
         "scene.hopping.hops_per_second: "},
        {sceneFilesSceneRecipe(R"({"sampling_rate": 1e6, "captures": 3, "emitters": 1})", R"("snr": {"values": [1]}, )"), "snr: not with a scene"},
        // A tone states no band, so it cannot be placed.
        {R"({"seed": 1, "samples_per_capture": 64, "scene": {"sampling_rate": 1e6, "captures": 1, "emitters": 1},
            "classes": [{"label": "T", "modulation": "tone"}]})", "classes[0]: tone cannot be placed"},
    };
    for (const SceneFilesRefusal& c : cases) {
        const RecipeReading reading = readDatasetRecipe(c.recipe);
        ASSERT_FALSE(reading) << c.startsWith;
        EXPECT_EQ(reading.problem.rfind(c.startsWith, 0), 0U) << reading.problem;
    }
    const RecipeReading good = readDatasetRecipe(sceneFilesSceneRecipe(kScene));
    ASSERT_TRUE(good) << good.problem;
    EXPECT_EQ(good.recipe->captureCount(), 30U);
}

TEST(SceneFiles, BoxesAndCountsInTheFileAndShardsMergeToIt) {
    const RecipeReading reading = readDatasetRecipe(sceneFilesSceneRecipe(kScene));
    ASSERT_TRUE(reading) << reading.problem;
    const DatasetRecipe& recipe = *reading.recipe;
    const TempDir whole, sharded;
    const SpectrogramShape shape{128, 64};
    DatasetRunOptions options{.threads = 2, .spectrograms = shape, .yoloLabels = true};
    ASSERT_EQ(runDataset(recipe, whole.str(), options).failure, "");
    for (std::uint64_t k = 0; k < 3; ++k) {
        options.shard = {k, 3};
        options.yoloLabels = false;
        ASSERT_EQ(runDataset(recipe, sharded.str(), options).failure, "");
    }
    const MergeResult merged = mergeDataset(sharded.str());
    ASSERT_EQ(merged.problem + merged.failure, "");
    EXPECT_TRUE(sameBytes(readBytes(whole.file("dataset.h5")), readBytes(sharded.file("dataset.h5"))));

    // The file's boxes, counts and labels against the plans made here.
    const std::vector<std::int64_t> captures = hdf5Values<std::int64_t>(whole.file("dataset.h5"), "boxes/capture");
    const std::vector<std::int64_t> starts = hdf5Values<std::int64_t>(whole.file("dataset.h5"), "boxes/sample_start");
    const std::vector<std::int64_t> counts = hdf5Values<std::int64_t>(whole.file("dataset.h5"), "Y");
    std::size_t row = 0;
    for (std::uint64_t i = 0; i < recipe.captureCount(); ++i) {
        const ScenePlan plan = planScene(recipe, i);
        std::int64_t perClass[2] = {0, 0};
        for (const EmitterPlan& e : plan.emitters) {
            ++perClass[e.waveform.classIndex];
            for (const EmitterBox& b : e.boxes) {
                ASSERT_LT(row, captures.size());
                EXPECT_EQ(captures[row], static_cast<std::int64_t>(i));
                EXPECT_EQ(starts[row], static_cast<std::int64_t>(b.sampleStart));
                ++row;
            }
        }
        EXPECT_EQ(counts[2 * i], perClass[0]);
        EXPECT_EQ(counts[2 * i + 1], perClass[1]);
        std::ifstream label(whole.file("labels/" + std::string(12 - std::to_string(i).size(), '0') + std::to_string(i) + ".txt"));
        std::stringstream text;
        text << label.rdbuf();
        std::size_t lines = 0;
        for (const EmitterPlan& e : plan.emitters) {
            lines += e.boxes.size();
        }
        const std::string labels = text.str();
        EXPECT_EQ(static_cast<std::size_t>(std::count(labels.begin(), labels.end(), '\n')), lines);
    }
    EXPECT_EQ(row, captures.size());
}

TEST(SceneFiles, SigmfAnnotatesEveryBox) {
    const RecipeReading reading = readDatasetRecipe(sceneFilesSceneRecipe(kScene));
    ASSERT_TRUE(reading);
    const TempDir dir;
    ASSERT_EQ(runDataset(*reading.recipe, dir.str(), {.format = DatasetFormat::Sigmf, .threads = 2}).failure, "");
    const auto meta = nlohmann::json::parse(readBytes(dir.file("dataset.sigmf-meta")));
    std::size_t boxes = 0;
    std::uint64_t lastStart = 0;
    for (const auto& a : meta["annotations"]) {
        const std::uint64_t start = a["core:sample_start"];
        EXPECT_GE(start, lastStart);  // time order
        lastStart = start;
        if (!a.contains("core:freq_lower_edge")) {
            continue;
        }
        ++boxes;
        const std::uint64_t capture = a["quorvel:capture"];
        const ScenePlan plan = planScene(*reading.recipe, capture);
        const EmitterBox& b = plan.emitters.at(a["quorvel:emitter"]).boxes.at(a["quorvel:dwell"]);
        EXPECT_EQ(start, capture * 8192 + b.sampleStart);
        EXPECT_EQ(a["core:sample_count"], b.sampleCount);
        EXPECT_DOUBLE_EQ(a["core:freq_lower_edge"], b.lowerHz);
        EXPECT_DOUBLE_EQ(a["core:freq_upper_edge"], b.upperHz);
        EXPECT_EQ(a["core:label"], plan.emitters.at(a["quorvel:emitter"]).waveform.classIndex == 0 ? "QPSK" : "GMSK");
    }
    EXPECT_GT(boxes, 30U);
}

// A capture made alone (as its own recording) holds the X row the full run made on two threads, bit
// for bit, and one annotation per box.
TEST(SceneFiles, OneSceneRecordingIsItsDatasetCapture) {
    const RecipeReading reading = readDatasetRecipe(sceneFilesSceneRecipe(kScene));
    ASSERT_TRUE(reading);
    const TempDir dir;
    ASSERT_EQ(runDataset(*reading.recipe, dir.str(), {.threads = 2}).failure, "");
    std::vector<std::string> written;
    ASSERT_EQ(writeSceneRecording(*reading.recipe, 7, dir.str(), written), std::nullopt);
    ASSERT_EQ(written.size(), 2U);
    EXPECT_TRUE(sameBytes(hdf5XRow(dir.file("dataset.h5"), 7, 8192), readBytes(dir.file("scene_7.sigmf-data"))));
    const auto meta = nlohmann::json::parse(readBytes(dir.file("scene_7.sigmf-meta")));
    std::size_t boxes = 0;
    for (const EmitterPlan& e : planScene(*reading.recipe, 7).emitters) {
        boxes += e.boxes.size();
    }
    EXPECT_EQ(meta["annotations"].size(), boxes);
    EXPECT_EQ(meta["global"]["core:sample_rate"], 1e6);
}

// Each YOLO box, taken to pixels by the documented mapping, bounds the pixels where its emitter
// stands within 10 dB of its in-band level: to within 2.5 frames (a frame spans two hops, the ramps
// one) and 3 rows plus a tenth of the box (the pulse's roll-off falls 10 dB inside its 99 % band).
TEST(SceneFiles, YoloBoxesLandOnTheEmittersPixels) {
    const std::string scene = R"({"sampling_rate": 1e6, "captures": 4, "emitters": 1, "bandwidth": {"min": 0.05, "max": 0.2},
        "snr_db": 30, "burst_probability": 1, "burst_length": {"min": 0.2, "max": 0.7}})";
    const RecipeReading reading = readDatasetRecipe(sceneFilesSceneRecipe(scene));
    ASSERT_TRUE(reading) << reading.problem;
    const DatasetRecipe& recipe = *reading.recipe;
    const SpectrogramShape shape{128, 64};
    const double frames = static_cast<double>(shape.frames(recipe.samplesPerCapture));
    for (std::uint64_t i = 0; i < recipe.captureCount(); ++i) {
        const ScenePlan plan = planScene(recipe, i);
        std::vector<double> rows;
        appendSceneBoxRows(recipe, plan, rows);
        std::istringstream line(yoloLabelText(rows, sceneBoxColumns(recipe).size(), shape, recipe.samplesPerCapture, 1e6));
        double cls, x, y, w, h;
        ASSERT_TRUE(line >> cls >> x >> y >> w >> h);
        CaptureSamples capture;
        makeScene(recipe, plan, capture);
        std::vector<float> image;
        spectrogramDb(capture.samples, shape, image);
        double c0 = 1e9, c1 = -1, r0 = 1e9, r1 = -1;
        for (std::size_t c = 0; c < static_cast<std::size_t>(frames); ++c) {
            for (std::size_t r = 0; r < shape.fft; ++r) {
                // In band the emitter reads its SNR (30 dB) over the 0 dB floor; 20 dB leaves no noise pixel.
                if (image[c * shape.fft + r] > 20.0f) {
                    c0 = std::min(c0, double(c));
                    c1 = std::max(c1, double(c) + 1);
                    r0 = std::min(r0, double(r));
                    r1 = std::max(r1, double(r) + 1);
                }
            }
        }
        ASSERT_GT(c1, c0);
        const double rowTolerance = 3.0 + 0.1 * h * static_cast<double>(shape.fft);
        EXPECT_NEAR((x - w / 2) * frames, c0, 2.5);
        EXPECT_NEAR((x + w / 2) * frames, c1, 2.5);
        EXPECT_NEAR((y - h / 2) * static_cast<double>(shape.fft), r0, rowTolerance);
        EXPECT_NEAR((y + h / 2) * static_cast<double>(shape.fft), r1, rowTolerance);
    }
}

}  // namespace
}  // namespace quorvel
