#pragma once
// The sample files the analyzer reads, by SigMF's core:datatype or as this program's CSV text,
// each mapped into memory and decoded a range at a time.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "analyzer/SampleReader.h"

namespace quorvel {

enum class SampleEncoding {
    Cf32Le,  // float32 I, Q, little-endian: 8 bytes a sample
    Ci16Le,  // int16 I, Q, little-endian, full scale 32768
    Ci8,     // int8 I, Q, full scale 128
    Cu8,     // uint8 I, Q offset by 127.5 (as RTL-SDR dongles give them), full scale 128
    Csv,     // the "Real,Imaginary" text this program writes
};

// The encoding a SigMF core:datatype names; nothing for a datatype the analyzer cannot read.
std::optional<SampleEncoding> encodingOfDatatype(std::string_view datatype);

// The SigMF name of an encoding ("cf32_le"), or "csv".
std::string_view encodingName(SampleEncoding encoding);

// Bytes one sample takes in a binary encoding; 0 for the CSV text.
std::size_t bytesPerSample(SampleEncoding encoding);

// The samples of the file at path, mapped read-only. A binary file's trailing partial sample is
// not read. Throws std::runtime_error naming the file for one that cannot be mapped or, for the
// CSV text, lacks its header line.
std::unique_ptr<SampleReader> mapSamples(const std::string& path, SampleEncoding encoding);

}  // namespace quorvel
