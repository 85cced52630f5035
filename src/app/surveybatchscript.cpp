#include "app/surveybatchscript.h"

#include <filesystem>

#include "app/atomicfile.h"
#include "app/surveyplan.h"

namespace corvath::app {

namespace {

namespace fs = std::filesystem;

std::string ShellQuoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

Outcome WriteSurveyBatchScript(const SurveyManifest& manifest, const AnalysisSettings& settings,
                               const std::string& out, const std::string& executable) {
  std::error_code error;
  const std::string folder = fs::absolute(out, error).lexically_normal().string();
  if (Outcome prepared = PrepareSurveyFolder(manifest, settings, folder); !prepared.done()) return prepared;
  const std::string settingsPath = (fs::path(folder) / kSurveySettingsFileName).string();
  std::string script = "#!/bin/bash\n";
  script += "# One task per station of " + manifest.path + "; then: corvath-cli survey --merge " + folder + "\n";
  script += "#SBATCH --job-name=corvath-survey\n";
  script += "#SBATCH --array=0-" + std::to_string(manifest.stations.size() - 1) + "\n";
  script += "#SBATCH --ntasks=1\n";
  script += "#SBATCH --cpus-per-task=1\n";
  script += "#SBATCH --output=" + (fs::path(folder) / "slurm-%A_%a.out").string() + "\n";
  script += "exec " + ShellQuoted(executable) + " survey " + ShellQuoted(manifest.path) + " --out " +
            ShellQuoted(folder) + " --settings " + ShellQuoted(settingsPath) +
            " --jobs 1 --station \"$SLURM_ARRAY_TASK_ID\"\n";
  const std::string path = (fs::path(folder) / "survey.sbatch").string();
  if (Outcome saved = WriteFileAtomically(path, script); !saved.done()) return saved;
  fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec, fs::perm_options::add, error);
  return Outcome::Done();
}

}  // namespace corvath::app
