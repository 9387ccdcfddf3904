#pragma once
// The SigMF metadata file written beside every sample file: the SigMF core fields a reader needs
// to open the samples, plus, under the "quorvel:" namespace, the whole recipe of the file (every
// setting of the run, the seed, the file number and the program version), so that a seeded file
// can be made again bit for bit.
//
// A run in CSV format writes no .sigmf-data file. Its metadata still describes the samples as
// "cf32_le" (their form as a SigMF dataset), marks itself "core:metadata_only" and names the CSV
// file under "quorvel:sample_files", so that the recipe travels with every format alike.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/ByteOutput.h"
#include "common/SignalParameters.h"
#include "modulation/MessageFile.h"

namespace quorvel {

inline constexpr std::string_view kSigmfVersion = "1.0.0";
// The version of the "quorvel" namespace: its keys and their meaning.
inline constexpr std::string_view kRecipeNamespaceVersion = "1.0.0";
// The value of "quorvel:seed_derivation" for the files seeded each from its own key.
inline constexpr std::string_view kPerFileSeedDerivation = "splitmix64";
// "quorvel:bits_file_version" of a bits file named from the metadata's folder with its SHA-256;
// a recording without the key names it as it was given, from the folder the run started in.
inline constexpr std::int32_t kBitsFileDigestVersion = 2;

// What one metadata file records about file `fileNumber` of a run.
struct RecordingRecord {
    SignalParameters parameters;         // the run's settings, including its save path and format
    std::optional<std::uint32_t> seed;   // the user seed; nothing when the run was not reproducible
    std::int32_t fileNumber = 1;         // 1-based
    std::string programVersion;          // of the program that wrote the file
    std::uint64_t sampleCount = 0;       // samples in the file
    double signalPower = 0.0;            // mean power per complex sample before the noise was added
    // The sample files (names without folder) that were written, when some of the format's
    // could not be; empty for all of them.
    std::vector<std::string> writtenSampleFiles;
    // Each file seeded from splitMix64(seed, file number) ("quorvel:seed_derivation":
    // "splitmix64"); false: one sequence over the run, as Quorvel 0.1.0 seeded every run.
    bool seedsPerFile = false;
    // The size of the bits file as the recording found it; nothing when it recorded none.
    std::optional<std::uint64_t> bitsFileBytes;
    // The power the noise was set against when it was the waveform's nominal one.
    std::optional<double> nominalPower;
    // The integer formats: the amplitude written as full scale, and the samples clipped there.
    double fullScale = 0.0;
    std::uint64_t clippedSamples = 0;
    // The analog message file's size and SHA-256 as the recording found them; nothing without one.
    std::optional<MessageFileIdentity> messageFile;
    // The bits file named from the metadata file's folder, with its SHA-256 (lower-case hex);
    // recorded as "quorvel:bits_file_version" 2 when asked for, nothing otherwise.
    struct BitsFileDigest {
        std::string path;
        std::string sha256;
        friend bool operator==(const BitsFileDigest&, const BitsFileDigest&) = default;
    };
    std::optional<BitsFileDigest> bitsFileDigest;

    friend bool operator==(const RecordingRecord&, const RecordingRecord&) = default;
};

// savePath + "/modulated_signal_" + k + ".sigmf-meta".
std::string metadataFilePath(const std::string& savePath, std::int32_t fileNumber);

// The names (without folder) of the sample files the format writes for one file number.
std::vector<std::string> sampleFileNames(OutputFormat format, std::int32_t fileNumber);

struct Scheme;
struct WaveformParameter;
// The key under which the metadata records a scheme's order field, such as "quorvel:psk_order".
std::string orderKey(const Scheme& scheme);
// "quorvel:" and the parameter's name.
std::string parameterKey(const WaveformParameter& parameter);

// The metadata file's text: UTF-8 JSON, from its opening "{" to its closing "}". Bytes of the save path or the radii
// text that are not UTF-8 are replaced by U+FFFD.
std::string sigmfMetadataText(const RecordingRecord& record);

// Writes the text of record as the file at path, whole or not at all. Nothing on success,
// otherwise the system's reason.
std::optional<std::string> writeMetadataFile(const std::string& path, const RecordingRecord& record,
                                             Durability durability = Durability::AfterCrash);

}  // namespace quorvel
