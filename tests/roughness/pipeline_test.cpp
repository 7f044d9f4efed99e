// The whole roughness estimation: what it leaves on the input mesh, that it finds roughness
// where the surface is rough and not where it is smooth, that several radii through one analyser
// give what one analyser per radius gives, and how it reports its progress.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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

RoughnessResult run(Mesh& mesh, double epsilon, bool keep_fields = false) {
  SurfaceAnalyzer analyzer(mesh, keep_fields);
  return analyzer.measure(epsilon);
}

TEST(Pipeline, LeavesTheInputsPointsAndNormalsBitForBit) {
  auto mesh = testing::icosphere(3, 1.0f);
  prepare(*mesh);
  const auto points = testing::points_of(*mesh);
  std::vector<Vec3f> facet_normals;
  for (auto f = mesh->facets_begin(); f != mesh->facets_end(); ++f)
    facet_normals.push_back(f->normal);
  run(*mesh, 0.02, true);
  EXPECT_EQ(testing::points_of(*mesh), points);
  std::size_t i = 0;
  for (auto f = mesh->facets_begin(); f != mesh->facets_end(); ++f) {
    EXPECT_EQ(f->normal, facet_normals[i++]);
  }
}

TEST(Pipeline, FlatGridHasNoRoughness) {
  auto mesh = testing::flat_grid(30, 30, 1.0f);
  prepare(*mesh);
  const RoughnessResult result = run(*mesh, 0.01);
  EXPECT_EQ(result.roughness, std::vector<float>(mesh->size_of_vertices(), 0.0f));
  EXPECT_EQ(result.roughness_min, 0.0);
  EXPECT_EQ(result.roughness_max, 0.0);
}

TEST(Pipeline, EmptyMeshKeepsTheRangeAtItsStart) {
  Mesh mesh;
  const RoughnessResult result = run(mesh, 0.01, true);
  EXPECT_TRUE(result.roughness.empty());
  EXPECT_TRUE(result.fields.kmax.empty());
  EXPECT_EQ(result.roughness_min, 10000.0);
  EXPECT_EQ(result.roughness_max, -10000.0);
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
  const RoughnessResult result = run(*with_isolated, 0.02, true);
  EXPECT_TRUE(std::isnan(result.fields.local_curvature.back()));
  EXPECT_EQ(result.roughness.back(), 0.0f);
  EXPECT_EQ(result.roughness_min, 0.0);
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
  const RoughnessResult result = run(*mesh, 0.04);
  double lowest = 1e300, highest = -1e300;
  for (const float roughness : result.roughness) {
    EXPECT_GE(roughness, 0.0f);
    lowest = std::min(lowest, static_cast<double>(roughness));
    highest = std::max(highest, static_cast<double>(roughness));
  }
  EXPECT_GE(result.roughness_min, 0.0);
  EXPECT_LE(result.roughness_min, result.roughness_max);
  // The range holds the differences before narrowing: equal to the stored values up to float.
  EXPECT_NEAR(result.roughness_max, highest, highest * 1e-7);
  EXPECT_NEAR(result.roughness_min, lowest, 1e-7);
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
  const RoughnessResult result = run(*mesh, 0.02);
  double noisy = 0, smooth = 0;
  int noisy_count = 0, smooth_count = 0;
  std::size_t k = 0;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v, ++k) {
    if (v->point().z() > 0.1f) {
      noisy += result.roughness[k];
      ++noisy_count;
    } else if (v->point().z() < -0.1f) {
      smooth += result.roughness[k];
      ++smooth_count;
    }
  }
  noisy /= noisy_count;
  smooth /= smooth_count;
  EXPECT_GT(noisy, 5 * smooth) << "noisy " << noisy << ", smooth " << smooth;
}

// A bumpy sphere whose vertices the space-filling curve numbers in another order than the list.
std::unique_ptr<Mesh> bumpy_sphere() {
  auto mesh = testing::icosphere(4, 0.5f);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> noise(-0.01f, 0.01f);
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    const Point& p = v->point();
    const float s = 1.0f + noise(random);
    v->point() = Point(p.x() * s, p.y() * s, p.z() * s);
  }
  prepare(*mesh);
  return mesh;
}

void expect_same_fields(const RoughnessFields& a, const RoughnessFields& b) {
  EXPECT_EQ(a.kmin, b.kmin);
  EXPECT_EQ(a.kmax, b.kmax);
  EXPECT_EQ(a.local_curvature, b.local_curvature);
  EXPECT_EQ(a.smoothed_positions, b.smoothed_positions);
  EXPECT_EQ(a.smoothed_kmin, b.smoothed_kmin);
  EXPECT_EQ(a.smoothed_kmax, b.smoothed_kmax);
  EXPECT_EQ(a.smoothed_local_curvature, b.smoothed_local_curvature);
}

// Smoothing radii measured one after the other through one analyser, which computes the input's
// curvature once: each gives, bit for bit, what an analyser of its own gives.
class SeveralRadii : public ::testing::TestWithParam<std::vector<double>> {};

TEST_P(SeveralRadii, GiveWhatOneAnalyserPerRadiusGives) {
  auto mesh = bumpy_sphere();
  SurfaceAnalyzer shared(*mesh, true);
  for (const double radius : GetParam()) {
    const RoughnessResult together = shared.measure(radius);
    const RoughnessResult alone = run(*mesh, radius, true);
    EXPECT_EQ(together.roughness, alone.roughness) << radius;
    EXPECT_EQ(together.roughness_max, alone.roughness_max) << radius;
    expect_same_fields(together.fields, alone.fields);
    // Without fields the roughness is the same too, and the fields stay empty.
    const RoughnessResult lean = run(*mesh, radius);
    EXPECT_EQ(lean.roughness, alone.roughness) << radius;
    EXPECT_TRUE(lean.fields.kmax.empty() && lean.fields.smoothed_positions.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Radii, SeveralRadii,
                         ::testing::Values(std::vector<double>{0.02, 0.04},
                                           std::vector<double>{0.04, 0.02, 0.04},
                                           std::vector<double>{0.01, 0.01}));

TEST(Pipeline, FieldsAreInVertexOrderAndGiveTheRoughness) {
  // The roughness is the one-sided difference of the two averages of the same vertex, and the
  // input's kmax is what a curvature pass over the mesh in list order gives.
  auto mesh = bumpy_sphere();
  const RoughnessResult result = run(*mesh, 0.02, true);
  const RoughnessFields& f = result.fields;
  const std::size_t n = mesh->size_of_vertices();
  ASSERT_EQ(f.smoothed_local_curvature.size(), n);
  ASSERT_EQ(f.smoothed_positions.size(), n);
  const SurfaceView view = make_surface_view(*mesh);
  CurvatureField input;
  estimate_curvature(view, 0.005, input);
  EXPECT_EQ(f.kmax, input.kmax);
  std::size_t differing = 0;
  for (std::size_t v = 0; v < n; ++v) {
    const double c = f.local_curvature[v];
    const double d = f.smoothed_local_curvature[v];
    EXPECT_EQ(result.roughness[v], static_cast<float>(c > d ? c - d : 0.0)) << v;
    EXPECT_LE(f.smoothed_kmin[v], f.smoothed_kmax[v]) << v;
    differing += f.smoothed_positions[v] != view.positions[v];
  }
  EXPECT_GT(differing, n / 2);
}

// What a callback saw of one step: every report and whether each came from the caller's thread.
struct Reports {
  std::vector<std::pair<std::size_t, std::size_t>> calls;
  bool all_on_caller = true;
  void add(std::size_t done, std::size_t total, std::thread::id caller) {
    calls.emplace_back(done, total);
    all_on_caller = all_on_caller && std::this_thread::get_id() == caller;
  }
};

void expect_counts_up_to(const Reports& reports, std::size_t total, const char* step) {
  ASSERT_FALSE(reports.calls.empty()) << step;
  EXPECT_TRUE(reports.all_on_caller) << step;
  std::size_t previous = 0;
  for (const auto& [done, whole] : reports.calls) {
    EXPECT_EQ(whole, total) << step;
    EXPECT_GE(done, previous) << step;
    previous = done;
  }
  EXPECT_EQ(reports.calls.back().first, total) << step;
}

TEST(Pipeline, ReportsProgressFromTheCallersThreadUpToEachStepsWhole) {
  // 40962 vertices: more than one report interval, so that reports come along the way.
  auto mesh = testing::icosphere(6, 0.5f);
  prepare(*mesh);
  const std::size_t n = mesh->size_of_vertices();
  SurfaceAnalyzer analyzer(*mesh);
  // Smoothing counts its five sphere steps; the first curvature call covers both surfaces, a
  // later one the copy alone; averaging covers both.
  for (const std::size_t curvature_parts : {2u, 1u}) {
    Reports smoothing, curvature, averaging, other;
    const std::thread::id caller = std::this_thread::get_id();
    analyzer.measure(0.01, [&](const char* step, std::size_t done, std::size_t total) {
      const std::string name = step;
      Reports& reports = name == "smoothing"   ? smoothing
                         : name == "curvature" ? curvature
                         : name == "averaging" ? averaging
                                               : other;
      reports.add(done, total, caller);
    });
    EXPECT_TRUE(other.calls.empty());
    expect_counts_up_to(smoothing, 5 * n, "smoothing");
    expect_counts_up_to(curvature, curvature_parts * n, "curvature");
    expect_counts_up_to(averaging, 2 * n, "averaging");
  }
}

// A caller abandons a run by throwing from its progress callback, in any step and at any point
// of it: the exception leaves the measurement (not the parallel region, which would end the
// process), and the next measurement on the same analyser gives what a fresh analyser gives.
TEST(Pipeline, AProgressCallbackThatThrowsAbandonsTheMeasurement) {
  struct Abandoned {};
  auto mesh = testing::icosphere(6, 0.5f);
  prepare(*mesh);
  const RoughnessResult expected = run(*mesh, 0.01);
  for (const std::string step : {"smoothing", "curvature", "averaging"}) {
    for (const bool at_the_end : {false, true}) {
      SCOPED_TRACE(step + (at_the_end ? " at its end" : " at its start"));
      SurfaceAnalyzer analyzer(*mesh);
      const StepProgress abandon = [&](const char* now, std::size_t done, std::size_t total) {
        if (now == step && (!at_the_end || done == total)) throw Abandoned{};
      };
      EXPECT_THROW(analyzer.measure(0.01, abandon), Abandoned);
      EXPECT_EQ(analyzer.measure(0.01).roughness, expected.roughness);
    }
  }
}

}  // namespace
}  // namespace meshprobe
