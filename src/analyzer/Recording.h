#pragma once
// A recording opened for the analyzer: its samples, mapped, and what its SigMF metadata says of
// them (rate, annotations and, for this program's files, the recipe that made them).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analyzer/RecordingSamples.h"
#include "export/SigmfMetadata.h"

namespace quorvel {

// A SigMF annotation: a span of samples, perhaps a band, and its label.
struct RecordingAnnotation {
    std::uint64_t sampleStart = 0;
    std::uint64_t sampleCount = 0;
    std::optional<double> freqLowerHz;  // relative to the recording's centre, as SigMF has it
    std::optional<double> freqUpperHz;
    std::string label;
};

struct Recording {
    std::string dataPath;
    std::string metadataPath;  // empty when none was found
    SampleEncoding encoding = SampleEncoding::Cf32Le;
    double sampleRateHz = 1.0;
    bool sampleRateKnown = false;  // false: 1 Hz stands in, so the axes count samples
    double centreFrequencyHz = 0.0;
    std::vector<RecordingAnnotation> annotations;
    // The metadata's own keys ("quorvel:symbol_rate", ...) and their values (a string as it is,
    // anything else as JSON text), for showing beside the plots.
    std::vector<std::pair<std::string, std::string>> recipe;
    std::optional<RecordingRecord> record;  // set for a single-file recording of this program
    std::unique_ptr<SampleReader> samples;
};

// At most this many annotations are kept (a dataset's recording has one per capture).
inline constexpr std::size_t kMaxAnnotations = 1'000'000;
// Metadata files longer than this [bytes] are refused unread.
inline constexpr std::size_t kAnalyzerMetadataLimit = std::size_t{64} << 20;

// Opens the recording a path names: a .sigmf-meta file (its .sigmf-data beside it, or the CSV
// file it names), a .sigmf-data file (its metadata beside it if there is one, else cf32_le) or a
// CSV file (with its .sigmf-meta if there is one). Throws std::runtime_error with a one-line
// reason naming the file, or the key at fault, with any echoed text cut short and escaped.
Recording openRecording(const std::string& path);

}  // namespace quorvel
