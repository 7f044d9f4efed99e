// Normal-cycle curvature: principal values and directions from known tensors, flat and cube
// surfaces with values derivable by hand, and the levels measured on an icosphere and a cylinder.
#include <gtest/gtest.h>

#include <cmath>

#include "mesh/normals.h"
#include "roughness/curvature_tensor.h"
#include "roughness/surface_analyzer.h"
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
  SurfaceAnalyzer analyzer(mesh.get());
  for (const bool use_sphere : {true, false}) {
    analyzer.estimate_curvature(*mesh, use_sphere, 0.25);
    for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
      EXPECT_EQ(v->kmax, 0.0);
      EXPECT_EQ(v->kmin, 0.0);
    }
    EXPECT_EQ(mesh->kmax_max, 0.0);
  }
}

TEST(CurvatureTensor, CubeCornersShowTheClampedRightAngle) {
  // At a corner every edge lies between two perpendicular facets: sigma is exactly +-1, beta the
  // clamp value, and each edge adds to the diagonal element of its own axis only.
  auto mesh = testing::cube();
  prepare(*mesh);
  SurfaceAnalyzer analyzer(mesh.get());

  // Ring mode: edges of length 2 add (beta / 2 * 2) * 2 each; the area is 3 corner triangles of 2.
  analyzer.estimate_curvature(*mesh, false, 0.0);
  const double ring = std::fabs(kClampedRightAngle / 2 * 2 * 2 * (1.0 / 6.0));
  // Sphere mode, radius 0.5: each edge is clipped to 0.5 and the disc is 0.25 pi, so the value
  // is the clamp value over a quarter of pi: 1 up to rounding.
  const double r = 0.5;
  const double sphere = std::fabs(kClampedRightAngle / r * r * r * (1 / (r * r * kDiscPi)));
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    EXPECT_EQ(v->kmax, ring);
    EXPECT_EQ(v->kmin, ring);
  }
  // With pi / 2 at full precision the values would differ in the last digits.
  EXPECT_NE(ring, std::fabs(std::acos(-1.0) / 2 * 2 * 2 * (1.0 / 6.0)));

  analyzer.estimate_curvature(*mesh, true, r);
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    EXPECT_EQ(v->kmax, sphere);
    EXPECT_EQ(v->kmin, sphere);
  }
  EXPECT_NEAR(sphere, 1.0, 1e-12);
  EXPECT_EQ(mesh->kmax_min, sphere);
  EXPECT_EQ(mesh->kmax_max, sphere);
}

TEST(CurvatureTensor, IcosphereIsUmbilicWithTangentDirections) {
  // 2562 vertices on a sphere of radius 0.5 (curvature 2), edges about 0.038 long; spheres of
  // about three edge lengths. Both principal values come out nearly equal everywhere, at a level
  // clearly below 2: the walk never examines an edge whose ends lie at the same distance from
  // the centre, so part of every neighbourhood is left out of the sum.
  auto mesh = testing::icosphere(4, 0.5f);
  prepare(*mesh);
  SurfaceAnalyzer analyzer(mesh.get());
  analyzer.estimate_curvature(*mesh, true, 0.113);
  double sum = 0;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    const Point& p = v->point();
    const Vec3f radial{p.x() / 0.5f, p.y() / 0.5f, p.z() / 0.5f};
    EXPECT_GT(v->kmin, 0.9 * v->kmax);
    EXPECT_GT(v->kmax, 1.5);
    EXPECT_LT(v->kmax, 1.8);
    EXPECT_LT(std::fabs(dot(v->dir_kmax, radial)), 0.01);
    EXPECT_LT(std::fabs(dot(v->dir_kmin, radial)), 0.01);
    sum += v->kmax;
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
  SurfaceAnalyzer analyzer(mesh.get());
  analyzer.estimate_curvature(*mesh, true, 0.15);
  int interior = 0;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    if (v->point().z() < 0.5f || v->point().z() > 1.5f) continue;
    ++interior;
    EXPECT_EQ(v->kmin, 0.0);
    EXPECT_NEAR(v->kmax, 0.848, 0.001);
    EXPECT_GT(std::fabs(v->dir_kmax.z), 0.999f);
    EXPECT_LT(std::fabs(v->dir_kmin.z), 0.001f);
  }
  EXPECT_GT(interior, 1000);
}

TEST(CurvatureTensor, ZeroAreaGivesTheZeroTensorInsteadOfNaN) {
  // Ring mode: a lone triangle's edges are all border edges, so the area sum is 0.
  auto triangle = testing::make_mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  prepare(*triangle);
  SurfaceAnalyzer analyzer(triangle.get());
  analyzer.estimate_curvature(*triangle, false, 0.0);
  for (auto v = triangle->vertices_begin(); v != triangle->vertices_end(); ++v) {
    EXPECT_EQ(v->kmax, 0.0);
    EXPECT_EQ(v->kmin, 0.0);
  }
  // Sphere mode with radius 0 on a curved surface.
  auto sphere = testing::icosphere(2, 1.0f);
  prepare(*sphere);
  analyzer.estimate_curvature(*sphere, true, 0.0);
  for (auto v = sphere->vertices_begin(); v != sphere->vertices_end(); ++v) {
    EXPECT_EQ(v->kmax, 0.0);
    EXPECT_EQ(v->kmin, 0.0);
  }
}

TEST(CurvatureTensor, RangesStartFarOutAndFollowTheStoredValues) {
  Mesh empty;
  SurfaceAnalyzer analyzer(&empty);
  analyzer.estimate_curvature(empty, true, 0.005);
  EXPECT_EQ(empty.kmin_min, 100000.0);
  EXPECT_EQ(empty.kmin_max, -100000.0);
  EXPECT_EQ(empty.kmax_min, 100000.0);
  EXPECT_EQ(empty.kmax_max, -100000.0);

  auto mesh = testing::open_cylinder(24, 10, 0.5f, 1.0f);
  prepare(*mesh);
  analyzer.estimate_curvature(*mesh, true, 0.2);
  double lowest = 1e300, highest = -1;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    EXPECT_LE(v->kmin, v->kmax);
    lowest = std::min(lowest, v->kmax);
    highest = std::max(highest, v->kmax);
  }
  EXPECT_EQ(mesh->kmax_min, lowest);
  EXPECT_EQ(mesh->kmax_max, highest);
  EXPECT_LE(mesh->kmin_min, mesh->kmin_max);
  EXPECT_LE(mesh->kmin_max, mesh->kmax_max);
}

}  // namespace
}  // namespace meshprobe
