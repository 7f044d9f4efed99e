#include "mesh/tolerant_builder.h"

#include <CGAL/Polyhedron_incremental_builder_3.h>

namespace meshprobe {

void FacetListBuilder::operator()(HDS& hds) {
  CGAL::Polyhedron_incremental_builder_3<HDS> builder(hds, /*verbose=*/false);
  builder.begin_surface(points_.size(), facets_.size());
  for (const Vec3f& p : points_)
    builder.add_vertex(Point(p.x, p.y, p.z));
  for (std::size_t f = 0; f < facets_.size(); ++f) {
    const auto first = facets_.corners.begin() + static_cast<std::ptrdiff_t>(facets_.starts[f]);
    const auto last = facets_.corners.begin() + static_cast<std::ptrdiff_t>(facets_.starts[f + 1]);
    if (excluded_[f] || !builder.test_facet(first, last)) {
      if (left_out_.count++ == 0) left_out_.first = f;
      continue;
    }
    builder.add_facet(first, last);
    if (builder.error()) {
      // add_facet refused a facet that test_facet had accepted. Its partial links cannot be
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
