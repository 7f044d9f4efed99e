// meshprobe for C++ projects: one call reads a mesh file as the command line reads it (OBJ, PLY,
// OFF), measures its roughness at one epsilon and hands back the values or why it could not.
// In: a path and epsilon (normalised units: the largest bounding-box side is 1). Out: the values.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "meshprobe/version.h"

namespace meshprobe {

struct FileRoughness {
  // Empty when the mesh was measured; otherwise the reason, in the words of the command line's
  // message ("cannot open ...", the reader's refusal, "epsilon must be ...").
  std::string error;
  // The value file's numbers: one per vertex of the mesh as loaded (OFF and PLY drop vertices that
  // no facet uses, OBJ keeps them with roughness 0).
  std::vector<float> values;
  // One per vertex of the file, in file order: NaN for a vertex that no facet of the measured
  // surface uses.
  std::vector<float> file_values;
  // Facets the surface could not hold, left out of the measurement (the command line warns).
  std::size_t facets_left_out = 0;

  bool ok() const { return error.empty(); }
};

// Reads the mesh at `path` and measures it at `epsilon`, a finite number > 0 (0.01 is
// recommended), on every core. Never throws; every failure is reported in `error`.
FileRoughness roughness_of_file(const std::string& path, float epsilon);

}  // namespace meshprobe
