#pragma once
// The reference models and tables of ../shared/data/surfacewaves (see its README):
// the models in m, m/s, kg/m³, the modes table and the diffuse-field H/V tables.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "surfacewaves/layeredmedium.h"

namespace corvath::surfacewaves::testing {

inline std::string ReferencePath(const std::string& name) {
  return std::string(CORVATH_SHARED_DATA) + "/surfacewaves/" + name;
}

inline LayeredMedium ReadReferenceModel(const std::string& name) {
  std::ifstream in(ReferencePath(name + ".model"));
  int count = 0;
  in >> count;
  LayeredMedium medium(static_cast<std::size_t>(count));
  for (Layer& layer : medium) in >> layer.thicknessM >> layer.vpMPerS >> layer.vsMPerS >> layer.densityKgPerM3;
  return medium;
}

struct ReferenceModeRow {
  std::string wave;
  int mode = 0;
  double frequencyHz = 0.0, phase = 0.0, group = 0.0, ellipticity = 0.0;
};

inline std::vector<ReferenceModeRow> ReadReferenceModes(const std::string& name) {
  std::ifstream in(ReferencePath(name + ".modes.tsv"));
  std::string line;
  std::getline(in, line);
  std::vector<ReferenceModeRow> rows;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    ReferenceModeRow row;
    std::string ellipticity;
    fields >> row.wave >> row.mode >> row.frequencyHz >> row.phase >> row.group >> ellipticity;
    row.ellipticity = ellipticity == "nan" ? 0.0 : std::stod(ellipticity);
    rows.push_back(row);
  }
  return rows;
}

struct ReferenceRatio {
  std::vector<double> frequencyHz, hv;
};

inline ReferenceRatio ReadReferenceRatio(const std::string& file) {
  std::ifstream in(ReferencePath(file));
  std::string line;
  std::getline(in, line);
  ReferenceRatio table;
  while (std::getline(in, line)) {
    const auto comma = line.find(',');
    table.frequencyHz.push_back(std::stod(line.substr(0, comma)));
    table.hv.push_back(std::stod(line.substr(comma + 1)));
  }
  return table;
}

}  // namespace corvath::surfacewaves::testing
