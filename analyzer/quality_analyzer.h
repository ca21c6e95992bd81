#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analyzer/analysis_frame.h"
#include "analyzer/analysis_result.h"
#include "analyzer/band_table.h"
#include "analyzer/feature_group.h"
#include "analyzer/mean_spectrum.h"
#include "analyzer/prepared_activity.h"
#include "analyzer/spectral_front_end.h"
#include "platform/sample_array.h"
#include "platform/progress_counter.h"

namespace orvelle {

// Scores a processed speech signal against its source: the frames in which
// either signal carries speech are averaged into one long-term power spectrum
// per signal, summed into band sets and compared band by band. The score is
// a percentage, 100 meaning no measurable difference. Every run rebuilds all
// analysis state, so runs are independent of each other. It reads no file,
// writes none and follows no locale: what a run measured comes back as a
// value, from which callers write the measurement log and reports.
//
// One object serves one run at a time; it is not safe to call from two
// threads at once. The progress counter may be read by another thread
// while a run advances it.
class QualityAnalyzer {
 public:
  // Whether a run classifies and accumulates the two signals side by side
  // on two threads or one after the other; the results are the same.
  enum class Threading { sideBySide, single };

  // Why the last run gave no score.
  enum class Failure {
    none,
    missingBuffer,
    outOfMemory,
    // No band of any band set could be judged: the source is silent, or too
    // short to fill an analysis frame. Every set would keep its full score,
    // and 100 % for nothing measured would be a plainly wrong result.
    notMeasurable,
  };

  explicit QualityAnalyzer(Threading threading = Threading::sideBySide);
  // Batch rows that already fill the cores run their analyzers single.
  void setThreading(Threading threading) { threading_ = threading; }
  ~QualityAnalyzer();
  QualityAnalyzer(const QualityAnalyzer&) = delete;
  QualityAnalyzer& operator=(const QualityAnalyzer&) = delete;

  // Scores `count` samples of `processed` against `source`; the buffers stay
  // the caller's. `progress` (may be null) is set to 0 and raised in nine
  // equal steps of count / 9. A negative count is taken as 0. Returns the
  // score, or 0 with failure() and failureReason() set if a buffer is
  // missing, memory runs out or nothing could be measured.
  double compareBuffers(const std::int16_t* source, const std::int16_t* processed, std::int32_t count,
                        ProgressCounter* progress);

  // Starts the source's half of a compareBuffers early: the speech activity
  // of `count` samples of `source` is classified on a thread of its own
  // while the caller does other work (such as having a codec recode them),
  // and the next compareBuffers of this very buffer and count takes it over.
  // The samples must stay unchanged until then or until dropPreparedSource;
  // any other call drops it. Runs on a single thread prepare nothing. The
  // result is the same either way.
  void prepareSource(const std::int16_t* source, std::int32_t count);
  // Waits for a classification prepareSource started and forgets it.
  void dropPreparedSource() { preparedSource_.reset(); }
  // Whether one is held for the next compareBuffers.
  bool hasPreparedSource() const { return preparedSource_ != nullptr; }

  // Whether runs also measure the companion figures (delay, segmental SNR,
  // level) into lastResult().companion; off by default, since they cost
  // time. They never change the score or the log.
  void setCompanionFigures(bool measure) { measureCompanions_ = measure; }

  // What the last run measured, and why the last call failed (empty after
  // a success).
  const AnalysisResult& lastResult() const { return result_; }
  Failure failure() const { return failure_; }
  const std::string& failureReason() const { return failureReason_; }

  // The analysis state of the last run, for inspection.
  const FeatureGroup& sourceMainGroup(std::int32_t number) const;     // 1 to 5
  const FeatureGroup& processedMainGroup(std::int32_t number) const;  // 1 to 5
  const MeanSpectrum& sourceMean() const { return sourceMean_; }
  const MeanSpectrum& processedMean() const { return processedMean_; }

 private:
  // `preparedSource` (may be null) holds the source's flags classified ahead.
  double run(const std::int16_t* source, const std::int16_t* processed, std::int32_t count, ProgressCounter* progress,
             PreparedActivity* preparedSource = nullptr);
  void setUp();
  void process(const std::int16_t* source, const std::int16_t* processed, std::int32_t count, ProgressCounter* progress,
               PreparedActivity* preparedSource);
  // Both signals' activity flags, the source's own kept for the companion
  // figures, each detection step reported.
  void detect(const std::int16_t* source, const std::int16_t* processed, std::int32_t count, ProgressCounter* progress,
              std::int32_t step, PreparedActivity* preparedSource);
  void computeSimilarities();
  // Whether any band of any set had enough source energy to be judged.
  bool judgedAnyBand() const;
  double fail(Failure failure, std::string reason);
  void releaseRun();
  // Both signals' activity flags for a run of `count` samples, zero-filled;
  // false (with a reason, nothing held) if memory is short.
  bool allocateFlags(std::int32_t count);
  // Runs `sourceWork` here and `processedWork` beside it when allowed.
  template <typename SourceWork, typename ProcessedWork>
  void sideBySide(SourceWork&& sourceWork, ProcessedWork&& processedWork, ProgressCounter* progress,
                  std::int32_t step);

  Threading threading_;
  SpectralFrontEnd frontEnd_;
  MeanSpectrum sourceMean_;
  MeanSpectrum processedMean_;
  std::array<FeatureGroup, kMainGroupCount> sourceMain_;
  std::array<FeatureGroup, kMainGroupCount> processedMain_;
  std::array<FeatureGroup, kSecondaryGroupCount> sourceSecondary_;
  std::array<FeatureGroup, kSecondaryGroupCount> processedSecondary_;
  FrameWorkArea sourceWork_;
  FrameWorkArea processedWork_;

  SampleArray sourceFlags_;
  SampleArray processedFlags_;

  AnalysisResult result_;
  Failure failure_ = Failure::none;
  std::string failureReason_;
  bool measureCompanions_ = false;
  std::vector<std::int16_t> sourceSpeech_;  // the source's own flags, before the merge
  std::unique_ptr<PreparedActivity> preparedSource_;
};

}  // namespace orvelle
