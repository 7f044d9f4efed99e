// The installed entry point: measure_mesh_file at one epsilon, its results copied into types
// that carry no CGAL name.
#include <cmath>
#include <cstdio>
#include <new>
#include <string>

#include "app/measurement.h"
#include "meshprobe/meshprobe.h"

namespace meshprobe {

FileRoughness roughness_of_file(const std::string& path, float epsilon) {
  FileRoughness result;
  if (!std::isfinite(epsilon) || !(epsilon > 0.0f)) {
    result.error = "epsilon must be a finite number greater than 0";
    return result;
  }
  // The epsilon's text names nothing here (no output file, no column), but is kept readable.
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(epsilon));
  MeasureOptions options;
  options.epsilons.push_back(Epsilon{text, epsilon});
  try {
    const MeshMeasurement measurement = measure_mesh_file(path, options);
    if (!measurement.status.ok) {
      result.error = "cannot read " + path + ": " + measurement.status.error;
      return result;
    }
    result.facets_left_out = measurement.status.facets_left_out;
    result.values = measurement.epsilons.front().roughness;
    result.file_values = measurement.in_file_order(result.values);
  } catch (const std::bad_alloc&) {
    result = FileRoughness{};
    result.error = "not enough memory to measure " + path;
  }
  return result;
}

}  // namespace meshprobe
