#include "analyzer/group_similarity.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "analyzer/mean_spectrum.h"
#include "analyzer/spectral_front_end.h"

namespace orvelle {
namespace {

// Groups whose band energies are set directly: each band of a fixed table
// gets its energy from a single bin of a one-frame mean spectrum.
class GroupSimilarityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(frontEnd_.setUp(10));
    frontEnd_.setSampleRate(8000.0);
  }

  FeatureGroup groupWith(std::initializer_list<double> energies) {
    std::vector<BandTableEntry> rows;
    double weight = 0.4;
    for (std::size_t i = 0; i < energies.size(); ++i) {
      rows.push_back({static_cast<std::int32_t>(500 + 500 * i), 100, weight});
      weight /= 2.0;
    }
    FeatureGroup group;
    EXPECT_TRUE(group.build(rows, &frontEnd_));
    std::vector<double> power(513, 0.0);
    std::size_t i = 0;
    for (double energy : energies) power[static_cast<std::size_t>(group.band(static_cast<std::int32_t>(i++)).lowerBin)] = energy;
    MeanSpectrum spectrum;
    spectrum.resize(512);
    EXPECT_TRUE(spectrum.add(power.data()));
    group.update(spectrum);
    return group;
  }

  FeatureGroup tableGroup(BandTable table, double level) {
    FeatureGroup group;
    EXPECT_TRUE(group.build(table, &frontEnd_));
    std::vector<double> power(513, level);
    MeanSpectrum spectrum;
    spectrum.resize(512);
    EXPECT_TRUE(spectrum.add(power.data()));
    group.update(spectrum);
    return group;
  }

  SpectralFrontEnd frontEnd_;
};

TEST_F(GroupSimilarityTest, IdenticalOrUnjudgeableGroupsScoreFull) {
  const FeatureGroup source = groupWith({4.0, 2.0, 7.5});
  EXPECT_EQ(groupSimilarity(source, source, WeightMode::uniform), 100.0);
  EXPECT_EQ(groupSimilarity(source, source, WeightMode::table), 100.0);

  const FeatureGroup empty;
  EXPECT_EQ(groupSimilarity(empty, source, WeightMode::uniform), 100.0);

  const FeatureGroup faint = groupWith({0.001, 0.0005, 0.0});
  const FeatureGroup loud = groupWith({50.0, 80.0, 20.0});
  EXPECT_EQ(groupSimilarity(faint, loud, WeightMode::uniform), 100.0);
  EXPECT_EQ(groupSimilarity(faint, loud, WeightMode::table), 100.0);
}

TEST_F(GroupSimilarityTest, EachBandCostsItsWeightTimesTheRelativeErrorUpToItsWeight) {
  const FeatureGroup source = groupWith({1.0, 1.0});
  // Two bands, uniform weight 0.5 each: only the first band differs.
  EXPECT_DOUBLE_EQ(groupSimilarity(source, groupWith({1.5, 1.0}), WeightMode::uniform), 75.0);
  EXPECT_DOUBLE_EQ(groupSimilarity(source, groupWith({0.5, 1.0}), WeightMode::uniform), 75.0);
  EXPECT_DOUBLE_EQ(groupSimilarity(source, groupWith({2.0, 1.0}), WeightMode::uniform), 50.0);
  EXPECT_DOUBLE_EQ(groupSimilarity(source, groupWith({0.0, 1.0}), WeightMode::uniform), 50.0);
  EXPECT_DOUBLE_EQ(groupSimilarity(source, groupWith({3.0, 1.0}), WeightMode::uniform), 50.0);
  // Table weights 0.4 and 0.2: a doubled first band costs 40, not 50.
  EXPECT_DOUBLE_EQ(groupSimilarity(source, groupWith({2.0, 1.0}), WeightMode::table), 60.0);
  EXPECT_DOUBLE_EQ(groupSimilarity(source, groupWith({1.0, 1.5}), WeightMode::table), 90.0);
}

TEST_F(GroupSimilarityTest, ThresholdSkipsBandsAtOrBelowOneThousandth) {
  EXPECT_EQ(groupSimilarity(groupWith({0.001, 1.0}), groupWith({5.0, 1.0}), WeightMode::uniform), 100.0);
  EXPECT_EQ(groupSimilarity(groupWith({-0.001, 1.0}), groupWith({5.0, 1.0}), WeightMode::uniform), 100.0);
  // Skipped weight goes to no other band: the remaining band still costs 50.
  EXPECT_DOUBLE_EQ(groupSimilarity(groupWith({0.001, 1.0}), groupWith({5.0, 0.0}), WeightMode::uniform), 50.0);
  EXPECT_DOUBLE_EQ(groupSimilarity(groupWith({0.0011, 1.0}), groupWith({0.0, 1.0}), WeightMode::uniform), 50.0);
}

TEST_F(GroupSimilarityTest, ScaledEnergiesAndSilence) {
  const FeatureGroup source = tableGroup(mainBandTable(1), 1.0);
  EXPECT_NEAR(groupSimilarity(source, tableGroup(mainBandTable(1), 0.25), WeightMode::uniform), 25.0, 1e-9);
  EXPECT_EQ(groupSimilarity(source, tableGroup(mainBandTable(1), 4.0), WeightMode::uniform), 0.0);

  const FeatureGroup silent = tableGroup(mainBandTable(1), 0.0);
  EXPECT_EQ(groupSimilarity(source, silent, WeightMode::uniform), 0.0);
  // Table weights add up to just under 1, so a remainder stays.
  double weights = 0.0;
  for (std::int32_t i = 0; i < source.bandCount(); ++i) weights += source.weight(i, WeightMode::table);
  const double remainder = groupSimilarity(source, silent, WeightMode::table);
  EXPECT_GT(remainder, 0.0);
  EXPECT_NEAR(remainder, 100.0 * (1.0 - weights), 1e-9);
  EXPECT_NEAR(remainder, 0.0183, 0.0001);
}

TEST_F(GroupSimilarityTest, MissingProcessedBandsCountAsSilent) {
  const FeatureGroup source = groupWith({1.0, 1.0, 1.0, 1.0});
  const FeatureGroup shorter = groupWith({1.0, 1.0});
  EXPECT_DOUBLE_EQ(groupSimilarity(source, shorter, WeightMode::uniform), 50.0);
  EXPECT_EQ(groupSimilarity(source, FeatureGroup{}, WeightMode::uniform), 0.0);
}

}  // namespace
}  // namespace orvelle
