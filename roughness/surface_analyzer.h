// The roughness estimation: compares the surface with a heavily smoothed copy of itself and
// stores, per vertex, how much the input's averaged curvature exceeds the copy's.
#pragma once

#include "mesh/mesh.h"

namespace meshprobe {

class SurfaceAnalyzer {
 public:
  // The analyser works on `mesh` without owning it; the mesh must outlive it.
  explicit SurfaceAnalyzer(Mesh* mesh) : mesh_(mesh) {}

  // Sets every vertex's roughness and the mesh's roughness range. Radii are in normalised units
  // (the largest bounding-box side is 1): averaging_radius for the curvature averaging,
  // smoothing_radius for the sphere-bounded smoothing of the copy.
  void compute_roughness(double averaging_radius, double smoothing_radius);

 private:
  Mesh* mesh_;
};

}  // namespace meshprobe
