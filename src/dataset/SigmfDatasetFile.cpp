#include "dataset/SigmfDatasetFile.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <system_error>

#include "common/FileDigest.h"
#include "common/InputFile.h"
#include "common/Philox.h"
#include "common/PrintableText.h"
#include "common/Version.h"
#include "dataset/CapturePlan.h"
#include "dataset/SceneLabels.h"
#include "export/SigmfMetadata.h"

namespace quorvel {
namespace {

using Json = nlohmann::ordered_json;

Json extensions() {
    return Json::array({Json{{"name", "quorvel"}, {"version", kRecipeNamespaceVersion}, {"optional", true}}});
}

Json globalObject(const DatasetRecipe& recipe, Shard shard, const CaptureRange& range, double samplingRate) {
    Json global;
    global["core:datatype"] = "cf32_le";
    global["core:sample_rate"] = samplingRate;
    global["core:version"] = kSigmfVersion;
    global["core:description"] = "Quorvel dataset: captures " + std::to_string(range.first) + " to " +
                                 std::to_string(range.end - 1) + " of " + std::to_string(recipe.captureCount()) +
                                 ", " + std::to_string(recipe.samplesPerCapture) + " samples each";
    global["core:author"] = "";
    global["core:recorder"] = "Quorvel " + std::string(kProgramVersion);
    global["core:collection"] = "dataset";
    global["core:extensions"] = extensions();
    global["quorvel:program_version"] = kProgramVersion;
    global["quorvel:shard_index"] = shard.index;
    global["quorvel:shard_count"] = shard.count;
    global["quorvel:first_capture"] = range.first;
    global["quorvel:capture_count"] = range.size();
    global["quorvel:samples_per_capture"] = recipe.samplesPerCapture;
    if (const std::uint64_t version = drawnChannelVersion(recipe); version != 0) {
        global["quorvel:drawn_channel_version"] = version;
    }
    if (recipe.scene) {
        global["quorvel:scene_version"] = kSceneVersion;
    }
    if (const std::string analogSnr = analogSnrText(recipe); !analogSnr.empty()) {
        global["quorvel:analog_snr"] = analogSnr;
    }
    global["quorvel:recipe"] = Json::parse(recipe.text);
    if (drawsByCounter(recipe)) {
        global["quorvel:random"] = kCounterDrawsName;
        global["quorvel:random_version"] = kCounterDrawsVersion;
    }
    return global;
}

// The placeholder the global object holds for the samples' SHA-512 until they are all written.
const std::string kPendingSha512(128, '0');

}  // namespace

std::string sha512OfFile(const std::string& path) {
    return fileDigest(path, DigestKind::Sha512);
}

SigmfDatasetWriter::SigmfDatasetWriter(const std::string& folder, const DatasetRecipe& recipe, Shard shard)
    : data_(ByteOutput::createFile(folder + "/" + shardStem(shard) + ".sigmf-data")),
      meta_(ByteOutput::createFile(folder + "/" + shardStem(shard) + ".sigmf-meta")),
      fields_(recordedFieldNames(recipe)), samples_(recipe.samplesPerCapture) {
    for (const DatasetClass& c : recipe.classes) {
        labels_.push_back(c.label);
    }
    const CaptureRange range = shardCaptures(shard, recipe.captureCount());
    const double samplingRate =
        recipe.scene ? recipe.scene->samplingRateHz : planCapture(recipe, range.first).parameters.samplingRate;
    if (recipe.scene) {
        boxColumns_ = sceneBoxColumns(recipe);
    }
    // The global object on the first line, so that the merge reads it without the annotations.
    Json global = globalObject(recipe, shard, range, samplingRate);
    if (recipe.checksums) {
        // SigMF's own field for the samples' hash, so that any SigMF reader can check them; its
        // value is written over the placeholder once the last sample is in.
        global["core:sha512"] = kPendingSha512;
        dataSum_.emplace(DigestKind::Sha512);
    }
    const std::string head = "{\"global\":" + global.dump();
    if (dataSum_) {
        sumOffset_ = head.find("\"core:sha512\":\"" + kPendingSha512) + std::string("\"core:sha512\":\"").size();
    }
    writeMeta(head + ",\n\"captures\":[{\"core:sample_start\":0}],\n\"annotations\":[");
    // Gone before the new files take their names: a run stopped between the renames leaves a
    // recording without metadata, or metadata without a collection, never an old file that
    // seems to describe new ones.
    stale_ = {meta_.name()};
    if (shard.whole()) {
        stale_.push_back(folder + "/" + kCollectionFileName);
    }
}

void SigmfDatasetWriter::writeMeta(const std::string& text) {
    if (!meta_.write(text.data(), text.size())) {
        throw std::runtime_error(meta_.name() + ": " + std::generic_category().message(meta_.error()));
    }
}

void SigmfDatasetWriter::write(const CaptureRecord& capture) {
    bytes_.resize(capture.iq.size() * 4);
    for (std::size_t k = 0; k < capture.iq.size(); ++k) {
        const auto bits = std::bit_cast<std::uint32_t>(capture.iq[k]);
        for (int b = 0; b < 4; ++b) {
            bytes_[4 * k + static_cast<std::size_t>(b)] = static_cast<unsigned char>(bits >> (8 * b));
        }
    }
    if (!data_.write(bytes_.data(), bytes_.size())) {
        throw std::runtime_error(data_.name() + ": " + std::generic_category().message(data_.error()));
    }
    if (dataSum_) {
        dataSum_->update(bytes_.data(), bytes_.size());
    }
    Json annotation;
    annotation["core:sample_start"] = written_ * samples_;
    annotation["core:sample_count"] = samples_;
    if (boxColumns_.empty()) {
        annotation["core:label"] = labels_[capture.classIndex];
    }
    annotation["quorvel:capture"] = capture.index;
    for (std::size_t f = 0; f < fields_.size(); ++f) {
        annotation["quorvel:" + fields_[f]] = capture.settings[f];
    }
    writeMeta((written_ == 0 ? "\n" : ",\n") + annotation.dump());
    writeBoxes(capture);
    ++written_;
}

void SigmfDatasetWriter::writeBoxes(const CaptureRecord& capture) {
    for (const std::string& text : boxAnnotationTexts(capture.boxes, boxColumns_, labels_, written_ * samples_)) {
        writeMeta(",\n" + text);
    }
}

std::vector<std::string> boxAnnotationTexts(std::span<const double> rows, const std::vector<BoxColumn>& columns,
                                            const std::vector<std::string>& labels, std::uint64_t firstSample) {
    const std::size_t width = columns.size();
    std::vector<std::string> texts;
    if (width == 0) {
        return texts;
    }
    // Column places, as sceneBoxColumns lists them.
    constexpr std::size_t kClass = 3, kStart = 4, kCount = 5, kLower = 6, kUpper = 7;
    std::vector<std::size_t> order;
    for (std::size_t b = 0; b + width <= rows.size(); b += width) {
        order.push_back(b);
    }
    // Annotations go in time order; boxes that start together keep their table order.
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return rows[a + kStart] < rows[b + kStart]; });
    for (const std::size_t b : order) {
        const std::span<const double> row = rows.subspan(b, width);
        Json annotation;
        annotation["core:sample_start"] = firstSample + static_cast<std::uint64_t>(row[kStart]);
        annotation["core:sample_count"] = static_cast<std::uint64_t>(row[kCount]);
        annotation["core:freq_lower_edge"] = row[kLower];
        annotation["core:freq_upper_edge"] = row[kUpper];
        annotation["core:label"] = labels[static_cast<std::size_t>(row[kClass])];
        for (std::size_t c = 0; c < width; ++c) {
            if (c == kStart || c == kCount || c == kLower || c == kUpper) {
                continue;
            }
            if (columns[c].integer) {
                annotation["quorvel:" + columns[c].name] = static_cast<std::int64_t>(row[c]);
            } else {
                annotation["quorvel:" + columns[c].name] = row[c];
            }
        }
        texts.push_back(annotation.dump());
    }
    return texts;
}

std::optional<std::string> SigmfDatasetWriter::finish(bool complete) {
    if (complete) {
        try {
            writeMeta("\n]}\n");
            if (dataSum_) {
                const std::string hex = dataSum_->hex();
                if (!meta_.writeAt(sumOffset_, hex.data(), hex.size())) {
                    complete = false;
                }
            }
        } catch (const std::runtime_error&) {
            complete = false;
        }
    }
    if (complete) {
        for (const std::string& path : stale_) {
            ::unlink(path.c_str());
        }
    }
    auto dataError = data_.close(complete);
    auto metaError = meta_.close(complete && !dataError);
    if (dataError) {
        return data_.name() + ": " + *dataError;
    }
    if (metaError) {
        return meta_.name() + ": " + *metaError;
    }
    return std::nullopt;
}

std::string readRecordingGlobalLine(const std::string& metaPath) {
    // The global line holds the recipe and a little more; the annotations after it may be many.
    constexpr std::size_t kGlobalLineBytes = kMaxRecipeBytes + (std::size_t{1} << 16);
    const std::string kEnd = "\n]}\n";
    const InputFileEnds ends = readInputFileEnds(metaPath, kGlobalLineBytes, kEnd.size());
    if (!ends) {
        throw std::runtime_error(ends.problem);
    }
    const std::string shown = printableText(metaPath, 1024);
    const std::size_t lineEnd = ends.head->find('\n');
    if (lineEnd == std::string::npos || ends.head->rfind("{\"global\":", 0) != 0 || lineEnd < 11 ||
        (*ends.head)[lineEnd - 1] != ',') {
        throw std::runtime_error(shown + " is not a recording of a Quorvel dataset");
    }
    // A writer ends the file last, so a file cut short by a crash or a copy lacks the end.
    if (ends.tail != kEnd) {
        throw std::runtime_error(shown + " is cut short (its annotations do not end)");
    }
    return ends.head->substr(10, lineEnd - 11);
}

std::optional<std::string> writeSigmfCollection(const std::string& folder, const std::vector<std::string>& stems) {
    Json streams = Json::array();
    try {
        for (const std::string& stem : stems) {
            streams.push_back(Json{{"name", stem}, {"hash", sha512OfFile(folder + "/" + stem + ".sigmf-meta")}});
        }
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    Json collection;
    collection["core:version"] = kSigmfVersion;
    collection["core:description"] = "Quorvel dataset";
    collection["core:extensions"] = extensions();
    collection["core:streams"] = streams;
    const std::string text = Json{{"collection", collection}}.dump(2) + "\n";
    ByteOutput output = ByteOutput::createFile(folder + "/" + kCollectionFileName);
    output.write(text.data(), text.size());
    if (auto error = output.close(true)) {
        return output.name() + ": " + *error;
    }
    return std::nullopt;
}

}  // namespace quorvel
