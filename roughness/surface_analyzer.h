// The roughness estimation. The analyser compares the surface with a heavily smoothed copy of
// itself: both get normal-cycle curvature over small spheres, the larger principal curvature is
// Gaussian-averaged over a sphere of twice the smoothing radius, and a vertex's roughness is how
// much the input's average exceeds the copy's (0 where it does not).
//
// Every length is in normalised units: the mesh has been centred and scaled so that the largest
// side of its bounding box is 1.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "mesh/mesh.h"

namespace meshprobe {

// What a run can report beyond the input mesh's fields, for those who study the method: the
// smoothed copy's state at the end of the run, and how long each stage took.
struct RoughnessDetails {
  std::vector<Vec3f> smoothed_positions;  // after all smoothing steps, in vertex order
  std::vector<double> smoothed_kmin;
  std::vector<double> smoothed_kmax;
  std::vector<double> smoothed_local_curvature;
  std::vector<std::pair<std::string, double>> stage_seconds;  // in the order the stages ran
};

class SurfaceAnalyzer {
 public:
  // The analyser works on `mesh` without owning it; the mesh must outlive it and already have
  // its facet and vertex normals.
  explicit SurfaceAnalyzer(Mesh* mesh) : mesh_(mesh) {}

  // Sets every vertex's roughness and the mesh's roughness range, and rewrites its curvature
  // fields and local_curvature; its points and normals stay as they are. The smoothed copy
  // (5 sphere-bounded Taubin steps of radius smoothing_radius, then 70 umbrella steps) lives
  // only for this call. Curvature is taken over spheres of radius 0.005 and averaged over
  // spheres of averaging_radius. Fills `details` when given.
  void compute_roughness(double averaging_radius, double smoothing_radius,
                         RoughnessDetails* details = nullptr);

  // One umbrella Taubin step over every vertex of `mesh`; changes only its points.
  void umbrella_taubin_step(Mesh& mesh);

  // One sphere-bounded Taubin step of radius r over every vertex of `mesh`; changes only its
  // points, and only once every vertex has been measured.
  void sphere_taubin_step(Mesh& mesh, double r);

  // Sets kmin, kmax and their directions for every vertex of `mesh`, from its points and facet
  // normals, over spheres of `radius` (use_sphere) or over the edges at each vertex, and the
  // mesh's curvature ranges.
  void estimate_curvature(Mesh& mesh, bool use_sphere, double radius);

  // Sets local_curvature for every vertex of `mesh` from the points and kmax of the vertices
  // within `radius`.
  void average_curvature(Mesh& mesh, double radius);

 private:
  Mesh* mesh_;
};

}  // namespace meshprobe
