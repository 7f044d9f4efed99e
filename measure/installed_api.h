// The installed C++ API (include/meshprobe/meshprobe.h) over the measurement API: options
// checked and translated, results copied into types that carry no CGAL name, every failure a
// message instead of an exception. Shared by the core's entry points and the outputs' ones.
#pragma once

#include <new>
#include <stdexcept>
#include <string>

#include "measure/measurement.h"
#include "meshprobe/meshprobe.h"

namespace meshprobe {

// Options in the measurement's terms; false with `error` set when an epsilon (not finite, not
// > 0, given twice), the length or the thread count cannot be measured with.
bool measure_options(const Options& options, MeasureOptions& measure, std::string& error);

// The measurement as the installed API gives it; `what` names the mesh in messages ("cannot read
// WHAT: ..."), empty for arrays.
Result result_of(MeshMeasurement& m, const Options& options, const std::string& what);

// Checks the options, runs `measure_with(measure_options)` and turns its measurement, a refusal
// or memory running out into a Result. `then(m, error)` runs on a successful measurement before
// its arrays move into the Result (the outputs' writing); an error it sets fails the Result.
template <class Measure, class Then>
Result guarded(const Options& options, const std::string& what, Measure measure_with, Then then) {
  Result result;
  MeasureOptions measure;
  if (!measure_options(options, measure, result.error)) return result;
  try {
    MeshMeasurement m = measure_with(measure);
    std::string then_error;
    if (m.status.ok) then(m, then_error);
    result = result_of(m, options, what);
    if (result.ok() && !then_error.empty()) result.error = then_error;
    return result;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  result = Result{};
  result.error =
      (what.empty() ? std::string("the mesh") : what) + " is too large for the memory available";
  return result;
}

}  // namespace meshprobe
