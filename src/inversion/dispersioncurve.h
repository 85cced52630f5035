#pragma once
// An observed surface-wave dispersion curve: phase velocities per wave type, mode and
// frequency with their standard deviations, read from a table whose heading names its
// columns (the layout of a modal computation's output, or one a user writes by hand).
#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvath::inversion {

//! The two kinds of surface wave.
enum class SurfaceWave { Rayleigh, Love };

//! "rayleigh" or "love".
const char* SurfaceWaveName(SurfaceWave wave);
//! The wave of a word ("rayleigh", "love", any case); nothing for another word.
std::optional<SurfaceWave> SurfaceWaveOfWord(std::string_view word);

//! One observed phase velocity.
struct DispersionPoint {
  SurfaceWave wave = SurfaceWave::Rayleigh;
  int mode = 0;              //!< 0: the fundamental mode
  double frequencyHz = 0.0;  //!< positive
  double phaseMS = 0.0;      //!< phase velocity, m/s, positive
  double sigmaMS = 0.0;      //!< its standard deviation, m/s, positive
  bool operator==(const DispersionPoint&) const = default;
};

//! The points in the order of the file.
struct DispersionCurve {
  std::vector<DispersionPoint> points;
  bool operator==(const DispersionCurve&) const = default;
};

//! Longest line ReadDispersionTable accepts, in characters (CR and LF not counted).
inline constexpr std::size_t kMaxDispersionLineLength = 4096;
//! Most data rows ReadDispersionTable accepts.
inline constexpr std::size_t kMaxDispersionRows = 100000;
//! Highest mode number a row may name.
inline constexpr int kMaxDispersionMode = 100;
//! Without a sigma_m_s column, sigma is this fraction of the phase velocity.
inline constexpr double kDefaultDispersionSigmaFraction = 0.05;

//! A table read, or why it was refused.
struct DispersionReading {
  std::optional<DispersionCurve> curve;
  std::string reason;  //!< the refusal, naming the line concerned
};

//! Reads a table whose first line that is neither blank nor a comment ('#') is the heading:
//! words separated by blanks or tabs naming the columns. frequency_hz and phase_m_s are
//! required; wave (rayleigh or love; default rayleigh), mode (a whole number 0 to 100;
//! default 0) and sigma_m_s (default 5 % of the phase velocity) are optional; any other
//! column is ignored whatever it holds ("group_m_s", "ellipticity" with "nan"). A column
//! named twice is refused. Every row has as many fields as the heading; frequencies,
//! phase velocities and sigmas are positive finite numbers. Blank and comment lines are
//! skipped. Refuses, without reading further, a line longer than kMaxDispersionLineLength,
//! more than kMaxDispersionRows rows and a malformed row, naming its line; a table
//! without a data row is refused too.
DispersionReading ReadDispersionTable(std::istream& in);

//! The table as ReadDispersionTable reads it back: "wave mode frequency_hz phase_m_s
//! sigma_m_s" separated by tabs, numbers in the shortest text that reads back, LF ends.
std::string DispersionTableText(const DispersionCurve& curve);

}  // namespace corvath::inversion
