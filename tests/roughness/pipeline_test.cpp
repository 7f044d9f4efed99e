// The whole roughness estimation: what it leaves on the input mesh, and that it finds roughness
// where the surface is rough and not where it is smooth.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "mesh/mesh_properties.h"
#include "mesh/normals.h"
#include "roughness/surface_analyzer.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

void prepare(Mesh& mesh) {
  normalize(mesh);
  compute_normals(mesh);
}

TEST(Pipeline, LeavesTheInputsPointsAndNormalsBitForBit) {
  auto mesh = testing::icosphere(3, 1.0f);
  prepare(*mesh);
  const auto points = testing::points_of(*mesh);
  std::vector<Vec3f> vertex_normals, facet_normals;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    vertex_normals.push_back(v->normal);
  }
  for (auto f = mesh->facets_begin(); f != mesh->facets_end(); ++f)
    facet_normals.push_back(f->normal);
  SurfaceAnalyzer analyzer(mesh.get());
  analyzer.compute_roughness(0.04, 0.02);
  EXPECT_EQ(testing::points_of(*mesh), points);
  std::size_t i = 0;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    EXPECT_EQ(v->normal, vertex_normals[i++]);
  }
  i = 0;
  for (auto f = mesh->facets_begin(); f != mesh->facets_end(); ++f) {
    EXPECT_EQ(f->normal, facet_normals[i++]);
  }
}

TEST(Pipeline, FlatGridHasNoRoughness) {
  auto mesh = testing::flat_grid(30, 30, 1.0f);
  prepare(*mesh);
  SurfaceAnalyzer analyzer(mesh.get());
  analyzer.compute_roughness(0.02, 0.01);
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    EXPECT_EQ(v->roughness, 0.0f);
  }
  EXPECT_EQ(mesh->roughness_min, 0.0);
  EXPECT_EQ(mesh->roughness_max, 0.0);
}

TEST(Pipeline, EmptyMeshKeepsTheRangeAtItsStart) {
  Mesh mesh;
  SurfaceAnalyzer analyzer(&mesh);
  analyzer.compute_roughness(0.02, 0.01);
  EXPECT_EQ(mesh.roughness_min, 10000.0);
  EXPECT_EQ(mesh.roughness_max, -10000.0);
}

TEST(Pipeline, IsolatedVertexGetsZeroAndTheRangeSeesIt) {
  auto mesh = testing::icosphere(2, 0.5f);
  auto with_isolated = testing::make_mesh(
      [&] {
        auto points = testing::points_of(*mesh);
        points.push_back({0.7f, 0.7f, 0.7f});
        return points;
      }(),
      [&] {
        std::vector<Polygon> polygons;
        for (auto f = mesh->facets_begin(); f != mesh->facets_end(); ++f) {
          Polygon polygon;
          auto h = f->halfedge();
          do {
            std::size_t index = 0;
            for (auto v = mesh->vertices_begin(); v != h->vertex(); ++v)
              ++index;
            polygon.push_back(static_cast<std::uint32_t>(index));
            h = h->next();
          } while (h != f->halfedge());
          polygons.push_back(polygon);
        }
        return polygons;
      }());
  prepare(*with_isolated);
  SurfaceAnalyzer analyzer(with_isolated.get());
  analyzer.compute_roughness(0.04, 0.02);
  const auto last = std::prev(with_isolated->vertices_end());
  EXPECT_TRUE(std::isnan(last->local_curvature));
  EXPECT_EQ(last->roughness, 0.0f);
  EXPECT_EQ(with_isolated->roughness_min, 0.0);
}

TEST(Pipeline, RangeFollowsTheDifferencesAndValuesAreNeverNegative) {
  auto mesh = testing::icosphere(3, 1.0f);
  std::mt19937 random(11);
  std::normal_distribution<float> noise(0.0f, 0.01f);
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    const Point& p = v->point();
    const float s = 1.0f + noise(random);
    v->point() = Point(p.x() * s, p.y() * s, p.z() * s);
  }
  prepare(*mesh);
  SurfaceAnalyzer analyzer(mesh.get());
  analyzer.compute_roughness(0.08, 0.04);
  double lowest = 1e300, highest = -1e300;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    EXPECT_GE(v->roughness, 0.0f);
    lowest = std::min(lowest, static_cast<double>(v->roughness));
    highest = std::max(highest, static_cast<double>(v->roughness));
  }
  EXPECT_GE(mesh->roughness_min, 0.0);
  EXPECT_LE(mesh->roughness_min, mesh->roughness_max);
  // The range holds the differences before narrowing: equal to the stored values up to float.
  EXPECT_NEAR(mesh->roughness_max, highest, highest * 1e-7);
  EXPECT_NEAR(mesh->roughness_min, lowest, 1e-7);
  EXPECT_GT(highest, 0.0);
}

TEST(Pipeline, NoisyHalfOfASphereIsRougherThanTheSmoothHalf) {
  auto mesh = testing::icosphere(5, 0.5f);  // 10242 vertices, edges about 0.016
  std::mt19937 random(5);
  std::uniform_real_distribution<float> noise(-0.004f, 0.004f);
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    const Point& p = v->point();
    if (p.z() <= 0) continue;
    const float s = 1.0f + noise(random);
    v->point() = Point(p.x() * s, p.y() * s, p.z() * s);
  }
  prepare(*mesh);
  SurfaceAnalyzer analyzer(mesh.get());
  analyzer.compute_roughness(0.04, 0.02);
  double noisy = 0, smooth = 0;
  int noisy_count = 0, smooth_count = 0;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    if (v->point().z() > 0.1f) {
      noisy += v->roughness;
      ++noisy_count;
    } else if (v->point().z() < -0.1f) {
      smooth += v->roughness;
      ++smooth_count;
    }
  }
  noisy /= noisy_count;
  smooth /= smooth_count;
  EXPECT_GT(noisy, 5 * smooth) << "noisy " << noisy << ", smooth " << smooth;
}

}  // namespace
}  // namespace meshprobe
