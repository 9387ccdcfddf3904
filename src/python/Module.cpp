// The Python module quorvel: the engine's signals as numpy arrays, with the command line's
// settings as keywords, its messages and its files.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <atomic>
#include <chrono>
#include <complex>
#include <vector>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "common/BufferAllocator.h"
#include "common/Version.h"
#include "dsp/Spectrogram.h"
#include "export/SigmfMetadata.h"
#include "modulation/SchemeCatalog.h"
#include "modulation/SymbolTiming.h"
#include "python/BlockStream.h"
#include "python/DatasetBinding.h"
#include "python/KeywordValues.h"
#include "python/RunFailure.h"
#include "python/SettingKeywords.h"
#include "common/Choices.h"
#include "synthesis/NoiseReference.h"
#include "synthesis/RunCheck.h"

namespace py = pybind11;

namespace quorvel {
namespace {

constexpr std::size_t kDefaultBlockSamples = 65536;

// A request that cannot be generated (the command line's exit 1).
struct GenerationFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// How often a wait for the run looks for Ctrl-C.
constexpr std::chrono::milliseconds kSignalCheckInterval{100};

// Files that could not be written (the command line's exit 3).
struct FilesFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void raise(const RunFailure& failure) {
    if (failure.kind == RunFailure::Kind::Files) {
        throw FilesFailure(failure.message);
    }
    throw GenerationFailure(failure.message);
}

struct Signal {
    py::array samples;
    py::array symbols;
    double sampleRate = 0.0;
    py::object metadata;
};

class SampleStream {
public:
    SampleStream(OptionRun run, std::size_t blockSamples, SampleType type, bool toFiles)
        : sampleRate_(run.parameters.samplingRate),
          sampleCount_(static_cast<std::uint64_t>(samplesPerFile(run.parameters))),
          type_(type),
          stream_(std::move(run), blockSamples, type, toFiles) {}

    py::array next() {
        std::optional<BlockStream::Block> block;
        // A first block with noise may take the whole signal's time: Ctrl-C is heard meanwhile.
        for (bool stillMaking = true; stillMaking;) {
            {
                const py::gil_scoped_release release;
                block = stream_.nextWithin(kSignalCheckInterval, stillMaking);
            }
            if (stillMaking && PyErr_CheckSignals() != 0) {
                stream_.cancel();
                throw py::error_already_set();
            }
        }
        if (!block) {
            if (const auto failure = stream_.failure()) {
                raise(*failure);
            }
            throw py::stop_iteration();
        }
        std::byte* bytes = block->bytes.release();
        const py::capsule owner(bytes, [](void* held) { delete[] static_cast<std::byte*>(held); });
        return py::array(numpyTypeOf(type_), {static_cast<py::ssize_t>(block->samples)}, bytes, owner);
    }

    void close() {
        const py::gil_scoped_release release;
        stream_.close();
    }

    double sampleRate() const { return sampleRate_; }
    std::uint64_t sampleCount() const { return sampleCount_; }

private:
    double sampleRate_;
    std::uint64_t sampleCount_;
    SampleType type_;
    BlockStream stream_;
};

// The module's own keywords, taken out of the settings.
py::object takeKeyword(py::kwargs& keywords, const char* name, py::object fallback) {
    if (!keywords.contains(name)) {
        return fallback;
    }
    py::object value = keywords[name];
    PyDict_DelItemString(keywords.ptr(), name);
    return value;
}

struct CallRun {
    OptionRun run;
    bool toFiles = false;
};

// The run the settings ask for, the command line's message on a malformed one. Without a
// folder nothing is written, so only one file can be made.
CallRun callRun(const char* function, const py::kwargs& keywords) {
    const std::vector<KeywordSetting> settings = keywordSettings(function, keywords);
    bool toFiles = false;
    for (const KeywordSetting& setting : settings) {
        toFiles = toFiles || setting.name == "save_path";
    }
    try {
        OptionRun run = runFromKeywords(settings);
        if (!toFiles && run.parameters.fileCount != 1) {
            throw MalformedSetting{"files: one file only without save_path (got " +
                                   std::to_string(run.parameters.fileCount) + ")."};
        }
        // What the command line warns of on standard error, Python's warnings say.
        if (symbolRateDiffers(run.parameters) &&
            PyErr_WarnEx(PyExc_UserWarning, symbolRateWarning(run.parameters).c_str(), 2) != 0) {
            throw py::error_already_set();
        }
        return {std::move(run), toFiles};
    } catch (const MalformedSetting& e) {
        throw py::value_error(e.message);
    }
}

py::array symbolArray(std::unique_ptr<SampleBuffer> points) {
    SampleBuffer* held = points.release();
    const py::capsule owner(held, [](void* buffer) {
        delete static_cast<SampleBuffer*>(buffer);
        // The pool would keep the block for a next run that may never come.
        releaseCachedBlocks();
    });
    return py::array(py::dtype::of<std::complex<double>>(), {static_cast<py::ssize_t>(held->size())}, held->data(),
                     owner);
}

Signal generate(py::kwargs keywords) {
    const SampleType type =
        sampleTypeOf(takeKeyword(keywords, "dtype", py::dtype::of<std::complex<double>>()), true);
    // Integer samples are the codes of their format, which then also names the files and the metadata.
    const std::optional<OutputFormat> integers = integerFormatOf(type);
    if (integers && !keywords.contains("format")) {
        keywords["format"] = py::str(std::string(outputFormatName(*integers)));
    }
    CallRun call = callRun("generate", keywords);
    const SignalParameters& p = call.run.parameters;
    if (integers && p.outputFormat != *integers) {
        throw py::value_error("format: " + std::string(outputFormatName(*integers)) + " for dtype " +
                              numpyTypeOf(type).attr("name").cast<std::string>() + " (got " +
                              std::string(outputFormatName(p.outputFormat)) + ")");
    }
    // The array is made before the run, so the run check, counting the signal held, comes first.
    if (const auto reason = findRefusal(p, availableMemoryBytes(), true)) {
        throw GenerationFailure(*reason);
    }
    const auto length = static_cast<std::uint64_t>(samplesPerFile(p));
    py::array samples(numpyTypeOf(type), py::array::ShapeContainer(arrayShape(type, length)));
    ArraySink sink(static_cast<std::byte*>(samples.mutable_data()), length, type,
                   integers ? integerFullScale(p) : 1.0);
    auto points = std::make_unique<SampleBuffer>();
    points->reserve(mapsOnePointPerSymbol(p.modulationType) ? static_cast<std::size_t>(p.symbolCount) : length);
    RunOptions& options = call.run.options;
    options.lastMapperTap = points.get();
    (call.toFiles ? options.lastFileTap : options.sampleStream) = &sink;
    // Ctrl-C reaches Python only between blocks: the run looks for it when it reports progress.
    std::atomic<bool> interrupted{false};
    options.cancel = &interrupted;
    options.progress = [&interrupted](const RunProgress&) {
        const py::gil_scoped_acquire acquire;
        if (PyErr_CheckSignals() != 0) {
            interrupted = true;
        }
    };
    GenerationResult result;
    {
        const py::gil_scoped_release release;
        try {
            result = call.run.synthesizer.generateSignal(p, options);
        } catch (const std::exception& e) {
            // Memory the system promised but could not give after all, as the command line says.
            result.refusal = e.what();
        }
    }
    if (interrupted) {
        throw py::error_already_set();
    }
    if (const auto failure = runFailure(result)) {
        raise(*failure);
    }
    if (sink.written() != length || !result.lastRecord) {
        throw std::logic_error("the run made " + std::to_string(sink.written()) + " of its " +
                               std::to_string(length) + " samples");
    }
    const py::object metadata = py::module_::import("json").attr("loads")(sigmfMetadataText(*result.lastRecord));
    return Signal{std::move(samples), symbolArray(std::move(points)), p.samplingRate, metadata};
}

std::unique_ptr<SampleStream> stream(py::kwargs keywords) {
    const py::object block = takeKeyword(keywords, "block", py::int_(kDefaultBlockSamples));
    const SampleType type = sampleTypeOf(takeKeyword(keywords, "dtype", py::dtype::of<std::complex<double>>()));
    if (!py::isinstance<py::int_>(block) || py::isinstance<py::bool_>(block) || block.cast<py::int_>() < py::int_(1)) {
        throw py::value_error("block: a whole number of samples, at least 1 (got " + std::string(py::repr(block)) + ")");
    }
    CallRun call = callRun("stream", keywords);
    // Refused at once rather than at the first block.
    if (const auto reason = findRefusal(call.run.parameters, availableMemoryBytes(), false)) {
        throw GenerationFailure(*reason);
    }
    // A block longer than the signal would only be memory asked for and never filled.
    const auto length = static_cast<std::uint64_t>(samplesPerFile(call.run.parameters));
    const std::size_t blockSamples = block > py::int_(length) ? length : block.cast<std::size_t>();
    return std::make_unique<SampleStream>(std::move(call.run), blockSamples, type, call.toFiles);
}

const char* const kModuleDoc = R"(Quorvel's signals as numpy arrays.

generate() makes a signal and hands it back whole; stream() hands it out in blocks while it is
made, for signals too long to hold. Both take the settings of quorvel-cli as keywords, with the
same defaults, rules and messages; a seeded call gives exactly the samples the command line
writes for the same settings. dataset() makes the labelled captures of a dataset recipe one at
a time, each exactly as the dataset files quorvel-cli writes hold it.)";

std::string generateDoc() {
    return R"(generate(*, dtype=numpy.complex128, **settings) -> Signal

Makes one signal as quorvel-cli makes it and returns it as a Signal: samples (complex128, or with
dtype=numpy.complex64 exactly the values of the cf32 file; with numpy.int16, numpy.int8 or
numpy.uint8 an array of N x 2 codes (I, Q), exactly those of the ci16, ci8 or cu8 file, whose
format it implies, scale= setting full scale as for the command line), symbols (the mapper's points,
complex128), sample_rate [Hz] and metadata (the dict its .sigmf-meta file holds).

No file is written unless save_path is given: then the run writes exactly the command line's
files, and the Signal is its last file's.

Settings: the command line's options with _ for -. A value is a number, the option's text, or,
for a list such as apsk_radii, a sequence of numbers; None, or leaving it out, keeps the default.
A flag takes True or False.
)" + settingKeywordHelp() +
           R"(
Raises TypeError for a keyword that names no setting, ValueError with the command line's message
for a malformed value, GenerationError with the one-line reason for a request that cannot be
generated, and OSError naming the files that could not be written.)";
}

std::string streamDoc() {
    return R"(stream(*, block=65536, dtype=numpy.complex128, **settings) -> SampleStream

The signal generate() makes for the same settings, handed out as numpy arrays of block samples
(the last one shorter) while the engine makes it on a thread of its own; it holds a few blocks at
most, however long the signal. The blocks, joined, are generate()'s samples. close(), the end of
a with block, or dropping the stream stops the run at its next block.

Takes generate()'s settings and raises its exceptions: the settings' at the call, a failure of
the run when the stream reaches it.)";
}

}  // namespace
}  // namespace quorvel

namespace quorvel {
namespace {

constexpr const char* kSpectrogramDoc = R"(spectrogram(x, *, fft=256, overlap=128) -> numpy.ndarray

The spectrogram quorvel-cli dataset --spectrograms keeps: float32 dB of shape (frames, fft),
frames = (len(x) - fft) // (fft - overlap) + 1. Frame c holds samples c*hop to c*hop + fft - 1
(hop = fft - overlap) under a periodic Hann window; column r the frequency (r - fft/2) * fs / fft,
so column 0 is -fs/2. 0 dB is the level of unit-power white noise in one bin.
x: a one-dimensional array of complex samples.)";

py::array_t<float> spectrogram(const py::array_t<std::complex<double>, py::array::c_style | py::array::forcecast>& x,
                               std::size_t fft, std::size_t overlap) {
    if (x.ndim() != 1) {
        throw py::value_error("spectrogram: x must be one-dimensional");
    }
    const SpectrogramShape shape{fft, overlap};
    if (const char* problem = spectrogramShapeProblem(shape)) {
        throw py::value_error(std::string("spectrogram: ") + problem);
    }
    const auto count = static_cast<std::size_t>(x.shape(0));
    if (shape.frames(count) == 0) {
        throw py::value_error("spectrogram: x is shorter than one frame (" + std::to_string(fft) + " samples)");
    }
    SampleBuffer samples(count);
    const std::complex<double>* in = x.data();
    for (std::size_t n = 0; n < count; ++n) {
        samples[n] = {in[n].real(), in[n].imag()};
    }
    std::vector<float> image;
    {
        py::gil_scoped_release release;
        spectrogramDb(samples, shape, image);
    }
    py::array_t<float> out({static_cast<py::ssize_t>(shape.frames(count)), static_cast<py::ssize_t>(fft)});
    std::copy(image.begin(), image.end(), out.mutable_data());
    return out;
}

}  // namespace
}  // namespace quorvel

PYBIND11_MODULE(quorvel, module) {
    using namespace quorvel;
    // Each docstring starts with its own signature, which names the keywords pybind11 cannot see.
    py::options options;
    options.disable_function_signatures();
    module.doc() = kModuleDoc;
    module.attr("__version__") = std::string(kProgramVersion);
    py::register_exception<GenerationFailure>(module, "GenerationError", PyExc_ValueError);
    // Files that could not be written are an OSError as Python's own file functions raise it.
    py::register_exception_translator([](std::exception_ptr error) {
        try {
            if (error) {
                std::rethrow_exception(error);
            }
        } catch (const FilesFailure& e) {
            // A path need not be UTF-8: its other bytes are shown as \xNN, never lost.
            const std::string_view text = e.what();
            PyObject* message =
                PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "backslashreplace");
            PyErr_SetObject(PyExc_OSError, message);
            Py_XDECREF(message);
        }
    });

    py::class_<Signal>(module, "Signal", "One signal: samples, symbols, sample_rate [Hz] and metadata.")
        .def_readonly("samples", &Signal::samples, "The final samples.")
        .def_readonly("symbols", &Signal::symbols, "The mapper's points (the keyed schemes: its samples).")
        .def_readonly("sample_rate", &Signal::sampleRate, "Samples per second [Hz].")
        .def_readonly("metadata", &Signal::metadata, "The dict the .sigmf-meta file holds.")
        .def("__repr__", [](const Signal& s) {
            return "<quorvel.Signal: " + std::to_string(s.samples.size()) + " samples of " +
                   std::string(py::str(s.samples.dtype())) + " at " + std::string(py::repr(py::float_(s.sampleRate))) +
                   " Hz>";
        });

    py::class_<SampleStream>(module, "SampleStream", "The blocks of one signal while it is made (see stream()).")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &SampleStream::next)
        .def("close", &SampleStream::close, "Stops the run at its next block and waits for it.")
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](SampleStream& s, const py::args&) { s.close(); })
        .def_property_readonly("sample_rate", &SampleStream::sampleRate, "Samples per second [Hz].")
        .def_property_readonly("sample_count", &SampleStream::sampleCount, "Samples in the whole signal.");

    static const std::string generateText = generateDoc();
    static const std::string streamText = streamDoc();
    module.def("spectrogram", &spectrogram, kSpectrogramDoc, py::arg("x"), py::kw_only(),
               py::arg("fft") = SpectrogramShape{}.fft, py::arg("overlap") = SpectrogramShape{}.overlap);
    module.def("generate", &generate, generateText.c_str());
    module.def("stream", &stream, streamText.c_str());
    defineDataset(module);
}
