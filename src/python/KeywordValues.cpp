#include "python/KeywordValues.h"

#include <complex>

namespace py = pybind11;

namespace quorvel {
namespace {

// Text and paths as the system would name a file by them (UTF-8, undecodable bytes kept).
std::string systemText(py::handle text) {
    const py::object bytes = py::reinterpret_steal<py::object>(PyUnicode_EncodeFSDefault(text.ptr()));
    if (!bytes) {
        throw py::error_already_set();
    }
    return std::string(py::bytes(bytes));
}

std::string valueText(const std::string& name, py::handle value, bool inSequence = false) {
    if (py::isinstance<py::bool_>(value)) {
        throw py::type_error(name + ": a number or text, not " + std::string(py::str(value)));
    }
    if (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value)) {
        std::string text = py::isinstance<py::str>(value) ? systemText(value)
                                                          : std::string(py::reinterpret_borrow<py::bytes>(value));
        // The command line cannot pass a NUL; a path cut at one would name another file.
        if (text.find('\0') != std::string::npos) {
            throw py::value_error(name + ": text without NUL characters");
        }
        return text;
    }
    if (PyIndex_Check(value.ptr()) != 0) {
        return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())));
    }
    if (py::hasattr(value, "__float__")) {
        // Python's repr of a float is the shortest text that reads back as the same double.
        return py::repr(py::float_(py::reinterpret_borrow<py::object>(value)));
    }
    if (py::hasattr(value, "__fspath__")) {
        const py::object path = py::reinterpret_steal<py::object>(PyOS_FSPath(value.ptr()));
        if (!path) {
            throw py::error_already_set();
        }
        return valueText(name, path);
    }
    if (!inSequence && py::isinstance<py::sequence>(value)) {
        // A list setting, such as ring radii: its items separated by blanks, as typed.
        std::string text;
        for (const py::handle item : py::reinterpret_borrow<py::sequence>(value)) {
            text += (text.empty() ? "" : " ") + valueText(name, item, true);
        }
        return text;
    }
    throw py::type_error(name + ": a number, text or a sequence of numbers, not " +
                         std::string(py::str(py::type::of(value).attr("__name__"))));
}

}  // namespace

std::vector<KeywordSetting> keywordSettings(const char* function, const py::kwargs& keywords) {
    std::vector<KeywordSetting> settings;
    for (const auto& [key, value] : keywords) {
        const std::string name = py::str(key);
        const SettingKeyword* keyword = findSettingKeyword(name);
        if (keyword == nullptr) {
            throw py::type_error(std::string(function) + "() got an unexpected keyword argument '" + name + "'");
        }
        if (value.is_none()) {
            continue;
        }
        if (!keyword->flag) {
            settings.push_back({name, valueText(name, value)});
        } else if (!py::isinstance<py::bool_>(value)) {
            throw py::type_error(name + ": True or False");
        } else if (value.cast<bool>()) {
            settings.push_back({name, std::nullopt});
        }
    }
    return settings;
}

SampleType sampleTypeOf(py::handle dtype, bool integers) {
    const py::dtype chosen = py::dtype::from_args(py::reinterpret_borrow<py::object>(dtype));
    if (chosen.equal(py::dtype::of<std::complex<double>>())) {
        return SampleType::Complex128;
    }
    if (chosen.equal(py::dtype::of<std::complex<float>>())) {
        return SampleType::Complex64;
    }
    if (integers) {
        for (const SampleType type : {SampleType::Int16, SampleType::Int8, SampleType::Uint8}) {
            if (chosen.equal(numpyTypeOf(type))) {
                return type;
            }
        }
    }
    throw py::value_error(std::string("dtype: numpy.complex128 or numpy.complex64") +
                          (integers ? ", or numpy.int16, numpy.int8 or numpy.uint8 for ci16, ci8 or cu8" : "") +
                          " (got " + chosen.attr("name").cast<std::string>() + ")");
}

py::dtype numpyTypeOf(SampleType type) {
    switch (type) {
        case SampleType::Complex128: return py::dtype::of<std::complex<double>>();
        case SampleType::Complex64: return py::dtype("<c8");
        case SampleType::Int16: return py::dtype("<i2");
        case SampleType::Int8: return py::dtype::of<std::int8_t>();
        case SampleType::Uint8: return py::dtype::of<std::uint8_t>();
    }
    return py::dtype::of<std::complex<double>>();
}

std::vector<py::ssize_t> arrayShape(SampleType type, std::uint64_t samples) {
    const auto count = static_cast<py::ssize_t>(samples);
    return integerFormatOf(type) ? std::vector<py::ssize_t>{count, 2} : std::vector<py::ssize_t>{count};
}

}  // namespace quorvel
