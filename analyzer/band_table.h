#pragma once

#include <cstdint>
#include <span>

namespace orvelle {

// One row of a band table: a frequency band and its weight in the
// table-weighted similarity.
struct BandTableEntry {
  std::int32_t centreHz;
  std::int32_t widthHz;
  double tableWeight;
};

using BandTable = std::span<const BandTableEntry>;

inline constexpr std::int32_t kMainGroupCount = 5;
inline constexpr std::int32_t kSecondaryGroupCount = 10;

// Main tables are numbered 1 to 5, secondary tables 0 to 9; any other number
// gives an empty table.
BandTable mainBandTable(std::int32_t number);
BandTable secondaryBandTable(std::int32_t number);

}  // namespace orvelle
