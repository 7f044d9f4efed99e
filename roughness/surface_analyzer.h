// The roughness estimation. The analyser compares the surface with a heavily smoothed copy of
// itself: both get normal-cycle curvature over small spheres, the larger principal curvature is
// Gaussian-averaged over a sphere of twice the smoothing radius, and a vertex's roughness is how
// much the input's average exceeds the copy's (0 where it does not).
// In: a prepared Mesh (normalised, facet normals set). Out: arrays in the mesh's vertex-list
// order, the roughness and, when asked for, every intermediate field.
//
// Every length is in normalised units: the mesh has been centred and scaled so that the largest
// side of its bounding box is 1.
//
// One call measures one epsilon; several calls on one analyser measure several, computing what
// does not depend on epsilon (the flat view of the surface, the input's curvature) once, each
// epsilon's result bit for bit that of an analyser used for that epsilon alone:
//
//   SurfaceAnalyzer analyzer(mesh, /*keep_fields=*/true);
//   const StepProgress show = [](const char* step, std::size_t done, std::size_t total) {
//     std::fprintf(stderr, "\r%s %3zu%%", step, 100 * done / total);
//   };
//   for (const float epsilon : {0.005f, 0.01f, 0.02f}) {
//     const RoughnessResult result = analyzer.measure(epsilon, show);  // result.fields.kmax, ...
//   }

#pragma once

#include <cstddef>
#include <vector>

#include "mesh/mesh.h"
#include "roughness/curvature_tensor.h"
#include "roughness/progress.h"
#include "roughness/roughness_steps.h"
#include "roughness/surface_view.h"

namespace meshprobe {

// The intermediate fields of one run, in the mesh's vertex-list order: the input's principal
// curvatures and averaged kmax, and the same for the smoothed copy with its positions.
struct RoughnessFields {
  std::vector<double> kmin;
  std::vector<double> kmax;
  std::vector<double> local_curvature;
  std::vector<Vec3f> smoothed_positions;
  std::vector<double> smoothed_kmin;
  std::vector<double> smoothed_kmax;
  std::vector<double> smoothed_local_curvature;
};

struct RoughnessResult {
  std::vector<float> roughness;  // per vertex, in the mesh's vertex-list order
  // Range of the differences before they are rounded to single precision; 1e4 and -1e4 for a
  // mesh without vertices.
  double roughness_min = 0.0;
  double roughness_max = 0.0;
  RoughnessFields fields;  // empty unless the analyser keeps fields
};

class SurfaceAnalyzer {
 public:
  // Prepares the run: numbers the mesh's vertices and facets (their `id`) and builds the flat
  // view of its points and facet normals, vertices ordered for locality. The mesh is read, never
  // changed, and must outlive the analyser unchanged. With `keep_fields` the results carry the
  // intermediate fields, which cost about 80 bytes per vertex more while the run lasts.
  explicit SurfaceAnalyzer(Mesh& mesh, bool keep_fields = false);

  std::size_t vertex_count() const { return view_.vertex_count(); }

  // The roughness for the neighbourhood radius `epsilon`, by the steps of roughness_steps.h over
  // every vertex. The fields, when kept, are in the result.
  RoughnessResult measure(double epsilon, const StepProgress& progress = {});

 private:
  template <class Analyzer>
  friend auto measure_in_steps(Analyzer& analyzer, double epsilon, const StepProgress& progress);

  // Smooths a copy of the input's points (roughness/copy_smoothing.h), starting from the input
  // afresh on every call.
  void smooth(double smoothing_radius, const Progress& progress);

  // Curvature over spheres of radius kCurvatureRadius of the smoothed copy and, on the first call
  // only, of the input, at every vertex (any averaging radius reads them all). Needs smooth first.
  void curvature(double averaging_radius, const Progress& progress);

  // Gaussian-averaged kmax over spheres of averaging_radius of the input and of the copy.
  // Needs curvature first.
  void average(double averaging_radius, const Progress& progress);

  // Per vertex, roughness_difference of the two averages. Needs average first. The fields, when
  // kept, are moved into the result.
  RoughnessResult difference();

  // kNeither: facet normals of an earlier copy, which no surface in use has.
  enum class Surface { kInput, kCopy, kNeither };

  // Puts the input's or the copy's positions into the view, and their facet normals when
  // `with_normals`; the other surface's positions are kept aside.
  void use(Surface surface, bool with_normals);

  Mesh& mesh_;
  bool keep_fields_;
  SurfaceView view_;
  Surface positions_of_ = Surface::kInput;
  Surface normals_of_ = Surface::kInput;
  std::vector<Vec3f> aside_;  // the copy's positions while the view holds the input's
  bool input_curvature_done_ = false;
  CurvatureField input_curvature_;
  CurvatureField copy_curvature_;
  std::vector<double> input_average_;
  std::vector<double> copy_average_;
};

}  // namespace meshprobe
