// The reference recipes read as the datasets they stand in for: RadioML 2018.01A's and 2016.10A's
// class lists, SNR grids and sizes, and the row arithmetic a loader written for those files uses
// (row = (class x SNRs + snr index) x captures + k) lands on the capture our plan makes there.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "dataset/CapturePlan.h"
#include "dataset/DatasetRecipe.h"

namespace quorvel {
namespace {

struct ReferenceShape {
    const char* file;
    std::vector<std::string> labels;  // as the original dataset orders them
    double lowestSnrDb;
    std::size_t snrCount;
    std::uint64_t capturesPerClassAndSnr;
    std::uint32_t samples;
    AnalogSnrBand analogSnrBand;  // as the README says the analog classes' SNR is counted
};

const ReferenceShape kReferenceRecipesShapes[] = {
    {"radioml2018.json",
     {"OOK", "4ASK", "8ASK", "BPSK", "QPSK", "8PSK", "16PSK", "32PSK", "16APSK", "32APSK", "64APSK", "128APSK",
      "16QAM", "32QAM", "64QAM", "128QAM", "256QAM", "AM-SSB-WC", "AM-SSB-SC", "AM-DSB-WC", "AM-DSB-SC", "FM",
      "GMSK", "OQPSK"},
     -20.0, 26, 4096, 1024, AnalogSnrBand::Occupied},
    {"radioml2016.json",
     {"8PSK", "AM-DSB", "AM-SSB", "BPSK", "CPFSK", "GFSK", "PAM4", "QAM16", "QAM64", "QPSK", "WBFM"},
     -20.0, 20, 1000, 128, AnalogSnrBand::Sampling},
};

class ReferenceRecipe : public testing::TestWithParam<ReferenceShape> {};

TEST_P(ReferenceRecipe, HasTheOriginalsShapeAndRows) {
    const ReferenceShape& shape = GetParam();
    const RecipeReading reading = readDatasetRecipeFile(std::string(QUORVEL_EXAMPLES_DIR "/datasets/") + shape.file);
    ASSERT_TRUE(reading) << reading.problem;
    const DatasetRecipe& recipe = *reading.recipe;
    ASSERT_EQ(recipe.classes.size(), shape.labels.size());
    for (std::size_t c = 0; c < shape.labels.size(); ++c) {
        EXPECT_EQ(recipe.classes[c].label, shape.labels[c]) << "class " << c;
    }
    ASSERT_EQ(recipe.snrsDb.size(), shape.snrCount);
    EXPECT_EQ(recipe.snrDefinition, SnrDefinition::EsN0);
    EXPECT_EQ(recipe.analogSnrBand, shape.analogSnrBand);
    EXPECT_EQ(recipe.capturesPerClassAndSnr, shape.capturesPerClassAndSnr);
    EXPECT_EQ(recipe.samplesPerCapture, shape.samples);

    // The first, last and a middle capture of a few (class, SNR) cells, the corners included.
    const std::uint64_t perCell = shape.capturesPerClassAndSnr;
    const std::size_t lastClass = shape.labels.size() - 1;
    const std::size_t lastSnr = shape.snrCount - 1;
    const std::array<std::array<std::uint64_t, 3>, 6> cells{{{0, 0, 0},
                                                             {0, lastSnr, perCell - 1},
                                                             {1, 0, perCell / 2},
                                                             {lastClass / 2, lastSnr / 2, 7},
                                                             {lastClass, 1, 0},
                                                             {lastClass, lastSnr, perCell - 1}}};
    for (const auto& [c, s, k] : cells) {
        const std::uint64_t row = shape.snrCount * perCell * c + perCell * s + k;
        const CapturePlan plan = planCapture(recipe, row);
        EXPECT_EQ(plan.classIndex, c) << "row " << row;
        EXPECT_EQ(plan.snrIndex, s) << "row " << row;
        EXPECT_DOUBLE_EQ(plan.parameters.snrDb, shape.lowestSnrDb + 2.0 * static_cast<double>(s)) << "row " << row;
    }
    EXPECT_EQ(recipe.captureCount(), shape.labels.size() * shape.snrCount * perCell);
}

INSTANTIATE_TEST_SUITE_P(Examples, ReferenceRecipe, testing::ValuesIn(kReferenceRecipesShapes));

TEST(ReferenceRecipe, NarrowbandRecipeReads) {
    const RecipeReading reading = readDatasetRecipeFile(QUORVEL_EXAMPLES_DIR "/datasets/narrowband57.json");
    EXPECT_TRUE(reading) << reading.problem;
}

}  // namespace
}  // namespace quorvel
