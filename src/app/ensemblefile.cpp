#include "app/ensemblefile.h"

#include "app/atomicfile.h"
#include "numerics/numbertext.h"

namespace corvath::app {

namespace {

void Append(std::string& line, double value) {
  line += ' ';
  line += numerics::NumberToShortestText(value);
}

}  // namespace

std::string EnsembleText(const std::vector<inversion::AcceptedModel>& models) {
  std::string text = "model misfit layer H Vp Vs rho Qp Qs\r\n";
  for (std::size_t m = 0; m < models.size(); ++m) {
    const auto& values = models[m].values;
    const std::size_t layers = values[0].size();
    for (std::size_t layer = 0; layer < layers; ++layer) {
      std::string line = std::to_string(m + 1);
      Append(line, models[m].misfit);
      line += ' ' + std::to_string(layer + 1);
      for (int p = 0; p < inversion::kParameterCount; ++p) {
        const bool halfSpaceThickness = p == static_cast<int>(inversion::ModelParameter::H) && layer + 1 == layers;
        Append(line, halfSpaceThickness ? 0.0 : values[p][layer]);
      }
      text += line + "\r\n";
    }
  }
  return text;
}

std::string ProfileText(const inversion::ProfileBand& band) {
  std::string text = "depth_m vs_p05 vs_p50 vs_p95\r\n";
  for (std::size_t k = 0; k < band.depth.size(); ++k) {
    std::string line = numerics::NumberToShortestText(band.depth[k]);
    Append(line, band.p05[k]);
    Append(line, band.p50[k]);
    Append(line, band.p95[k]);
    text += line + "\r\n";
  }
  return text;
}

Outcome SaveEnsembleTable(const std::vector<inversion::AcceptedModel>& models, const std::string& path) {
  return WriteFileAtomically(path, EnsembleText(models));
}

Outcome SaveProfileTable(const inversion::ProfileBand& band, const std::string& path) {
  return WriteFileAtomically(path, ProfileText(band));
}

}  // namespace corvath::app
