#include "export/SigmfMetadata.h"

#include "export/ByteOutput.h"
#include "export/ImpairmentRecord.h"
#include "export/IntegerSamples.h"
#include "common/Choices.h"
#include "common/Philox.h"
#include "export/TransmitterRecord.h"
#include "modulation/SchemeCatalog.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <system_error>

namespace quorvel {
namespace {

using Json = nlohmann::ordered_json;

std::string schemeText(const SignalParameters& p) {
    const std::int32_t order = chosenOrder(p);
    std::string text(modulationName(p.modulationType));
    if (order != 0) {
        text += " order " + std::to_string(order);
    }
    return text;
}

std::string description(const RecordingRecord& r) {
    const SignalParameters& p = r.parameters;
    return "Quorvel test signal: " + schemeText(p) + ", " + std::to_string(p.symbolCount) +
           " symbols per file, file " + std::to_string(r.fileNumber) + " of " + std::to_string(p.fileCount);
}

// JSON has no infinity; an infinite SNR (no noise at all) is written as null.
Json snrValue(double snrDb) {
    return isNoiseless(snrDb) ? Json(nullptr) : Json(snrDb);
}

Json globalObject(const RecordingRecord& r) {
    const SignalParameters& p = r.parameters;
    Json global;
    global["core:datatype"] = sigmfDatatype(p.outputFormat);
    global["core:sample_rate"] = p.samplingRate;
    global["core:version"] = kSigmfVersion;
    global["core:description"] = description(r);
    global["core:author"] = "";
    global["core:recorder"] = "Quorvel " + r.programVersion;
    const std::vector<std::string> files =
        r.writtenSampleFiles.empty() ? sampleFileNames(p.outputFormat, r.fileNumber) : r.writtenSampleFiles;
    const std::string dataset = sampleFileNames(OutputFormat::Cf32, r.fileNumber).front();
    if (std::find(files.begin(), files.end(), dataset) == files.end()) {
        global["core:metadata_only"] = true;
    }
    global["core:extensions"] = Json::array(
        {Json{{"name", "quorvel"}, {"version", kRecipeNamespaceVersion}, {"optional", true}}});
    global["quorvel:program_version"] = r.programVersion;
    global["quorvel:file_number"] = r.fileNumber;
    if (r.seed) {
        global["quorvel:seed"] = *r.seed;
        if (r.seedsPerFile) {
            global["quorvel:seed_derivation"] = kPerFileSeedDerivation;
        }
    }
    if (drawsByCounter(p)) {
        global["quorvel:random"] = kCounterDrawsName;
        global["quorvel:random_version"] = kCounterDrawsVersion;
    }
    global["quorvel:output_format"] = outputFormatName(p.outputFormat);
    if (isIntegerFormat(p.outputFormat)) {
        global["quorvel:scale"] = integerScaleOf(p);
        global["quorvel:full_scale"] = r.fullScale;
        global["quorvel:clipped_samples"] = r.clippedSamples;
    }
    global["quorvel:sample_files"] = files;
    global["quorvel:modulation"] = modulationName(p.modulationType);
    // Every order field is recorded as the run held it, so that a reader sees what was chosen and
    // that the others were left at 0.
    for (const Scheme& scheme : schemeCatalog()) {
        if (scheme.ownsOrderField()) {
            global[orderKey(scheme)] = p.*scheme.orderField;
        }
    }
    // The later families' order and parameters are written only when one of them is chosen, so
    // the files of the first eight schemes keep their fields.
    if (const Scheme* chosen = findScheme(p.modulationType); chosen != nullptr && !chosen->ownsOrderField()) {
        if (chosen->orderField != nullptr) {
            global[orderKey(*chosen)] = p.*chosen->orderField;
        }
        for (const WaveformParameter& parameter : chosen->parameters) {
            const double value = waveformValue(p, parameter);
            global[parameterKey(parameter)] = parameter.isWord() ? Json(parameter.toWord(value)) : Json(value);
        }
        if (chosen->takesMessage) {
            global["quorvel:message"] = p.analogMessage.empty() ? std::string("noise") : p.analogMessage;
        }
        // A file made again from a recording describes the message file the recording did.
        const auto messageFile = r.messageFile ? r.messageFile
                                 : chosen->takesMessage && namesMessageFile(p.analogMessage)
                                     ? messageFileIdentity(p.analogMessage)
                                     : std::nullopt;
        if (messageFile) {
            global["quorvel:message_file_bytes"] = messageFile->bytes;
            global["quorvel:message_file_sha256"] = messageFile->sha256;
        }
        if (chosen->takesSideband) {
            global["quorvel:sideband"] = p.lowerSideband ? "lower" : "upper";
        }
    }
    global["quorvel:apsk_radii"] = p.apskRadiiText;
    global["quorvel:symbol_count"] = p.symbolCount;
    global["quorvel:file_count"] = p.fileCount;
    global["quorvel:save_path"] = p.savePath;
    global["quorvel:data_source"] = dataSourceName(p.dataSource);
    global["quorvel:symbol_rate"] = p.symbolRate;
    global["quorvel:sampling_rate"] = p.samplingRate;
    global["quorvel:snr_db"] = snrValue(p.snrDb);
    global["quorvel:snr_definition"] =
        "noise power per complex sample against the measured mean signal power; null: no noise";
    global["quorvel:signal_power"] = r.signalPower;
    global["quorvel:mixing_frequency"] = p.mixingFrequency;
    global["quorvel:timing_error"] = p.timingError;
    global["quorvel:frequency_offset"] = p.frequencyOffset;
    writeTransmitter(global, p);
    if (r.nominalPower) {
        global["quorvel:nominal_power"] = *r.nominalPower;
    }
    // A file made again from a recording describes the bits file the recording did.
    if (r.bitsFileBytes && global.contains("quorvel:bits_file")) {
        global["quorvel:bits_file_bytes"] = *r.bitsFileBytes;
    }
    if (r.bitsFileDigest && global.contains("quorvel:bits_file")) {
        global["quorvel:bits_file"] = r.bitsFileDigest->path;
        global["quorvel:bits_file_version"] = kBitsFileDigestVersion;
        global["quorvel:bits_file_sha256"] = r.bitsFileDigest->sha256;
    }
    writeImpairmentRecord(global, p.impairments);
    return global;
}


}  // namespace

std::string orderKey(const Scheme& scheme) {
    return scheme.ownsOrderField() ? "quorvel:" + std::string(scheme.name) + "_order" : "quorvel:order";
}

std::string parameterKey(const WaveformParameter& parameter) {
    return "quorvel:" + std::string(parameter.name);
}

std::string metadataFilePath(const std::string& savePath, std::int32_t fileNumber) {
    return savePath + "/modulated_signal_" + std::to_string(fileNumber) + ".sigmf-meta";
}

std::vector<std::string> sampleFileNames(OutputFormat format, std::int32_t fileNumber) {
    const std::string stem = "modulated_signal_" + std::to_string(fileNumber);
    std::vector<std::string> names;
    if (writesCsv(format)) {
        names.push_back(stem + ".csv");
    }
    if (writesSigmfData(format)) {
        names.push_back(stem + ".sigmf-data");
    }
    return names;
}

std::string sigmfMetadataText(const RecordingRecord& record) {
    Json meta;
    meta["global"] = globalObject(record);
    meta["captures"] = Json::array({Json{{"core:sample_start", 0}}});
    meta["annotations"] = Json::array({Json{{"core:sample_start", 0},
                                            {"core:sample_count", record.sampleCount},
                                            {"core:generator", "Quorvel"},
                                            {"core:label", schemeText(record.parameters)}}});
    // The file is the JSON object alone: it begins with "{" and ends with "}".
    return meta.dump(2, ' ', false, Json::error_handler_t::replace);
}

std::optional<std::string> writeMetadataFile(const std::string& path, const RecordingRecord& record,
                                             Durability durability) {
    const std::string text = sigmfMetadataText(record);
    ByteOutput output = ByteOutput::createFile(path, durability);
    output.write(text.data(), text.size());
    return output.close(true);
}

}  // namespace quorvel
