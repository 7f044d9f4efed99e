#include "io/stored_lists.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "io/surface_from_lists.h"

namespace meshprobe {

namespace {
// Facets of up to this many corners are searched for a repeated vertex pair by pair; larger ones
// are sorted, so that a facet of a million corners costs no more than its sorting.
constexpr std::size_t kPairwiseCorners = 8;
}  // namespace

StoredFacets::StoredFacets(StoredLists& lists) : lists_(lists) {
  status_ = lists_.facets.create();
}

void StoredFacets::add(const VertexIndex* corners, std::size_t degree, std::size_t line) {
  ++facet_;
  // The marks must see every facet: they also say which vertices a facet names.
  const bool repeats = repeats_a_vertex(corners, degree);
  unfit_alone_ = unfit_alone_ || degree < 3 || repeats;
  if (!status_.ok) return;
  status_ = lists_.facets.add(corners, degree);
  if (line == 0 || !status_.ok) return;
  if (!lists_.face_lines.is_open()) status_ = lists_.face_lines.create();
  const std::uint64_t number = line;
  if (status_.ok) status_ = lists_.face_lines.append(&number, sizeof number);
}

bool StoredFacets::repeats_a_vertex(const VertexIndex* corners, std::size_t degree) {
  // With expect_vertices, the per-vertex mark of the last facet to name it finds a repeat in
  // time proportional to the facet, and notes the first for the file's refusal.
  if (!last_facet_naming_.empty()) {
    bool repeats = false;
    for (std::size_t k = 0; k < degree; ++k) {
      const VertexIndex v = corners[k];
      if (last_facet_naming_[v] == facet_) {
        repeats = true;
        if (!repeats_) {
          repeats_ = true;
          repeating_facet_ = facet_ - 1;
          repeated_vertex_ = v;
        }
      }
      last_facet_naming_[v] = facet_;
    }
    return repeats;
  }
  if (degree <= kPairwiseCorners) {
    for (std::size_t i = 1; i < degree; ++i) {
      for (std::size_t j = 0; j < i; ++j)
        if (corners[j] == corners[i]) return true;
    }
    return false;
  }
  sorted_.assign(corners, corners + degree);
  std::sort(sorted_.begin(), sorted_.end());
  return std::adjacent_find(sorted_.begin(), sorted_.end()) != sorted_.end();
}

ReadStatus StoredFacets::number_as_mesh(FileLayout& layout) {
  if (!status_.ok) return status_;
  lists_.facet_unfit_alone = unfit_alone_;
  if (repeats_) return names_a_vertex_twice(repeating_facet_, repeated_vertex_);
  FacetStore& store = lists_.facets;
  ReadStatus status = store.finish_adding();
  if (status.ok && lists_.face_lines.is_open()) status = lists_.face_lines.flush();
  if (!status.ok) return status;
  std::vector<Vec3f>& points = lists_.points;
  layout.vertices_in_file = points.size();
  layout.facets_in_file = store.size();
  if (last_facet_naming_.empty()) {
    layout.mesh_vertex.resize(points.size());
    std::iota(layout.mesh_vertex.begin(), layout.mesh_vertex.end(), VertexIndex{0});
    return ReadStatus{};
  }
  // Kept vertices are numbered in their order, so the survivors keep the file's order.
  layout.mesh_vertex.assign(points.size(), FileLayout::kNotInMesh);
  VertexIndex kept = 0;
  for (std::size_t v = 0; v < points.size(); ++v) {
    if (last_facet_naming_[v] == 0) continue;
    layout.mesh_vertex[v] = kept;
    points[kept++] = points[v];
  }
  last_facet_naming_ = std::vector<std::uint64_t>();
  if (kept == points.size()) return ReadStatus{};
  points.resize(kept);
  points.shrink_to_fit();
  FacetStore renumbered;
  status = renumbered.create();
  if (!status.ok) return status;
  std::vector<VertexIndex> facet;
  const ReadStatus passed =
      store.for_each([&](std::size_t, const VertexIndex* corners, std::size_t degree) {
        facet.clear();
        for (std::size_t k = 0; k < degree; ++k)
          facet.push_back(layout.mesh_vertex[corners[k]]);
        if (status.ok) status = renumbered.add(facet.data(), facet.size());
      });
  if (!passed.ok) return passed;
  if (status.ok) status = renumbered.finish_adding();
  if (!status.ok) return status;
  store = std::move(renumbered);
  return ReadStatus{};
}

}  // namespace meshprobe
