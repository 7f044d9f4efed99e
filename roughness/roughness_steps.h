// The order of the roughness estimation's steps, the one sequence that both the whole mesh
// (SurfaceAnalyzer) and one tile of it (TileAnalyzer) run: a smoothed copy of the surface, the
// normal-cycle curvature of the input and of the copy, the larger principal curvature of each
// Gaussian-averaged over spheres of twice the smoothing radius, and the one-sided difference of
// the two averages. An analyser supplies each step over its own vertices; the sequence, the
// averaging radius and the difference are written here only.
#pragma once

#include <cstddef>
#include <functional>

#include "roughness/progress.h"

namespace meshprobe {

// Told the step a measurement is in ("smoothing", "curvature", "averaging") and how many of its
// vertices are done, as progress.h describes for one pass; called on the calling thread only.
using StepProgress = std::function<void(const char* step, std::size_t done, std::size_t total)>;

// The radius of the curvature averaging for the neighbourhood radius `epsilon` (normalised
// units): exactly twice it, a product that is exact in double precision, so that a radius
// derived from it (a tile's margin) covers every averaging walk to the last bit.
inline double averaging_radius(double epsilon) {
  return 2.0 * epsilon;
}

// A vertex's roughness from the input's averaged kmax `input` and the copy's `copy`: how much
// the input is more curved, 0 where it is not or where either is not a number (a vertex without
// neighbours has no average). Computed in double; callers round it to float once, at the end.
inline double roughness_difference(double input, double copy) {
  return input > copy ? input - copy : 0.0;
}

// Runs the steps of `analyzer` for `epsilon` in their one order and returns its difference():
//   smooth(smoothing radius, progress): the copy, smoothed over spheres of radius epsilon;
//   curvature(averaging radius, progress): both surfaces' curvature wherever the averaging
//     reads it; needs the copy;
//   average(averaging radius, progress): both surfaces' averaged kmax; needs the curvature;
//   difference(): roughness_difference per vertex measured, with what the analyser keeps.
// Each step's progress is `progress` with the step's name; none when `progress` is empty.
template <class Analyzer>
auto measure_in_steps(Analyzer& analyzer, double epsilon, const StepProgress& progress) {
  const auto step = [&progress](const char* name) {
    if (!progress) return Progress();
    return Progress(
        [&progress, name](std::size_t done, std::size_t total) { progress(name, done, total); });
  };
  const double radius = averaging_radius(epsilon);
  analyzer.smooth(epsilon, step("smoothing"));
  analyzer.curvature(radius, step("curvature"));
  analyzer.average(radius, step("averaging"));
  return analyzer.difference();
}

}  // namespace meshprobe
