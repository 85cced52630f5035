#include "spectra/hvfile.h"

#include "spectra/fieldstandardreport.h"

namespace corvath::spectra {

void WriteHvFile(std::ostream& out, const FieldStandardResult& result, const HvPosition& position) {
  const std::size_t used = result.usedWindows();
  out << "# GEOPSY output version 1.1\n";
  out << "# Number of windows = " << used << "\n";
  out << "# f0 from average\t" << ShortestNumber(result.curvePeakHz) << "\n";
  out << "# Number of windows for f0 = " << used << "\n";
  out << "# f0 from windows\t" << ShortestNumber(result.f0.median()) << "\t" << ShortestNumber(result.f0.lower()) << "\t"
      << ShortestNumber(result.f0.upper()) << "\n";
  out << "# Peak amplitude\t" << ShortestNumber(result.curvePeakAmplitude) << "\n";
  out << "# Position\t" << ShortestNumber(position.x) << " " << ShortestNumber(position.y) << " " << ShortestNumber(position.z) << "\n";
  out << "# Category\tDefault\n";
  out << "# Frequency\tAverage\tMin\tMax\n";
  for (std::size_t g = 0; g < result.frequenciesHz.size(); ++g)
    out << ShortestNumber(result.frequenciesHz[g]) << "\t" << ShortestNumber(result.mean[g]) << "\t" << ShortestNumber(result.lower[g])
        << "\t" << ShortestNumber(result.upper[g]) << "\n";
}

}  // namespace corvath::spectra
