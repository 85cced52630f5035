#include "app/surveyplan.h"

#include <nlohmann/json.hpp>

#include "app/atomicfile.h"
#include "app/inputfile.h"

namespace corvath::app {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

fs::path StationFolder(const std::string& out, const std::string& station) { return fs::path(out) / station; }

Outcome CreateSurveyFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return Outcome::Failed(folder.string() + ": cannot create the folder: " + error.message(), folder.string());
  return Outcome::Done();
}

Outcome PrepareSurveyFolder(const SurveyManifest& manifest, const AnalysisSettings& settings, const std::string& out) {
  if (Outcome created = CreateSurveyFolder(out); !created.done()) return created;
  if (Outcome saved = SaveSettingsFile((fs::path(out) / kSurveySettingsFileName).string(), settings); !saved.done())
    return saved;
  const json plan = {{"manifest", manifest.path}};
  return WriteFileAtomically((fs::path(out) / kSurveyPlanFileName).string(), plan.dump(2) + "\n");
}

Result<SurveyPlan> ReadSurveyPlan(const std::string& out) {
  const std::string planPath = (fs::path(out) / kSurveyPlanFileName).string();
  Result<std::string> text = ReadSmallTextFile(planPath);
  if (!text.done()) return Outcome::Failed(out + " is not a survey folder (" + text.message() + ")", planPath);
  std::string manifestPath;
  try {
    manifestPath = json::parse(*text).at("manifest").get<std::string>();
  } catch (const std::exception&) {
    return Outcome::Failed(planPath + ": not a survey plan", planPath);
  }
  Result<SurveyManifest> manifest = ReadSurveyManifest(manifestPath);
  if (!manifest.done()) return manifest.outcome;
  Result<AnalysisSettings> settings = ReadSettingsFile((fs::path(out) / kSurveySettingsFileName).string());
  if (!settings.done()) return settings.outcome;
  return SurveyPlan{std::move(*manifest), std::move(*settings)};
}

}  // namespace corvath::app
