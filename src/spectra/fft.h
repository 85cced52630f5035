#pragma once
// The one place where real samples are transformed into Fourier coefficients.
#include <complex>
#include <cstddef>
#include <span>
#include <stdexcept>
#include <vector>

namespace corvath::spectra {

//! Raised when the transform library refuses its input; the message is the library's.
class TransformError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

//! Unnormalised discrete Fourier transform of n >= 1 real samples of any length:
//! out[k] = sum_j x_j exp(-2 pi i j k / n), k = 0 ... n-1. Throws TransformError.
void RealTransform(std::span<const double> samples, std::vector<std::complex<double>>& out);

//! Moduli |F_k| of the transform of the samples, k = 0 ... n-1 (amplitude units).
void TransformModuli(std::span<const double> samples, std::vector<double>& moduli);

}  // namespace corvath::spectra
