#include "dataset/DatasetRun.h"

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

#include "common/ThreadBudget.h"
#include "dataset/CaptureMaking.h"
#include "dataset/CaptureRecord.h"
#include "dataset/Hdf5DatasetFile.h"
#include "dataset/SceneLabels.h"
#include "dataset/SceneMaking.h"
#include "dataset/SigmfDatasetFile.h"
#include "export/ByteOutput.h"
#include "export/Cf32Writer.h"
#include "export/OutputFolder.h"

namespace quorvel {
namespace {

// Captures made between two hand-overs to the file: enough to keep every core busy for a while,
// few enough that the two batches in flight stay a few MB. Long captures (a wideband scene's
// 2^18 samples and their spectrograms) take fewer, so that a batch stays within kBatchBytes.
constexpr std::uint64_t kBatchCaptures = 256;
constexpr std::uint64_t kBatchBytes = std::uint64_t{64} << 20;

std::uint64_t batchCaptures(const DatasetRecipe& recipe, const DatasetRunOptions& options) {
    std::uint64_t bytes = std::uint64_t{recipe.samplesPerCapture} * 8;
    if (options.spectrograms) {
        bytes += options.spectrograms->frames(recipe.samplesPerCapture) * options.spectrograms->fft * 4;
    }
    return std::clamp<std::uint64_t>(kBatchBytes / bytes, 1, kBatchCaptures);
}

constexpr int kKeptHeapBytes = 64 << 20;
// glibc's largest: blocks up to 32 MB come from the heap.
constexpr int kLargestHeapBlock = 32 << 20;

// Every capture allocates and frees the same few hundred KB, and the file's chunks a MB each.
// By default glibc hands the top of a worker's heap back to the kernel after each capture, and
// once its trim threshold is fixed, maps and unmaps every block of 128 KB or more; either way the
// pages are faulted in again for the next one, a tenth of a run's time. Set here, so that every
// front end's datasets (the command line's, the Python module's) run with it alike.
void keepHeapBetweenCaptures() {
    mallopt(M_TRIM_THRESHOLD, kKeptHeapBytes);
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
}

// One batch of finished captures, ready for the file.
struct Batch {
    std::uint64_t first = 0;
    std::uint64_t count = 0;
    std::vector<float> iq;           // count x 2 x samples
    std::vector<double> settings;    // count x fields
    std::vector<CapturePlan> plans;
    std::vector<std::vector<double>> boxes;  // a scene's box rows, per capture
    std::vector<float> spectrograms;         // count x frames x fft, when the file keeps them
};

// A scene capture and its labels.
void makeSceneCapture(const DatasetRecipe& recipe, std::uint64_t index, CaptureSamples& capture,
                      std::vector<double>& values, std::vector<double>& boxes) {
    const ScenePlan scene = planScene(recipe, index);
    makeScene(recipe, scene, capture);
    values = sceneFieldValues(recipe, scene, capture.signalPower);
    boxes.clear();
    appendSceneBoxRows(recipe, scene, boxes);
}

void makeBatch(const DatasetRecipe& recipe, Batch& batch, unsigned threads, std::size_t fields,
               std::optional<SpectrogramShape> spectrogram) {
    const std::size_t pixels = spectrogram ? spectrogram->frames(recipe.samplesPerCapture) * spectrogram->fft : 0;
    batch.spectrograms.resize(batch.count * pixels);
    const std::size_t width = std::size_t{recipe.samplesPerCapture} * 2;
    batch.iq.resize(batch.count * width);
    batch.settings.resize(batch.count * fields);
    batch.plans.resize(batch.count);
    batch.boxes.resize(recipe.scene ? batch.count : 0);
    const auto work = [&](unsigned t) {
        CaptureSamples capture;
        std::vector<double> values;
        std::vector<float> image;
        for (std::uint64_t k = t; k < batch.count; k += threads) {
            CapturePlan& plan = batch.plans[k];
            if (recipe.scene) {
                plan.index = batch.first + k;
                makeSceneCapture(recipe, plan.index, capture, values, batch.boxes[k]);
            } else {
                plan = planCapture(recipe, batch.first + k);
                makeCapture(plan, recipe.samplesPerCapture, capture, recipe.normalization);
            }
            float* out = batch.iq.data() + k * width;
            for (const ComplexSample& s : capture.samples) {
                *out++ = static_cast<float>(s.i);
                *out++ = static_cast<float>(s.q);
            }
            if (!recipe.scene) {
                recordedFields(recipe, plan, capture, values);
            }
            if (spectrogram) {
                spectrogramDb(capture.samples, *spectrogram, image);
                std::copy(image.begin(), image.end(), batch.spectrograms.begin() + static_cast<std::ptrdiff_t>(k * pixels));
            }
            std::copy(values.begin(), values.end(), batch.settings.begin() + static_cast<std::ptrdiff_t>(k * fields));
        }
    };
    std::vector<std::jthread> helpers;
    for (unsigned t = 1; t < threads; ++t) {
        helpers.emplace_back(work, t);
    }
    work(0);
}

// A capture's YOLO labels as folder/labels/<index, 12 digits>.txt, whole under its name.
void writeYoloLabels(const std::string& folder, const DatasetRecipe& recipe, const SpectrogramShape& shape,
                     std::uint64_t index, std::span<const double> boxes) {
    char name[32];
    std::snprintf(name, sizeof name, "/%012llu.txt", static_cast<unsigned long long>(index));
    const std::string text = yoloLabelText(boxes, sceneBoxColumns(recipe).size(), shape, recipe.samplesPerCapture,
                                           recipe.scene->samplingRateHz);
    ByteOutput output = ByteOutput::createFile(folder + "/" + kYoloFolder + name);
    output.write(text.data(), text.size());
    if (auto error = output.close(true)) {
        throw std::runtime_error(output.name() + ": " + *error);
    }
}

void writeBatch(const Batch& batch, CaptureWriter& writer, std::uint32_t samples, std::size_t fields) {
    const std::size_t width = std::size_t{samples} * 2;
    const std::size_t pixels = batch.count == 0 ? 0 : batch.spectrograms.size() / batch.count;
    for (std::uint64_t k = 0; k < batch.count; ++k) {
        const CapturePlan& plan = batch.plans[k];
        writer.write({.index = plan.index,
                      .classIndex = plan.classIndex,
                      .snrDb = plan.parameters.snrDb,
                      .iq = std::span(batch.iq).subspan(k * width, width),
                      .settings = std::span(batch.settings).subspan(k * fields, fields),
                      .boxes = batch.boxes.empty() ? std::span<const double>() : std::span<const double>(batch.boxes[k]),
                      .spectrogram = std::span<const float>(batch.spectrograms).subspan(k * pixels, pixels)});
    }
}

std::unique_ptr<CaptureWriter> openWriter(const DatasetRecipe& recipe, const std::string& folder,
                                          const DatasetRunOptions& options, std::vector<std::string>& names) {
    if (options.format == DatasetFormat::Hdf5) {
        names = {folder + "/" + hdf5FileName(options.shard)};
        Hdf5Layout layout = hdf5Layout(recipe, options.shard);
        layout.spectrogram = options.spectrograms;
        return std::make_unique<Hdf5DatasetWriter>(names.front(), std::move(layout));
    }
    const std::string stem = folder + "/" + shardStem(options.shard);
    names = {stem + ".sigmf-data", stem + ".sigmf-meta"};
    return std::make_unique<SigmfDatasetWriter>(folder, recipe, options.shard);
}

// Why the shard cannot go into folder: another run writing there, or too little room for its
// samples alone.
std::optional<std::string> folderRefusal(const DatasetRecipe& recipe, const CaptureRange& range,
                                         const std::string& folder, const FolderLock& lock) {
    if (lock.busy()) {
        return "another run is writing into " + folder;
    }
    const double bytes = static_cast<double>(range.size()) * recipe.samplesPerCapture * kCf32BytesPerSample;
    const auto free = freeBytes(folder);
    if (free && bytes > static_cast<double>(*free)) {
        char text[160];
        std::snprintf(text, sizeof text, "the captures need at least %.0f MB but only %.0f MB are free in ",
                      bytes / 1e6, static_cast<double>(*free) / 1e6);
        return text + folder;
    }
    return std::nullopt;
}

}  // namespace

DatasetRunResult runDataset(const DatasetRecipe& recipe, const std::string& folder, const DatasetRunOptions& options) {
    DatasetRunResult result;
    keepHeapBetweenCaptures();
    const CaptureRange range = shardCaptures(options.shard, recipe.captureCount());
    // The batch maker stands in for this thread, which only hands finished batches to the file
    // and otherwise waits: the makers are the thread budget's, this thread and its helpers.
    const HelperThreads helpers((options.threads > 0 ? options.threads : threadBudget()) - 1);
    const unsigned threads = 1 + helpers.count();
    const std::size_t fields = recordedFieldNames(recipe).size();
    std::vector<std::string> names;
    // The shards of one dataset may be made into one folder at once; a whole run, like a merge,
    // has the folder to itself, and only then can a partial file be known to be a killed run's.
    const bool whole = options.shard.whole();
    const FolderLock lock(folder, whole ? FolderLock::Mode::Exclusive : FolderLock::Mode::Shared);
    if (auto refusal = folderRefusal(recipe, range, folder, lock)) {
        result.failure = std::move(*refusal);
        return result;
    }
    // Shards share the folder, but two runs of one shard would race for the same files.
    std::optional<NameLock> shardLock;
    if (!whole) {
        shardLock.emplace(folder, shardStem(options.shard) + (options.format == DatasetFormat::Hdf5 ? ".h5" : ".sigmf"));
    }
    if (shardLock && shardLock->busy()) {
        result.failure = "another run is writing shard " + std::to_string(options.shard.index) + " of " +
                         std::to_string(options.shard.count) + " into " + folder;
        return result;
    }
    if (lock.held() && whole) {
        removeStaleTemporaryFiles(folder);
        if (options.yoloLabels && std::filesystem::is_directory(folder + "/" + kYoloFolder)) {
            removeStaleTemporaryFiles(folder + "/" + kYoloFolder);
        }
    }
    try {
        const std::unique_ptr<CaptureWriter> writer = openWriter(recipe, folder, options, names);
        // While the file takes one batch, the cores make the next.
        Batch batches[2];
        const std::uint64_t perBatch = batchCaptures(recipe, options);
        const SpectrogramShape yoloShape = options.spectrograms.value_or(SpectrogramShape{});
        if (options.yoloLabels) {
            std::filesystem::create_directories(folder + "/" + kYoloFolder);
        }
        const auto start = [&](Batch& batch, std::uint64_t first) {
            batch.first = first;
            batch.count = std::min(perBatch, range.end - first);
            return std::async(std::launch::async, makeBatch, std::cref(recipe), std::ref(batch), threads, fields,
                              options.spectrograms);
        };
        std::future<void> pending;
        if (range.size() > 0) {
            pending = start(batches[0], range.first);
        }
        for (std::uint64_t first = range.first, b = 0; first < range.end; first += perBatch, ++b) {
            Batch& batch = batches[b % 2];
            pending.get();
            if (first + perBatch < range.end) {
                pending = start(batches[(b + 1) % 2], first + perBatch);
            }
            writeBatch(batch, *writer, recipe.samplesPerCapture, fields);
            for (std::uint64_t k = 0; options.yoloLabels && k < batch.count; ++k) {
                writeYoloLabels(folder, recipe, yoloShape, batch.first + k, batch.boxes[k]);
            }
            if (options.progress) {
                options.progress(first + batch.count - range.first, range.size());
            }
            if (options.cancel != nullptr && options.cancel->load()) {
                if (pending.valid()) {
                    pending.wait();
                }
                writer->finish(false);
                result.cancelled = true;
                return result;
            }
        }
        if (auto error = writer->finish(true)) {
            result.failure = *error;
            return result;
        }
        if (options.format == DatasetFormat::Sigmf && options.shard.whole()) {
            if (auto error = writeSigmfCollection(folder, {shardStem(options.shard)})) {
                result.failure = *error;
                return result;
            }
            names.push_back(folder + "/" + kCollectionFileName);
        }
    } catch (const std::runtime_error& e) {
        result.failure = e.what();
        return result;
    }
    result.writtenFiles = names;
    return result;
}

}  // namespace quorvel
