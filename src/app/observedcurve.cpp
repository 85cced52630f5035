#include "app/observedcurve.h"

#include <utility>

#include "app/inputfile.h"
#include "spectra/ratiotable.h"

namespace corvath::app {

Outcome LoadObservedCurve(Workspace& workspace, const std::string& path) {
  std::ifstream in;
  if (Outcome opened = OpenInputFile(path, in); !opened.done()) return opened;
  spectra::RatioTableReading reading = spectra::ReadRatioTable(in);
  if (!reading.result) return Outcome::Failed(reading.reason, path);
  workspace.spectraResult = std::move(reading.result);
  return Outcome::Done();
}

std::vector<double> ObservedFrequencies(const Workspace& workspace) {
  std::vector<double> frequencies;
  if (!workspace.spectraResult) return frequencies;
  for (const spectra::RatioPoint& point : workspace.spectraResult->ratio.points)
    frequencies.push_back(point.frequencyHz);
  return frequencies;
}

}  // namespace corvath::app
