// The roughness of the core vertices of one tile of a larger mesh, and whether each is the value
// the whole mesh's run gives it. In: the tile's surface (normalised as the whole mesh is, facet
// normals set), each of its vertices' count of facets in the whole mesh, its core vertices, and
// per epsilon the smoothed copy's positions (the whole mesh's, smoothed over it whole). Out: per
// core vertex the roughness, the count of core values that may not be exact and, when asked,
// the intermediate fields.
//
// The tile holds its core and a margin of neighbours (the halo). A vertex whose facets are all in
// the tile is complete: its halfedges, in circulator order, are the whole mesh's. The curvature
// and the averaging track, per vertex, whether everything they read was the whole mesh's
// (roughness/exact_reads.h), starting from the complete vertices; the curvature is computed only
// where the averaging walks about the core go, the averaging at the core alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/facet_list.h"
#include "mesh/mesh.h"
#include "roughness/curvature_tensor.h"
#include "roughness/exact_reads.h"
#include "roughness/roughness_steps.h"
#include "roughness/surface_analyzer.h"
#include "roughness/surface_view.h"

namespace meshprobe {

struct TileRoughness {
  // Per core vertex, in the order the core was given.
  std::vector<float> roughness;
  std::size_t inexact = 0;  // core vertices whose value may differ from the whole mesh's
  RoughnessFields fields;   // per core vertex, when kept
};

// Per vertex of the view, whether it is complete: as many facets around it as `facets_in_whole`
// (per vertex of the mesh the view was made from) counts in the whole mesh.
ExactFlags complete_vertices(const SurfaceView& view,
                             const std::vector<std::uint32_t>& facets_in_whole);

class TileAnalyzer {
 public:
  // Takes what it needs of `mesh` (its connectivity, points and facet normals): the mesh may go
  // once the analyser is made. `facets_in_whole` holds, per vertex of the mesh, the number of
  // facets that use it in the whole mesh; `core` lists the mesh places of the vertices whose
  // values are wanted.
  TileAnalyzer(Mesh& mesh, const std::vector<std::uint32_t>& facets_in_whole,
               const std::vector<std::uint32_t>& core, bool keep_fields);

  // The core's roughness for the neighbourhood radius `epsilon` by the steps of
  // roughness_steps.h, with how many values may not be exact; `copy` holds the smoothed copy's
  // position of every vertex of the mesh, in its order. Several calls measure several epsilons;
  // the input's curvature is computed once per vertex over all of them.
  TileRoughness measure(double epsilon, const std::vector<Vec3f>& copy,
                        const StepProgress& progress = {});

  // The tile's vertices that hold all their facets (the view's order).
  const ExactFlags& complete() const { return complete_; }

 private:
  template <class Analyzer>
  friend auto measure_in_steps(Analyzer& analyzer, double epsilon, const StepProgress& progress);

  // The copy is smoothed over the whole mesh, which no tile holds: this step puts the copy given
  // to measure() into the view, whatever the radius.
  void smooth(double smoothing_radius, const Progress& progress);

  // The copy's curvature where the copy's averaging about the core reads it, then the input's
  // where this averaging reads it and no earlier epsilon's did. Needs smooth first.
  void curvature(double averaging_radius, const Progress& progress);

  // Both averages at the core, with whether each is exact. Needs curvature first.
  void average(double averaging_radius, const Progress& progress);

  // roughness_difference at each core vertex, in the core's order. Needs average first.
  TileRoughness difference();

  // The copy's facet normals from the view's current positions.
  void copy_facet_normals();

  bool keep_fields_;
  SurfaceView view_;
  std::vector<Vec3f> input_positions_;  // per view vertex
  std::vector<Vec3f> input_normals_;    // per facet
  FacetList polygons_;                  // per facet, its corners (view places) from its halfedge
  ExactFlags complete_;                 // per view vertex
  std::vector<std::uint32_t> core_;     // view places, in the order given
  std::vector<std::uint32_t> core_in_view_order_;
  CurvatureField input_curvature_;  // computed where some epsilon's averaging needed it
  ExactFlags input_curvature_done_;
  ExactFlags input_curvature_exact_;
  // One epsilon's steps, from smooth to difference.
  const std::vector<Vec3f>* copy_ = nullptr;  // the copy given to measure(), per mesh vertex
  std::vector<Vec3f> copy_positions_;         // per view vertex
  CurvatureField copy_curvature_;
  ExactFlags copy_curvature_exact_;
  ExactReads reads_;
  std::vector<double> input_average_;
  ExactFlags input_average_exact_;
  std::vector<double> copy_average_;
  ExactFlags copy_average_exact_;
};

}  // namespace meshprobe
