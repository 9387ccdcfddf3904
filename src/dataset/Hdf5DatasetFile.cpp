#include "dataset/Hdf5DatasetFile.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include "common/Philox.h"
#include "common/PrintableText.h"
#include "common/Version.h"
#include "dataset/CapturePlan.h"
#include "dataset/RecipeKeys.h"
#include "dataset/SceneLabels.h"

namespace quorvel {
namespace {

using hdf5::Handle;

// About 1 MiB of X per chunk: few chunk records for millions of captures, little memory.
constexpr std::uint64_t kChunkBytes = std::uint64_t{1} << 20;
constexpr const char* kSnrField = "snr_db";
// Where a box row holds its capture, emitter, dwell and class (sceneBoxColumns' first four).
constexpr std::size_t kBoxCapture = 0;
constexpr std::size_t kBoxDwell = 2;
constexpr std::size_t kBoxClass = 3;

hsize_t chunkRowsFor(std::uint64_t rows, std::uint32_t samples) {
    const std::uint64_t perChunk = std::max<std::uint64_t>(1, kChunkBytes / (8ULL * samples));
    return std::max<hsize_t>(1, std::min<std::uint64_t>(perChunk, rows));
}

Handle simpleSpace(const std::vector<hsize_t>& dims) {
    return Handle(H5Screate_simple(static_cast<int>(dims.size()), dims.data(), nullptr), H5Sclose,
                  "create a data space");
}

Handle createDataset(hid_t parent, const char* name, hid_t type, const std::vector<hsize_t>& dims, hsize_t chunkRows,
                     bool checksum) {
    std::vector<hsize_t> chunk = dims;
    chunk[0] = chunkRows;
    const Handle space = simpleSpace(dims);
    const Handle creation = hdf5::datasetCreation(chunk, checksum);
    return Handle(H5Dcreate2(parent, name, type, space, H5P_DEFAULT, creation, H5P_DEFAULT), H5Dclose,
                  "create a dataset");
}

// A chunk read back whose bytes no longer give the sum stored with them.
struct ChecksumMismatch : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Rows [first, first + rows) of a dataset whose rows are `width` values wide, written or read.
template <bool Write>
void transferRows(hid_t dataset, hid_t memoryType, std::uint64_t first, std::uint64_t rows,
                  const std::vector<hsize_t>& rowShape, void* data) {
    std::vector<hsize_t> start(rowShape.size() + 1, 0);
    std::vector<hsize_t> count{rows};
    start[0] = first;
    count.insert(count.end(), rowShape.begin(), rowShape.end());
    const Handle fileSpace(H5Dget_space(dataset), H5Sclose, "get a data space");
    hdf5::check(H5Sselect_hyperslab(fileSpace, H5S_SELECT_SET, start.data(), nullptr, count.data(), nullptr),
                "select rows");
    const Handle memorySpace = simpleSpace(count);
    if constexpr (Write) {
        hdf5::check(H5Dwrite(dataset, memoryType, memorySpace, fileSpace, H5P_DEFAULT, data), "write rows");
    } else if (H5Dread(dataset, memoryType, memorySpace, fileSpace, H5P_DEFAULT, data) < 0) {
        // Asked before any other call of the library clears the record of why.
        if (hdf5::failedChecksum()) {
            throw ChecksumMismatch("rows " + std::to_string(first) + " to " + std::to_string(first + rows - 1));
        }
        hdf5::check(-1, "read rows");
    }
}

// The extent of a dataset in each dimension.
std::vector<hsize_t> shapeOf(hid_t dataset, const char* name) {
    const Handle space(H5Dget_space(dataset), H5Sclose, (std::string("get the space of ") + name).c_str());
    const int rank = H5Sget_simple_extent_ndims(space);
    hdf5::check(rank, (std::string("read the shape of ") + name).c_str());
    if (rank > 8) {
        throw std::runtime_error(std::string(name) + " has " + std::to_string(rank) + " dimensions");
    }
    std::vector<hsize_t> dims(static_cast<std::size_t>(rank));
    hdf5::check(H5Sget_simple_extent_dims(space, dims.data(), nullptr), (std::string("read the shape of ") + name).c_str());
    return dims;
}

std::string shownPath(const std::string& path) {
    return printableText(path, 1024);
}

void writeClassLabels(hid_t file, const std::vector<std::string>& labels) {
    std::size_t longest = 1;
    for (const std::string& label : labels) {
        longest = std::max(longest, label.size());
    }
    std::string packed(longest * labels.size(), '\0');
    for (std::size_t k = 0; k < labels.size(); ++k) {
        std::copy(labels[k].begin(), labels[k].end(), packed.begin() + static_cast<std::ptrdiff_t>(k * longest));
    }
    const Handle type = hdf5::stringType(longest);
    const Handle space = simpleSpace({labels.size()});
    const Handle creation = hdf5::datasetCreation({});
    const Handle dataset(H5Dcreate2(file, "classes", type, space, H5P_DEFAULT, creation, H5P_DEFAULT), H5Dclose,
                         "create the class labels");
    hdf5::check(H5Dwrite(dataset, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, packed.data()), "write the class labels");
}

std::size_t fieldIndex(const std::vector<std::string>& fields, const char* name) {
    return static_cast<std::size_t>(std::find(fields.begin(), fields.end(), name) - fields.begin());
}

}  // namespace

Hdf5Layout hdf5Layout(const DatasetRecipe& recipe, Shard shard) {
    Hdf5Layout layout;
    const CaptureRange range = shardCaptures(shard, recipe.captureCount());
    layout.captures = range.size();
    layout.firstCapture = range.first;
    layout.shard = shard;
    layout.samplesPerCapture = recipe.samplesPerCapture;
    for (const DatasetClass& c : recipe.classes) {
        layout.classLabels.push_back(c.label);
    }
    layout.fields = recordedFieldNames(recipe);
    layout.recipeText = recipe.text;
    if (recipe.scene) {
        layout.samplingRate = recipe.scene->samplingRateHz;
        layout.boxColumns = sceneBoxColumns(recipe);
        // The placements and the floor are counter draws whatever the classes draw by.
        layout.counterDraws = true;
        return layout;
    }
    layout.wholeDecibelSnrs = std::all_of(recipe.snrsDb.begin(), recipe.snrsDb.end(),
                                          [](double snr) { return snr == std::round(snr); });
    layout.samplingRate = planCapture(recipe, 0).parameters.samplingRate;
    layout.counterDraws = drawsByCounter(recipe);
    layout.drawnChannelVersion = drawnChannelVersion(recipe);
    layout.analogSnr = analogSnrText(recipe);
    layout.checksums = recipe.checksums;
    return layout;
}

Hdf5DatasetWriter::Hdf5DatasetWriter(const std::string& path, Hdf5Layout layout)
    : output_(ByteOutput::createFile(path)), layout_(std::move(layout)) {
    if (output_.error() != 0) {
        throw std::runtime_error(path + ": " + std::generic_category().message(output_.error()));
    }
    hdf5::silenceErrors();
    chunkRows_ = chunkRowsFor(layout_.captures, layout_.samplesPerCapture);
    const Handle creation = hdf5::fileCreation();
    const Handle access = hdf5::fileAccess();
    file_ = Handle(H5Fcreate(output_.temporaryPath().c_str(), H5F_ACC_TRUNC, creation, access), H5Fclose,
                   "create the file");
    const hsize_t rows = layout_.captures;
    const hsize_t classes = layout_.classLabels.size();
    x_ = createDataset(file_, "X", H5T_IEEE_F32LE, {rows, layout_.samplesPerCapture, 2}, chunkRows_, layout_.checksums);
    y_ = createDataset(file_, "Y", H5T_STD_I64LE, {rows, classes}, chunkRows_, layout_.checksums);
    if (!layout_.scene()) {
        z_ = createDataset(file_, "Z", layout_.wholeDecibelSnrs ? H5T_STD_I64LE : H5T_IEEE_F64LE, {rows, 1}, chunkRows_,
                           layout_.checksums);
    }
    writeClassLabels(file_, layout_.classLabels);
    {
        const Handle groupList = hdf5::groupCreation();
        const Handle settings(H5Gcreate2(file_, "settings", H5P_DEFAULT, groupList, H5P_DEFAULT), H5Gclose,
                              "create the settings group");
        for (const std::string& field : layout_.fields) {
            fields_.push_back(createDataset(settings, field.c_str(), H5T_IEEE_F64LE, {rows}, chunkRows_, layout_.checksums));
        }
    }
    hdf5::writeText(file_, "recipe", layout_.recipeText);
    hdf5::writeAttribute(file_, "program_version", std::string(kProgramVersion));
    hdf5::writeAttribute(file_, "samples_per_capture", std::uint64_t{layout_.samplesPerCapture});
    hdf5::writeAttribute(file_, "sampling_rate", layout_.samplingRate);
    if (layout_.counterDraws) {
        hdf5::writeAttribute(file_, "random", std::string(kCounterDrawsName));
        hdf5::writeAttribute(file_, "random_version", static_cast<std::uint64_t>(kCounterDrawsVersion));
    }
    if (layout_.drawnChannelVersion != 0) {
        hdf5::writeAttribute(file_, "drawn_channel_version", layout_.drawnChannelVersion);
    }
    if (layout_.checksums) {
        hdf5::writeAttribute(file_, "checksum", std::string(kChecksumName));
        hdf5::writeAttribute(file_, "checksum_version", kChecksumVersion);
    }
    if (layout_.scene()) {
        hdf5::writeAttribute(file_, "scene_version", kSceneVersion);
        boxes_ = Hdf5TableWriter(file_, "boxes", layout_.boxColumns);
    }
    if (layout_.spectrogram) {
        const SpectrogramShape& shape = *layout_.spectrogram;
        const hsize_t frames = shape.frames(layout_.samplesPerCapture);
        const hsize_t pixels = frames * shape.fft;
        imageRows_ = std::max<hsize_t>(1, std::min<hsize_t>(kChunkBytes / (4 * std::max<hsize_t>(1, pixels)), rows));
        spectrograms_ = createDataset(file_, "spectrograms", H5T_IEEE_F32LE, {rows, frames, shape.fft}, imageRows_,
                                      layout_.checksums);
        hdf5::writeAttribute(spectrograms_, "fft", std::uint64_t{shape.fft});
        hdf5::writeAttribute(spectrograms_, "overlap", std::uint64_t{shape.overlap});
        imageBuffer_.resize(imageRows_ * pixels);
    }
    if (!layout_.analogSnr.empty()) {
        hdf5::writeAttribute(file_, "analog_snr", layout_.analogSnr);
    }
    if (!layout_.shard.whole()) {
        hdf5::writeAttribute(file_, "shard_index", layout_.shard.index);
        hdf5::writeAttribute(file_, "shard_count", layout_.shard.count);
        hdf5::writeAttribute(file_, "first_capture", layout_.firstCapture);
    }
    xRows_.resize(chunkRows_ * layout_.samplesPerCapture * 2);
    yRows_.resize(chunkRows_ * classes);
    zRows_.resize(chunkRows_);
    fieldRows_.assign(layout_.fields.size(), std::vector<double>(chunkRows_));
}

Hdf5DatasetWriter::~Hdf5DatasetWriter() {
    if (!finished_) {
        finish(false);
    }
}

void Hdf5DatasetWriter::write(const CaptureRecord& capture) {
    const std::size_t width = std::size_t{layout_.samplesPerCapture} * 2;
    std::copy(capture.iq.begin(), capture.iq.end(), xRows_.begin() + static_cast<std::ptrdiff_t>(buffered_ * width));
    const std::size_t classes = layout_.classLabels.size();
    std::fill_n(yRows_.begin() + static_cast<std::ptrdiff_t>(buffered_ * classes), classes, 0);
    if (layout_.scene()) {
        // One count per emitter: its first box.
        const std::size_t boxWidth = layout_.boxColumns.size();
        for (std::size_t b = 0; b + boxWidth <= capture.boxes.size(); b += boxWidth) {
            if (capture.boxes[b + kBoxDwell] == 0.0) {
                ++yRows_[buffered_ * classes + static_cast<std::size_t>(capture.boxes[b + kBoxClass])];
            }
        }
        boxes_.append(capture.boxes);
    } else {
        yRows_[buffered_ * classes + capture.classIndex] = 1;
    }
    zRows_[buffered_] = capture.snrDb;
    for (std::size_t f = 0; f < fieldRows_.size(); ++f) {
        fieldRows_[f][buffered_] = capture.settings[f];
    }
    if (spectrograms_.get() != H5I_INVALID_HID) {
        std::copy(capture.spectrogram.begin(), capture.spectrogram.end(),
                  imageBuffer_.begin() + static_cast<std::ptrdiff_t>(imagesBuffered_ * capture.spectrogram.size()));
        if (++imagesBuffered_ == imageRows_) {
            writeImages();
        }
    }
    if (++buffered_ == chunkRows_) {
        writeChunk();
    }
}

void Hdf5DatasetWriter::writeImages() {
    const SpectrogramShape& shape = *layout_.spectrogram;
    transferRows<true>(spectrograms_, H5T_NATIVE_FLOAT, imagesFlushed_, imagesBuffered_,
                       {shape.frames(layout_.samplesPerCapture), shape.fft}, imageBuffer_.data());
    imagesFlushed_ += imagesBuffered_;
    imagesBuffered_ = 0;
}

void Hdf5DatasetWriter::writeChunk() {
    // Whole chunks, each written once: the file's bytes then depend on the rows alone, never on
    // how the caller happened to hand them over.
    const std::uint64_t rows = buffered_;
    transferRows<true>(x_, H5T_NATIVE_FLOAT, flushed_, rows, {layout_.samplesPerCapture, 2}, xRows_.data());
    transferRows<true>(y_, H5T_NATIVE_INT64, flushed_, rows, {layout_.classLabels.size()}, yRows_.data());
    if (layout_.scene()) {
        // No Z: a scene's SNRs are its boxes'.
    } else if (layout_.wholeDecibelSnrs) {
        std::vector<std::int64_t> whole(rows);
        std::transform(zRows_.begin(), zRows_.begin() + static_cast<std::ptrdiff_t>(rows), whole.begin(),
                       [](double snr) { return static_cast<std::int64_t>(std::llround(snr)); });
        transferRows<true>(z_, H5T_NATIVE_INT64, flushed_, rows, {1}, whole.data());
    } else {
        transferRows<true>(z_, H5T_NATIVE_DOUBLE, flushed_, rows, {1}, zRows_.data());
    }
    for (std::size_t f = 0; f < fields_.size(); ++f) {
        transferRows<true>(fields_[f], H5T_NATIVE_DOUBLE, flushed_, rows, {}, fieldRows_[f].data());
    }
    flushed_ += rows;
    buffered_ = 0;
}

void Hdf5DatasetWriter::closeAll() {
    // A table left unfinished (a cancelled run's) lets go of its columns before the file closes.
    boxes_ = Hdf5TableWriter();
    spectrograms_.close();
    for (Handle& field : fields_) {
        field.close();
    }
    x_.close();
    y_.close();
    z_.close();
    file_.close();
}

std::optional<std::string> Hdf5DatasetWriter::finish(bool complete) {
    finished_ = true;
    std::optional<std::string> problem;
    try {
        if (complete && buffered_ > 0) {
            writeChunk();
        }
        if (complete && layout_.scene()) {
            boxes_.finish();
        }
        if (complete && imagesBuffered_ > 0) {
            writeImages();
        }
        if (complete && flushed_ != layout_.captures) {
            problem = "the file got " + std::to_string(flushed_) + " of its " + std::to_string(layout_.captures) +
                      " captures";
        }
        closeAll();
    } catch (const std::runtime_error& e) {
        problem = e.what();
    }
    auto closing = output_.close(complete && !problem);
    return problem ? problem : closing;
}

Hdf5ShardReader::Hdf5ShardReader(const std::string& path) {
    hdf5::silenceErrors();
    file_ = Handle(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose, ("open " + path).c_str());
    recipeText_ = hdf5::readText(file_, "recipe");
    programVersion_ = hdf5::readStringAttribute(file_, "program_version");
    if (H5Aexists(file_, "shard_count") > 0) {
        shard_ = {hdf5::readUnsignedAttribute(file_, "shard_index"), hdf5::readUnsignedAttribute(file_, "shard_count")};
        firstCapture_ = hdf5::readUnsignedAttribute(file_, "first_capture");
    }
    samples_ = hdf5::readUnsignedAttribute(file_, "samples_per_capture");
    x_ = Handle(H5Dopen2(file_, "X", H5P_DEFAULT), H5Dclose, "open X");
    y_ = Handle(H5Dopen2(file_, "Y", H5P_DEFAULT), H5Dclose, "open Y");
    const std::vector<hsize_t> yShape = shapeOf(y_, "Y");
    if (yShape.size() != 2) {
        throw std::runtime_error(shownPath(path) + ": Y is not a table of rows");
    }
    captures_ = yShape[0];
    classes_ = yShape[1];
    // The fields are those the file's own recipe records.
    const RecipeReading recipe = readDatasetRecipe(recipeText_);
    if (!recipe) {
        throw std::runtime_error(shownPath(path) + ": its recipe is refused: " + recipe.problem);
    }
    // Every row is copied into buffers sized by the recipe: a shape of the file's own is refused.
    const auto expectShape = [&](const char* name, const std::vector<hsize_t>& shape, const std::vector<hsize_t>& wanted) {
        if (shape != wanted) {
            throw std::runtime_error(shownPath(path) + ": " + name + " has another shape than its recipe gives");
        }
    };
    if (samples_ != recipe.recipe->samplesPerCapture) {
        throw std::runtime_error(shownPath(path) + ": samples_per_capture is not its recipe's");
    }
    expectShape("Y", yShape, {captures_, recipe.recipe->classes.size()});
    expectShape("X", shapeOf(x_, "X"), {captures_, samples_, 2});
    const std::vector<std::string> names = recordedFieldNames(*recipe.recipe);
    const Handle settings(H5Gopen2(file_, "settings", H5P_DEFAULT), H5Gclose, "open the settings group");
    for (const std::string& field : names) {
        fields_.emplace_back(H5Dopen2(settings, field.c_str(), H5P_DEFAULT), H5Dclose, "open a settings field");
        expectShape(("settings/" + field).c_str(), shapeOf(fields_.back(), field.c_str()), {captures_});
    }
    // A recipe that asks for sums is only trusted with them on every dataset the merge copies:
    // a shard written without them, or stripped of them, could carry any byte unnoticed.
    if (recipe.recipe->checksums) {
        const bool marked = H5Aexists(file_, "checksum") > 0 && H5Aexists(file_, "checksum_version") > 0 &&
                            hdf5::readStringAttribute(file_, "checksum") == kChecksumName &&
                            hdf5::readUnsignedAttribute(file_, "checksum_version") == kChecksumVersion;
        const bool summed = hdf5::hasChecksum(x_) && hdf5::hasChecksum(y_) &&
                            std::all_of(fields_.begin(), fields_.end(), [](const Handle& f) { return hdf5::hasChecksum(f); });
        if (!marked || !summed) {
            throw std::runtime_error(shownPath(path) + ": its recipe asks for checksums but its data carry none");
        }
    }
    chunkRows_ = chunkRowsFor(captures_, static_cast<std::uint32_t>(samples_));
    settings_.resize(fields_.size());
    snrField_ = fieldIndex(names, kSnrField);
    if (H5Lexists(file_, "spectrograms", H5P_DEFAULT) > 0) {
        spectrograms_ = Handle(H5Dopen2(file_, "spectrograms", H5P_DEFAULT), H5Dclose, "open the spectrograms");
        SpectrogramShape shape{hdf5::readUnsignedAttribute(spectrograms_, "fft"),
                               hdf5::readUnsignedAttribute(spectrograms_, "overlap")};
        if (spectrogramShapeProblem(shape) != nullptr) {
            throw std::runtime_error(shownPath(path) + ": its spectrograms' shape is not one a run makes");
        }
        expectShape("spectrograms", shapeOf(spectrograms_, "spectrograms"), {captures_, shape.frames(samples_), shape.fft});
        spectrogram_ = shape;
        pixels_ = shape.frames(samples_) * shape.fft;
    }
    scene_ = recipe.recipe->scene.has_value();
    if (scene_) {
        boxes_ = Hdf5TableReader(file_, "boxes", sceneBoxColumns(*recipe.recipe));
        boxAhead_ = boxes_.next(boxRow_);
    }
}

void Hdf5ShardReader::readBoxes(std::uint64_t capture) {
    captureBoxes_.clear();
    while (boxAhead_ && boxRow_[kBoxCapture] == static_cast<double>(capture)) {
        captureBoxes_.insert(captureBoxes_.end(), boxRow_.begin(), boxRow_.end());
        boxAhead_ = boxes_.next(boxRow_);
    }
}

void Hdf5ShardReader::readChunk() {
    const std::uint64_t rows = std::min<std::uint64_t>(chunkRows_, captures_ - read_);
    xRows_.resize(rows * samples_ * 2);
    yRows_.resize(rows * classes_);
    const char* reading = "X";
    try {
        transferRows<false>(x_, H5T_NATIVE_FLOAT, read_, rows, {samples_, 2}, xRows_.data());
        reading = "Y";
        transferRows<false>(y_, H5T_NATIVE_INT64, read_, rows, {classes_}, yRows_.data());
        reading = "settings";
        fieldRows_.resize(fields_.size());
        for (std::size_t f = 0; f < fields_.size(); ++f) {
            fieldRows_[f].resize(rows);
            transferRows<false>(fields_[f], H5T_NATIVE_DOUBLE, read_, rows, {}, fieldRows_[f].data());
        }
    } catch (const ChecksumMismatch& e) {
        throw ShardDefect(std::string(e.what()) + " of " + reading +
                          " fail their Fletcher-32 checksum: the file changed after it was written");
    }
    read_ += rows;
}

bool Hdf5ShardReader::next(CaptureRecord& capture) {
    if (handed_ == captures_) {
        return false;
    }
    if (handed_ == read_) {
        readChunk();
    }
    const std::size_t row = static_cast<std::size_t>(handed_ - (read_ - fieldRows_.front().size()));
    const std::size_t width = samples_ * 2;
    capture.index = firstCapture_ + handed_;
    capture.iq = std::span<const float>(xRows_).subspan(row * width, width);
    const auto hot = yRows_.begin() + static_cast<std::ptrdiff_t>(row * classes_);
    const auto end = hot + static_cast<std::ptrdiff_t>(classes_);
    capture.spectrogram = {};
    if (spectrogram_) {
        // One capture's image at a time: the merge copies them on as they come.
        image_.resize(pixels_);
        transferRows<false>(spectrograms_, H5T_NATIVE_FLOAT, handed_, 1,
                            {spectrogram_->frames(samples_), spectrogram_->fft}, image_.data());
        capture.spectrogram = image_;
    }
    if (scene_) {
        readBoxes(capture.index);
        for (std::size_t f = 0; f < fields_.size(); ++f) {
            settings_[f] = fieldRows_[f][row];
        }
        capture.classIndex = 0;
        capture.snrDb = 0.0;
        capture.settings = settings_;
        capture.boxes = captureBoxes_;
        ++handed_;
        return true;
    }
    // A label row is one 1 among zeros; anything else names no class the writer could index.
    if (std::count(hot, end, 1) != 1 || std::count(hot, end, 0) + 1 != static_cast<std::ptrdiff_t>(classes_)) {
        throw ShardDefect("capture " + std::to_string(firstCapture_ + handed_) +
                                 " is labelled as no class or as several");
    }
    capture.classIndex = static_cast<std::size_t>(std::find(hot, end, 1) - hot);
    for (std::size_t f = 0; f < fields_.size(); ++f) {
        settings_[f] = fieldRows_[f][row];
    }
    capture.snrDb = settings_[snrField_];
    capture.settings = settings_;
    capture.boxes = {};
    ++handed_;
    return true;
}

}  // namespace quorvel
