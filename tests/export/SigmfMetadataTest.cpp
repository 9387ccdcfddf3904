#include "export/SigmfMetadata.h"

#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/SameBytes.h"
#include "support/SigmfChecks.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using nlohmann::json;
using testing_support::readBytes;
using testing_support::sameBytes;
using testing_support::sigmfViolations;
using testing_support::TempDir;

RecordingRecord baseRecord() {
    RecordingRecord r;
    r.parameters.savePath = "/data/run";
    r.parameters.fileCount = 3;
    r.seed = 42;
    r.fileNumber = 2;
    r.programVersion = "9.8.7";
    r.sampleCount = 100000;
    r.signalPower = 0.5;
    return r;
}

struct MetaCase {
    const char* name;
    void (*change)(RecordingRecord&);
    std::vector<std::string> sampleFiles;
    bool metadataOnly;

    friend void PrintTo(const MetaCase& c, std::ostream* os) { *os << c.name; }
};

class MetadataText : public testing::TestWithParam<MetaCase> {};

TEST_P(MetadataText, IsValidSigmfAndRecordsItsFiles) {
    RecordingRecord r = baseRecord();
    GetParam().change(r);
    const std::string text = sigmfMetadataText(r);
    const auto violations = sigmfViolations(text);
    EXPECT_TRUE(violations.empty()) << testing::PrintToString(violations) << "\n" << text;

    const json meta = json::parse(text);
    const json& global = meta["global"];
    EXPECT_EQ(global["core:datatype"], "cf32_le");
    EXPECT_EQ(global["core:version"], "1.0.0");
    EXPECT_EQ(global["core:author"], "");
    EXPECT_EQ(global["core:sample_rate"], r.parameters.samplingRate);
    EXPECT_EQ(global["quorvel:sample_files"], json(GetParam().sampleFiles));
    EXPECT_EQ(global.value("core:metadata_only", false), GetParam().metadataOnly);
    EXPECT_EQ(global["quorvel:file_number"], r.fileNumber);
    EXPECT_EQ(global["quorvel:program_version"], r.programVersion);
    EXPECT_EQ(global.contains("quorvel:seed"), r.seed.has_value());
    // One capture at sample 0 and one annotation spanning the whole file.
    ASSERT_EQ(meta["captures"].size(), 1u);
    EXPECT_EQ(meta["captures"][0]["core:sample_start"], 0);
    ASSERT_EQ(meta["annotations"].size(), 1u);
    EXPECT_EQ(meta["annotations"][0]["core:sample_start"], 0);
    EXPECT_EQ(meta["annotations"][0]["core:sample_count"], r.sampleCount);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MetadataText,
    testing::Values(
        MetaCase{"Csv", [](RecordingRecord&) {}, {"modulated_signal_2.csv"}, true},
        MetaCase{"Cf32", [](RecordingRecord& r) { r.parameters.outputFormat = OutputFormat::Cf32; },
                 {"modulated_signal_2.sigmf-data"}, false},
        MetaCase{"Both", [](RecordingRecord& r) { r.parameters.outputFormat = OutputFormat::Both; },
                 {"modulated_signal_2.csv", "modulated_signal_2.sigmf-data"}, false},
        MetaCase{"Unseeded", [](RecordingRecord& r) { r.seed.reset(); }, {"modulated_signal_2.csv"}, true},
        MetaCase{"NoNoise",
                 [](RecordingRecord& r) { r.parameters.snrDb = std::numeric_limits<double>::infinity(); },
                 {"modulated_signal_2.csv"}, true},
        MetaCase{"ApskWithRadiiAndEmptyFile",
                 [](RecordingRecord& r) {
                     r.parameters.modulationType = ModulationType::Apsk;
                     r.parameters.pskOrder = 0;
                     r.parameters.apskOrder = 32;
                     r.parameters.apskRadiiText = "0.3 0.7 1.2";
                     r.sampleCount = 0;
                 },
                 {"modulated_signal_2.csv"}, true},
        MetaCase{"PathNotUtf8", [](RecordingRecord& r) { r.parameters.savePath = "caf\xe9/\xff"; },
                 {"modulated_signal_2.csv"}, true}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(SigmfMetadata, RecordsEverySettingUnderItsNamespace) {
    RecordingRecord r = baseRecord();
    SignalParameters& p = r.parameters;
    p.modulationType = ModulationType::Qam;
    p.pskOrder = 0;
    p.qamOrder = 256;
    p.symbolCount = 1234;
    p.dataSource = DataSource::Prn7Lfsr;
    p.symbolRate = 2400.5;
    p.samplingRate = 19200.0;
    p.snrDb = -3.25;
    p.mixingFrequency = -150.0;
    p.timingError = 0.125;
    p.frequencyOffset = 12.5;
    const json global = json::parse(sigmfMetadataText(r))["global"];
    const json expected = {
        {"quorvel:modulation", "qam"},   {"quorvel:psk_order", 0},          {"quorvel:qam_order", 256},
        {"quorvel:fsk_order", 0},        {"quorvel:apsk_order", 0},         {"quorvel:apsk_radii", ""},
        {"quorvel:symbol_count", 1234},  {"quorvel:file_count", 3},         {"quorvel:save_path", "/data/run"},
        {"quorvel:data_source", "prn7"}, {"quorvel:symbol_rate", 2400.5},   {"quorvel:sampling_rate", 19200.0},
        {"quorvel:snr_db", -3.25},       {"quorvel:mixing_frequency", -150.0}, {"quorvel:timing_error", 0.125},
        {"quorvel:frequency_offset", 12.5}, {"quorvel:seed", 42},           {"quorvel:signal_power", 0.5},
        {"quorvel:output_format", "csv"}, {"core:sample_rate", 19200.0},
    };
    for (const auto& item : expected.items()) {
        EXPECT_EQ(global[item.key()], item.value()) << item.key();
    }
    EXPECT_TRUE(global["quorvel:snr_definition"].is_string());
}

// The description names the chosen scheme's order only, whatever the other order fields hold
// (the sum of all four once overflowed for large leftovers).
TEST(SigmfMetadata, DescriptionNamesOnlyTheChosenSchemesOrder) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    struct Case {
        ModulationType type;
        std::int32_t psk, fsk, qam, apsk;
        const char* scheme;
    };
    const Case cases[] = {
        {ModulationType::Psk, 8, kMax, kMax, 4, "psk order 8,"},
        {ModulationType::Fsk, kMax, 4, 16, 0, "fsk order 4,"},
        {ModulationType::Qam, 2, 2, 64, kMax, "qam order 64,"},
        {ModulationType::Apsk, kMax, 0, kMax, 32, "apsk order 32,"},
        {ModulationType::Msk, kMax, kMax, kMax, kMax, "msk,"},
        {ModulationType::Oqpsk, 0, 0, 0, 0, "oqpsk,"},
    };
    for (const Case& c : cases) {
        RecordingRecord r = baseRecord();
        r.parameters.modulationType = c.type;
        r.parameters.pskOrder = c.psk;
        r.parameters.fskOrder = c.fsk;
        r.parameters.qamOrder = c.qam;
        r.parameters.apskOrder = c.apsk;
        const std::string text = json::parse(sigmfMetadataText(r))["global"]["core:description"];
        EXPECT_EQ(text.rfind(std::string("Quorvel test signal: ") + c.scheme, 0), 0u) << text;
    }
}

TEST(SigmfMetadata, AnInfiniteSnrIsWrittenAsNull) {
    RecordingRecord r = baseRecord();
    r.parameters.snrDb = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(json::parse(sigmfMetadataText(r))["global"]["quorvel:snr_db"].is_null());
}

TEST(SigmfMetadata, WritesTheTextToItsFile) {
    TempDir dir;
    const RecordingRecord r = baseRecord();
    const std::string path = metadataFilePath(dir.str(), 2);
    EXPECT_EQ(path, dir.str() + "/modulated_signal_2.sigmf-meta");
    ASSERT_EQ(writeMetadataFile(path, r), std::nullopt);
    EXPECT_TRUE(sameBytes(readBytes(path), sigmfMetadataText(r)));
    EXPECT_TRUE(writeMetadataFile(dir.file("missing/x.sigmf-meta"), r).has_value());
}

}  // namespace
}  // namespace quorvel

namespace quorvel {
namespace {

// The checks above must catch what they look for: each broken variant of a valid file is found.
struct BrokenCase {
    const char* name;
    void (*change)(json&);
};

const BrokenCase kBroken[] = {
    {"NoUnderscoreEndianness", [](json& m) { m["global"]["core:datatype"] = "cf32le"; }},
    {"NoEndianness", [](json& m) { m["global"]["core:datatype"] = "cf32"; }},
    {"UnknownType", [](json& m) { m["global"]["core:datatype"] = "cf16_le"; }},
    {"VersionWithV", [](json& m) { m["global"]["core:version"] = "v1.0.0"; }},
    {"NoVersion", [](json& m) { m["global"].erase("core:version"); }},
    {"RateAsText", [](json& m) { m["global"]["core:sample_rate"] = "10000"; }},
    {"UndeclaredNamespace", [](json& m) { m["global"]["other:x"] = 1; }},
    {"KeyWithoutNamespace", [](json& m) { m["global"]["x"] = 1; }},
    {"ExtensionWithoutOptional", [](json& m) { m["global"]["core:extensions"][0].erase("optional"); }},
    {"NoCaptures", [](json& m) { m.erase("captures"); }},
    {"UnsortedCaptures",
     [](json& m) { m["captures"] = json::array({{{"core:sample_start", 5}}, {{"core:sample_start", 0}}}); }},
    {"NegativeStart", [](json& m) { m["annotations"][0]["core:sample_start"] = -1; }},
    {"AnnotationWithoutCount", [](json& m) { m["annotations"][0].erase("core:sample_count"); }},
};

TEST(SigmfChecks, FindEveryBrokenRule) {
    const json valid = json::parse(sigmfMetadataText(RecordingRecord{}));
    ASSERT_TRUE(sigmfViolations(valid.dump()).empty());
    for (const auto& c : kBroken) {
        json broken = valid;
        c.change(broken);
        EXPECT_FALSE(sigmfViolations(broken.dump()).empty()) << c.name;
    }
    EXPECT_FALSE(sigmfViolations(valid.dump() + "\n").empty()) << "text after the closing brace";
}

}  // namespace
}  // namespace quorvel
