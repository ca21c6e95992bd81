#include "session/signal_plans.h"

#include <array>

namespace orvelle {
namespace {

// Centre / width in Hz, in the order the bands are played.
constexpr std::array kShortBands{
    NoiseBand{200, 60},   NoiseBand{300, 60},   NoiseBand{500, 60},   NoiseBand{800, 70},
    NoiseBand{1000, 80},  NoiseBand{1500, 100}, NoiseBand{2000, 130}, NoiseBand{3000, 200},
};

constexpr std::array kNormalBands{
    NoiseBand{149, 74},   NoiseBand{207, 117},  NoiseBand{324, 117},  NoiseBand{445, 125},
    NoiseBand{574, 133},  NoiseBand{715, 148},  NoiseBand{867, 156},  NoiseBand{1035, 180},
    NoiseBand{1219, 188}, NoiseBand{1410, 195}, NoiseBand{1609, 203}, NoiseBand{1816, 211},
    NoiseBand{2047, 250}, NoiseBand{2301, 258}, NoiseBand{2551, 242}, NoiseBand{2797, 250},
    NoiseBand{3035, 227}, NoiseBand{3273, 250}, NoiseBand{3539, 281}, NoiseBand{3804, 313},
};

constexpr std::array kLongBands{
    // Narrow bands from 200 Hz to 3000 Hz.
    NoiseBand{200, 53},   NoiseBand{300, 50},   NoiseBand{400, 50},   NoiseBand{500, 50},
    NoiseBand{600, 53},   NoiseBand{700, 54},   NoiseBand{800, 58},   NoiseBand{900, 60},
    NoiseBand{1000, 63},  NoiseBand{1250, 71},  NoiseBand{1500, 80},  NoiseBand{1750, 87},
    NoiseBand{2000, 98},  NoiseBand{2500, 120}, NoiseBand{3000, 141},
    // The Short bands.
    NoiseBand{200, 60},   NoiseBand{300, 60},   NoiseBand{500, 60},   NoiseBand{800, 70},
    NoiseBand{1000, 80},  NoiseBand{1500, 100}, NoiseBand{2000, 130}, NoiseBand{3000, 200},
    // Wider bands from 51 Hz to 3400 Hz.
    NoiseBand{51, 80},    NoiseBand{150, 100},  NoiseBand{250, 100},  NoiseBand{350, 100},
    NoiseBand{450, 110},  NoiseBand{570, 120},  NoiseBand{700, 140},  NoiseBand{840, 150},
    NoiseBand{1000, 160}, NoiseBand{1170, 190}, NoiseBand{1370, 210}, NoiseBand{1600, 240},
    NoiseBand{1850, 280}, NoiseBand{2150, 320}, NoiseBand{2500, 380}, NoiseBand{2900, 450},
    NoiseBand{3400, 550},
    // Wider still, from 260 Hz to 3755 Hz.
    NoiseBand{260, 320},  NoiseBand{495, 150},  NoiseBand{640, 140},  NoiseBand{787, 155},
    NoiseBand{947, 165},  NoiseBand{1125, 190}, NoiseBand{1315, 190}, NoiseBand{1505, 190},
    NoiseBand{1690, 180}, NoiseBand{1870, 180}, NoiseBand{2050, 180}, NoiseBand{2230, 180},
    NoiseBand{2435, 230}, NoiseBand{2725, 350}, NoiseBand{3100, 400}, NoiseBand{3480, 360},
    NoiseBand{3755, 390},
    // The Normal bands with a lower first and a lower last band.
    NoiseBand{120, 100},  NoiseBand{207, 117},  NoiseBand{324, 117},  NoiseBand{445, 125},
    NoiseBand{574, 133},  NoiseBand{715, 148},  NoiseBand{867, 156},  NoiseBand{1035, 180},
    NoiseBand{1219, 188}, NoiseBand{1410, 195}, NoiseBand{1609, 203}, NoiseBand{1816, 211},
    NoiseBand{2047, 250}, NoiseBand{2301, 258}, NoiseBand{2551, 242}, NoiseBand{2797, 250},
    NoiseBand{3035, 227}, NoiseBand{3273, 250}, NoiseBand{3539, 281}, NoiseBand{3736, 313},
};

// Modulation rate in Hz, length in samples (5 s each), reserved.
constexpr std::array kFiveSecondSegments{
    ModulationSegment{0.63, 40000, 0},  ModulationSegment{0.84, 40000, 0},
    ModulationSegment{1.05, 40000, 0},  ModulationSegment{1.26, 40000, 0},
    ModulationSegment{1.68, 40000, 0},  ModulationSegment{2.1, 40000, 0},
    ModulationSegment{2.52, 40000, 0},  ModulationSegment{3.36, 40000, 0},
    ModulationSegment{4.2, 40000, 0},   ModulationSegment{5.04, 40000, 0},
    ModulationSegment{6.72, 40000, 0},  ModulationSegment{8.4, 40000, 0},
    ModulationSegment{10.08, 40000, 0}, ModulationSegment{13.44, 40000, 0},
};

// The same rates, shortened to 2.5 s and 1.25 s for the faster ones.
constexpr std::array kLongSegments{
    ModulationSegment{0.63, 40000, 0},  ModulationSegment{0.84, 40000, 0},
    ModulationSegment{1.05, 40000, 0},  ModulationSegment{1.26, 40000, 0},
    ModulationSegment{1.68, 40000, 0},  ModulationSegment{2.1, 20000, 0},
    ModulationSegment{2.52, 20000, 0},  ModulationSegment{3.36, 20000, 0},
    ModulationSegment{4.2, 20000, 0},   ModulationSegment{5.04, 20000, 0},
    ModulationSegment{6.72, 10000, 0},  ModulationSegment{8.4, 10000, 0},
    ModulationSegment{10.08, 10000, 0}, ModulationSegment{13.44, 10000, 0},
};

template <typename Bands, typename Segments>
constexpr SignalPlan makePlan(const Bands& bands, const Segments& segments) {
  return SignalPlan{bands.data(), static_cast<std::int32_t>(bands.size()), segments.data(),
                    static_cast<std::int32_t>(segments.size())};
}

// Indexed by size type.
constexpr std::array kPlans{
    makePlan(kShortBands, kFiveSecondSegments),
    makePlan(kNormalBands, kFiveSecondSegments),
    makePlan(kLongBands, kLongSegments),
};

}  // namespace

const SignalPlan* signalPlan(std::int32_t sizeType) {
  if (sizeType < 0 || sizeType >= static_cast<std::int32_t>(kPlans.size())) return nullptr;
  return &kPlans[static_cast<std::size_t>(sizeType)];
}

std::int64_t plannedSampleCount(const SignalPlan& plan) {
  std::int64_t bandLength = kBandSilenceSamples;
  for (std::int32_t s = 0; s < plan.segmentCount; ++s) bandLength += plan.segments[s].length;
  return static_cast<std::int64_t>(plan.bandCount) * bandLength;
}

}  // namespace orvelle
