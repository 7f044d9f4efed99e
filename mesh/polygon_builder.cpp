#include "mesh/polygon_builder.h"

#include <CGAL/Modifier_base.h>
#include <CGAL/Polyhedron_incremental_builder_3.h>

namespace meshprobe {

namespace {

class PolygonBuilder : public CGAL::Modifier_base<HDS> {
 public:
  PolygonBuilder(const std::vector<Vec3f>& points, const std::vector<Polygon>& polygons)
      : points_(points), polygons_(polygons) {}

  void operator()(HDS& hds) override {
    CGAL::Polyhedron_incremental_builder_3<HDS> builder(hds, /*verbose=*/false);
    builder.begin_surface(points_.size(), polygons_.size());
    for (const Vec3f& p : points_)
      builder.add_vertex(Point(p.x, p.y, p.z));
    for (const Polygon& polygon : polygons_) {
      if (polygon.size() < 3 || !builder.test_facet(polygon.begin(), polygon.end())) {
        builder.rollback();
        failed_ = true;
        return;
      }
      builder.add_facet(polygon.begin(), polygon.end());
      if (builder.error()) {
        builder.rollback();
        failed_ = true;
        return;
      }
    }
    builder.end_surface();
  }

  bool failed() const { return failed_; }

 private:
  const std::vector<Vec3f>& points_;
  const std::vector<Polygon>& polygons_;
  bool failed_ = false;
};

}  // namespace

bool build_from_polygons(Mesh& mesh, const std::vector<Vec3f>& points,
                         const std::vector<Polygon>& polygons) {
  for (const Polygon& polygon : polygons) {
    for (std::uint32_t index : polygon) {
      if (index >= points.size()) return false;
    }
  }
  PolygonBuilder builder(points, polygons);
  mesh.delegate(builder);
  if (builder.failed()) {
    mesh.clear();
    return false;
  }
  return true;
}

}  // namespace meshprobe
