// Which results of a pass over one tile of a larger mesh are those of the whole mesh. A tile
// holds, near its edge, vertices whose facets it lacks; a value that read such a vertex, or a
// value that was itself not the whole mesh's, may differ. In: per vertex (and facet) flags of what
// a pass reads. Out: per computed vertex, whether everything its computation read was exact.
#pragma once

#include <cstdint>
#include <vector>

#include "roughness/sphere_walk.h"

namespace meshprobe {

using ExactFlags = std::vector<std::uint8_t>;  // per vertex or facet: 1 exact, 0 not

struct ExactReads {
  // Per vertex of the view: the values of it that the pass reads (its position; for the
  // averaging its kmax too) are the whole mesh's.
  ExactFlags exact;
  // Per vertex: exact, and its incoming halfedges are the whole mesh's, in the same order, so that
  // a walk that goes on from it sees what the whole mesh's walk sees.
  ExactFlags walkable;
  // Per facet (read by the curvature only): its normal is the whole mesh's.
  ExactFlags facet_exact;

  // A walk about a vertex equals the whole mesh's walk as long as every examined halfedge reads
  // exact values: the edge's far end, and, where the walk goes on from there, its halfedges. The
  // near end is walkable already: it is the start or a far end that the walk went on from.
  bool reads_exact(const SphereEdge& e) const {
    return (e.crosses ? exact[e.far] : walkable[e.far]) != 0;
  }
};

// What one pass computes: every vertex of the view, or only the listed ones; and, with `reads`,
// whether each computed vertex's result is the whole mesh's, into `exact` (one entry per vertex;
// vertices not computed are left as they are).
struct PassScope {
  const std::vector<std::uint32_t>* vertices = nullptr;
  const ExactReads* reads = nullptr;
  ExactFlags* exact = nullptr;

  std::uint32_t count(std::uint32_t all) const {
    return vertices ? static_cast<std::uint32_t>(vertices->size()) : all;
  }
  std::uint32_t vertex(std::uint32_t k) const { return vertices ? (*vertices)[k] : k; }
  bool tracks() const { return reads != nullptr; }
};

}  // namespace meshprobe
