#pragma once
// Making a shard of a dataset: its captures made on every core, a batch at a time, and handed in
// index order to the shard's file, which is whole under its name only when every capture is in.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dataset/DatasetRecipe.h"
#include "dsp/Spectrogram.h"
#include "dataset/ShardFiles.h"

namespace quorvel {

enum class DatasetFormat { Hdf5, Sigmf };

// The folder, inside the dataset's, of a scene's YOLO label files.
inline constexpr const char* kYoloFolder = "labels";

struct DatasetRunOptions {
    Shard shard{};
    DatasetFormat format = DatasetFormat::Hdf5;
    unsigned threads = 0;  // at most, as the thread budget allows; 0: the whole budget
    // Called after every batch with the shard's captures done and its total.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress{};
    const std::atomic<bool>* cancel = nullptr;  // stops at the next batch; nothing is kept
    // HDF5: every capture's spectrogram (Spectrogram.h) as float32 dB [N][frames][fft], "spectrograms".
    std::optional<SpectrogramShape> spectrograms{};
    // A scene's boxes as YOLO text, one file per capture in DIR/labels (see yoloLabelText).
    bool yoloLabels = false;
};

struct DatasetRunResult {
    std::vector<std::string> writtenFiles;
    std::string failure;  // why the files could not be written; empty on success
    bool cancelled = false;
};

// Writes the shard's files into folder, which must exist.
DatasetRunResult runDataset(const DatasetRecipe& recipe, const std::string& folder, const DatasetRunOptions& options);

}  // namespace quorvel
