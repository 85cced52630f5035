#pragma once
// The Slurm job array that runs a survey's stations on a cluster, one task each.
#include <string>

#include "app/outcome.h"
#include "app/settingsfile.h"
#include "app/surveymanifest.h"

namespace corvath::app {

//! OUT/survey.sbatch: a Slurm job array with one task per station, each running
//! `executable survey MANIFEST --out OUT --settings OUT/settings.json --station I`.
//! Writes the plan too.
Outcome WriteSurveyBatchScript(const SurveyManifest& manifest, const AnalysisSettings& settings,
                               const std::string& out, const std::string& executable);

}  // namespace corvath::app
