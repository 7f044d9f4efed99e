// Umbrella and sphere-bounded Taubin smoothing: scale factors derivable by hand on a regular
// tetrahedron, fixed points, and independence from the vertex order.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>

#include "roughness/sphere_smoothing.h"
#include "roughness/surface_view.h"
#include "roughness/umbrella_smoothing.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

using testing::points_of;

void expect_scaled(const std::vector<Vec3f>& before, const std::vector<Vec3f>& after,
                   double factor) {
  ASSERT_EQ(before.size(), after.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_NEAR(after[i].x, before[i].x * factor, 1e-6);
    EXPECT_NEAR(after[i].y, before[i].y * factor, 1e-6);
    EXPECT_NEAR(after[i].z, before[i].z * factor, 1e-6);
  }
}

TEST(UmbrellaSmoothing, ScalesACentredRegularTetrahedron) {
  // Each vertex's neighbours average to minus a third of it: the shrinking pass scales by
  // 1 - 4/3 * 0.6307, the inflating pass by 1 + 4/3 * 0.6352.
  auto mesh = testing::regular_tetrahedron();
  SurfaceView view = make_surface_view(*mesh);
  auto before = points_of(*mesh);
  const double factor = (1 - 4.0 / 3 * 0.6307) * (1 + 4.0 / 3 * 0.6352);
  EXPECT_NEAR(factor, 0.2938, 1e-4);
  for (int step = 0; step < 3; ++step) {
    umbrella_taubin_step(view);
    expect_scaled(before, view.positions, factor);
    before = view.positions;
  }
}

TEST(SphereSmoothing, ScalesARegularTetrahedronByItsEdgeMidpoints) {
  // With radius sqrt(2), half the edge length, every edge crosses at its midpoint and the mean of
  // a vertex's three crossings is a third of its position.
  auto mesh = testing::regular_tetrahedron();
  SurfaceView view = make_surface_view(*mesh);
  const auto before = points_of(*mesh);
  sphere_taubin_step(view, std::sqrt(2.0));
  const double shrunk = 1 - 0.6307 * 2.0 / 3;
  const double factor = 1.0 / 3 + (shrunk - 1.0 / 3) * (1 + 0.6732);
  EXPECT_NEAR(factor, 0.7453, 1e-4);
  expect_scaled(before, view.positions, factor);
}

TEST(Smoothing, IsolatedVerticesAndLargeRadiiLeavePositionsAlone) {
  auto mesh = testing::make_mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.3f, 0.7f, 2}, {1, 1, 0.5f}},
                                 {{0, 1, 4}, {0, 4, 2}});
  SurfaceView view = make_surface_view(*mesh);
  const auto before = points_of(*mesh);
  sphere_taubin_step(view, 50.0);
  EXPECT_EQ(view.positions, before);
  umbrella_taubin_step(view);
  sphere_taubin_step(view, 0.3);
  EXPECT_EQ(view.positions[3], before[3]);
  EXPECT_NE(view.positions[4], before[4]);
}

TEST(Smoothing, InteriorVertexOfAFlatRegularGridStaysPut) {
  auto mesh = testing::flat_grid(12, 12, 0.1f);
  SurfaceView view = make_surface_view(*mesh);
  const Vec3f before = view.positions[6 * 13 + 6];
  sphere_taubin_step(view, 0.25);
  const Vec3f after = view.positions[6 * 13 + 6];
  EXPECT_NEAR(after.x, before.x, 1e-6);
  EXPECT_NEAR(after.y, before.y, 1e-6);
  EXPECT_EQ(after.z, 0.0f);
}

TEST(Smoothing, RadiusZeroMovesByASmallFractionOfTheUmbrellaOffset) {
  // Every edge crosses at one hundredth of its length: the crossing mean is the vertex plus 0.01
  // times the offset to its umbrella mean, and the vertex moves about 0.3821 of that.
  auto mesh = testing::regular_tetrahedron();
  SurfaceView view = make_surface_view(*mesh);
  const auto before = points_of(*mesh);
  sphere_taubin_step(view, 0.0);
  const double to_mean = 0.01 * (-1.0 / 3 - 1.0);  // in units of the position
  const double moved = to_mean * (0.6307 - 0.6732 * (1 - 0.6307));
  expect_scaled(before, view.positions, 1 + moved);
}

// A perturbed grid whose vertices are listed in a shuffled order gives every vertex the same
// position after smoothing as in the original order.
TEST(Smoothing, RenumberingVerticesChangesNoResult) {
  std::mt19937 random(3);
  std::uniform_real_distribution<float> jitter(-0.02f, 0.02f);
  auto grid = testing::flat_grid(9, 7, 0.1f);
  std::vector<Vec3f> points = points_of(*grid);
  for (Vec3f& p : points)
    p = {p.x + jitter(random), p.y + jitter(random), jitter(random)};
  std::vector<Polygon> polygons;
  for (auto f = grid->facets_begin(); f != grid->facets_end(); ++f) {
    Polygon polygon;
    auto h = f->halfedge();
    do {
      const Vec3f q = to_vec3f(h->vertex()->point());
      polygon.push_back(
          static_cast<std::uint32_t>(std::lround(q.y * 10) * 10 + std::lround(q.x * 10)));
      h = h->next();
    } while (h != f->halfedge());
    polygons.push_back(polygon);
  }
  std::vector<std::uint32_t> order(points.size());
  std::iota(order.begin(), order.end(), 0u);
  std::shuffle(order.begin(), order.end(), random);
  std::vector<std::uint32_t> place(points.size());
  std::vector<Vec3f> shuffled_points(points.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    place[order[k]] = static_cast<std::uint32_t>(k);
    shuffled_points[k] = points[order[k]];
  }
  std::vector<Polygon> shuffled_polygons = polygons;
  for (Polygon& polygon : shuffled_polygons) {
    for (std::uint32_t& index : polygon)
      index = place[index];
  }
  auto original = testing::make_mesh(points, polygons);
  auto shuffled = testing::make_mesh(shuffled_points, shuffled_polygons);
  // Each surface in its own order and along the space-filling curve: four numberings in all.
  std::vector<std::vector<Vec3f>> smoothed;
  for (auto* mesh : {original.get(), shuffled.get()}) {
    for (const VertexOrder numbering : {VertexOrder::kMesh, VertexOrder::kLocality}) {
      SurfaceView view = make_surface_view(*mesh, numbering);
      sphere_taubin_step(view, 0.15);
      umbrella_taubin_step(view);
      std::vector<Vec3f> in_mesh_order(view.positions.size());
      for (std::uint32_t v = 0; v < view.vertex_count(); ++v)
        in_mesh_order[view.mesh_place[v]] = view.positions[v];
      smoothed.push_back(in_mesh_order);
    }
  }
  const auto& a = smoothed[0];
  EXPECT_EQ(smoothed[1], a);
  EXPECT_EQ(smoothed[3], smoothed[2]);
  const auto& b = smoothed[2];
  for (std::size_t i = 0; i < a.size(); ++i)
    EXPECT_EQ(a[i], b[place[i]]) << i;
}

}  // namespace
}  // namespace meshprobe
