#include "export/SigmfRecordReader.h"

#include "common/PrintableText.h"

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <utility>

#include "common/Choices.h"
#include "common/InputFile.h"
#include "common/JsonInput.h"
#include "common/Philox.h"
#include "export/MetadataFields.h"
#include "export/TransmitterRecord.h"
#include "export/ImpairmentRecord.h"
#include "modulation/SchemeCatalog.h"

namespace quorvel {
namespace {

using RecordJson = nlohmann::json;

std::optional<ModulationType> schemeNamed(std::string_view name) {
    const Scheme* scheme = findSchemeNamed(name);
    return scheme != nullptr ? std::optional(scheme->type) : std::nullopt;
}

bool declaresOurNamespace(const RecordJson& global) {
    const auto extensions = global.find("core:extensions");
    if (extensions == global.end() || !extensions->is_array()) {
        return false;
    }
    for (const RecordJson& extension : *extensions) {
        if (extension.is_object() && extension.value("name", RecordJson()) == "quorvel") {
            return true;
        }
    }
    return false;
}

RecordingRecord recordFrom(const RecordJson& global) {
    RecordingRecord r;
    SignalParameters& p = r.parameters;
    r.programVersion = text(global, "quorvel:program_version");
    r.fileNumber = integer<std::int32_t>(global, "quorvel:file_number");
    if (global.contains("quorvel:seed")) {
        r.seed = integer<std::uint32_t>(global, "quorvel:seed");
    }
    // Recordings of Quorvel 0.1.0 name no derivation: their seeds run in one sequence.
    if (global.contains("quorvel:seed_derivation")) {
        const std::string derivation = text(global, "quorvel:seed_derivation");
        if (derivation != kPerFileSeedDerivation || !r.seed) {
            throw FieldProblem{"\"quorvel:seed_derivation\" names nothing known (\"" + printableText(derivation, 80) + "\")"};
        }
        r.seedsPerFile = true;
    }
    p.outputFormat = named(global, "quorvel:output_format", outputFormatNamed);
    p.modulationType = named(global, "quorvel:modulation", schemeNamed);
    // Without the key the symbols and noise came from the twister, as every earlier version drew
    // them; the families that always draw by counter record it as well.
    if (global.contains("quorvel:random")) {
        const std::string name = text(global, "quorvel:random");
        const auto version = integer<std::int32_t>(global, "quorvel:random_version");
        if (name != kCounterDrawsName || version != kCounterDrawsVersion) {
            throw FieldProblem{"\"quorvel:random\" names nothing known (\"" + printableText(name, 80) +
                               "\" version " + std::to_string(version) + ")"};
        }
        p.counterDraws = !drawsByCounter(p);
    }
    for (const Scheme& scheme : schemeCatalog()) {
        if (scheme.ownsOrderField()) {
            p.*scheme.orderField = integer<std::int32_t>(global, orderKey(scheme).c_str());
        }
    }
    // The later families' fields are present only in their own files.
    if (global.contains("quorvel:order")) {
        p.order = integer<std::int32_t>(global, "quorvel:order");
    }
    for (const WaveformParameter* parameter : allWaveformParameters()) {
        const std::string key = parameterKey(*parameter);
        if (global.contains(key) && parameter->isWord()) {
            const std::string word = text(global, key.c_str());
            const auto value = parameter->fromWord(word);
            if (!value) {
                throw FieldProblem{"\"" + key + "\" names nothing known (\"" + printableText(word, 80) + "\")"};
            }
            p.values[std::string(parameter->name)] = *value;
        } else if (global.contains(key)) {
            p.values[std::string(parameter->name)] = real(global, key.c_str());
        }
    }
    if (global.contains("quorvel:message")) {
        const std::string message = text(global, "quorvel:message");
        p.analogMessage = message == "noise" ? std::string() : message;
    }
    if (global.contains("quorvel:message_file_sha256")) {
        r.messageFile = MessageFileIdentity{integer<std::uint64_t>(global, "quorvel:message_file_bytes"),
                                            text(global, "quorvel:message_file_sha256")};
    }
    if (global.contains("quorvel:sideband")) {
        const std::string sideband = text(global, "quorvel:sideband");
        if (sideband != "upper" && sideband != "lower") {
            throw FieldProblem{"\"quorvel:sideband\" is neither upper nor lower (\"" + printableText(sideband, 80) + "\")"};
        }
        p.lowerSideband = sideband == "lower";
    }
    p.apskRadiiText = text(global, "quorvel:apsk_radii");
    p.symbolCount = integer<std::int32_t>(global, "quorvel:symbol_count");
    p.fileCount = integer<std::int32_t>(global, "quorvel:file_count");
    p.savePath = text(global, "quorvel:save_path");
    p.dataSource = named(global, "quorvel:data_source", dataSourceNamed);
    p.symbolRate = real(global, "quorvel:symbol_rate");
    p.samplingRate = real(global, "quorvel:sampling_rate");
    p.snrDb = field(global, "quorvel:snr_db").is_null() ? std::numeric_limits<double>::infinity()
                                                         : real(global, "quorvel:snr_db");
    p.mixingFrequency = real(global, "quorvel:mixing_frequency");
    p.timingError = real(global, "quorvel:timing_error");
    p.frequencyOffset = real(global, "quorvel:frequency_offset");
    readTransmitter(global, p.transmitter);
    if (p.transmitter.bits == BitSource::File && global.contains("quorvel:bits_file_bytes")) {
        r.bitsFileBytes = integer<std::uint64_t>(global, "quorvel:bits_file_bytes");
    }
    if (p.transmitter.bits == BitSource::File && global.contains("quorvel:bits_file_version")) {
        if (integer<std::int32_t>(global, "quorvel:bits_file_version") != kBitsFileDigestVersion) {
            throw FieldProblem{"\"quorvel:bits_file_version\" is not " + std::to_string(kBitsFileDigestVersion) +
                               ", the version this program reads"};
        }
        const std::string sha256 = text(global, "quorvel:bits_file_sha256");
        if (sha256.size() != 64 || sha256.find_first_not_of("0123456789abcdef") != std::string::npos) {
            throw FieldProblem{"\"quorvel:bits_file_sha256\" is not 64 lower-case hex digits (\"" +
                               printableText(sha256, 80) + "\")"};
        }
        r.bitsFileDigest = RecordingRecord::BitsFileDigest{p.transmitter.bitsFile, sha256};
    }
    if (auto malformed = readImpairmentRecord(global, p.impairments)) {
        throw FieldProblem{std::move(*malformed)};
    }
    r.signalPower = field(global, "quorvel:signal_power").is_null() ? std::numeric_limits<double>::quiet_NaN()
                                                                    : real(global, "quorvel:signal_power");
    if (isIntegerFormat(p.outputFormat)) {
        p.integerScale = real(global, "quorvel:scale");
        r.fullScale = real(global, "quorvel:full_scale");
        r.clippedSamples = integer<std::uint64_t>(global, "quorvel:clipped_samples");
    }
    if (global.contains("quorvel:nominal_power")) {
        r.nominalPower = real(global, "quorvel:nominal_power");
    }
    if (r.fileNumber < 1 || r.fileNumber > p.fileCount) {
        throw FieldProblem{"\"quorvel:file_number\" " + std::to_string(r.fileNumber) + " is not one of files 1 to " +
                           std::to_string(p.fileCount)};
    }
    return r;
}

RecordReading problem(std::string text) {
    return {std::nullopt, std::move(text)};
}

}  // namespace

RecordReading readRecordingRecord(std::string_view metadataText) {
    const JsonInput input = parseJsonInput(metadataText);
    if (!input) {
        return problem("the file is not JSON");
    }
    const RecordJson& meta = *input.json;
    if (!meta.is_object() || !meta.contains("global") || !meta["global"].is_object()) {
        return problem("the file is not SigMF metadata (no \"global\" object)");
    }
    const RecordJson& global = meta["global"];
    if (!declaresOurNamespace(global) || !global.contains("quorvel:program_version")) {
        return problem("the metadata was not written by Quorvel (no \"quorvel\" namespace)");
    }
    try {
        RecordingRecord record = recordFrom(global);
        // The sample count lives in the annotation spanning the file.
        const auto annotations = meta.find("annotations");
        if (annotations != meta.end() && annotations->is_array() && !annotations->empty() &&
            (*annotations)[0].is_object()) {
            record.sampleCount = integer<std::uint64_t>((*annotations)[0], "core:sample_count");
        }
        return {std::move(record), {}};
    } catch (const FieldProblem& e) {
        return problem("malformed metadata: " + e.text);
    } catch (const nlohmann::json::exception& e) {
        return problem(std::string("malformed metadata: ") + e.what());
    }
}

RecordReading readRecordingRecordFile(const std::string& path) {
    // Enough for any metadata of ours many times over; a huge file is not read to the end.
    InputFile file = readInputFile(path, kMetadataSizeLimit, "metadata of this program");
    if (!file) {
        return problem(std::move(file.problem));
    }
    return readRecordingRecord(*file.text);
}

}  // namespace quorvel
