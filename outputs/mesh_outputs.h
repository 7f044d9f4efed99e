// Every output of one measured mesh, written as one unit: the value files, pictures and
// statistics of each epsilon, the PLY, the CSV and the report. In: the measurement, the paths
// (empty: not wanted) and the picture's settings. Out: the files, which take their names together
// once all are complete (outputs/atomic_file.h OutputBatch), or none of them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "viz/color_scale.h"

namespace meshprobe {

// The paths of one mesh's outputs; an empty path is an output not wanted.
struct MeshOutputs {
  std::string mesh;
  std::vector<std::string> values;  // per epsilon
  std::vector<std::string> pngs;    // per epsilon
  std::vector<std::string> stats;   // per epsilon
  std::string ply;
  std::string csv;
  std::string html;  // one report for every epsilon
};

// How pictures and the PLY's colours are made.
struct PictureSettings {
  bool fixed_range = false;  // false: from 0 to each epsilon's 99th percentile
  ValueRange range;
  int width = 1200;
  int height = 800;
  int dpi = 300;
  std::size_t tiles = 1;  // the run's spatial tiles, which the report lists among its options
};

// The picture's value rules, refused in one wording by every front end: `name` is the value as
// the front end spells it ("--range", "range"), `given` what the caller wrote, quoted. Each gives
// the refusal, or "" when the value is allowed (NaN for a value that is no number): the range two
// finite numbers low < high that the colour bar can label, the size within the picture's limits
// and no taller than wide, the dpi a whole number from 1 to kMaxDotsPerInch.
std::string range_refusal(const std::string& name, const std::string& given, double low,
                          double high);
std::string size_refusal(const std::string& name, const std::string& given, double width,
                         double height);
std::string dpi_refusal(const std::string& name, const std::string& given, double dpi);

// With a fixed range: the warning's words when it clamps more than half of the measured vertices
// at some epsilon (the colours then say little), naming the largest share, such as "the range
// 0:0.5 clamps 74% of the measured vertices (epsilon 0.01)". Empty otherwise.
std::string clamped_range_warning(const MeshMeasurement& m, const PictureSettings& picture);

// Writes the outputs of `m` that `outputs` names. False, with `failed` naming the first output
// that could not be written and the system's reason ("PATH: reason"; the path alone when there is
// none), when one could not: then no output of the mesh has been replaced and no temporary file
// remains. Memory running out while drawing throws std::bad_alloc, with
// the same guarantee.
bool write_mesh_outputs(const MeshMeasurement& m, const MeshOutputs& outputs,
                        const PictureSettings& picture, std::string& failed);

}  // namespace meshprobe
