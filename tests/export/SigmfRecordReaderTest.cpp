#include "export/SigmfRecordReader.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

#include <filesystem>
#include <limits>
#include <random>
#include <utility>
#include <nlohmann/json.hpp>
#include <string>

#include "support/TempDir.h"

namespace quorvel {
namespace {

using nlohmann::json;
using testing_support::TempDir;

RecordingRecord seededRecord() {
    RecordingRecord r;
    r.parameters.fileCount = 4;
    r.parameters.savePath = "out";
    r.seed = 7;
    r.fileNumber = 4;
    r.programVersion = "0.1.0";
    r.sampleCount = 5000;
    r.signalPower = 1.0 / 3.0;
    return r;
}

struct RoundTripCase {
    const char* name;
    void (*change)(RecordingRecord&);

    friend void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }
};

class RecordRoundTrip : public testing::TestWithParam<RoundTripCase> {};

// Whatever a record holds, reading its text gives it back exactly: regeneration depends on every
// double coming back bit for bit.
TEST_P(RecordRoundTrip, GivesBackTheSameRecord) {
    RecordingRecord r = seededRecord();
    GetParam().change(r);
    const auto reading = readRecordingRecord(sigmfMetadataText(r));
    ASSERT_TRUE(reading) << reading.problem;
    EXPECT_EQ(*reading.record, r);
    EXPECT_EQ(std::signbit(reading.record->parameters.mixingFrequency), std::signbit(r.parameters.mixingFrequency));
}

INSTANTIATE_TEST_SUITE_P(
    Table, RecordRoundTrip,
    testing::Values(
        RoundTripCase{"Defaults", [](RecordingRecord&) {}},
        RoundTripCase{"Unseeded", [](RecordingRecord& r) { r.seed.reset(); }},
        RoundTripCase{"SeedExtremes", [](RecordingRecord& r) { r.seed = 0; }},
        RoundTripCase{"LargestSeed", [](RecordingRecord& r) { r.seed = 4294967295u; }},
        RoundTripCase{"AwkwardDoubles",
                      [](RecordingRecord& r) {
                          r.parameters.symbolRate = 0.1 + 0.2;
                          r.parameters.samplingRate = 1e300;
                          r.parameters.snrDb = -1e-300;
                          r.parameters.mixingFrequency = -0.0;
                          r.parameters.timingError = 4.9e-324;
                          r.parameters.frequencyOffset = -123456.789012345678;
                          r.signalPower = std::numeric_limits<double>::max();
                      }},
        RoundTripCase{"NoNoise", [](RecordingRecord& r) { r.parameters.snrDb = std::numeric_limits<double>::infinity(); }},
        RoundTripCase{"NominalSnr",
                      [](RecordingRecord& r) {
                          r.parameters.transmitter.snrReference = SnrReference::Nominal;
                          r.nominalPower = 0.1 + 0.2;
                      }},
        RoundTripCase{"EveryFormatAndSource",
                      [](RecordingRecord& r) {
                          r.parameters.outputFormat = OutputFormat::Both;
                          r.parameters.dataSource = DataSource::Prn15Lfsr;
                      }},
        RoundTripCase{"Apsk",
                      [](RecordingRecord& r) {
                          r.parameters.modulationType = ModulationType::Apsk;
                          r.parameters.pskOrder = 0;
                          r.parameters.apskOrder = 64;
                          r.parameters.apskRadiiText = "0.2  0.5\t1";
                      }},
        RoundTripCase{"IntegerExtremes",
                      [](RecordingRecord& r) {
                          r.parameters.symbolCount = std::numeric_limits<std::int32_t>::max();
                          r.parameters.fileCount = std::numeric_limits<std::int32_t>::max();
                          r.fileNumber = std::numeric_limits<std::int32_t>::max();
                          r.sampleCount = std::numeric_limits<std::uint64_t>::max();
                      }}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// A valid text of ours with one change made to its JSON.
std::string edited(void (*change)(json&)) {
    json meta = json::parse(sigmfMetadataText(seededRecord()));
    change(meta);
    return meta.dump();
}

struct SigmfRecordReaderRefusalCase {
    const char* name;
    std::string text;
    const char* problemMentions;

    friend void PrintTo(const SigmfRecordReaderRefusalCase& c, std::ostream* os) { *os << c.name; }
};

class RecordRefusals : public testing::TestWithParam<SigmfRecordReaderRefusalCase> {};

TEST_P(RecordRefusals, NameTheProblem) {
    const auto reading = readRecordingRecord(GetParam().text);
    EXPECT_FALSE(reading);
    EXPECT_NE(reading.problem.find(GetParam().problemMentions), std::string::npos) << reading.problem;
    EXPECT_EQ(reading.problem.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RecordRefusals,
    testing::Values(
        SigmfRecordReaderRefusalCase{"Empty", "", "not JSON"},
        SigmfRecordReaderRefusalCase{"Truncated", sigmfMetadataText(seededRecord()).substr(0, 300), "not JSON"},
        SigmfRecordReaderRefusalCase{"Binary", std::string("\x00\xff\x13{", 4), "not JSON"},
        SigmfRecordReaderRefusalCase{"Array", "[1, 2]", "not SigMF"},
        SigmfRecordReaderRefusalCase{"GlobalNotObject", R"({"global": 5, "captures": [], "annotations": []})", "not SigMF"},
        SigmfRecordReaderRefusalCase{"AnotherTool",
                    R"({"global": {"core:datatype": "cf32_le", "core:version": "1.0.0"}, "captures": [],
                        "annotations": []})",
                    "not written by Quorvel"},
        SigmfRecordReaderRefusalCase{"MissingSetting", edited([](json& m) { m["global"].erase("quorvel:symbol_rate"); }),
                    "\"quorvel:symbol_rate\" is missing"},
        SigmfRecordReaderRefusalCase{"NumberAsText", edited([](json& m) { m["global"]["quorvel:symbol_count"] = "10"; }),
                    "quorvel:symbol_count"},
        SigmfRecordReaderRefusalCase{"FractionalCount", edited([](json& m) { m["global"]["quorvel:symbol_count"] = 2.5; }),
                    "quorvel:symbol_count"},
        SigmfRecordReaderRefusalCase{"CountBeyondInt32", edited([](json& m) { m["global"]["quorvel:symbol_count"] = 3000000000LL; }),
                    "quorvel:symbol_count"},
        SigmfRecordReaderRefusalCase{"NegativeSeed", edited([](json& m) { m["global"]["quorvel:seed"] = -1; }), "quorvel:seed"},
        SigmfRecordReaderRefusalCase{"SeedBeyond32Bits", edited([](json& m) { m["global"]["quorvel:seed"] = 4294967296LL; }),
                    "quorvel:seed"},
        SigmfRecordReaderRefusalCase{"NullSeed", edited([](json& m) { m["global"]["quorvel:seed"] = nullptr; }), "quorvel:seed"},
        SigmfRecordReaderRefusalCase{"UnknownScheme", edited([](json& m) { m["global"]["quorvel:modulation"] = "wavelet"; }),
                    "\"wavelet\""},
        SigmfRecordReaderRefusalCase{"UnknownSourceWithANewline",
                    edited([](json& m) { m["global"]["quorvel:data_source"] = "r\nd"; }), "\"r\\x0ad\""},
        SigmfRecordReaderRefusalCase{"UnknownFormat", edited([](json& m) { m["global"]["quorvel:output_format"] = "wav"; }),
                    "quorvel:output_format"},
        SigmfRecordReaderRefusalCase{"FileNumberZero", edited([](json& m) { m["global"]["quorvel:file_number"] = 0; }),
                    "not one of files 1 to 4"},
        SigmfRecordReaderRefusalCase{"FileNumberBeyondCount", edited([](json& m) { m["global"]["quorvel:file_number"] = 5; }),
                    "not one of files 1 to 4"},
        SigmfRecordReaderRefusalCase{"RateAsObject", edited([](json& m) { m["global"]["quorvel:sampling_rate"] = json::object(); }),
                    "quorvel:sampling_rate"},
        SigmfRecordReaderRefusalCase{"BadSampleCount",
                    edited([](json& m) { m["annotations"][0]["core:sample_count"] = "many"; }),
                    "core:sample_count"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(SigmfRecordReader, DeeplyNestedJsonIsRefusedWithoutCrashing) {
    const std::size_t depth = 100000;
    const std::string text = std::string(depth, '[') + std::string(depth, ']');
    EXPECT_FALSE(readRecordingRecord(text));
    const std::string inGlobal = R"({"global": {"quorvel:x": )" + text + "}}";
    EXPECT_FALSE(readRecordingRecord(inGlobal));
}

TEST(SigmfRecordReader, FilesThatCannotBeReadGiveTheSystemsReason) {
    TempDir dir;
    // A FIFO without a writer would block an ordinary open forever.
    const std::string fifo = dir.file("pipe.sigmf-meta");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string large = dir.file("large.sigmf-meta");
    std::ofstream(large, std::ios::binary) << std::string(kMetadataSizeLimit + 1, ' ');
    const std::pair<std::string, std::string> cases[] = {
        {dir.file("absent.sigmf-meta"), ": No such file or directory"},
        {dir.str(), " is not a regular file"},
        {fifo, " is not a regular file"},
        {"/dev/zero", " is not a regular file"},
        {large, ": too large"},  // read only up to the limit
    };
    for (const auto& [path, reason] : cases) {
        if (!std::filesystem::exists(path) && reason != ": No such file or directory") {
            continue;
        }
        const auto reading = readRecordingRecordFile(path);
        EXPECT_FALSE(reading) << path;
        EXPECT_EQ(reading.problem.rfind(path + reason, 0), 0u) << reading.problem;
    }
    // A file of ours is read whole.
    const RecordingRecord r;
    const std::string path = dir.file("ours.sigmf-meta");
    ASSERT_EQ(writeMetadataFile(path, r), std::nullopt);
    EXPECT_TRUE(readRecordingRecordFile(path));
}

}  // namespace
}  // namespace quorvel

namespace quorvel {
namespace {

// Every field of ours replaced by a value of every JSON type: a record or a reason, never a crash,
// and a record only where the replacement still means something.
TEST(SigmfRecordReader, EveryFieldWithEveryTypeIsReadOrRefused) {
    const json valid = json::parse(sigmfMetadataText(seededRecord()));
    const json replacements[] = {nullptr, true, "x", -1, 1.5, 4294967296LL, json::array(), json::object()};
    for (const auto& item : valid["global"].items()) {
        for (const auto& replacement : replacements) {
            json changed = valid;
            changed["global"][item.key()] = replacement;
            const auto reading = readRecordingRecord(changed.dump());
            EXPECT_NE(reading.record.has_value(), !reading.problem.empty()) << item.key() << " = " << replacement;
            if (reading && item.key().starts_with("quorvel:") && item.key() != "quorvel:snr_definition" &&
                item.key() != "quorvel:sample_files") {
                // A setting that was read back took the new value in.
                EXPECT_NE(*reading.record, seededRecord()) << item.key() << " = " << replacement;
            }
        }
    }
}

// Random byte damage to a valid file: never a crash.
TEST(SigmfRecordReader, DamagedTextIsReadOrRefusedWithoutCrashing) {
    const std::string valid = sigmfMetadataText(seededRecord());
    std::mt19937 engine(99);
    for (int trial = 0; trial < 3000; ++trial) {
        std::string text = valid;
        const int edits = 1 + static_cast<int>(engine() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = engine() % text.size();
            switch (engine() % 3) {
                case 0: text[at] = static_cast<char>(engine()); break;
                case 1: text.erase(at, 1 + engine() % 8); break;
                default: text.insert(at, 1, "{}[]\",:0-e"[engine() % 10]); break;
            }
        }
        const auto reading = readRecordingRecord(text);
        EXPECT_NE(reading.record.has_value(), !reading.problem.empty()) << text;
    }
}

}  // namespace
}  // namespace quorvel
