#include "spectra/fft.h"

#include <cmath>
#include <string>

#include <libalglib/fasttransforms.h>

namespace corvath::spectra {

void RealTransform(std::span<const double> samples, std::vector<std::complex<double>>& out) {
  out.clear();
  if (samples.empty()) throw TransformError("cannot transform an empty sample list");
  try {
    alglib::real_1d_array input;
    input.setcontent(static_cast<alglib::ae_int_t>(samples.size()), samples.data());
    alglib::complex_1d_array coefficients;
    alglib::fftr1d(input, static_cast<alglib::ae_int_t>(samples.size()), coefficients);
    out.resize(samples.size());
    const alglib::complex* c = coefficients.getcontent();
    for (std::size_t k = 0; k < samples.size(); ++k) out[k] = {c[k].x, c[k].y};
  } catch (const alglib::ap_error& e) {
    throw TransformError("Fourier transform failed: " + e.msg);
  }
}

void TransformModuli(std::span<const double> samples, std::vector<double>& moduli) {
  thread_local std::vector<std::complex<double>> coefficients;
  RealTransform(samples, coefficients);
  moduli.resize(coefficients.size());
  for (std::size_t k = 0; k < coefficients.size(); ++k)
    moduli[k] = std::sqrt(coefficients[k].real() * coefficients[k].real() +
                          coefficients[k].imag() * coefficients[k].imag());
}

}  // namespace corvath::spectra
