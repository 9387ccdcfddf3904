#pragma once
// Python values as the command line's option texts: exact, so that a number reaches the run
// bit for bit as if its shortest text had been typed.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "python/ArraySink.h"
#include "python/SettingKeywords.h"

namespace quorvel {

// The settings of a call: every keyword but the module's own (dtype, block), in the order given.
// None leaves a setting at its default; True gives a flag, False leaves it out. Raises TypeError
// for a keyword that names no setting and for a value of no usable type.
std::vector<KeywordSetting> keywordSettings(const char* function, const pybind11::kwargs& keywords);

// The sample type a dtype argument names; ValueError for any but complex128 and complex64, and
// int16, int8 and uint8 where integers are taken.
SampleType sampleTypeOf(pybind11::handle dtype, bool integers = false);

// The numpy dtype of the sample type, the complex64 and int16 ones in the byte order of a file.
pybind11::dtype numpyTypeOf(SampleType type);

// The shape of an array of this many samples: integer pairs have an axis of I and Q.
std::vector<pybind11::ssize_t> arrayShape(SampleType type, std::uint64_t samples);

}  // namespace quorvel
