// The index of a batch's reports: one HTML page listing every mesh with its status, key
// statistics per epsilon, a thumbnail when a picture was made, and a link to its report; the
// columns sort on a click. A mesh that failed is a row with its error.
#pragma once

#include <string>
#include <vector>

#include "measure/measurement.h"

namespace meshprobe {

// One mesh's row.
struct IndexEntry {
  std::string mesh;
  std::string error;    // empty: measured
  std::string report;   // the report's path; empty: none
  std::string picture;  // the first epsilon's picture, shown as the thumbnail; empty: none
  // Per epsilon of the batch, the --stats object's JSON text (statistics_json); empty when the
  // mesh failed.
  std::vector<std::string> statistics;
};

// The row of a measured mesh, its statistics those of --stats.
IndexEntry index_entry(const MeshMeasurement& measurement, const std::string& report,
                       const std::string& picture);

// The page's text. `epsilons`: the batch's epsilons as written, one group of columns each.
// Links and thumbnails are relative to the folder of `index_path`, so the folder can be moved
// or sent whole. Same entries, same bytes.
std::string report_index(const std::vector<std::string>& epsilons,
                         const std::vector<IndexEntry>& entries, const std::string& index_path);

// Writes report_index to `path`; the file appears only when complete. False when it cannot be
// written.
bool write_report_index(const std::vector<std::string>& epsilons,
                        const std::vector<IndexEntry>& entries, const std::string& path);

// The name of the index when none is given: index.html in the output folder (empty: the
// current folder).
std::string default_index_path(const std::string& output_dir);

}  // namespace meshprobe
