#include "app/survey.h"

#include "app/workerpool.h"

namespace corvath::app {

Result<SurveyTotals> RunSurvey(const SurveyManifest& manifest, const AnalysisSettings& settings,
                               const std::string& out, const SurveyOptions& options) {
  if (Outcome prepared = PrepareSurveyFolder(manifest, settings, out); !prepared.done()) return prepared;
  const std::size_t total = manifest.stations.size();
  // Workers compute stations; this thread draws their figures and writes station.json,
  // one station at a time, so that the drawing stays on one thread.
  SurveyTotals totals;
  Outcome failure = Outcome::Done();
  std::size_t finished = 0;
  RunOnWorkers(
      total, options.jobs,
      [&](std::size_t index) { return ComputeSurveyStation(manifest, index, settings, out); },
      [&](StationRun run) {
        if (Outcome written = FinishSurveyStation(run, manifest, out, options.figure, totals.notices);
            !written.done() && failure.done())
          failure = written;
        if (options.progress) options.progress(++finished, total, run);
      });
  if (!failure.done()) return failure;
  Result<SurveyTotals> merged = MergeSurvey(out, options.map);
  if (merged.done()) merged->notices.insert(merged->notices.begin(), totals.notices.begin(), totals.notices.end());
  return merged;
}

}  // namespace corvath::app
