#include "mesh/tolerant_builder.h"

#include <limits>

#include "mesh/surface_builder.h"

namespace meshprobe {

namespace {

// True when the corners [first, last) of facet `f` name some vertex twice. `marks` holds, per
// vertex, the last facet that named it, so the search is linear in the corners.
bool names_a_vertex_twice(const VertexIndex* first, const VertexIndex* last, std::size_t f,
                          std::vector<std::size_t>& marks) {
  for (const VertexIndex* c = first; c != last; ++c) {
    if (marks[*c] == f) return true;
    marks[*c] = f;
  }
  return false;
}

}  // namespace

void FacetListBuilder::operator()(HDS& hds) {
  SurfaceBuilder builder(hds, /*verbose=*/false);
  builder.begin_surface(points_.size(), facets_.size());
  for (const Vec3f& p : points_)
    builder.add_vertex(Point(p.x, p.y, p.z));
  std::vector<std::size_t> marks(points_.size(), std::numeric_limits<std::size_t>::max());
  for (std::size_t f = 0; f < facets_.size(); ++f) {
    const VertexIndex* first = facets_.corners.data() + facets_.starts[f];
    const VertexIndex* last = facets_.corners.data() + facets_.starts[f + 1];
    // can_take answers as the builder's test_facet does for facets that name no vertex twice,
    // in time linear in the corners rather than quadratic in them.
    if (excluded_[f] || names_a_vertex_twice(first, last, f, marks) ||
        !builder.can_take(first, last)) {
      if (left_out_.count++ == 0) left_out_.first = f;
      continue;
    }
    builder.add_facet(first, last);
    if (builder.error()) {
      // add_facet refused a facet that can_take had accepted. Its partial links cannot be
      // undone one facet at a time, so the whole build is discarded and the caller builds
      // again without this facet.
      builder.rollback();
      refused_ = f;
      return;
    }
  }
  builder.end_surface();
}

}  // namespace meshprobe
