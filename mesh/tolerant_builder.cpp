#include "mesh/tolerant_builder.h"

#include <CGAL/Modifier_base.h>
#include <CGAL/Polyhedron_incremental_builder_3.h>

namespace meshprobe {

namespace {

class TolerantBuilder : public CGAL::Modifier_base<HDS> {
 public:
  TolerantBuilder(const std::vector<Vec3f>& points, const FacetList& facets,
                  const std::vector<bool>& excluded)
      : points_(points), facets_(facets), excluded_(excluded) {}

  void operator()(HDS& hds) override {
    CGAL::Polyhedron_incremental_builder_3<HDS> builder(hds, /*verbose=*/false);
    builder.begin_surface(points_.size(), facets_.size());
    for (const Vec3f& p : points_)
      builder.add_vertex(Point(p.x, p.y, p.z));
    for (std::size_t f = 0; f < facets_.size(); ++f) {
      const auto first = facets_.corners.begin() + static_cast<std::ptrdiff_t>(facets_.starts[f]);
      const auto last =
          facets_.corners.begin() + static_cast<std::ptrdiff_t>(facets_.starts[f + 1]);
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

  const LeftOutFacets& left_out() const { return left_out_; }
  // The facet whose add_facet failed, or facets.size() after a complete build.
  std::size_t refused() const { return refused_; }

 private:
  const std::vector<Vec3f>& points_;
  const FacetList& facets_;
  const std::vector<bool>& excluded_;
  LeftOutFacets left_out_;
  std::size_t refused_ = facets_.size();
};

}  // namespace

LeftOutFacets build_leaving_out_unfit_facets(Mesh& mesh, const std::vector<Vec3f>& points,
                                             const FacetList& facets) {
  // Facets that add_facet refused after test_facet accepted them. No input known to us gets
  // here; each round excludes one more facet, so the loop ends.
  std::vector<bool> excluded(facets.size(), false);
  for (;;) {
    TolerantBuilder builder(points, facets, excluded);
    mesh.delegate(builder);
    if (builder.refused() == facets.size()) return builder.left_out();
    mesh.clear();
    excluded[builder.refused()] = true;
  }
}

}  // namespace meshprobe
