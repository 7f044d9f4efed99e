// The statistics of a run, for people and for scripts: one JSON file per mesh and epsilon, and
// the summary table of a whole run, one CSV row per mesh and epsilon with its status.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "measure/rules.h"

namespace meshprobe {

// Writes the JSON object of the measurement's `epsilon`-th epsilon: mesh, format, epsilon,
// vertices_in_file, vertices_measured, facets_in_file, facets_left_out, bbox_min, bbox_max
// (arrays of 3, input units), length, roughness_min, roughness_mean, roughness_median,
// roughness_p90, roughness_p95, roughness_p99, roughness_max, zero_share, seconds, version.
// Numbers that are not finite are null. The file appears only when complete.
bool write_statistics_json(const MeshMeasurement& measurement, std::size_t epsilon,
                           const std::string& path);

// The text of that JSON object, for front ends that hand the statistics on.
std::string statistics_json(const MeshMeasurement& measurement, std::size_t epsilon);

// The rows of --summary, collected during the run and written at its end: the statistics'
// columns with bbox_min and bbox_max as "x y z", then status ("ok" or the one-line error).
class SummaryTable {
 public:
  void add(const MeshMeasurement& measurement, std::size_t epsilon, const std::string& status);
  // A row for a mesh that was not measured: its path, the epsilon and why.
  void add_failure(const std::string& mesh, const Epsilon& epsilon, const std::string& status);
  bool write(const std::string& path) const;
  // The rows added so far, each as the file holds it, without line end.
  const std::vector<std::string>& rows() const { return rows_; }

 private:
  std::vector<std::string> rows_;
};

}  // namespace meshprobe
