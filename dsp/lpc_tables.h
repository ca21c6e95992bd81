#pragma once

#include <array>

#include "dsp/lpc_analysis.h"

namespace orvelle {

constexpr int kLspGridSize = 61;

extern const std::array<double, kLpcWindowLength> kLpcAnalysisWindow;
extern const std::array<double, kAutocorrelationOrder> kLpcLagWindow;  // lags 1..12 at indices 0..11
extern const std::array<double, kLspGridSize> kLspGrid;
extern const std::array<double, kLpcOrder> kLspFallback;

}  // namespace orvelle
