#include "dataset/DatasetMerge.h"

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <stdexcept>

#include "common/Version.h"
#include "dataset/CaptureRecord.h"
#include "dataset/Hdf5DatasetFile.h"
#include "dataset/ShardFiles.h"
#include "dataset/SigmfDatasetFile.h"

namespace quorvel {
namespace {

struct MergeProblem {
    std::string text;
};

// The shards of one kind of file in folder, by index; all must be of one count, none missing.
std::vector<std::string> shardFiles(const std::string& folder, const std::string& extension, Shard& common) {
    static const std::regex kName(R"(dataset\.shard-([0-9]+)-of-([0-9]+)\.)");
    std::map<std::uint64_t, std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        std::smatch match;
        const std::string stem = name.ends_with(extension) ? name.substr(0, name.size() - extension.size()) + "." : "";
        if (stem.empty() || !std::regex_match(stem, match, kName)) {
            continue;
        }
        const auto shard = parseShard(match[1].str() + "/" + match[2].str());
        if (!shard) {
            throw MergeProblem{name + " names no shard"};
        }
        if (!found.empty() && shard->count != common.count) {
            throw MergeProblem{name + " is one of " + std::to_string(shard->count) + " shards, not of " +
                               std::to_string(common.count)};
        }
        common = *shard;
        found[shard->index] = entry.path().string();
    }
    std::vector<std::string> files;
    for (std::uint64_t k = 0; !found.empty() && k < common.count; ++k) {
        if (!found.contains(k)) {
            throw MergeProblem{"shard " + std::to_string(k) + " of " + std::to_string(common.count) + " (" +
                               shardStem({k, common.count}) + extension + ") is missing"};
        }
        files.push_back(found[k]);
    }
    return files;
}

void mergeHdf5(const std::string& folder, const std::vector<std::string>& files, Shard common, MergeResult& result) {
    std::vector<std::unique_ptr<Hdf5ShardReader>> readers;
    for (std::uint64_t k = 0; k < files.size(); ++k) {
        readers.push_back(std::make_unique<Hdf5ShardReader>(files[k]));
        const Hdf5ShardReader& reader = *readers.back();
        if (reader.recipeText() != readers.front()->recipeText()) {
            throw MergeProblem{files[k] + " was made from another recipe than " + files.front()};
        }
        if (reader.programVersion() != kProgramVersion) {
            throw MergeProblem{files[k] + " was made by Quorvel " + reader.programVersion() + "; merge it with that version"};
        }
        if (reader.shard().index != k || reader.shard().count != common.count) {
            throw MergeProblem{files[k] + " holds another shard than its name says"};
        }
    }
    const RecipeReading reading = readDatasetRecipe(readers.front()->recipeText());
    if (!reading) {
        throw MergeProblem{files.front() + ": its recipe is refused: " + reading.problem};
    }
    for (std::uint64_t k = 0; k < files.size(); ++k) {
        const CaptureRange range = shardCaptures({k, common.count}, reading.recipe->captureCount());
        if (readers[k]->firstCapture() != range.first || readers[k]->captures() != range.size()) {
            throw MergeProblem{files[k] + " does not hold the captures of its shard"};
        }
    }
    const std::string path = folder + "/" + hdf5FileName(Shard{});
    try {
        Hdf5DatasetWriter writer(path, hdf5Layout(*reading.recipe, Shard{}));
        CaptureRecord capture;
        for (auto& reader : readers) {
            while (reader->next(capture)) {
                writer.write(capture);
            }
        }
        if (auto error = writer.finish(true)) {
            result.failure = path + ": " + *error;
            return;
        }
    } catch (const std::runtime_error& e) {
        result.failure = path + ": " + e.what();
        return;
    }
    result.writtenFiles.push_back(path);
}

void mergeSigmf(const std::string& folder, const std::vector<std::string>& files, Shard common, MergeResult& result) {
    std::vector<std::string> stems;
    std::optional<nlohmann::json> recipe;
    for (std::uint64_t k = 0; k < files.size(); ++k) {
        const auto global = nlohmann::json::parse(readRecordingGlobalLine(files[k]), nullptr, false);
        if (global.is_discarded() || !global.contains("quorvel:recipe")) {
            throw MergeProblem{files[k] + " is not a recording of a Quorvel dataset"};
        }
        if (recipe && global["quorvel:recipe"] != *recipe) {
            throw MergeProblem{files[k] + " was made from another recipe than " + files.front()};
        }
        recipe = global["quorvel:recipe"];
        if (global.value("quorvel:shard_index", common.count) != k) {
            throw MergeProblem{files[k] + " holds another shard than its name says"};
        }
        stems.push_back(shardStem({k, common.count}));
    }
    if (auto error = writeSigmfCollection(folder, stems)) {
        result.failure = *error;
        return;
    }
    result.writtenFiles.push_back(folder + "/" + kCollectionFileName);
}

}  // namespace

MergeResult mergeDataset(const std::string& folder) {
    MergeResult result;
    try {
        Shard hdf5Shards, sigmfShards;
        const std::vector<std::string> hdf5 = shardFiles(folder, ".h5", hdf5Shards);
        const std::vector<std::string> sigmf = shardFiles(folder, ".sigmf-meta", sigmfShards);
        if (hdf5.empty() && sigmf.empty()) {
            result.problem = "no shard files (dataset.shard-I-of-N.h5 or .sigmf-meta) in " + folder;
            return result;
        }
        if (!hdf5.empty()) {
            mergeHdf5(folder, hdf5, hdf5Shards, result);
        }
        if (!sigmf.empty() && result.failure.empty()) {
            mergeSigmf(folder, sigmf, sigmfShards, result);
        }
    } catch (const MergeProblem& p) {
        result.problem = p.text;
    } catch (const std::filesystem::filesystem_error& e) {
        result.problem = e.what();
    } catch (const std::runtime_error& e) {
        result.problem = e.what();
    }
    return result;
}

}  // namespace quorvel
