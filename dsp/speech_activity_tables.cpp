#include "dsp/speech_activity_tables.h"

namespace orvelle {

const std::array<double, 13> kLowBandCorrelation = {
    0.24017939691329,   // 0
    0.21398822343783,   // 1
    0.14767692339633,   // 2
    0.07018811903116,   // 3
    0.00980856433051,   // 4
    -0.02015934721195,  // 5
    -0.02388269958005,  // 6
    -0.01480076155002,  // 7
    -0.00503292155509,  // 8
    0.00012141366508,   // 9
    0.00119354245231,   // 10
    0.00065908718613,   // 11
    0.00015015782285,   // 12
};

namespace {
constexpr DecisionFeature SD = DecisionFeature::SpectralDistortion;
constexpr DecisionFeature dSE = DecisionFeature::EnergyDifference;
constexpr DecisionFeature dSLE = DecisionFeature::LowEnergyDifference;
constexpr DecisionFeature dSZC = DecisionFeature::ZeroCrossDifference;
constexpr bool kAbove = true;
constexpr bool kBelow = false;
constexpr bool kSlope = true;
constexpr bool kFlat = false;
}  // namespace

// Tested in this order; the first that holds makes the frame speech.
const std::array<DecisionBoundary, 14> kDecisionBoundaries = {{
    //  lhs    relation  slope?  slope         rhs    intercept
    {SD,   kAbove, kSlope, 0.00175,      dSZC, 0.00085},      //  1
    {SD,   kAbove, kSlope, -0.004545455, dSZC, 0.001159091},  //  2
    {dSE,  kBelow, kSlope, -25.0,        dSZC, -5.0},         //  3
    {dSE,  kBelow, kSlope, 20.0,         dSZC, -6.0},         //  4
    {dSE,  kBelow, kFlat,  0.0,          dSZC, -4.7},         //  5
    {dSE,  kBelow, kSlope, 8800.0,       SD,   -12.2},        //  6
    {SD,   kAbove, kFlat,  0.0,          SD,   0.0009},       //  7
    {dSE,  kBelow, kSlope, 25.0,         dSZC, -7.0},         //  8
    {dSE,  kBelow, kSlope, -29.09091,    dSZC, -4.8182},      //  9
    {dSE,  kBelow, kFlat,  0.0,          dSZC, -5.3},         // 10
    {dSLE, kBelow, kSlope, 14000.0,      SD,   -15.5},        // 11
    {dSLE, kAbove, kSlope, 0.928571,     dSE,  1.14285},      // 12
    {dSLE, kBelow, kSlope, -1.5,         dSE,  -9.0},         // 13
    {dSLE, kBelow, kSlope, 0.714285,     dSE,  -2.1428571},   // 14
}};

const std::array<UpdateSpeeds, 6> kUpdateSpeeds = {{
    // from count  cE      cZ     cS
    {1,  0.75,  0.8,   0.6},
    {20, 0.95,  0.92,  0.65},
    {30, 0.97,  0.94,  0.7},
    {40, 0.99,  0.96,  0.75},
    {50, 0.995, 0.99,  0.75},
    {60, 0.995, 0.998, 0.75},
}};

}  // namespace orvelle
