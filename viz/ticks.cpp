#include "viz/ticks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace meshprobe {

namespace {

// A step is kStepTenths[i] / 10 times 10^exponent, kept in integers so that the ticks can be
// computed as decimal numbers and rounded only once.
constexpr std::array<int, 4> kStepTenths = {10, 20, 25, 50};
constexpr int kFewestWanted = 5;
constexpr int kMostWanted = 6;
// Tick values are built from an integer count of tenths of the step's power of ten; powers of
// ten up to 10^22 are exact in double, which bounds the exponents handled exactly.
constexpr int kExactPowers = 22;
// Tick numbers (value / step) beyond this are not computed: they and their products with the
// step's tenths must stay exact integers.
constexpr double kLargestIndex = 1e14;
// Decimals beyond the smallest subnormal's 324 add nothing but zeros; the buffer of a label holds
// a sign, 309 digits, the point, these decimals and the terminating zero, with room to spare.
constexpr int kMostDecimals = 330;
constexpr int kLongestFixed = 700;

// 10^exponent; exact for |exponent| <= 22.
double power_of_ten(int exponent) {
  double p = 1.0;
  for (int i = 0; i < std::abs(exponent); ++i)
    p *= 10.0;
  return p;
}

// `tenths` / 10 times 10^exponent, rounded once: an integer times or divided by an exact power.
double decimal_value(long long tenths, int exponent) {
  const int e = exponent - 1;
  if (e >= 0) return static_cast<double>(tenths) * power_of_ten(e);
  return static_cast<double>(tenths) / power_of_ten(-e);
}

struct Candidate {
  long long first = 0;  // index of the first multiple of the step within the range
  long long count = 0;
  int tenths = 0;
  int exponent = 0;
};

Candidate candidate(double low, double high, int tenths, int exponent) {
  const double step = decimal_value(tenths, exponent);
  // A tick is kept when within a millionth of a step outside the range, so that ends which are
  // themselves round numbers, as printed, get their tick despite rounding.
  const double slack = 1e-6;
  const double first = std::ceil(low / step - slack);
  const double last = std::floor(high / step + slack);
  Candidate c;
  c.tenths = tenths;
  c.exponent = exponent;
  // Ends so far from 0 that the tick numbers outgrow exact integers get no ticks at this step.
  if (!(std::fabs(first) < kLargestIndex && std::fabs(last) < kLargestIndex)) return c;
  c.first = static_cast<long long>(first);
  c.count = last >= first ? static_cast<long long>(last - first) + 1 : 0;
  return c;
}

// How far a tick count is from the wanted 5 or 6: 7 ticks count as nearer than 4.
int distance_from_wanted(long long count) {
  if (count < kFewestWanted) return static_cast<int>(2 * (kFewestWanted - count) + 1);
  if (count > kMostWanted) return static_cast<int>(2 * (count - kMostWanted));
  return 0;
}

}  // namespace

Ticks round_ticks(double low, double high) {
  Ticks ticks;
  if (!std::isfinite(low) || !std::isfinite(high) || high < low) return ticks;
  if (high == low) {
    ticks.values.push_back(low);
    return ticks;
  }
  // Finite ends of opposite signs can still be further apart than the largest double; such a
  // span has no step among the exact powers anyway.
  const double span = high - low;
  if (!std::isfinite(span)) return ticks;
  // The step's power of ten: spans from 3.5 to 35 times 10^k all find their step among 10^k's
  // candidates and its neighbours'. The logarithm of a finite positive span lies within
  // +-324, so the conversion below is always defined.
  const int base = static_cast<int>(std::floor(std::log10(span))) - 1;
  if (std::abs(base) > kExactPowers - 2) return ticks;
  Candidate best;
  int best_distance = -1;
  for (int exponent = base - 1; exponent <= base + 1; ++exponent) {
    for (int tenths : kStepTenths) {
      const Candidate c = candidate(low, high, tenths, exponent);
      const int distance = distance_from_wanted(c.count);
      if (best_distance < 0 || distance < best_distance) {
        best = c;
        best_distance = distance;
      }
    }
  }
  for (long long k = 0; k < best.count; ++k)
    ticks.values.push_back(decimal_value((best.first + k) * best.tenths, best.exponent));
  // 2.5 x 10^k needs one decimal more than 10^k itself.
  ticks.decimals = std::max(0, -best.exponent + (best.tenths == 25 ? 1 : 0));
  return ticks;
}

std::string tick_label(double value, int decimals) {
  // Fixed notation of the largest double runs to 309 digits and the smallest subnormal needs 324
  // decimals, so the buffer holds any double at any decimals it can show.
  char buffer[kLongestFixed];
  std::snprintf(buffer, sizeof buffer, "%.*f", std::clamp(decimals, 0, kMostDecimals), value);
  std::string text = buffer;
  if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
  return text;
}

std::string three_digit_label(double value) {
  if (!std::isfinite(value)) return "-";
  if (value == 0.0) return "0";
  const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
  return tick_label(value, std::max(0, 2 - magnitude));
}

}  // namespace meshprobe
