#include "numerics/numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>

namespace corvath::numerics {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Decimal exponent of the leading digit of a syntactically valid mantissa and
// exponent; used only to tell overflow from underflow when from_chars refuses.
long leadingExponent(std::string_view intDigits, std::string_view fracDigits, long exponent) {
  const auto firstInt = intDigits.find_first_not_of('0');
  if (firstInt != std::string_view::npos) return static_cast<long>(intDigits.size() - firstInt) - 1 + exponent;
  const auto firstFrac = fracDigits.find_first_not_of('0');
  if (firstFrac == std::string_view::npos) return -1000000;  // the value is zero
  return -static_cast<long>(firstFrac) - 1 + exponent;
}

}  // namespace

namespace {

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The short plain forms that fill record files ("-1234", "0,25", "3.1416"): an
// optional sign, digits with at most one point or comma, no exponent. When the
// digits make an integer of at most 2^53 and at most 22 of them follow the point,
// the integer and the power of ten are both exact doubles, so one division rounds
// to the nearest double, which is what the full conversion gives. Anything else
// answers false and takes the full path.
bool parsePlainDecimal(const char* p, const char* end, double& value) {
  while (p < end && *p == ' ') ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  std::uint64_t mantissa = 0;
  int digits = 0;
  int decimals = 0;
  bool point = false;
  for (; p < end; ++p) {
    const unsigned digit = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
    if (digit < 10) {
      if (++digits > 19) return false;
      mantissa = mantissa * 10 + digit;
      decimals += point;
    } else if ((*p == '.' || *p == ',') && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (digits == 0) {  // a sign or a point alone reads as 0
    value = 0.0;
    return true;
  }
  if (mantissa > (std::uint64_t{1} << 53) || decimals > 22) return false;
  double v = static_cast<double>(mantissa);
  if (decimals > 0) v /= kPowersOfTen[decimals];
  value = negative ? -v : v;
  return true;
}

}  // namespace

bool ParseDecimal(std::string_view field, double& value) {
  if (field.empty()) return false;
  if (parsePlainDecimal(field.data(), field.data() + field.size(), value)) return true;
  const std::size_t n = field.size();
  const char* text = field.data();
  // A field with a comma is read from a copy whose first comma is a point.
  char small[128];
  std::string large;
  if (const void* comma = std::memchr(text, ',', n)) {
    char* copy = small;
    if (n > sizeof small) {
      large.assign(field);
      copy = large.data();
    } else {
      std::memcpy(small, text, n);
    }
    copy[static_cast<const char*>(comma) - text] = '.';
    text = copy;
  }

  std::size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t intStart = i;
  while (i < n && isDigit(text[i])) ++i;
  const std::string_view intDigits(text + intStart, i - intStart);
  std::string_view fracDigits;
  if (i < n && text[i] == '.') {
    const std::size_t fracStart = ++i;
    while (i < n && isDigit(text[i])) ++i;
    fracDigits = std::string_view(text + fracStart, i - fracStart);
  }
  long exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool expNegative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) expNegative = text[i++] == '-';
    const std::size_t expStart = i;
    while (i < n && isDigit(text[i])) {
      if (exponent < 100000000) exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (i == expStart) return false;
    if (expNegative) exponent = -exponent;
  }
  if (i != n) return false;

  if (intDigits.empty() && fracDigits.empty()) {  // "." or "-" or "e5": no digit at all
    value = 0.0;
    return true;
  }
  // from_chars takes neither a leading '+' nor blanks: start at the digits (or the '-').
  const char* first = text + intStart - (negative ? 1 : 0);
  double parsed = 0.0;
  const auto result = std::from_chars(first, text + n, parsed, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    if (leadingExponent(intDigits, fracDigits, exponent) > 0) return false;  // overflow
    value = 0.0;                                                              // underflow
    return true;
  }
  if (result.ec != std::errc() || result.ptr != text + n || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

double TextToNumber(std::string_view text, double lower, double upper) {
  double value = 0.0;
  if (!ParseDecimal(text, value)) return InvalidNumber;
  if (std::fabs(value) < 1e-30) value = 0.0;
  if (lower != upper) {
    if (lower != 0.0 && value < lower) return InvalidNumber;
    if (upper != 0.0 && value > upper) return InvalidNumber;
  }
  return value;
}

std::string NumberToShortestText(double value) {
  if (!std::isfinite(value)) return "*";
  char buf[32];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, result.ptr);
}

namespace {

// Rounds |value| to `decimals` decimals, halves away from zero, judged on the
// digits that printf gives with `significant` significant digits. Returns the
// integer round(|value| * 10^decimals) as decimal digits (no leading zeros, "0" for 0).
std::string roundedDigits(double magnitude, int decimals, int significant) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", significant - 1, magnitude);
  char digits[40];
  int count = 0;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (isDigit(*p) && count < static_cast<int>(sizeof digits)) digits[count++] = *p;
  const long exponent = std::atol(p + 1);
  // value = 0.D0 D1 D2 ... x 10^(exponent+1); keep the digits down to 10^-decimals,
  // behind one guard digit that takes a carry out of the first.
  const long keep = exponent + 1 + decimals;
  std::string kept(static_cast<std::size_t>(std::max(0L, keep)) + 1, '0');
  for (long i = 0; i < keep && i < count; ++i) kept[static_cast<std::size_t>(i) + 1] = digits[i];
  if (keep >= 0 && keep < count && digits[keep] >= '5') {
    std::size_t i = kept.size() - 1;
    while (kept[i] == '9') kept[i--] = '0';
    ++kept[i];
  }
  const auto nz = kept.find_first_not_of('0');
  return nz == std::string::npos ? std::string("0") : kept.substr(nz);
}

}  // namespace

std::string NumberToText(int base, double value) {
  if (value == InvalidNumber || !std::isfinite(value)) return "*";
  if (value == std::nearbyint(value)) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.0f", value == 0.0 ? 0.0 : value);
    return buf;
  }
  const double magnitude = std::fabs(value);
  const int m = magnitude >= 1.0 ? 1 : static_cast<int>(std::ceil(-std::log10(magnitude)));
  const int decimals = std::max(0, base) + m;
  std::string digits = roundedDigits(magnitude, decimals, 18);
  if (static_cast<int>(digits.size()) < decimals + 1)
    digits.insert(0, static_cast<std::size_t>(decimals + 1) - digits.size(), '0');
  std::string text = digits.substr(0, digits.size() - decimals);
  if (decimals > 0) text += '.' + digits.substr(digits.size() - decimals);
  if (value < 0 && digits.find_first_not_of('0') != std::string::npos) text.insert(text.begin(), '-');
  return text;
}

double RoundHalfEven(double value) {
  const double down = std::floor(value);
  const double diff = value - down;
  if (diff < 0.5) return down;
  if (diff > 0.5) return down + 1.0;
  return std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
}

std::string NumberToExponentText(double value) {
  std::string out(23, ' ');
  if (!std::isfinite(value)) value = 0.0;  // never written: callers keep non-finite values out
  out[0] = value < 0 ? '-' : ' ';
  const double magnitude = std::fabs(value);
  std::string mantissa = "000000000000000";
  int exponent = 0;
  if (magnitude != 0.0) {
    // Exact expansion to 40 digits, then halves away from zero at 15 digits.
    char buf[80];
    std::snprintf(buf, sizeof buf, "%.39e", magnitude);
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
      if (isDigit(*p)) digits.push_back(*p);
    exponent = std::atoi(p + 1);
    mantissa = digits.substr(0, 15);
    if (digits[15] >= '5') {
      int i = 14;
      while (i >= 0 && mantissa[i] == '9') mantissa[i--] = '0';
      if (i < 0) {
        mantissa = "100000000000000";
        ++exponent;
      } else {
        ++mantissa[i];
      }
    }
  }
  out[1] = mantissa[0];
  out[2] = '.';
  std::memcpy(&out[3], mantissa.data() + 1, 14);
  out[17] = 'E';
  out[18] = exponent < 0 ? '-' : '+';
  char expText[8];
  std::snprintf(expText, sizeof expText, "%04d", std::min(std::abs(exponent), 9999));
  std::memcpy(&out[19], expText, 4);
  return out;
}

namespace {

// Calls visit(field) for every maximal run of characters other than space and tab.
template <typename Visit>
void forEachField(std::string_view line, Visit&& visit) {
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (i < n) {
    while (i < n && isBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < n && !isBlank(line[i])) ++i;
    if (i > start) visit(line.substr(start, i - start));
  }
}

}  // namespace

arofstrM SplitWords(std::string_view line) {
  arofstrM words;
  forEachField(line, [&](std::string_view field) { words.emplace_back(field); });
  return words;
}

void SplitNumbersInto(std::string_view line, arofdoubleM& out) {
  out.clear();
  forEachField(line, [&](std::string_view field) {
    double value;
    if (ParseDecimal(field, value)) out.push_back(value);
  });
}

arofdoubleM SplitNumbers(std::string_view line) {
  arofdoubleM numbers;
  SplitNumbersInto(line, numbers);
  return numbers;
}

void FillDouble(arofdoubleM& array, double value) { std::fill(array.begin(), array.end(), value); }
void FillBool(arofboolM& array, bool value) { std::fill(array.begin(), array.end(), value); }
void FillComplex(arofcomplexM& array, Complex value) { std::fill(array.begin(), array.end(), value); }
void FillMatrix(ararofdoubleM& matrix, double value) {
  for (auto& row : matrix) FillDouble(row, value);
}

}  // namespace corvath::numerics
