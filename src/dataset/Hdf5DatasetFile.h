#pragma once
// The dataset as one HDF5 file in the layout of RadioML 2018.01A, so that training code written
// for that file reads this one: X float32 [N][L][2] (I, Q), Y int64 one-hot [N][classes], Z the
// SNR [N][1] (int64 dB as RadioML's when every SNR is a whole number of dB, else float64). Beside
// them: "classes" (the labels, Y's columns in order), "settings/<field>" float64 [N] for every
// recorded setting, "recipe" (the recipe file's text) and attributes on the root. Every dataset
// is chunked along N and written a chunk at a time as the captures arrive, so memory stays at one
// chunk whatever N is. The file carries no time and no path: the same captures give the same bytes.
// A scene's file: Y [N][classes] counts each class's emitters in the capture, there is no Z, and
// "boxes" is a table of one row per box (SceneLabels.h), the attribute "scene_version" beside it.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dataset/CaptureRecord.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/Hdf5Objects.h"
#include "dataset/Hdf5Table.h"
#include "dataset/ShardFiles.h"
#include "dsp/Spectrogram.h"
#include "export/ByteOutput.h"

namespace quorvel {

struct Hdf5Layout {
    std::uint64_t captures = 0;  // rows of this file
    std::uint32_t samplesPerCapture = 0;
    std::vector<std::string> classLabels;
    std::vector<std::string> fields;   // recordedFieldNames()
    bool wholeDecibelSnrs = true;
    double samplingRate = 0.0;
    std::string recipeText;
    Shard shard{};                     // a shard's file also records which one it is
    std::uint64_t firstCapture = 0;
    bool counterDraws = false;         // some class draws by counter: the "random" attributes
    std::uint64_t drawnChannelVersion = 0;  // drawnChannelVersion(); written when not 0
    bool checksums = false;            // Fletcher-32 on every chunk, and the "checksum" attributes
    // A scene's: Y counts each class's emitters, no Z, and the boxes table has these columns.
    std::vector<BoxColumn> boxColumns{};
    bool scene() const { return !boxColumns.empty(); }
    // Every capture's spectrogram beside X, float32 dB [N][frames][fft], "spectrograms".
    std::optional<SpectrogramShape> spectrogram{};
    std::string analogSnr;             // analogSnrText(); written when not empty
};

// The "checksum" attribute of a file whose chunks carry sums, and the version of that meaning.
inline constexpr const char* kChecksumName = "fletcher32";
inline constexpr std::uint64_t kChecksumVersion = 1;

// The layout of shard's file of the recipe's dataset (Shard{} for the whole).
Hdf5Layout hdf5Layout(const DatasetRecipe& recipe, Shard shard);

class Hdf5DatasetWriter final : public CaptureWriter {
public:
    // Starts the file at path, written under a hidden temporary name until finish(true).
    Hdf5DatasetWriter(const std::string& path, Hdf5Layout layout);
    ~Hdf5DatasetWriter() override;
    Hdf5DatasetWriter(const Hdf5DatasetWriter&) = delete;
    Hdf5DatasetWriter& operator=(const Hdf5DatasetWriter&) = delete;

    void write(const CaptureRecord& capture) override;
    std::optional<std::string> finish(bool complete) override;

private:
    void writeChunk();
    void writeImages();
    void closeAll();

    ByteOutput output_;
    Hdf5Layout layout_;
    hsize_t chunkRows_ = 1;
    hdf5::Handle file_, x_, y_, z_;
    std::vector<hdf5::Handle> fields_;
    std::uint64_t flushed_ = 0;   // rows in the file
    std::size_t buffered_ = 0;    // rows waiting in the buffers
    std::vector<float> xRows_;
    std::vector<std::int64_t> yRows_;
    std::vector<double> zRows_;
    std::vector<std::vector<double>> fieldRows_;
    Hdf5TableWriter boxes_;
    hdf5::Handle spectrograms_;
    hsize_t imageRows_ = 1;         // spectrograms in a chunk
    std::vector<float> imageBuffer_;
    std::size_t imagesBuffered_ = 0;
    std::uint64_t imagesFlushed_ = 0;
    bool finished_ = false;
};

// A shard's file that is not what its own recipe says it is.
struct ShardDefect : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads a shard's file back capture by capture, a chunk at a time, for the merge. Its shapes are
// checked against its recipe when it opens, and every label row as it is read (ShardDefect).
class Hdf5ShardReader {
public:
    explicit Hdf5ShardReader(const std::string& path);

    const std::string& recipeText() const { return recipeText_; }
    const std::string& programVersion() const { return programVersion_; }
    Shard shard() const { return shard_; }
    std::uint64_t firstCapture() const { return firstCapture_; }
    std::uint64_t captures() const { return captures_; }
    // The shape of the spectrograms the file keeps, if it keeps them.
    std::optional<SpectrogramShape> spectrogram() const { return spectrogram_; }

    // The next capture; its spans stay valid until the next call. False after the last.
    bool next(CaptureRecord& capture);

private:
    void readChunk();
    void readBoxes(std::uint64_t capture);

    hdf5::Handle file_, x_, y_, z_;
    std::vector<hdf5::Handle> fields_;
    std::string recipeText_, programVersion_;
    Shard shard_{};
    std::uint64_t firstCapture_ = 0, captures_ = 0;
    std::size_t classes_ = 0, samples_ = 0, snrField_ = 0;
    hsize_t chunkRows_ = 1;
    std::uint64_t read_ = 0;      // rows read from the file
    std::uint64_t handed_ = 0;    // rows handed out
    std::vector<float> xRows_;
    std::vector<std::int64_t> yRows_;
    std::vector<std::vector<double>> fieldRows_;
    std::vector<double> settings_;
    bool scene_ = false;
    std::optional<SpectrogramShape> spectrogram_;
    Hdf5TableReader boxes_;
    std::vector<double> boxRow_;     // the next capture's first box, read ahead
    bool boxAhead_ = false;
    std::vector<double> captureBoxes_;
    hdf5::Handle spectrograms_;
    std::size_t pixels_ = 0;
    std::vector<float> image_;
};

}  // namespace quorvel
