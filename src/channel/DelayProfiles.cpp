#include "channel/DelayProfiles.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace quorvel {
namespace {

struct TableTap {
    double delay;    // normalised
    double powerDb;
};

// TR 38.901 tables 7.7.2-1 to 7.7.2-5, in the tables' row order.
constexpr TableTap kTdlA[] = {
    {0.0000, -13.4}, {0.3819, 0.0},   {0.4025, -2.2},  {0.5868, -4.0},  {0.4610, -6.0},  {0.5375, -8.2},
    {0.6708, -9.9},  {0.5750, -10.5}, {0.7618, -7.5},  {1.5375, -15.9}, {1.8978, -6.6},  {2.2242, -16.7},
    {2.1718, -12.4}, {2.4942, -15.2}, {2.5119, -10.8}, {3.0582, -11.3}, {4.0810, -12.7}, {4.4579, -16.2},
    {4.5695, -18.3}, {4.7966, -18.9}, {5.0066, -16.6}, {5.3043, -19.9}, {9.6586, -29.7}};
constexpr TableTap kTdlB[] = {
    {0.0000, 0.0},  {0.1072, -2.2}, {0.2155, -4.0},  {0.2095, -3.2}, {0.2870, -9.8},  {0.2986, -1.2},
    {0.3752, -3.4}, {0.5055, -5.2}, {0.3681, -7.6},  {0.3697, -3.0}, {0.5700, -8.9},  {0.5283, -9.0},
    {1.1021, -4.8}, {1.2756, -5.7}, {1.5474, -7.5},  {1.7842, -1.9}, {2.0169, -7.6},  {2.8294, -12.2},
    {3.0219, -9.8}, {3.6187, -11.4}, {4.1067, -14.9}, {4.2790, -9.2}, {4.7834, -11.3}};
constexpr TableTap kTdlC[] = {
    {0.0000, -4.4},  {0.2099, -1.2},  {0.2219, -3.5},  {0.2329, -5.2},  {0.2176, -2.5},  {0.6366, 0.0},
    {0.6448, -2.2},  {0.6560, -3.9},  {0.6584, -7.4},  {0.7935, -7.1},  {0.8213, -10.7}, {0.9336, -11.1},
    {1.2285, -5.1},  {1.3083, -6.8},  {2.1704, -8.7},  {2.7105, -13.2}, {4.2589, -13.9}, {4.6003, -13.9},
    {5.4902, -15.8}, {5.6077, -17.1}, {6.3065, -16.0}, {6.6374, -15.7}, {7.0427, -21.6}, {8.6523, -22.8}};
// The first row of D and E is the line-of-sight path.
constexpr TableTap kTdlD[] = {
    {0.000, -0.2},  {0.000, -13.5}, {0.035, -18.8}, {0.612, -21.0}, {1.363, -22.8},
    {1.405, -17.9}, {1.804, -20.1}, {2.596, -21.9}, {1.775, -22.9}, {4.042, -27.8},
    {7.937, -23.6}, {9.424, -24.8}, {9.708, -30.0}, {12.525, -27.7}};
constexpr TableTap kTdlE[] = {
    {0.0000, -0.03},  {0.0000, -22.03}, {0.5133, -15.8}, {0.5440, -18.1}, {0.5630, -19.8},
    {0.5440, -22.9},  {0.7112, -22.4},  {1.9092, -18.6}, {1.9293, -20.8}, {1.9589, -22.6},
    {2.6426, -22.3},  {3.7136, -25.6},  {5.4524, -20.2}, {12.0034, -29.8}, {20.6519, -29.2}};

std::span<const TableTap> tableOf(DelayProfile profile) {
    switch (profile) {
        case DelayProfile::TdlA: return kTdlA;
        case DelayProfile::TdlB: return kTdlB;
        case DelayProfile::TdlC: return kTdlC;
        case DelayProfile::TdlD: return kTdlD;
        case DelayProfile::TdlE: return kTdlE;
        case DelayProfile::Exponential: break;
    }
    return {};
}

// Far below any sample's rounding: an exponential tap many decay lengths out stays finite.
constexpr double kLowestTapDb = -300.0;

bool hasLineOfSight(DelayProfile profile) {
    return profile == DelayProfile::TdlD || profile == DelayProfile::TdlE;
}

}  // namespace

std::optional<std::string_view> delayProfileName(std::size_t index) {
    constexpr std::string_view kNames[] = {"exponential", "tdl-a", "tdl-b", "tdl-c", "tdl-d", "tdl-e"};
    return index < std::size(kNames) ? std::optional(kNames[index]) : std::nullopt;
}

std::size_t delayProfileTapCount(DelayProfile profile, std::size_t exponentialTaps) {
    return profile == DelayProfile::Exponential ? exponentialTaps : tableOf(profile).size();
}

std::vector<MultipathTap> delayProfileTaps(DelayProfile profile, double spreadSeconds, std::size_t exponentialTaps,
                                           double samplingRateHz) {
    const double spreadSamples = spreadSeconds * samplingRateHz;
    std::vector<MultipathTap> taps;
    std::vector<double> powers;
    if (profile == DelayProfile::Exponential) {
        for (std::size_t k = 0; k < exponentialTaps; ++k) {
            taps.push_back({.delaySamples = static_cast<double>(k)});
            powers.push_back(std::exp(-static_cast<double>(k) / spreadSamples));
        }
    } else {
        for (const TableTap& row : tableOf(profile)) {
            taps.push_back({.delaySamples = row.delay * spreadSamples});
            powers.push_back(std::pow(10.0, row.powerDb / 10.0));
        }
        taps.front().fades = !hasLineOfSight(profile);
    }
    double total = 0.0;
    for (const double power : powers) {
        total += power;
    }
    for (std::size_t k = 0; k < taps.size(); ++k) {
        taps[k].gainDb = std::max(kLowestTapDb, 10.0 * std::log10(powers[k] / total));
    }
    return taps;
}

}  // namespace quorvel
