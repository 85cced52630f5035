#pragma once
// Konno and Ohmachi (1998) smoothing of an amplitude spectrum onto chosen centre
// frequencies: a window of constant width in log frequency,
//   W_b(f, fc) = [sin(b log10(f/fc)) / (b log10(f/fc))]^4,   W_b(fc, fc) = 1,
// normalised so that the weights of each centre sum to one. The weights of every
// centre are computed once into a table that keeps only the bins within the
// window's significant support, so smoothing one spectrum costs one short dot
// product per centre.
#include <cstddef>
#include <span>
#include <vector>

namespace corvath::spectra {

//! Half-width of the significant support in the window's argument |b log10(f/fc)|:
//! beyond it the window's envelope (b log10(f/fc))^-4 is below 1e-5 of the centre weight.
inline constexpr double kKonnoOhmachiSupport = 17.782794100389228;  // 10^(5/4)

//! The window's weight of frequency f (Hz) for centre fc (Hz) and bandwidth b:
//! 1 at f = fc, 0 for f <= 0 or fc <= 0.
double KonnoOhmachiWeight(double frequencyHz, double centreHz, double bandwidth);

//! The precomputed weights: for centre g the bins first[g] ... first[g] + count(g) - 1
//! with the normalised weights weights[offset[g] ...].
struct KonnoOhmachiTable {
  double binSpacingHz = 0.0;        //!< bin k lies at k * binSpacingHz
  std::size_t binCount = 0;         //!< bins 0 ... binCount - 1 (bin 0 never contributes)
  std::vector<std::size_t> first;   //!< first bin of each centre
  std::vector<std::size_t> offset;  //!< start of each centre's weights; size centres + 1
  std::vector<double> weights;      //!< normalised weights, centre after centre
};

//! The table for spectra of binCount bins spaced binSpacingHz (Hz) at the centres (Hz)
//! with bandwidth b; a centre without any bin in its support gets no weight.
KonnoOhmachiTable BuildKonnoOhmachiTable(double binSpacingHz, std::size_t binCount,
                                         std::span<const double> centresHz, double bandwidth);

//! Smoothed values at the table's centres: sum W S / sum W over the support (0 for a
//! centre without weights). spectrum holds at least table.binCount values.
void ApplyKonnoOhmachi(const KonnoOhmachiTable& table, std::span<const double> spectrum, std::vector<double>& out);

//! The same smoothing evaluated directly over every bin 1 ... size - 1 without any
//! support limit (for checks; costs centres x bins).
std::vector<double> SmoothKonnoOhmachiDirect(std::span<const double> spectrum, double binSpacingHz,
                                             std::span<const double> centresHz, double bandwidth);

}  // namespace corvath::spectra
