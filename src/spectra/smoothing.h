#pragma once
// Smoothing of one transform along its bins and kernel-weighted averaging of
// scattered spectral points onto the common 101-point frequency grid. With
// logAveraging on, every mean is a weighted mean of natural logarithms,
// exponentiated afterwards; a value of 0 (or less) is then left out of the mean.
#include <cstddef>
#include <vector>

namespace corvath::spectra {

//! Number of points of the common frequency grid.
inline constexpr int kGridPoints = 101;

//! A scattered spectral point: frequency (Hz), value and an optional companion value
//! (the error term of the ratio), averaged linearly beside the value.
struct SpectralPoint {
  double frequencyHz = 0.0;
  double value = 0.0;
  double companion = 0.0;
};

//! The two averaging kernels, chosen by one parameter.
enum class KernelKind {
  InverseSquare,    //!< 1/(d^2 + 0.1 Hz^2), half-width (fmax - fmin)/30
  InverseDistance,  //!< delta/(|d| + 2 delta), half-width (fmax - fmin)/20
};

struct AveragingKernel {
  KernelKind kind = KernelKind::InverseSquare;
  double spacingHz = 0.0;  //!< delta of the inverse-distance kernel: spacing of the transform's frequencies
};

//! The inverse-square kernel of the windowed spectra.
inline AveragingKernel InverseSquareKernel() { return {KernelKind::InverseSquare, 0.0}; }
//! The inverse-distance kernel of the automatic segmentation, with spacing delta in Hz.
inline AveragingKernel InverseDistanceKernel(double spacingHz) { return {KernelKind::InverseDistance, spacingHz}; }

//! Half-width h (Hz) of the kernel over the grid range fmin ... fmax (Hz).
double KernelHalfWidth(const AveragingKernel& kernel, double fminHz, double fmaxHz);
//! Weight of a point at frequency distance deltaHz (Hz) from a grid frequency.
double KernelWeight(const AveragingKernel& kernel, double deltaHz);

//! Grid frequency k (Hz) of the range fmin ... fmax: ((fmax - fmin) k)/100 + fmin.
double GridFrequency(double fminHz, double fmaxHz, int k);

//! Smoothed amplitudes A_0 ... A_floor((N-1)/2) of a transform given by its N moduli
//! |F_0| ... |F_(N-1)| (amplitude units); six overlapping passes with weights
//! 1/((i-j)^2 + 1), bin 0 never contributing. A bin without any usable modulus gives 0.
std::vector<double> SmoothBins(const std::vector<double>& moduli, bool logAveraging);

//! Kernel-weighted means of the points at the grid frequencies of fmin ... fmax (Hz),
//! in increasing frequency; value is the (logarithmic) mean, companion the linear
//! mean of the companions. A grid frequency above fmax by rounding, or one without
//! any point strictly within the half-width, gives no output point.
std::vector<SpectralPoint> GridAverage(const std::vector<SpectralPoint>& points, double fminHz, double fmaxHz,
                                       const AveragingKernel& kernel, bool logAveraging);

}  // namespace corvath::spectra
