// Normal-cycle curvature: principal values and directions from known tensors, flat and cube
// surfaces with values derivable by hand, and the levels measured on an icosphere and a cylinder.
#include <gtest/gtest.h>

#include <cmath>

#include "mesh/normals.h"
#include "roughness/curvature_tensor.h"
#include "roughness/surface_view.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

// The clamp value of the dihedral angle, and pi as the sphere's disc is normalised with.
constexpr double kClampedRightAngle = 1.570796326795;
constexpr double kDiscPi = 3.14159265359;

struct Principal {
  double kmax = -1;
  double kmin = -1;
  Vec3f dir_kmax;
  Vec3f dir_kmin;
};

// A curvature pass over the mesh in its own vertex order, with every field filled.
struct Pass {
  CurvatureField field;
  CurvatureRanges ranges;
};

Pass measure(Mesh& mesh, bool use_sphere, double radius) {
  const SurfaceView view = make_surface_view(mesh);
  Pass pass;
  pass.field.kmin.resize(view.vertex_count());
  pass.field.dir_kmax.resize(view.vertex_count());
  pass.field.dir_kmin.resize(view.vertex_count());
  pass.ranges = estimate_curvature(view, use_sphere, radius, pass.field);
  return pass;
}

Principal decompose(const Matrix3& tensor) {
  EigenWorkspace work;
  Principal p;
  EXPECT_TRUE(principal_curvatures(tensor, work, p.kmax, p.kmin, p.dir_kmax, p.dir_kmin));
  return p;
}

void prepare(Mesh& mesh) {
  compute_normals(mesh);
}

TEST(PrincipalCurvatures, DiagonalTensorIsTakenAsItStands) {
  const Principal p = decompose({{{1, 0, 0}, {0, 3, 0}, {0, 0, 2}}});
  EXPECT_EQ(p.kmax, 3.0);
  EXPECT_EQ(p.dir_kmax, (Vec3f{0, 1, 0}));
  EXPECT_EQ(p.kmin, 2.0);
  EXPECT_EQ(p.dir_kmin, (Vec3f{0, 0, 1}));
}

TEST(PrincipalCurvatures, ZeroTensorFavoursTheLastOfEqualValues) {
  const Principal p = decompose(Matrix3{});
  EXPECT_EQ(p.kmax, 0.0);
  EXPECT_EQ(p.kmin, 0.0);
  EXPECT_EQ(p.dir_kmax, (Vec3f{0, 0, 1}));
  EXPECT_EQ(p.dir_kmin, (Vec3f{1, 0, 0}));
}

TEST(PrincipalCurvatures, EigenvaluesCountByMagnitude) {
  // R diag(-3, 1, 0) R^T with R a rotation about z by 30 degrees.
  const double c = std::sqrt(3.0) / 2;
  const double s = 0.5;
  const Matrix3 tensor = {{{-3 * c * c + s * s, -3 * c * s - s * c, 0},
                           {-3 * c * s - s * c, -3 * s * s + c * c, 0},
                           {0, 0, 0}}};
  const Principal p = decompose(tensor);
  EXPECT_NEAR(p.kmax, 3.0, 1e-12);
  EXPECT_NEAR(p.kmin, 1.0, 1e-12);
  EXPECT_NEAR(std::fabs(p.dir_kmax.x), c, 1e-6);
  EXPECT_NEAR(std::fabs(p.dir_kmax.y), s, 1e-6);
  EXPECT_NEAR(std::fabs(p.dir_kmin.x), s, 1e-6);
}

TEST(PrincipalCurvatures, OffDiagonalValuesThatAreNotNumbersFail) {
  EigenWorkspace work;
  double kmax = 5, kmin = 4;
  Vec3f dmax{1, 1, 1}, dmin{2, 2, 2};
  const double nan = std::nan("");
  EXPECT_FALSE(principal_curvatures({{{1, nan, nan}, {nan, 1, nan}, {nan, nan, 1}}}, work, kmax,
                                    kmin, dmax, dmin));
  EXPECT_EQ(kmax, 5.0);
  EXPECT_EQ(dmin, (Vec3f{2, 2, 2}));
}

TEST(CurvatureTensor, FlatGridHasZeroCurvatureInBothModes) {
  auto mesh = testing::flat_grid(8, 8, 0.1f);
  prepare(*mesh);
  for (const bool use_sphere : {true, false}) {
    const Pass pass = measure(*mesh, use_sphere, 0.25);
    for (std::size_t v = 0; v < mesh->size_of_vertices(); ++v) {
      EXPECT_EQ(pass.field.kmax[v], 0.0);
      EXPECT_EQ(pass.field.kmin[v], 0.0);
    }
    EXPECT_EQ(pass.ranges.kmax_max, 0.0);
  }
}

TEST(CurvatureTensor, CubeCornersShowTheClampedRightAngle) {
  // At a corner every edge lies between two perpendicular facets: sigma is exactly +-1, beta the
  // clamp value, and each edge adds to the diagonal element of its own axis only.
  auto mesh = testing::cube();
  prepare(*mesh);

  // Ring mode: edges of length 2 add (beta / 2 * 2) * 2 each; the area is 3 corner triangles of 2.
  const Pass ring_pass = measure(*mesh, false, 0.0);
  const double ring = std::fabs(kClampedRightAngle / 2 * 2 * 2 * (1.0 / 6.0));
  // Sphere mode, radius 0.5: each edge is clipped to 0.5 and the disc is 0.25 pi, so the value
  // is the clamp value over a quarter of pi: 1 up to rounding.
  const double r = 0.5;
  const double sphere = std::fabs(kClampedRightAngle / r * r * r * (1 / (r * r * kDiscPi)));
  for (std::size_t v = 0; v < mesh->size_of_vertices(); ++v) {
    EXPECT_EQ(ring_pass.field.kmax[v], ring);
    EXPECT_EQ(ring_pass.field.kmin[v], ring);
  }
  // With pi / 2 at full precision the values would differ in the last digits.
  EXPECT_NE(ring, std::fabs(std::acos(-1.0) / 2 * 2 * 2 * (1.0 / 6.0)));

  const Pass sphere_pass = measure(*mesh, true, r);
  for (std::size_t v = 0; v < mesh->size_of_vertices(); ++v) {
    EXPECT_EQ(sphere_pass.field.kmax[v], sphere);
    EXPECT_EQ(sphere_pass.field.kmin[v], sphere);
  }
  EXPECT_NEAR(sphere, 1.0, 1e-12);
  EXPECT_EQ(sphere_pass.ranges.kmax_min, sphere);
  EXPECT_EQ(sphere_pass.ranges.kmax_max, sphere);
}

TEST(CurvatureTensor, IcosphereIsUmbilicWithTangentDirections) {
  // 2562 vertices on a sphere of radius 0.5 (curvature 2), edges about 0.038 long; spheres of
  // about three edge lengths. Both principal values come out nearly equal everywhere, at a level
  // clearly below 2: the walk never examines an edge whose ends lie at the same distance from
  // the centre, so part of every neighbourhood is left out of the sum.
  auto mesh = testing::icosphere(4, 0.5f);
  prepare(*mesh);
  const CurvatureField field = measure(*mesh, true, 0.113).field;
  double sum = 0;
  std::size_t k = 0;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v, ++k) {
    const Point& p = v->point();
    const Vec3f radial{p.x() / 0.5f, p.y() / 0.5f, p.z() / 0.5f};
    EXPECT_GT(field.kmin[k], 0.9 * field.kmax[k]);
    EXPECT_GT(field.kmax[k], 1.5);
    EXPECT_LT(field.kmax[k], 1.8);
    EXPECT_LT(std::fabs(dot(field.dir_kmax[k], radial)), 0.01);
    EXPECT_LT(std::fabs(dot(field.dir_kmin[k], radial)), 0.01);
    sum += field.kmax[k];
  }
  EXPECT_NEAR(sum / mesh->size_of_vertices(), 1.65, 0.05);
}

TEST(CurvatureTensor, CylinderCurvesAcrossItsAxisOnly) {
  // Radius 0.5, 64 segments, rings 0.05 apart. Only the edges along the axis lie between facets
  // of different normals, so the tensor has a single non-zero eigenvalue whose eigenvector runs
  // along the axis: dir_kmax follows the edges that carry the bending, not the direction of
  // bending. Away from the open ends every vertex sees the same neighbourhood.
  auto mesh = testing::open_cylinder(64, 41, 0.5f, 2.0f);
  prepare(*mesh);
  const CurvatureField field = measure(*mesh, true, 0.15).field;
  int interior = 0;
  std::size_t k = 0;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v, ++k) {
    if (v->point().z() < 0.5f || v->point().z() > 1.5f) continue;
    ++interior;
    EXPECT_EQ(field.kmin[k], 0.0);
    EXPECT_NEAR(field.kmax[k], 0.848, 0.001);
    EXPECT_GT(std::fabs(field.dir_kmax[k].z), 0.999f);
    EXPECT_LT(std::fabs(field.dir_kmin[k].z), 0.001f);
  }
  EXPECT_GT(interior, 1000);
}

TEST(CurvatureTensor, ZeroAreaGivesTheZeroTensorInsteadOfNaN) {
  // Ring mode: a lone triangle's edges are all border edges, so the area sum is 0.
  auto triangle = testing::make_mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  prepare(*triangle);
  const Pass ring = measure(*triangle, false, 0.0);
  for (std::size_t v = 0; v < 3; ++v) {
    EXPECT_EQ(ring.field.kmax[v], 0.0);
    EXPECT_EQ(ring.field.kmin[v], 0.0);
  }
  // Sphere mode with radius 0 on a curved surface.
  auto sphere = testing::icosphere(2, 1.0f);
  prepare(*sphere);
  const Pass zero = measure(*sphere, true, 0.0);
  for (std::size_t v = 0; v < sphere->size_of_vertices(); ++v) {
    EXPECT_EQ(zero.field.kmax[v], 0.0);
    EXPECT_EQ(zero.field.kmin[v], 0.0);
  }
}

TEST(CurvatureTensor, RangesStartFarOutAndFollowTheStoredValues) {
  Mesh empty;
  const CurvatureRanges none = measure(empty, true, 0.005).ranges;
  EXPECT_EQ(none.kmin_min, 100000.0);
  EXPECT_EQ(none.kmin_max, -100000.0);
  EXPECT_EQ(none.kmax_min, 100000.0);
  EXPECT_EQ(none.kmax_max, -100000.0);

  auto mesh = testing::open_cylinder(24, 10, 0.5f, 1.0f);
  prepare(*mesh);
  const Pass pass = measure(*mesh, true, 0.2);
  double lowest = 1e300, highest = -1;
  for (std::size_t v = 0; v < mesh->size_of_vertices(); ++v) {
    EXPECT_LE(pass.field.kmin[v], pass.field.kmax[v]);
    lowest = std::min(lowest, pass.field.kmax[v]);
    highest = std::max(highest, pass.field.kmax[v]);
  }
  EXPECT_EQ(pass.ranges.kmax_min, lowest);
  EXPECT_EQ(pass.ranges.kmax_max, highest);
  EXPECT_LE(pass.ranges.kmin_min, pass.ranges.kmin_max);
  EXPECT_LE(pass.ranges.kmin_max, pass.ranges.kmax_max);
}

TEST(CurvatureTensor, FillsOnlyTheFieldsTheCallerSized) {
  // kmax alone, as a run without intermediate fields asks for it: the same values, and the other
  // fields stay empty; in either vertex numbering, the same value per vertex.
  auto mesh = testing::icosphere(2, 0.5f);
  prepare(*mesh);
  const Pass full = measure(*mesh, true, 0.3);
  for (const VertexOrder numbering : {VertexOrder::kMesh, VertexOrder::kLocality}) {
    const SurfaceView view = make_surface_view(*mesh, numbering);
    CurvatureField kmax_only;
    const CurvatureRanges ranges = estimate_curvature(view, true, 0.3, kmax_only);
    EXPECT_TRUE(kmax_only.kmin.empty());
    EXPECT_TRUE(kmax_only.dir_kmax.empty());
    ASSERT_EQ(kmax_only.kmax.size(), mesh->size_of_vertices());
    for (std::uint32_t v = 0; v < view.vertex_count(); ++v)
      EXPECT_EQ(kmax_only.kmax[v], full.field.kmax[view.mesh_place[v]]) << v;
    EXPECT_EQ(ranges.kmax_max, full.ranges.kmax_max);
    EXPECT_EQ(ranges.kmin_min, full.ranges.kmin_min);
  }
}

}  // namespace
}  // namespace meshprobe
