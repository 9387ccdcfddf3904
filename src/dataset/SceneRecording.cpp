#include "dataset/SceneRecording.h"

#include <bit>
#include <nlohmann/json.hpp>

#include "common/Philox.h"
#include "common/Version.h"
#include "dataset/SceneLabels.h"
#include "dataset/SceneMaking.h"
#include "dataset/SigmfDatasetFile.h"
#include "export/ByteOutput.h"
#include "export/OutputFolder.h"
#include "export/SigmfMetadata.h"

namespace quorvel {
namespace {

using Json = nlohmann::ordered_json;

std::string samplesBytes(const SampleBuffer& samples) {
    std::string bytes(samples.size() * 8, '\0');
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const float pair[2] = {static_cast<float>(samples[n].i), static_cast<float>(samples[n].q)};
        for (int k = 0; k < 2; ++k) {
            const auto bits = std::bit_cast<std::uint32_t>(pair[k]);
            for (int b = 0; b < 4; ++b) {
                bytes[8 * n + static_cast<std::size_t>(4 * k + b)] = static_cast<char>(bits >> (8 * b));
            }
        }
    }
    return bytes;
}

// The capture segment: with a receiver, its drawn settings as the dataset's fields name them.
std::string captureText(const DatasetRecipe& recipe, const ScenePlan& plan, double signalPower) {
    Json capture;
    capture["core:sample_start"] = 0;
    if (recipe.scene->receiver) {
        const std::vector<std::string> names = sceneFieldNames(recipe);
        const std::vector<double> values = sceneFieldValues(recipe, plan, signalPower);
        for (std::size_t f = 0; f < names.size(); ++f) {
            if (names[f].starts_with("receiver_")) {
                capture["quorvel:" + names[f]] = values[f];
            }
        }
    }
    return capture.dump();
}

std::string metadataText(const DatasetRecipe& recipe, std::uint64_t index,
                         const std::vector<double>& rows, const std::string& capture) {
    Json global;
    global["core:datatype"] = "cf32_le";
    global["core:sample_rate"] = recipe.scene->samplingRateHz;
    global["core:version"] = kSigmfVersion;
    global["core:description"] = "Quorvel scene: capture " + std::to_string(index) + " of its recipe";
    global["core:recorder"] = "Quorvel " + std::string(kProgramVersion);
    global["quorvel:program_version"] = kProgramVersion;
    global["quorvel:capture"] = index;
    global["quorvel:scene_version"] = kSceneVersion;
    global["quorvel:random"] = kCounterDrawsName;
    global["quorvel:random_version"] = kCounterDrawsVersion;
    global["quorvel:recipe"] = Json::parse(recipe.text);
    std::vector<std::string> labels;
    for (const DatasetClass& c : recipe.classes) {
        labels.push_back(c.label);
    }
    std::string text =
        "{\"global\":" + global.dump() + ",\n\"captures\":[" + capture + "],\n\"annotations\":[";
    const std::vector<std::string> boxes = boxAnnotationTexts(rows, sceneBoxColumns(recipe), labels, 0);
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        text += (k == 0 ? "\n" : ",\n") + boxes[k];
    }
    return text + "\n]}\n";
}

}  // namespace

std::optional<std::string> writeSceneRecording(const DatasetRecipe& recipe, std::uint64_t index, const std::string& folder,
                                               std::vector<std::string>& written) {
    const FolderLock lock(folder);
    if (lock.busy()) {
        return "another run is writing into " + folder;
    }
    const ScenePlan plan = planScene(recipe, index);
    CaptureSamples capture;
    makeScene(recipe, plan, capture);
    std::vector<double> rows;
    appendSceneBoxRows(recipe, plan, rows);
    const std::string stem = folder + "/scene_" + std::to_string(index);
    const std::string texts[2] = {
        samplesBytes(capture.samples),
        metadataText(recipe, index, rows, captureText(recipe, plan, capture.signalPower))};
    const std::string names[2] = {stem + ".sigmf-data", stem + ".sigmf-meta"};
    for (int k = 0; k < 2; ++k) {
        ByteOutput output = ByteOutput::createFile(names[k]);
        output.write(texts[k].data(), texts[k].size());
        if (auto error = output.close(true)) {
            return output.name() + ": " + *error;
        }
        written.push_back(names[k]);
    }
    return std::nullopt;
}

}  // namespace quorvel
