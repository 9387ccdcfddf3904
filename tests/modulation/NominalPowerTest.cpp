// Nominal mean power against each table's closed form.

#include "modulation/NominalPower.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "modulation/SchemeCatalog.h"

namespace quorvel {
namespace {

constexpr double kNominalPowerPowerTolerance = 1e-12;

struct NominalPowerCase {
    ModulationType type;
    std::int32_t order;
    double expected;
};

// The APSK rings' mean r^2, each ring weighted by its points.
double ringPower(std::initializer_list<std::pair<int, double>> rings) {
    double sum = 0.0;
    int points = 0;
    for (const auto& [size, radius] : rings) {
        sum += size * radius * radius;
        points += size;
    }
    return sum / points;
}

TEST(NominalPower, EachTableHasItsClosedForm) {
    // The 64 x 32 rectangle of odd integers over its peak energy 63^2 + 31^2.
    const double rectangle = ((64.0 * 64.0 - 1.0) / 3.0 + (32.0 * 32.0 - 1.0) / 3.0) / (63.0 * 63.0 + 31.0 * 31.0);
    const NominalPowerCase cases[] = {
        {ModulationType::Psk, 2, 1.0},
        {ModulationType::Psk, 64, 1.0},
        {ModulationType::Psk, 4099, 1.0},                     // past one block of mapped points
        {ModulationType::Qam, 65536, 2.0 * 65535.0 / 3.0},  // sixteen blocks
        {ModulationType::Oqpsk, 0, 2.0},  // (+-1, +-1)
        {ModulationType::Pi4Dqpsk, 0, 1.0},
        {ModulationType::Qam, 16, 2.0 * 15.0 / 3.0},  // odd integers: 2 (M - 1) / 3
        {ModulationType::Qam, 256, 2.0 * 255.0 / 3.0},
        {ModulationType::Qam, 32, 0.8},  // 20 x 0.2^2
        {ModulationType::Qam, 2048, rectangle},
        {ModulationType::Qam, 128, 1.0},
        {ModulationType::Qam, 512, 1.0},
        {ModulationType::Apsk, 16, ringPower({{4, 0.5}, {12, 1.5}})},
        {ModulationType::Apsk, 128, ringPower({{16, 1.0}, {16, 1.6}, {16, 2.2}, {16, 2.8}, {16, 3.4}, {48, 4.2}})},
        {ModulationType::Ook, 2, 1.0},
        {ModulationType::Ask, 64, 1.0},
        {ModulationType::Pam, 8, 1.0},
        {ModulationType::Fsk, 8, 1.0},
        {ModulationType::Gmsk, 0, 1.0},
        {ModulationType::Tone, 0, 1.0},
        {ModulationType::Gfsk, 4, 1.0},
        {ModulationType::Chirpss, 0, 1.0},
        {ModulationType::Lfm, 0, 256.0 / (256.0 + 256.0)},  // the default pulse and gap
    };
    for (const NominalPowerCase& c : cases) {
        SignalParameters p;
        p.modulationType = c.type;
        setChosenOrder(p, c.order);
        p.transmitter.gray = true;  // relabels only
        EXPECT_NEAR(nominalMeanPower(p), c.expected, kNominalPowerPowerTolerance) << modulationName(c.type) << " " << c.order;
    }
    SignalParameters unknown;
    unknown.modulationType = static_cast<ModulationType>(0);
    EXPECT_TRUE(std::isnan(nominalMeanPower(unknown)));
    SignalParameters offTable;
    offTable.modulationType = ModulationType::Ask;
    setChosenOrder(offTable, 6);
    EXPECT_TRUE(std::isnan(nominalMeanPower(offTable)));
}

}  // namespace
}  // namespace quorvel
