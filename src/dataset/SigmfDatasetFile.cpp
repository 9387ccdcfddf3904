#include "dataset/SigmfDatasetFile.h"

#include <openssl/evp.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <system_error>

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

std::string sha512Hex(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error(path + ": cannot be read");
    }
    const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha512(), nullptr) != 1) {
        throw std::runtime_error("SHA-512 is not available");
    }
    std::vector<char> block(1 << 20);
    while (file.read(block.data(), static_cast<std::streamsize>(block.size())) || file.gcount() > 0) {
        EVP_DigestUpdate(context.get(), block.data(), static_cast<std::size_t>(file.gcount()));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest, &length);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int k = 0; k < length; ++k) {
        hex += kHex[digest[k] >> 4];
        hex += kHex[digest[k] & 0xFu];
    }
    return hex;
}

}  // namespace

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
    writeMeta("{\"global\":" + globalObject(recipe, shard, range, samplingRate).dump() +
              ",\n\"captures\":[{\"core:sample_start\":0}],\n\"annotations\":[");
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
        } catch (const std::runtime_error&) {
            complete = false;
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
            streams.push_back(Json{{"name", stem}, {"hash", sha512Hex(folder + "/" + stem + ".sigmf-meta")}});
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
