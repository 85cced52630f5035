#include "app/surfacewavecurves.h"

#include <cmath>
#include <exception>

#include "inversion/surfacewavemodel.h"
#include "numerics/numbertext.h"
#include "numerics/parallel.h"

namespace corvath::app {
namespace {

std::string Shortest(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  return numerics::NumberToShortestText(value);
}

}  // namespace

Outcome DispersionTable(const Workspace& workspace, const DispersionSettings& settings,
                        const std::vector<double>& frequenciesHz, std::string& table) {
  if (frequenciesHz.empty()) return Outcome::Unchanged("no frequency to compute the modes at");
  std::vector<surfacewaves::FrequencyModes> modes;
  try {
    modes = surfacewaves::FindModes(inversion::MediumOfModel(workspace.model), frequenciesHz,
                                    {settings.rayleigh ? settings.modes : 0, settings.love ? settings.modes : 0,
                                     numerics::WorkerCount(settings.workers)});
  } catch (...) {
    return OutcomeOfException(std::current_exception(), "Not enough memory for the modes");
  }
  std::string text = "wave\tmode\tfrequency_hz\tphase_m_s\tgroup_m_s\tellipticity\n";
  for (const auto& at : modes) {
    for (surfacewaves::Wave wave : {surfacewaves::Wave::Rayleigh, surfacewaves::Wave::Love}) {
      const auto& list = wave == surfacewaves::Wave::Rayleigh ? at.rayleigh : at.love;
      for (std::size_t m = 0; m < list.size(); ++m) {
        const surfacewaves::Mode& mode = list[m];
        text += surfacewaves::WaveName(wave);
        text += '\t' + std::to_string(m) + '\t' + Shortest(at.frequencyHz) + '\t' +
                Shortest(mode.phaseVelocityMPerS) + '\t' + Shortest(mode.groupVelocityMPerS) + '\t' +
                (mode.ellipticity ? Shortest(*mode.ellipticity) : std::string("nan")) + '\n';
      }
    }
  }
  table.swap(text);
  return Outcome::Done();
}

Outcome DiffuseFieldCurve(const Workspace& workspace, const surfacewaves::DiffuseFieldSettings& settings,
                          const std::vector<double>& frequenciesHz,
                          std::vector<surfacewaves::DiffuseFieldPoint>& points) {
  if (frequenciesHz.empty()) return Outcome::Unchanged("no frequency to compute the curve at");
  try {
    auto computed = surfacewaves::DiffuseFieldRatio(inversion::MediumOfModel(workspace.model), frequenciesHz, settings);
    points.swap(computed);
  } catch (...) {
    return OutcomeOfException(std::current_exception(), "Not enough memory for the diffuse-field curve");
  }
  return Outcome::Done();
}

std::string DiffuseFieldTableText(const std::vector<surfacewaves::DiffuseFieldPoint>& points) {
  std::string text = "f,Hz  ImG11  ImG33  H/V\r\n";
  text.reserve(text.size() + points.size() * (4 * 23 + 5));
  for (const auto& point : points) {
    text += numerics::NumberToExponentText(point.frequencyHz);
    for (const double value : {point.imG11, point.imG33, point.hv}) {
      text += ' ';
      text += numerics::NumberToExponentText(value);
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace corvath::app
