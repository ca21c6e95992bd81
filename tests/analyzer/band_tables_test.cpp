#include "analyzer/band_table.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace orvelle {
namespace {

// Fingerprints of the fifteen band tables: row count, the sums of centres,
// widths and weights, and the same sums weighted by row number (1-based), so
// that a mistyped digit, a dropped row or two swapped rows all show up.
struct TableFingerprint {
  bool main;
  std::int32_t number;
  std::size_t rows;
  std::int64_t centreSum;
  std::int64_t widthSum;
  std::int64_t rankedCentreSum;
  std::int64_t rankedWidthSum;
  double weightSum;
  double rankedWeightSum;
};

constexpr TableFingerprint kFingerprints[] = {
    {true, 1, 20, 47400, 3004, 739000, 45720, 0.999817, 14.188816},
    {true, 2, 10, 22300, 1660, 182500, 12850, 0.998984, 6.771415},
    {true, 3, 24, 75401, 15480, 1449311, 303430, 0.999743, 14.78815},
    {true, 4, 20, 49794, 9900, 730298, 155155, 0.999843, 12.881439},
    {true, 5, 20, 33674, 3993, 485623, 48176, 0.999858, 15.991784},
    {false, 0, 6, 10760, 533, 50379, 2099, 0.999422, 5.01543},
    {false, 1, 6, 10580, 523, 50043, 1987, 0.999609, 5.070526},
    {false, 2, 6, 9980, 489, 47338, 1650, 0.999696, 5.065039},
    {false, 3, 5, 9999, 377, 40022, 1206, 0.9996, 4.323112},
    {false, 4, 6, 10351, 425, 48185, 1520, 0.9996, 4.991193},
    {false, 5, 6, 10709, 446, 49591, 1675, 0.999617, 4.739583},
    {false, 6, 5, 9239, 371, 37343, 1164, 0.999515, 4.578784},
    {false, 7, 6, 10039, 429, 45614, 1453, 0.999416, 4.616262},
    {false, 8, 6, 11003, 458, 50727, 1638, 0.999486, 5.015416},
    {false, 9, 6, 10497, 381, 49721, 1308, 0.999788, 5.066936},
};

TEST(BandTables, EveryRowMatchesItsFingerprint) {
  for (const TableFingerprint& expected : kFingerprints) {
    const BandTable table = expected.main ? mainBandTable(expected.number) : secondaryBandTable(expected.number);
    const char* kind = expected.main ? "main " : "secondary ";
    ASSERT_EQ(table.size(), expected.rows) << kind << expected.number;
    std::int64_t centres = 0, widths = 0, rankedCentres = 0, rankedWidths = 0;
    double weights = 0.0, rankedWeights = 0.0;
    for (std::size_t i = 0; i < table.size(); ++i) {
      const std::int64_t rank = static_cast<std::int64_t>(i) + 1;
      centres += table[i].centreHz;
      widths += table[i].widthHz;
      rankedCentres += rank * table[i].centreHz;
      rankedWidths += rank * table[i].widthHz;
      weights += table[i].tableWeight;
      rankedWeights += static_cast<double>(rank) * table[i].tableWeight;
      if (i > 0) {
        EXPECT_GT(table[i].centreHz, table[i - 1].centreHz) << kind << expected.number << " row " << i;
      }
    }
    EXPECT_EQ(centres, expected.centreSum) << kind << expected.number;
    EXPECT_EQ(widths, expected.widthSum) << kind << expected.number;
    EXPECT_EQ(rankedCentres, expected.rankedCentreSum) << kind << expected.number;
    EXPECT_EQ(rankedWidths, expected.rankedWidthSum) << kind << expected.number;
    // Weights have six decimals: any wrong digit moves these by 1e-6 or more.
    EXPECT_NEAR(weights, expected.weightSum, 1e-9) << kind << expected.number;
    EXPECT_NEAR(rankedWeights, expected.rankedWeightSum, 1e-9) << kind << expected.number;
  }
}

TEST(BandTables, RowsAlwaysDroppedAtEightKilohertzWeighNothing) {
  const BandTable main1 = mainBandTable(1);
  for (std::size_t i = 16; i < 20; ++i) EXPECT_EQ(main1[i].tableWeight, 0.0) << i;
  const BandTable main2 = mainBandTable(2);
  for (std::size_t i = 8; i < 10; ++i) EXPECT_EQ(main2[i].tableWeight, 0.0) << i;
  const BandTable main3 = mainBandTable(3);
  for (std::size_t i = 18; i < 24; ++i) EXPECT_EQ(main3[i].tableWeight, 0.0) << i;
  const BandTable main4 = mainBandTable(4);
  for (std::size_t i = 17; i < 20; ++i) EXPECT_EQ(main4[i].tableWeight, 0.0) << i;
}

}  // namespace
}  // namespace orvelle
