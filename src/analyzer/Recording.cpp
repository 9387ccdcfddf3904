#include "analyzer/Recording.h"

#include <sys/stat.h>

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string_view>

#include "common/InputFile.h"
#include "common/JsonInput.h"
#include "common/PrintableText.h"
#include "export/MetadataFields.h"
#include "export/SigmfRecordReader.h"

namespace quorvel {
namespace {

using Json = nlohmann::json;

constexpr std::string_view kMetaSuffix = ".sigmf-meta";
constexpr std::string_view kDataSuffix = ".sigmf-data";
constexpr std::string_view kCsvSuffix = ".csv";
// Echoed values are cut to this many bytes.
constexpr std::size_t kEchoBytes = 60;

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool isRegularFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    throw std::runtime_error(printableText(path, 200) + ": " + why);
}

Json readMetadata(const std::string& path) {
    // The one reader every input goes through: regular files only, capped, nesting counted
    // before the parser, the library's failures turned into a line.
    const InputFile file = readInputFile(path, kAnalyzerMetadataLimit,
                                         "metadata (more than " + std::to_string(kAnalyzerMetadataLimit >> 20) + " MiB)");
    if (!file) {
        throw std::runtime_error(file.problem);
    }
    JsonInput parsed = parseJsonInput(*file.text);
    if (!parsed) {
        refuse(path, parsed.problem);
    }
    Json meta = std::move(*parsed.json);
    if (!meta.is_object() || !meta.contains("global") || !meta["global"].is_object()) {
        refuse(path, "not SigMF metadata (no \"global\" object)");
    }
    return meta;
}

std::optional<double> optionalReal(const Json& object, const char* key) {
    return object.contains(key) ? std::optional(real(object, key)) : std::nullopt;
}

RecordingAnnotation annotationFrom(const Json& entry) {
    if (!entry.is_object()) {
        throw FieldProblem{"an entry of \"annotations\" is not an object"};
    }
    RecordingAnnotation a;
    a.sampleStart = integer<std::uint64_t>(entry, "core:sample_start");
    if (entry.contains("core:sample_count")) {
        a.sampleCount = integer<std::uint64_t>(entry, "core:sample_count");
    }
    a.freqLowerHz = optionalReal(entry, "core:freq_lower_edge");
    a.freqUpperHz = optionalReal(entry, "core:freq_upper_edge");
    if (entry.contains("core:label")) {
        a.label = text(entry, "core:label");
    }
    return a;
}

void readCoreFields(const Json& meta, Recording& r) {
    const Json& global = meta["global"];
    if (r.encoding != SampleEncoding::Csv) {
        const std::string datatype = text(global, "core:datatype");
        const auto encoding = encodingOfDatatype(datatype);
        if (!encoding) {
            throw FieldProblem{"\"core:datatype\" \"" + printableText(datatype, kEchoBytes) +
                               "\" is not one the analyzer reads (cf32_le, ci16_le, ci8 or cu8)"};
        }
        r.encoding = *encoding;
    }
    if (global.contains("core:sample_rate")) {
        const double rate = real(global, "core:sample_rate");
        if (!(rate > 0.0 && rate < 1e300)) {
            throw FieldProblem{"\"core:sample_rate\" must be a finite number above 0"};
        }
        r.sampleRateHz = rate;
        r.sampleRateKnown = true;
    }
    const auto captures = meta.find("captures");
    if (captures != meta.end() && captures->is_array() && !captures->empty() &&
        (*captures)[0].is_object()) {
        r.centreFrequencyHz = optionalReal((*captures)[0], "core:frequency").value_or(0.0);
    }
    const auto annotations = meta.find("annotations");
    if (annotations != meta.end()) {
        if (!annotations->is_array()) {
            throw FieldProblem{"\"annotations\" is not an array"};
        }
        for (const Json& entry : *annotations) {
            if (r.annotations.size() == kMaxAnnotations) {
                break;
            }
            r.annotations.push_back(annotationFrom(entry));
        }
    }
    for (const auto& [key, value] : global.items()) {
        if (key.rfind("quorvel:", 0) == 0) {
            r.recipe.emplace_back(
                key,
                printableText(value.is_string() ? value.get<std::string>() : value.dump(), 200));
        }
    }
}

// A CSV run's metadata describes its samples but names the CSV file as the one written.
std::optional<std::string> csvFileNamed(const Json& global) {
    const auto files = global.find("quorvel:sample_files");
    if (files == global.end() || !files->is_array()) {
        return std::nullopt;
    }
    for (const Json& name : *files) {
        if (name.is_string() && endsWith(name.get<std::string>(), kCsvSuffix) &&
            name.get<std::string>().find('/') == std::string::npos) {
            return name.get<std::string>();
        }
    }
    return std::nullopt;
}

void readMetadataInto(Recording& r, bool pickDataFile) {
    try {
        const Json meta = readMetadata(r.metadataPath);
        const Json& global = meta["global"];
        if (pickDataFile && !isRegularFile(r.dataPath)) {
            if (const auto csv = csvFileNamed(global)) {
                r.dataPath = folderOf(r.metadataPath) + *csv;
                r.encoding = SampleEncoding::Csv;
            }
        }
        readCoreFields(meta, r);
        if (RecordReading ours = readRecordingRecord(meta.dump()); ours) {
            r.record = std::move(ours.record);
        }
    } catch (const FieldProblem& e) {
        refuse(r.metadataPath, e.text);
    } catch (const nlohmann::json::exception& e) {
        refuse(r.metadataPath, std::string("malformed metadata: ") + e.what());
    }
}

}  // namespace

Recording openRecording(const std::string& path) {
    Recording r;
    bool pickDataFile = false;
    if (endsWith(path, kMetaSuffix)) {
        r.metadataPath = path;
        r.dataPath = path.substr(0, path.size() - kMetaSuffix.size()).append(kDataSuffix);
        pickDataFile = true;
    } else if (endsWith(path, kDataSuffix)) {
        r.dataPath = path;
        const std::string meta =
            path.substr(0, path.size() - kDataSuffix.size()).append(kMetaSuffix);
        r.metadataPath = isRegularFile(meta) ? meta : std::string();
    } else if (endsWith(path, kCsvSuffix)) {
        r.dataPath = path;
        r.encoding = SampleEncoding::Csv;
        const std::string meta =
            path.substr(0, path.size() - kCsvSuffix.size()).append(kMetaSuffix);
        r.metadataPath = isRegularFile(meta) ? meta : std::string();
    } else {
        refuse(path,
               "not a recording the analyzer reads (a .sigmf-meta, .sigmf-data or .csv file)");
    }
    if (!r.metadataPath.empty()) {
        readMetadataInto(r, pickDataFile);
    }
    r.samples = mapSamples(r.dataPath, r.encoding);
    return r;
}

}  // namespace quorvel
