#include "roughness/tile_analyzer.h"

#include <algorithm>
#include <utility>

#include "mesh/normals.h"
#include "roughness/curvature_averaging.h"
#include "roughness/walk_reach.h"

namespace meshprobe {

namespace {

// The reads of a walk pass over positions (and values) whose exactness is `exact`.
ExactReads reads_of(ExactFlags exact, const ExactFlags& complete) {
  ExactReads reads;
  reads.walkable.resize(exact.size());
  for (std::size_t k = 0; k < exact.size(); ++k)
    reads.walkable[k] = exact[k] & complete[k];
  reads.exact = std::move(exact);
  return reads;
}

template <class T>
std::vector<T> at_core(const std::vector<T>& values, const std::vector<std::uint32_t>& core) {
  std::vector<T> picked;
  picked.reserve(core.size());
  for (const std::uint32_t v : core)
    picked.push_back(values[v]);
  return picked;
}

}  // namespace

ExactFlags complete_vertices(const SurfaceView& view,
                             const std::vector<std::uint32_t>& facets_in_whole) {
  const std::uint32_t n = view.vertex_count();
  ExactFlags complete(n, 0);
  // A vertex with all its facets has one incoming halfedge inside each of them.
  for (std::uint32_t v = 0; v < n; ++v) {
    std::uint32_t facets = 0;
    for (std::uint32_t slot = view.first_incoming[v]; slot < view.first_incoming[v + 1]; ++slot)
      if (view.facet[slot] != kNoFacet) ++facets;
    complete[v] = facets > 0 && facets == facets_in_whole[view.mesh_place[v]] ? 1 : 0;
  }
  return complete;
}

TileAnalyzer::TileAnalyzer(Mesh& mesh, const std::vector<std::uint32_t>& facets_in_whole,
                           const std::vector<std::uint32_t>& core, bool keep_fields)
    : keep_fields_(keep_fields), view_(make_surface_view(mesh, VertexOrder::kLocality)) {
  const std::uint32_t n = view_.vertex_count();
  input_positions_ = view_.positions;
  input_normals_ = view_.facet_normals;
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f) {
    const auto start = f->halfedge();
    auto h = start;
    do {
      polygons_.corners.push_back(view_.view_place[h->vertex()->id]);
      h = h->next();
    } while (h != start);
    polygons_.end_facet();
  }
  complete_ = complete_vertices(view_, facets_in_whole);
  core_.reserve(core.size());
  for (const std::uint32_t place : core)
    core_.push_back(view_.view_place[place]);
  // The passes go through the core in the view's order, whose neighbours lie close in memory.
  core_in_view_order_ = core_;
  std::sort(core_in_view_order_.begin(), core_in_view_order_.end());
  input_curvature_done_.assign(n, 0);
  input_curvature_exact_.assign(n, 0);
  if (keep_fields_) input_curvature_.kmin.resize(n);
}

void TileAnalyzer::copy_facet_normals() {
  const std::size_t facets = polygons_.size();
  view_.facet_normals.resize(facets);
  for (std::size_t f = 0; f < facets; ++f) {
    const VertexIndex* corners = polygons_.corners.data() + polygons_.starts[f];
    view_.facet_normals[f] = polygon_normal(
        polygons_.degree(f), [&](std::size_t k) { return view_.positions[corners[k]]; });
  }
}

TileRoughness TileAnalyzer::measure(double epsilon, const std::vector<Vec3f>& copy,
                                    const StepProgress& progress) {
  copy_ = &copy;
  return measure_in_steps(*this, epsilon, progress);
}

void TileAnalyzer::smooth(double /*smoothing_radius*/, const Progress& /*progress*/) {
  const std::uint32_t n = view_.vertex_count();
  copy_positions_.resize(n);
  for (std::uint32_t v = 0; v < n; ++v)
    copy_positions_[v] = (*copy_)[view_.mesh_place[v]];
  view_.positions = copy_positions_;
}

void TileAnalyzer::curvature(double averaging_radius, const Progress& progress) {
  const std::uint32_t n = view_.vertex_count();
  // Both surfaces' positions are the whole mesh's: only the tile's edge makes a value inexact.
  const ExactFlags everywhere(n, 1);

  // The copy's curvature where the copy's averaging about the core reads it.
  const std::vector<std::uint32_t> copy_needed =
      vertices_walks_can_read(view_, core_in_view_order_, averaging_radius);
  copy_facet_normals();
  reads_ = reads_of(everywhere, complete_);
  reads_.facet_exact.assign(polygons_.size(), 1);
  copy_curvature_ = CurvatureField();
  if (keep_fields_) copy_curvature_.kmin.resize(n);
  copy_curvature_exact_.assign(n, 0);
  estimate_curvature(view_, kCurvatureRadius, copy_curvature_, progress,
                     PassScope{&copy_needed, &reads_, &copy_curvature_exact_});

  // The input's curvature where this epsilon's averaging reads it and no earlier one did.
  view_.positions = input_positions_;
  view_.facet_normals = input_normals_;
  std::vector<std::uint32_t> input_needed;
  for (const std::uint32_t v :
       vertices_walks_can_read(view_, core_in_view_order_, averaging_radius)) {
    if (input_curvature_done_[v] == 0) input_needed.push_back(v);
  }
  estimate_curvature(view_, kCurvatureRadius, input_curvature_, progress,
                     PassScope{&input_needed, &reads_, &input_curvature_exact_});
  for (const std::uint32_t v : input_needed)
    input_curvature_done_[v] = 1;
}

void TileAnalyzer::average(double averaging_radius, const Progress& progress) {
  const std::uint32_t n = view_.vertex_count();
  // The input's first, while the view holds its positions.
  input_average_ = std::vector<double>();
  input_average_exact_.assign(n, 0);
  reads_ = reads_of(input_curvature_exact_, complete_);
  average_curvature(view_, input_curvature_.kmax, averaging_radius, input_average_, progress,
                    PassScope{&core_in_view_order_, &reads_, &input_average_exact_});
  view_.positions = std::move(copy_positions_);
  copy_average_ = std::vector<double>();
  copy_average_exact_.assign(n, 0);
  reads_ = reads_of(copy_curvature_exact_, complete_);
  average_curvature(view_, copy_curvature_.kmax, averaging_radius, copy_average_, progress,
                    PassScope{&core_in_view_order_, &reads_, &copy_average_exact_});
}

TileRoughness TileAnalyzer::difference() {
  TileRoughness result;
  result.roughness.reserve(core_.size());
  for (const std::uint32_t v : core_) {
    const double difference = roughness_difference(input_average_[v], copy_average_[v]);
    result.roughness.push_back(static_cast<float>(difference));
    const bool exact = input_average_exact_[v] != 0 && copy_average_exact_[v] != 0;
    if (!exact) ++result.inexact;
  }
  if (keep_fields_) {
    RoughnessFields& fields = result.fields;
    fields.kmin = at_core(input_curvature_.kmin, core_);
    fields.kmax = at_core(input_curvature_.kmax, core_);
    fields.local_curvature = at_core(input_average_, core_);
    // The view holds the copy's positions since the averaging.
    fields.smoothed_positions = at_core(view_.positions, core_);
    fields.smoothed_kmin = at_core(copy_curvature_.kmin, core_);
    fields.smoothed_kmax = at_core(copy_curvature_.kmax, core_);
    fields.smoothed_local_curvature = at_core(copy_average_, core_);
  }
  return result;
}

}  // namespace meshprobe
