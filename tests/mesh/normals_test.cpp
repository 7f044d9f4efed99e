// Facet normals: equal corner weights, degenerate facets, rounding and orientation.
#include <gtest/gtest.h>

#include <cmath>

#include "mesh/normals.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

using testing::make_mesh;

void expect_vec(const Vec3f& actual, double x, double y, double z, double tolerance = 0.0) {
  EXPECT_NEAR(actual.x, x, tolerance);
  EXPECT_NEAR(actual.y, y, tolerance);
  EXPECT_NEAR(actual.z, z, tolerance);
}

TEST(FacetNormals, SingleTriangleFacesTheCounterClockwiseSide) {
  auto mesh = make_mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  compute_normals(*mesh);
  expect_vec(mesh->facets_begin()->normal, 0, 0, 1);
}

TEST(FacetNormals, NonPlanarQuadAveragesItsUnitCornerNormals) {
  // Corner normals are unit vectors whatever the edge lengths: the result is their normalised
  // mean, not the normal of one corner and not an area-weighted mean.
  const std::vector<Vec3f> corners = {{0, 0, 0}, {4, 0, 0}, {4, 1, 1}, {0, 1, 0}};
  auto mesh = make_mesh(corners, {{0, 1, 2, 3}});
  compute_normals(*mesh);
  double sum[3] = {0, 0, 0};
  for (int k = 0; k < 4; ++k) {
    const Vec3f& a = corners[k];
    const Vec3f& b = corners[(k + 1) % 4];
    const Vec3f& c = corners[(k + 2) % 4];
    const double u[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
    const double w[3] = {c.x - b.x, c.y - b.y, c.z - b.z};
    const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                         u[0] * w[1] - u[1] * w[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int i = 0; i < 3; ++i)
      sum[i] += n[i] / length;
  }
  const double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
  expect_vec(mesh->facets_begin()->normal, sum[0] / length, sum[1] / length, sum[2] / length, 1e-6);
  // Clearly different from the plain normal of the first corner, (0, 0, 1).
  EXPECT_LT(mesh->facets_begin()->normal.z, 0.99f);
}

TEST(FacetNormals, CoincidentCornersGiveTheZeroVector) {
  auto mesh = make_mesh({{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}, {{0, 1, 2}});
  compute_normals(*mesh);
  expect_vec(mesh->facets_begin()->normal, 0, 0, 0);
}

TEST(FacetNormals, EveryStepIsRoundedAsWrittenOnAScanTriangle) {
  // A triangle of the bunny, normalised. Each corner gives the same unit vector, rounded to
  // single precision; their single-precision sum, made unit again, is this vector to the bit, as
  // a step-by-step emulation of the rounding rules gives it. An optimiser that keeps any of the
  // intermediate values wider than written moves the last bits.
  auto mesh = make_mesh({{-0x1.d3a2ap-5f, -0x1.e5b372p-2f, 0x1.2f5f1p-2f},
                         {-0x1.9ff8aep-4f, -0x1.e8ef94p-2f, 0x1.0faf36p-2f},
                         {-0x1.68b4fcp-5f, -0x1.d625c8p-2f, 0x1.07f7f2p-2f}},
                        {{0, 1, 2}});
  compute_facet_normal(mesh->facets_begin());
  const Vec3f n = mesh->facets_begin()->normal;
  EXPECT_EQ(n.x, 0x1.08fc0ap-2f);
  EXPECT_EQ(n.y, -0x1.d9b8c2p-1f);
  EXPECT_EQ(n.z, -0x1.1c1864p-2f);
}

TEST(FacetNormals, TetrahedronFacetsPointOutward) {
  auto mesh = testing::regular_tetrahedron();
  compute_normals(*mesh);
  for (auto f = mesh->facets_begin(); f != mesh->facets_end(); ++f) {
    const Point& p = f->halfedge()->vertex()->point();
    EXPECT_GT(f->normal.x * p.x() + f->normal.y * p.y() + f->normal.z * p.z(), 0.5f);
  }
}

}  // namespace
}  // namespace meshprobe
