// Normal-cycle curvature: principal values and directions from known tensors, flat and cube
// surfaces with values derivable by hand, and the levels measured on an icosphere and a cylinder.
#include <gtest/gtest.h>

#include <algorithm>
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
CurvatureField measure(Mesh& mesh, double radius) {
  const SurfaceView view = make_surface_view(mesh);
  CurvatureField field;
  field.kmin.resize(view.vertex_count());
  field.dir_kmax.resize(view.vertex_count());
  field.dir_kmin.resize(view.vertex_count());
  estimate_curvature(view, radius, field);
  return field;
}

Principal decompose(const Matrix3& tensor) {
  EigenWorkspace work;
  Principal p;
  EXPECT_TRUE(principal_curvatures(tensor, work, p.kmax, p.kmin, p.dir_kmax, p.dir_kmin));
  return p;
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

TEST(CurvatureTensor, FlatGridHasZeroCurvature) {
  auto mesh = testing::flat_grid(8, 8, 0.1f);
  compute_normals(*mesh);
  const CurvatureField field = measure(*mesh, 0.25);
  ASSERT_EQ(field.kmax.size(), mesh->size_of_vertices());
  for (std::size_t v = 0; v < mesh->size_of_vertices(); ++v) {
    EXPECT_EQ(field.kmax[v], 0.0);
    EXPECT_EQ(field.kmin[v], 0.0);
  }
}

TEST(CurvatureTensor, CubeCornersShowTheClampedRightAngle) {
  // At a corner every edge lies between two perpendicular facets: sigma is exactly +-1, beta the
  // clamp value, and each edge adds to the diagonal element of its own axis only.
  auto mesh = testing::cube();
  compute_normals(*mesh);
  // Radius 0.5: each edge is clipped to 0.5 and the disc is 0.25 pi, so the value is the clamp
  // value over a quarter of pi: 1 up to rounding.
  const double r = 0.5;
  const double sphere = std::fabs(kClampedRightAngle / r * r * r * (1 / (r * r * kDiscPi)));
  const CurvatureField field = measure(*mesh, r);
  for (std::size_t v = 0; v < mesh->size_of_vertices(); ++v) {
    EXPECT_EQ(field.kmax[v], sphere);
    EXPECT_EQ(field.kmin[v], sphere);
  }
  EXPECT_NEAR(sphere, 1.0, 1e-12);
}

TEST(CurvatureTensor, IcosphereIsUmbilicWithTangentDirections) {
  // 2562 vertices on a sphere of radius 0.5 (curvature 2), edges about 0.038 long; spheres of
  // about three edge lengths. Both principal values come out nearly equal everywhere, at a level
  // clearly below 2: the walk never examines an edge whose ends lie at the same distance from
  // the centre, so part of every neighbourhood is left out of the sum.
  auto mesh = testing::icosphere(4, 0.5f);
  compute_normals(*mesh);
  const CurvatureField field = measure(*mesh, 0.113);
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
  compute_normals(*mesh);
  const CurvatureField field = measure(*mesh, 0.15);
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

TEST(CurvatureTensor, ZeroRadiusGivesTheZeroTensorInsteadOfNaN) {
  // A disc of area 0 on a curved surface.
  auto sphere = testing::icosphere(2, 1.0f);
  compute_normals(*sphere);
  const CurvatureField zero = measure(*sphere, 0.0);
  ASSERT_EQ(zero.kmax.size(), sphere->size_of_vertices());
  for (std::size_t v = 0; v < sphere->size_of_vertices(); ++v) {
    EXPECT_EQ(zero.kmax[v], 0.0);
    EXPECT_EQ(zero.kmin[v], 0.0);
  }
}

TEST(CurvatureTensor, KminNeverExceedsKmaxAndAnEmptySurfaceGivesNoValues) {
  Mesh empty;
  EXPECT_TRUE(measure(empty, 0.005).kmax.empty());

  auto mesh = testing::open_cylinder(24, 10, 0.5f, 1.0f);
  compute_normals(*mesh);
  const CurvatureField field = measure(*mesh, 0.2);
  double highest = 0;
  for (std::size_t v = 0; v < mesh->size_of_vertices(); ++v) {
    EXPECT_LE(field.kmin[v], field.kmax[v]) << v;
    highest = std::max(highest, field.kmax[v]);
  }
  EXPECT_GT(highest, 0.0);
}

TEST(CurvatureTensor, FillsOnlyTheFieldsTheCallerSized) {
  // kmax alone, as a run without intermediate fields asks for it: the same values, and the other
  // fields stay empty; in either vertex numbering, the same value per vertex.
  auto mesh = testing::icosphere(2, 0.5f);
  compute_normals(*mesh);
  const CurvatureField full = measure(*mesh, 0.3);
  for (const VertexOrder numbering : {VertexOrder::kMesh, VertexOrder::kLocality}) {
    const SurfaceView view = make_surface_view(*mesh, numbering);
    CurvatureField kmax_only;
    estimate_curvature(view, 0.3, kmax_only);
    EXPECT_TRUE(kmax_only.kmin.empty());
    EXPECT_TRUE(kmax_only.dir_kmax.empty());
    ASSERT_EQ(kmax_only.kmax.size(), mesh->size_of_vertices());
    for (std::uint32_t v = 0; v < view.vertex_count(); ++v)
      EXPECT_EQ(kmax_only.kmax[v], full.kmax[view.mesh_place[v]]) << v;
  }
}

}  // namespace
}  // namespace meshprobe
