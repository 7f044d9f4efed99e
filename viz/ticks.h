// Tick marks for a colour bar: values at a round step (1, 2, 2.5 or 5 times a power of ten) inside
// a range, and their labels. Goes in: the range's ends. Comes out: the tick values, lowest first,
// with the number of decimals that prints each of them exactly, and labels of single values.
#pragma once

#include <string>
#include <vector>

namespace meshprobe {

struct Ticks {
  std::vector<double> values;  // multiples of the step within [low, high], ascending
  int decimals = 0;            // decimals that print the step, and so every value, exactly
};

// Every multiple of the step that lies in [low, high]. The step is the round one that gives 5 or 6
// ticks; where none does (a span of 6 to 8, 15 to 20 or 30 to 40 times a power of ten), the one
// giving 7, else 4. Each value is the multiple computed in decimal and rounded once to double,
// so it prints as the round number it is. An empty span (low == high) gives low alone; ends that
// are not finite or in the wrong order give nothing.
Ticks round_ticks(double low, double high);

// `value` in fixed notation with `decimals` decimals ("%.*f"), "-0" written as "0".
std::string tick_label(double value, int decimals);

// `value` in fixed notation with three significant digits (0.0537, 49.3, 1234), for a value that
// is not on a tick, such as the top of a clamped colour range.
std::string three_digit_label(double value);

}  // namespace meshprobe
