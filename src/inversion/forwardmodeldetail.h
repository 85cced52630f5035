#pragma once
// Working storage of the forward model, shared by the transfer function and the
// theoretical curve (whose two evaluations, S and P, use one frequency table).
// Not part of the public interface.
#include <cstdint>
#include <vector>

#include "numerics/arrays.h"
#include "numerics/complex.h"

namespace corvath::inversion::detail {

//! Per-frequency values that depend only on the frequencies, the exponent and the
//! reference frequency: f^alpha, the angular factor times f, ln(f / fref) and the
//! half-space's dispersion factor.
struct FrequencyTable {
  std::uint64_t id = 0;  //!< changes whenever the content changes; 0 before the first build
  double alpha = 0.0;
  double referenceHz = 0.0;
  bool dispersion = false;
  bool finite = true;  //!< false when a power or logarithm faulted
  std::vector<double> frequencies;
  std::vector<double> power;       //!< f^alpha
  std::vector<double> angular;     //!< 6.283186 * f
  std::vector<double> logRatio;    //!< ln(f / fref), dispersion only
  std::vector<double> halfSpaceD;  //!< 1 + (c / 999999) * ln(f / fref), dispersion only
};

//! Rebuilds the table unless it already holds these inputs.
void UpdateFrequencyTable(FrequencyTable& table, double alpha, double referenceHz,
                          const numerics::arofdoubleM& frequenciesHz);

//! Rows of one layer: attenuation factors and dispersion factors per frequency
//! (depending on Q0 and the table), and the two phase exponentials (depending
//! also on the travel time).
struct LayerRows {
  std::uint64_t tableId = 0;     //!< 0: rows not valid
  std::uint64_t q0Bits = 0;
  std::uint64_t generation = 0;  //!< new value whenever S and D are recomputed
  std::vector<double> loss;  //!< imaginary part of the attenuation factor (its real part is 1)
  std::vector<double> D;
  std::uint64_t phaseGeneration = 0;  //!< generation of S and D the phase rows were made from
  std::uint64_t travelBits = 0;
  std::vector<double> upRe, upIm;      //!< e^(i phi)
  std::vector<double> downRe, downIm;  //!< e^(-i phi)
};

//! Ratio of the attenuation factors of the layers below and above an interface.
struct InterfaceRows {
  std::uint64_t upperGeneration = 0;
  std::uint64_t lowerGeneration = 0;
  std::vector<double> ratioRe, ratioIm;
};

struct TransferState {
  FrequencyTable ownTable;  //!< used by TransferFunction; the theoretical curve shares its own
  std::vector<LayerRows> layers;
  std::vector<InterfaceRows> interfaces;
  std::vector<double> travel, impedance;  //!< per layer above the half-space
  std::vector<double> aRe, aIm, bRe, bIm, modulus;
  std::vector<double> square;  //!< Q * Q of a layer's row, for the fault check
};

//! The amplitudes for the given layer arrays at the table's frequencies; amplitudes is
//! written only when the whole evaluation succeeded.
void EvaluateTransfer(const FrequencyTable& table, const numerics::arofdoubleM& V,
                      const numerics::arofdoubleM& rho, const numerics::arofdoubleM& H,
                      const numerics::arofdoubleM& Q0, TransferState& state,
                      numerics::arofdoubleM& amplitudes);

}  // namespace corvath::inversion::detail
