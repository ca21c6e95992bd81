#include "analyzer/feature_group.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "analyzer/mean_spectrum.h"
#include "analyzer/spectral_front_end.h"

namespace orvelle {
namespace {

class FeatureGroupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(frontEnd_.setUp(10));
    frontEnd_.setSampleRate(8000.0);
    frontEnd_.setAnalysisWindow();
  }
  FeatureGroup built(BandTable table) {
    FeatureGroup group;
    group.build(table, &frontEnd_);
    return group;
  }
  SpectralFrontEnd frontEnd_;
};

TEST_F(FeatureGroupTest, FixedTablesKeepTheirBandsBelowNyquist) {
  const std::array<std::int32_t, 5> mainKept = {16, 8, 18, 17, 20};
  for (std::int32_t g = 1; g <= 5; ++g) {
    FeatureGroup group;
    EXPECT_TRUE(group.build(mainBandTable(g), &frontEnd_));
    EXPECT_EQ(group.bandCount(), mainKept[g - 1]) << "main " << g;
    double weights = 0.0;
    for (std::int32_t i = 0; i < group.bandCount(); ++i) {
      EXPECT_DOUBLE_EQ(group.weight(i, WeightMode::uniform), 1.0 / group.bandCount());
      EXPECT_LE(group.band(i).upperEdgeHz, 4000.0);
      weights += group.weight(i, WeightMode::table);
    }
    EXPECT_GT(weights, 0.9989) << "main " << g;
    EXPECT_LT(weights, 0.9999) << "main " << g;
  }
  for (std::int32_t i = 0; i < 10; ++i) {
    FeatureGroup group;
    EXPECT_TRUE(group.build(secondaryBandTable(i), &frontEnd_));
    EXPECT_EQ(group.bandCount(), static_cast<std::int32_t>(secondaryBandTable(i).size())) << "secondary " << i;
  }
  EXPECT_TRUE(mainBandTable(0).empty());
  EXPECT_TRUE(secondaryBandTable(10).empty());
}

TEST_F(FeatureGroupTest, WorkedBandsMapToTheirBins) {
  const FeatureGroup main1 = built(mainBandTable(1));
  EXPECT_DOUBLE_EQ(main1.band(0).lowerEdgeHz, 173.5);
  EXPECT_DOUBLE_EQ(main1.band(0).upperEdgeHz, 226.5);
  EXPECT_EQ(main1.band(0).lowerBin, 22);
  EXPECT_EQ(main1.band(0).upperBin, 28);  // exclusive: bins 22 to 27
  EXPECT_DOUBLE_EQ(main1.band(15).lowerEdgeHz, 3900.0);
  EXPECT_DOUBLE_EQ(main1.band(15).upperEdgeHz, 4000.0);
  EXPECT_DOUBLE_EQ(main1.band(15).widthHz, 100.0);
  EXPECT_DOUBLE_EQ(main1.band(15).centreHz, 3950.0);

  const FeatureGroup main3 = built(mainBandTable(3));
  EXPECT_DOUBLE_EQ(main3.band(17).lowerEdgeHz, 3650.0);
  EXPECT_DOUBLE_EQ(main3.band(17).upperEdgeHz, 4000.0);
  EXPECT_EQ(main3.band(17).lowerBin, 466);
  EXPECT_EQ(main3.band(17).upperBin, 511);

  const FeatureGroup main4 = built(mainBandTable(4));
  EXPECT_DOUBLE_EQ(main4.band(16).lowerEdgeHz, 3660.0);
  EXPECT_DOUBLE_EQ(main4.band(16).upperEdgeHz, 4000.0);

  const FeatureGroup main5 = built(mainBandTable(5));
  EXPECT_EQ(main5.band(0).lowerEdgeHz, 0.0);
  EXPECT_DOUBLE_EQ(main5.band(0).upperEdgeHz, 148.5);
  EXPECT_EQ(main5.band(0).lowerBin, 0);
  EXPECT_EQ(main5.band(0).upperBin, 18);
  EXPECT_DOUBLE_EQ(main5.band(0).tableWeight, 0.00517);
}

TEST_F(FeatureGroupTest, FittingRules) {
  const BandTableEntry oneRow[] = {{1000, 100, 0.5}};
  FeatureGroup group;
  EXPECT_FALSE(group.build(oneRow, &frontEnd_));
  EXPECT_EQ(group.bandCount(), 0);

  const BandTableEntry firstTooHigh[] = {{3990, 100, 0.5}, {5000, 100, 0.5}};
  EXPECT_FALSE(group.build(firstTooHigh, &frontEnd_));
  EXPECT_EQ(group.bandCount(), 0);

  // A band wholly above Nyquist ends the group even if a lower row follows.
  const BandTableEntry gap[] = {{1000, 100, 0.3}, {2000, 100, 0.3}, {4500, 100, 0.3}, {3000, 100, 0.1}};
  EXPECT_TRUE(group.build(gap, &frontEnd_));
  EXPECT_EQ(group.bandCount(), 2);
  EXPECT_DOUBLE_EQ(group.weight(1, WeightMode::uniform), 0.5);

  // Ending exactly at Nyquist is not trimmed and the fitting goes on.
  const BandTableEntry exact[] = {{1000, 100, 0.3}, {3950, 100, 0.3}, {4100, 400, 0.3}, {6000, 100, 0.1}};
  EXPECT_TRUE(group.build(exact, &frontEnd_));
  ASSERT_EQ(group.bandCount(), 3);
  EXPECT_DOUBLE_EQ(group.band(1).upperEdgeHz, 4000.0);
  EXPECT_DOUBLE_EQ(group.band(1).widthHz, 100.0);
  EXPECT_DOUBLE_EQ(group.band(2).lowerEdgeHz, 3900.0);
  EXPECT_DOUBLE_EQ(group.band(2).upperEdgeHz, 4000.0);

  // A later band reaching below 0 Hz empties the group; so does a zero width.
  const BandTableEntry negative[] = {{1000, 100, 0.5}, {10, 100, 0.5}};
  EXPECT_FALSE(group.build(negative, &frontEnd_));
  const BandTableEntry zeroWidth[] = {{1000, 100, 0.5}, {2000, 0, 0.5}};
  EXPECT_FALSE(group.build(zeroWidth, &frontEnd_));
  EXPECT_EQ(group.bandCount(), 0);
}

TEST_F(FeatureGroupTest, RefusesAMissingOrUnreadyFrontEnd) {
  FeatureGroup group;
  EXPECT_FALSE(group.build(mainBandTable(1), nullptr));
  SpectralFrontEnd noRate;
  ASSERT_TRUE(noRate.setUp(10));
  EXPECT_FALSE(group.build(mainBandTable(1), &noRate));
  EXPECT_EQ(group.bandCount(), 0);
}

TEST_F(FeatureGroupTest, RebuildReplacesTheBands) {
  FeatureGroup group;
  ASSERT_TRUE(group.build(mainBandTable(3), &frontEnd_));
  ASSERT_TRUE(group.build(mainBandTable(2), &frontEnd_));
  EXPECT_EQ(group.bandCount(), 8);
  EXPECT_DOUBLE_EQ(group.band(0).centreHz, 200.0);
  EXPECT_DOUBLE_EQ(group.band(0).widthHz, 60.0);
}

TEST_F(FeatureGroupTest, UpdateSumsHalfOpenBinRangesWithoutDc) {
  MeanSpectrum spectrum;
  spectrum.resize(512);
  std::vector<double> power(513);
  for (std::size_t i = 0; i < power.size(); ++i) power[i] = static_cast<double>(i) + 1.0;  // bin j holds j + 1
  ASSERT_TRUE(spectrum.add(power.data()));

  FeatureGroup main1 = built(mainBandTable(1));
  FeatureGroup main5 = built(mainBandTable(5));
  main1.update(spectrum);
  main5.update(spectrum);
  // Bins 22 to 27: 23 + 24 + ... + 28.
  EXPECT_DOUBLE_EQ(main1.band(0).energy, 153.0);
  // Bins 1 to 17 (bin 0 skipped): 2 + ... + 18.
  EXPECT_DOUBLE_EQ(main5.band(0).energy, 170.0);
  // Bins 498 to 510 of the trimmed top band; bin 511 is the exclusive end.
  const FeatureBand& top = main1.band(15);
  double expected = 0.0;
  for (std::int32_t j = top.lowerBin; j < top.upperBin; ++j) expected += j + 1.0;
  EXPECT_EQ(top.upperBin, 511);
  EXPECT_DOUBLE_EQ(top.energy, expected);

  MeanSpectrum silent;
  silent.resize(512);
  main1.update(silent);
  for (std::int32_t i = 0; i < main1.bandCount(); ++i) EXPECT_EQ(main1.band(i).energy, 0.0);

  // Bins beyond a shorter spectrum read as zero instead of failing.
  MeanSpectrum shortSpectrum;
  shortSpectrum.resize(25);
  ASSERT_TRUE(shortSpectrum.add(power.data()));
  main1.update(shortSpectrum);
  EXPECT_DOUBLE_EQ(main1.band(0).energy, 23.0 + 24.0 + 25.0);
}

TEST_F(FeatureGroupTest, ReadsOutsideTheGroupGiveTheZeroBand) {
  const FeatureGroup group = built(mainBandTable(2));
  for (std::int32_t index : {-1, 8, 1000}) {
    const FeatureBand& band = group.band(index);
    EXPECT_EQ(band.energy, 0.0);
    EXPECT_EQ(band.centreHz, 0.0);
    EXPECT_EQ(band.upperBin, 0);
    EXPECT_EQ(group.weight(index, WeightMode::uniform), 0.0);
    EXPECT_EQ(group.weight(index, WeightMode::table), 0.0);
  }
}

}  // namespace
}  // namespace orvelle
