// Opening recordings by any of their names: this program's own runs (cf32 and CSV-only), foreign
// SigMF metadata, and metadata a reader must refuse naming the key at fault.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "analyzer/Recording.h"
#include "support/TempDir.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

using testing_support::TempDir;

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

GenerationResult makeRun(const std::string& folder, OutputFormat format) {
    SignalParameters p;
    p.symbolCount = 200;
    p.savePath = folder;
    p.outputFormat = format;
    p.samplingRate = 8000.0;
    return SignalSynthesizer::seeded(5).generateSignal(p);
}

TEST(OpenRecording, OurRunsOpenByEveryNameWithRateRecipeAndTheWrittenSamples) {
    const TempDir dir;
    const GenerationResult run = makeRun(dir.str(), OutputFormat::Both);
    ASSERT_FALSE(run.signal.empty());
    const std::string base = dir.file("modulated_signal_1");
    for (const std::string& path : {base + ".sigmf-meta", base + ".sigmf-data", base + ".csv"}) {
        SCOPED_TRACE(path);
        const Recording r = openRecording(path);
        EXPECT_EQ(r.metadataPath, base + ".sigmf-meta");
        EXPECT_TRUE(r.sampleRateKnown);
        EXPECT_EQ(r.sampleRateHz, 8000.0);
        ASSERT_TRUE(r.record);
        EXPECT_EQ(r.record->parameters.symbolCount, 200);
        ASSERT_EQ(r.samples->size(), run.signal.size());
        IqSample last;
        r.samples->read(r.samples->size() - 1, 1, &last);
        // cf32 holds float32; the CSV text 6 significant digits.
        EXPECT_NEAR(last.real(), run.signal.back().i, 1e-5);
        EXPECT_NEAR(last.imag(), run.signal.back().q, 1e-5);
        EXPECT_FALSE(r.recipe.empty());
    }
}

TEST(OpenRecording, ACsvOnlyRunsMetadataLeadsToItsCsvFile) {
    const TempDir dir;
    ASSERT_FALSE(makeRun(dir.str(), OutputFormat::Csv).signal.empty());
    const Recording r = openRecording(dir.file("modulated_signal_1.sigmf-meta"));
    EXPECT_EQ(r.encoding, SampleEncoding::Csv);
    EXPECT_EQ(r.dataPath, dir.file("modulated_signal_1.csv"));
}

TEST(OpenRecording, ForeignMetadataGivesTypeRateAndAnnotations) {
    const TempDir dir;
    writeText(dir.file("x.sigmf-data"), std::string(4 * 10, '\0'));
    writeText(
        dir.file("x.sigmf-meta"),
        R"({"global": {"core:datatype": "ci16_le", "core:sample_rate": 2.5e6, "core:version": "1.0.0"},
                  "captures": [{"core:sample_start": 0, "core:frequency": 915e6}],
                  "annotations": [{"core:sample_start": 2, "core:sample_count": 5,
                                   "core:freq_lower_edge": -1000.0, "core:freq_upper_edge": 3000, "core:label": "burst"}]})");
    const Recording r = openRecording(dir.file("x.sigmf-meta"));
    EXPECT_EQ(r.encoding, SampleEncoding::Ci16Le);
    EXPECT_EQ(r.samples->size(), 10u);
    EXPECT_EQ(r.sampleRateHz, 2.5e6);
    EXPECT_EQ(r.centreFrequencyHz, 915e6);
    ASSERT_EQ(r.annotations.size(), 1u);
    EXPECT_EQ(r.annotations[0].sampleStart, 2u);
    EXPECT_EQ(r.annotations[0].sampleCount, 5u);
    EXPECT_EQ(r.annotations[0].freqUpperHz, 3000.0);
    EXPECT_EQ(r.annotations[0].label, "burst");
    EXPECT_FALSE(r.record);
    // A data file alone is cf32 at an unknown rate.
    writeText(dir.file("y.sigmf-data"), std::string(16, '\0'));
    const Recording bare = openRecording(dir.file("y.sigmf-data"));
    EXPECT_FALSE(bare.sampleRateKnown);
    EXPECT_EQ(bare.samples->size(), 2u);
}

TEST(OpenRecording, HostileMetadataIsRefusedNamingTheKeyWithItsEchoCutAndEscaped) {
    const TempDir dir;
    writeText(dir.file("m.sigmf-data"), std::string(8, '\0'));
    const std::string deep = std::string(100, '[') + std::string(100, ']');
    const struct {
        std::string meta;
        std::string reason;
    } cases[] = {
        {"not json", "not JSON"},
        {"[1]", "no \"global\" object"},
        {deep, "nested deeper than"},
        {R"({"global": {"core:datatype": "cf32_le", "core:sample_rate": 1e400}})", "not JSON"},
        {R"({"global": {"core:datatype": "rf64_le\u001b[31m)" + std::string(200, 'x') + "\"}}",
         "\"core:datatype\" \"rf64_le\\x1b[31m"},
        {R"({"global": {"core:datatype": 7}})", "\"core:datatype\" is not a string"},
        {R"({"global": {"core:datatype": "cf32_le", "core:sample_rate": -1}})",
         "\"core:sample_rate\""},
        {R"({"global": {"core:datatype": "cf32_le", "core:sample_rate": "fast"}})",
         "\"core:sample_rate\" is not a number"},
        {R"({"global": {"core:datatype": "cf32_le"}, "annotations": {}})",
         "\"annotations\" is not an array"},
        {R"({"global": {"core:datatype": "cf32_le"}, "annotations": [{"core:sample_start": -3}]})",
         "\"core:sample_start\" is not an integer"},
    };
    for (const auto& c : cases) {
        writeText(dir.file("m.sigmf-meta"), c.meta);
        try {
            openRecording(dir.file("m.sigmf-meta"));
            ADD_FAILURE() << c.meta.substr(0, 80) << " was read";
        } catch (const std::runtime_error& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(c.reason), std::string::npos) << what;
            EXPECT_LT(what.size(), 400u);
            EXPECT_EQ(what.find('\x1b'), std::string::npos);
        }
    }
    EXPECT_THROW(openRecording(dir.file("m.wav")), std::runtime_error);
}

}  // namespace
}  // namespace quorvel
