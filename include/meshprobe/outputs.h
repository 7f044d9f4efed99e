// The outputs component of the C++ package: a mesh file measured as measure_file measures it,
// and its outputs written with the bytes the command line writes for the same mesh and options
// (the value files, pictures, statistics, the coloured PLY and the CSV). Needs
// find_package(meshprobe COMPONENTS outputs), which also finds libpng and FreeType.
#pragma once

#include <string>
#include <vector>

#include "meshprobe/meshprobe.h"

namespace meshprobe {

struct Outputs {
  // One path per epsilon of Options::epsilons, or none; an empty path is not written.
  std::vector<std::string> values;      // as -o
  std::vector<std::string> pictures;    // as --png=PATH
  std::vector<std::string> statistics;  // as --stats=PATH
  std::string ply;                      // every epsilon's fields, as --ply=PATH
  std::string csv;                      // as --csv=PATH
  // The picture and the PLY's colours: as --range LO:HI when fixed_range, otherwise from 0 to
  // each epsilon's 99th percentile; as --size WxH and --dpi N.
  bool fixed_range = false;
  double range_low = 0.0;
  double range_high = 0.0;
  int width = 1200;
  int height = 800;
  int dpi = 300;
};

// Measures the file at `path` and writes every output that `outputs` names. They replace earlier
// files together once all are complete, or none does; Result::error then says why ("cannot write
// PATH", a range the colour bar cannot label, a size out of bounds).
Result measure_file(const std::string& path, const Options& options, const Outputs& outputs);

}  // namespace meshprobe
