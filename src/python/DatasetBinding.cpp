#include "python/DatasetBinding.h"

#include <pybind11/numpy.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/InputFile.h"
#include "common/PrintableText.h"
#include "dataset/CaptureRecord.h"
#include "dataset/SceneLabels.h"
#include "dataset/SceneMaking.h"
#include "python/ArraySink.h"
#include "python/KeywordValues.h"
#include "python/ShardCaptures.h"

namespace py = pybind11;

namespace quorvel {
namespace {

class DatasetCaptures {
public:
    DatasetCaptures(DatasetRecipe recipe, Shard shard, SampleType type)
        : captures_(std::move(recipe), shard), type_(type) {
        for (const DatasetClass& c : captures_.recipe().classes) {
            labels_.append(py::str(c.label));
        }
        for (const std::string& name : recordedFieldNames(captures_.recipe())) {
            fieldNames_.emplace_back(name);
        }
    }

    py::tuple next() {
        py::array samples(numpyTypeOf(type_),
                          py::array::ShapeContainer{static_cast<py::ssize_t>(captures_.recipe().samplesPerCapture)});
        auto* out = static_cast<std::byte*>(samples.mutable_data());
        MadeCapture made;
        bool more = false;
        {
            const py::gil_scoped_release release;
            more = captures_.next(out, type_, made);
        }
        if (!more) {
            throw py::stop_iteration();
        }
        py::dict settings;
        for (std::size_t f = 0; f < fieldNames_.size(); ++f) {
            settings[fieldNames_[f]] = made.fields[f];
        }
        settings["capture_index"] = made.index;
        return py::make_tuple(std::move(samples), labels_[made.classIndex], made.snrDb, std::move(settings));
    }

    std::uint64_t size() const { return captures_.size(); }
    py::list classes() const { return py::list(labels_); }

private:
    ShardCaptures captures_;
    SampleType type_;
    py::list labels_;
    std::vector<py::str> fieldNames_;
};

// bytes as text, whatever their encoding: a byte that is not UTF-8 is shown as \xNN.
py::str readableText(const std::string& bytes) {
    return py::bytes(bytes).attr("decode")("utf-8", "backslashreplace");
}

// The recipe's text and the name its problems are prefixed with: a file's path, none for a dict.
std::pair<std::string, std::string> recipeText(const py::object& recipe) {
    const py::module_ json = py::module_::import("json");
    if (py::isinstance(recipe, py::module_::import("collections.abc").attr("Mapping"))) {
        // The same reader as a file's: its refusals are the command line's, word for word.
        return {json.attr("dumps")(recipe, py::arg("allow_nan") = false).cast<std::string>(), ""};
    }
    const py::module_ os = py::module_::import("os");
    const py::object path = os.attr("fspath")(recipe);
    // The command line's reader: a FIFO, a device or a huge file is refused, never waited on.
    const std::string name = os.attr("fsencode")(path).cast<std::string>();
    InputFile file = readInputFile(name, kMaxRecipeBytes, "a recipe");
    if (!file) {
        PyErr_SetObject(PyExc_OSError, readableText(file.problem).ptr());
        throw py::error_already_set();
    }
    return {std::move(*file.text), printableText(readableText(name).cast<std::string>(), 1024)};
}

// A pair (I, N) as the text --shard takes, each number as str() spells it, so that anything but
// two whole numbers is refused in the command line's words.
std::optional<std::string> shardText(const py::object& shard) {
    if (shard.is_none()) {
        return std::nullopt;
    }
    if (!(py::isinstance<py::tuple>(shard) || py::isinstance<py::list>(shard)) || py::len(shard) != 2) {
        throw py::type_error("shard: a pair (I, N) or None (got " + std::string(py::repr(shard)) + ")");
    }
    const py::sequence pair = shard.cast<py::sequence>();
    return std::string(py::str(pair[0])) + "/" + std::string(py::str(pair[1]));
}

std::unique_ptr<DatasetCaptures> dataset(const py::object& recipe, const py::object& shard, const py::object& dtype) {
    const SampleType type = sampleTypeOf(dtype);
    const std::optional<std::string> shardGiven = shardText(shard);
    const auto [text, name] = recipeText(recipe);
    ShardChoice choice = chooseShard(text, name, shardGiven);
    if (!choice.recipe) {
        throw py::value_error(choice.problem);
    }
    return std::make_unique<DatasetCaptures>(std::move(*choice.recipe), choice.shard, type);
}

const char* const kDatasetDoc = R"(dataset(recipe, shard=None, *, dtype=numpy.complex64) -> DatasetCaptures

The captures of a dataset recipe, the JSON file quorvel-cli dataset reads, as an iterator of
(capture, label, snr, settings) in capture order (class, then SNR, then repetition):
  capture   the capture's samples: with complex64 exactly the row dataset.h5's X holds for it,
            with dtype=numpy.complex128 the values before their rounding to float32
  label     its class's label (dataset.h5's classes[Y])
  snr       its SNR in dB, as Z holds it
  settings  a dict of what the files record for it (dataset.h5's settings/<name>), and
            capture_index, its index in the whole dataset
Each capture is made when it is asked for, with the GIL released, and is the same wherever
it is made.

recipe is the recipe file's path, or the recipe as a dict (read as its JSON text). shard=(I, N)
gives the captures quorvel-cli dataset --shard I/N writes, a contiguous part; shards 0 ... N-1
in turn are the whole dataset. len() is the shard's number of captures, classes the labels in
Y's column order.

Raises ValueError with the command line's message for a recipe or shard it refuses, OSError
for a recipe file that cannot be read, TypeError for a recipe or shard of another kind.)";

// One capture of a scene recipe and its boxes, as the dataset's files hold them.
py::tuple scene(const py::object& recipe, std::uint64_t index, const py::object& dtype,
                bool settings) {
    const SampleType type = sampleTypeOf(dtype);
    const auto [text, name] = recipeText(recipe);
    RecipeReading reading = readDatasetRecipe(text);
    if (!reading) {
        throw py::value_error(name.empty() ? reading.problem : name + ": " + reading.problem);
    }
    const DatasetRecipe& r = *reading.recipe;
    if (!r.scene) {
        throw py::value_error("scene: the recipe has no \"scene\" object (quorvel.dataset makes its captures)");
    }
    if (index >= r.captureCount()) {
        throw py::value_error("capture: a capture below the recipe's " + std::to_string(r.captureCount()) + " (it is " +
                              std::to_string(index) + ")");
    }
    CaptureSamples capture;
    std::vector<double> rows;
    std::vector<double> fields;
    {
        const py::gil_scoped_release release;
        const ScenePlan plan = planScene(r, index);
        makeScene(r, plan, capture);
        appendSceneBoxRows(r, plan, rows);
        fields = sceneFieldValues(r, plan, capture.signalPower);
    }
    py::array samples(numpyTypeOf(type), py::array::ShapeContainer{static_cast<py::ssize_t>(capture.samples.size())});
    encodeSamples(capture.samples, type, static_cast<std::byte*>(samples.mutable_data()));
    const std::vector<BoxColumn> columns = sceneBoxColumns(r);
    const std::size_t count = rows.size() / columns.size();
    py::dict boxes;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        py::array_t<double> column(static_cast<py::ssize_t>(count));
        for (std::size_t b = 0; b < count; ++b) {
            column.mutable_data()[b] = rows[b * columns.size() + c];
        }
        boxes[py::str(columns[c].name)] = columns[c].integer ? py::object(column.attr("astype")("int64")) : py::object(column);
    }
    py::list labels;
    for (const DatasetClass& c : r.classes) {
        labels.append(py::str(c.label));
    }
    if (!settings) {
        return py::make_tuple(std::move(samples), std::move(boxes), std::move(labels));
    }
    py::dict named;
    const std::vector<std::string> names = sceneFieldNames(r);
    for (std::size_t f = 0; f < names.size(); ++f) {
        named[py::str(names[f])] = fields[f];
    }
    return py::make_tuple(std::move(samples), std::move(boxes), std::move(labels),
                          std::move(named));
}

const char* const kSceneDoc =
    R"(scene(recipe, capture=0, *, dtype=numpy.complex64, settings=False) -> (samples, boxes, classes[, settings])

One capture of a scene recipe (a recipe with "scene", as quorvel-cli dataset reads it): its
samples (with complex64 exactly dataset.h5's X row), its boxes as dataset.h5's boxes table holds
them (a dict of numpy arrays, one entry per column: capture, emitter, dwell, class, sample_start,
sample_count, freq_lower_edge, freq_upper_edge, snr_db, ... one element per box), and the class
labels the class column indexes. With settings=True a fourth element: the capture's fields as
dataset.h5's settings group holds them (a dict of floats: emitters, signal_power and, with a
"receiver", receiver_KEY for each receiver key the recipe gives). Made with the GIL released;
the same wherever it is made.)";

}  // namespace

void defineDataset(py::module_& module) {
    module.def("scene", &scene, kSceneDoc, py::arg("recipe"), py::arg("capture") = 0, py::kw_only(),
               py::arg("dtype") = py::dtype::of<std::complex<float>>(),
               py::arg("settings") = false);
    py::class_<DatasetCaptures>(module, "DatasetCaptures",
                                "The captures of a dataset or one shard of it, made as they are taken (see dataset()).")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &DatasetCaptures::next)
        .def("__len__", &DatasetCaptures::size)
        .def_property_readonly("classes", &DatasetCaptures::classes, "The class labels, in Y's column order.");
    module.def("dataset", &dataset, kDatasetDoc, py::arg("recipe"), py::arg("shard") = py::none(), py::kw_only(),
               py::arg("dtype") = py::dtype::of<std::complex<float>>());
}

}  // namespace quorvel
