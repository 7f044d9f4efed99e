// meshprobe for C++ projects: a mesh file (read as the command line reads it: OBJ, PLY, STL,
// OFF, or one of them gzipped) or points and facets in, its roughness at any number of epsilons
// out, as values that say why when the mesh could not be measured. No call throws, and no CGAL
// type appears here.
// Epsilons and lengths: the epsilon is a fraction of the length, which is the largest
// bounding-box side unless Options::length gives one in the input's units.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "meshprobe/version.h"

namespace meshprobe {

struct Options {
  std::vector<float> epsilons;  // each finite and > 0; 0.01 is recommended
  float length = 0.0f;          // > 0: lengths are fractions of it; 0: of the largest side
  int threads = 0;              // 0: every core; more than the cores are cut to the cores
  std::size_t tiles = 1;        // > 1: measured in that many spatial tiles, with the same values
  bool fields = false;          // also hand back every intermediate field, as the CSV has them
};

// Order statistics of the roughness over the measured vertices.
struct Statistics {
  double min = 0.0;
  double mean = 0.0;
  double median = 0.0;
  double p90 = 0.0;
  double p95 = 0.0;
  double p99 = 0.0;
  double max = 0.0;
  double zero_share = 0.0;  // share of measured vertices whose roughness is exactly 0
};

struct EpsilonResult {
  float epsilon = 0.0f;
  // One per vertex of the file (or of `points`), in that order: NaN for a vertex that no facet
  // of the measured surface uses.
  std::vector<float> roughness;
  // The value file's numbers: one per vertex of the mesh as read (OFF, PLY and STL keep only
  // the vertices facets use; OBJ and points keep every vertex, 0 where no facet uses it).
  std::vector<float> values;
  Statistics statistics;
  // With Options::fields: the CSV's columns of this epsilon (vertex, x, y, z, sx, ..., roughness;
  // positions normalised), one value per vertex of the file, NaN where not measured.
  std::map<std::string, std::vector<double>> fields;
};

struct Result {
  // Empty when the mesh was measured; otherwise the reason, in the words of the command line's
  // message ("cannot read PATH: ...", "epsilon must be ...", "... too large for the memory").
  std::string error;
  std::size_t vertices_in_file = 0;
  std::size_t vertices_measured = 0;  // vertices that a facet of the surface uses
  std::size_t facets_left_out = 0;    // facets the surface could not hold (the command line warns)
  std::vector<EpsilonResult> epsilons;  // in the order of Options::epsilons

  bool ok() const { return error.empty(); }
};

// Reads the mesh at `path` and measures it at every epsilon of `options`.
Result measure_file(const std::string& path, const Options& options);

// Measures the mesh of `points` (input units) and `facets` (corners counted from 0, each below
// points.size(), at least 3 per facet); facets the surface cannot hold are left out and counted.
Result measure(const std::vector<std::array<float, 3>>& points,
               const std::vector<std::vector<std::uint32_t>>& facets, const Options& options);

// The first interface, kept for its callers: measure_file at one epsilon.
struct FileRoughness {
  std::string error;               // as Result::error
  std::vector<float> values;       // as EpsilonResult::values
  std::vector<float> file_values;  // as EpsilonResult::roughness
  std::size_t facets_left_out = 0;

  bool ok() const { return error.empty(); }
};

FileRoughness roughness_of_file(const std::string& path, float epsilon);

}  // namespace meshprobe
