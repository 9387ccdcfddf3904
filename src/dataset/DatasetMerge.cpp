#include "dataset/DatasetMerge.h"

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <stdexcept>

#include "common/JsonInput.h"
#include "common/PrintableText.h"
#include "common/Version.h"
#include "dataset/CaptureRecord.h"
#include "dataset/Hdf5DatasetFile.h"
#include "dataset/ShardFiles.h"
#include "dataset/SigmfDatasetFile.h"
#include "export/Cf32Writer.h"
#include "export/OutputFolder.h"

namespace quorvel {
namespace {

// A problem quotes at most a path and a short value; a longer one is cut.
constexpr std::size_t kShownProblemBytes = 2048;

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
        // Opening a FIFO or a device named like a shard would wait or read forever.
        if (!entry.is_regular_file()) {
            throw MergeProblem{printableText(entry.path().string(), 1024) + " is not a regular file"};
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
        const auto shape = [](const Hdf5ShardReader& r) {
            return r.spectrogram() ? std::pair{r.spectrogram()->fft, r.spectrogram()->overlap} : std::pair<std::size_t, std::size_t>{};
        };
        if (shape(reader) != shape(*readers.front())) {
            throw MergeProblem{files[k] + " keeps other spectrograms than " + files.front()};
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
        Hdf5Layout layout = hdf5Layout(*reading.recipe, Shard{});
        layout.spectrogram = readers.front()->spectrogram();
        Hdf5DatasetWriter writer(path, std::move(layout));
        CaptureRecord capture;
        for (std::size_t k = 0; k < readers.size(); ++k) {
            try {
                while (readers[k]->next(capture)) {
                    writer.write(capture);
                }
            } catch (const ShardDefect& defect) {
                writer.finish(false);
                throw MergeProblem{files[k] + ": " + defect.what()};
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

// The unsigned integer a shard's global object holds under key, exactly.
std::uint64_t shardNumber(const nlohmann::json& global, const char* key, const std::string& file) {
    const auto found = global.find(key);
    const auto n = found != global.end() ? exactInteger<std::uint64_t>(*found) : std::nullopt;
    if (!n) {
        throw MergeProblem{file + ": \"" + key + "\" is not an unsigned integer" +
                           (found != global.end() ? " (it is " + shownJson(*found) + ")" : "")};
    }
    return *n;
}

// A recording that names its samples' SHA-512 is merged only with the samples it names: a run
// stopped between renaming its samples and its metadata leaves new samples beside old metadata.
void checkSamplesSum(const nlohmann::json& global, const DatasetRecipe& recipe, const std::string& data) {
    const auto named = global.find("core:sha512");
    if (named == global.end() && !recipe.checksums) {
        return;
    }
    if (named == global.end() || !named->is_string()) {
        throw MergeProblem{printableText(data, 1024) + ": its metadata names no SHA-512 of its samples, though its "
                           "recipe asks for checksums"};
    }
    if (sha512OfFile(data) != named->get<std::string>()) {
        throw MergeProblem{printableText(data, 1024) + " is not the file its metadata names (another SHA-512): "
                           "its run was stopped before it finished, or the file changed since"};
    }
}

void mergeSigmf(const std::string& folder, const std::vector<std::string>& files, Shard common, MergeResult& result) {
    std::vector<std::string> stems;
    std::optional<nlohmann::json> recipe;
    std::optional<DatasetRecipe> read;
    for (std::uint64_t k = 0; k < files.size(); ++k) {
        const JsonInput input = parseJsonInput(readRecordingGlobalLine(files[k]));
        if (!input || !input.json->is_object() || !input.json->contains("quorvel:recipe")) {
            throw MergeProblem{files[k] + " is not a recording of a Quorvel dataset"};
        }
        const nlohmann::json& global = *input.json;
        if (recipe && global["quorvel:recipe"] != *recipe) {
            throw MergeProblem{files[k] + " was made from another recipe than " + files.front()};
        }
        if (!recipe) {
            recipe = global["quorvel:recipe"];
            RecipeReading reading = readDatasetRecipe(recipe->dump());
            if (!reading) {
                throw MergeProblem{files[k] + ": its recipe is refused: " + reading.problem};
            }
            read = std::move(reading.recipe);
        }
        if (shardNumber(global, "quorvel:shard_index", files[k]) != k ||
            shardNumber(global, "quorvel:shard_count", files[k]) != common.count) {
            throw MergeProblem{files[k] + " holds another shard than its name says"};
        }
        const CaptureRange range = shardCaptures({k, common.count}, read->captureCount());
        if (shardNumber(global, "quorvel:first_capture", files[k]) != range.first ||
            shardNumber(global, "quorvel:capture_count", files[k]) != range.size() ||
            shardNumber(global, "quorvel:samples_per_capture", files[k]) != read->samplesPerCapture) {
            throw MergeProblem{files[k] + " does not hold the captures of its shard"};
        }
        // The samples beside it must be as many as it describes, no more and no fewer.
        const std::string stem = shardStem({k, common.count});
        const std::string data = folder + "/" + stem + ".sigmf-data";
        std::error_code error;
        const auto status = std::filesystem::status(data, error);
        if (error || !std::filesystem::is_regular_file(status)) {
            throw MergeProblem{printableText(data, 1024) + " is missing or not a regular file"};
        }
        const std::uint64_t bytes = range.size() * read->samplesPerCapture * kCf32BytesPerSample;
        if (std::filesystem::file_size(data, error) != bytes || error) {
            throw MergeProblem{printableText(data, 1024) + " does not hold " + std::to_string(bytes) +
                               " bytes, the samples of its shard"};
        }
        checkSamplesSum(global, *read, data);
        stems.push_back(stem);
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
    const FolderLock lock(folder);
    if (lock.busy()) {
        result.failure = "another run is writing into " + folder;
        return result;
    }
    if (lock.held()) {
        removeStaleTemporaryFiles(folder);
    }
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
        result.problem = printableText(e.what(), kShownProblemBytes);
    } catch (const nlohmann::json::exception& e) {
        result.problem = printableText(e.what(), kShownProblemBytes);
    }
    return result;
}

}  // namespace quorvel
