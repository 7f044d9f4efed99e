// The sphere-bounded walk on flat grids: which halfedges it examines, in which order, how they
// are clipped under both rules, and what it pushes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

#include "roughness/sphere_walk.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

std::vector<SphereEdge> walk(const SurfaceView& view, std::uint32_t start, double r, bool guarded) {
  SphereWalker walker(view);
  std::vector<SphereEdge> edges;
  walker.walk_sphere(start, r, guarded, [&](const SphereEdge& e) { edges.push_back(e); });
  return edges;
}

// Grid vertex (i, j) of flat_grid(10, 10, 1).
std::uint32_t at(int i, int j) {
  return static_cast<std::uint32_t>(j * 11 + i);
}

class GridWalk : public ::testing::Test {
 protected:
  GridWalk() : mesh_(testing::flat_grid(10, 10, 1.0f)), view_(make_surface_view(*mesh_)) {}
  std::unique_ptr<Mesh> mesh_;
  SurfaceView view_;
};

TEST(SurfaceView, ListsEveryHalfedgeOnceAsIncomingHalfedgeOfItsTarget) {
  auto mesh = testing::flat_grid(3, 2, 1.0f);
  const SurfaceView view = make_surface_view(*mesh);
  EXPECT_EQ(view.source.size(), mesh->size_of_halfedges());
  std::set<std::pair<std::uint32_t, std::uint32_t>> directed;
  int border = 0;
  for (std::uint32_t v = 0; v < view.vertex_count(); ++v) {
    for (std::uint32_t s = view.first_incoming[v]; s < view.first_incoming[v + 1]; ++s) {
      EXPECT_TRUE(directed.insert({view.source[s], v}).second);
      border += view.facet[s] == kNoFacet;
      EXPECT_FALSE(view.facet[s] == kNoFacet && view.opposite_facet[s] == kNoFacet);
    }
  }
  EXPECT_EQ(border, 2 * (3 + 2));  // one border halfedge per boundary edge
  // Every edge appears in both directions.
  for (const auto& [from, to] : directed)
    EXPECT_EQ(directed.count({to, from}), 1u);
}

TEST_F(GridWalk, StartEdgesComeFirstAndEdgesAsLongAsTheRadiusArePushed) {
  const auto edges = walk(view_, at(5, 5), 1.0, true);
  ASSERT_GE(edges.size(), 6u);
  std::set<std::uint32_t> ring;
  std::vector<std::uint32_t> pushed;
  for (int k = 0; k < 6; ++k) {
    const SphereEdge& e = edges[k];
    EXPECT_EQ(e.near, at(5, 5));
    ring.insert(e.far);
    const bool diagonal = e.far == at(6, 6) || e.far == at(4, 4);
    // Out of the start, t = r / |edge|: 1 for the axis edges (not a crossing), 1/sqrt(2) else.
    EXPECT_EQ(e.crosses, diagonal);
    if (diagonal) {
      const double t = 1.0 / std::sqrt(2.0);
      EXPECT_EQ(e.edge.x, static_cast<float>(e.full_edge.x * t));
      EXPECT_EQ(e.edge.y, static_cast<float>(e.full_edge.y * t));
    } else {
      EXPECT_EQ(e.edge, e.full_edge);
      pushed.push_back(e.far);
    }
  }
  EXPECT_EQ(ring,
            (std::set<std::uint32_t>{at(4, 5), at(6, 5), at(5, 4), at(5, 6), at(6, 6), at(4, 4)}));
  // The pushed vertices are popped last-in first-out, each once.
  std::vector<std::uint32_t> popped;
  for (std::size_t k = 6; k < edges.size(); ++k) {
    if (popped.empty() || popped.back() != edges[k].near) popped.push_back(edges[k].near);
  }
  std::reverse(pushed.begin(), pushed.end());
  EXPECT_EQ(popped, pushed);
}

TEST_F(GridWalk, EdgesBeyondAVertexOnTheSphereCrossAtTheirStart) {
  // (6, 5) lies exactly on the sphere of radius 1: its outward edges cross at t = 0, which the
  // guarded rule moves to one hundredth of the edge and the plain rule leaves at zero length.
  for (const bool guarded : {true, false}) {
    int beyond = 0;
    for (const SphereEdge& e : walk(view_, at(5, 5), 1.0, guarded)) {
      if (e.near != at(6, 5)) continue;
      ++beyond;
      EXPECT_TRUE(e.crosses);
      if (guarded) {
        EXPECT_EQ(e.edge.x, static_cast<float>(e.full_edge.x * 0.01));
        EXPECT_EQ(e.edge.y, static_cast<float>(e.full_edge.y * 0.01));
      } else {
        EXPECT_EQ(e.edge, Vec3f{});
      }
    }
    EXPECT_EQ(beyond, 2);  // to (7, 5) and (7, 6); the others point back or sideways
  }
}

TEST_F(GridWalk, OnlyOutwardEdgesAreExaminedAwayFromTheStart) {
  const Vec3f centre = view_.positions[at(5, 5)];
  const auto edges = walk(view_, at(5, 5), 2.5, true);
  for (const SphereEdge& e : edges) {
    EXPECT_NE(e.far, at(5, 5)) << "an edge back to the start is never examined";
    if (e.near == at(5, 5)) continue;
    EXPECT_GT(dot(difference(view_.positions[e.near], centre), e.full_edge), 0.0);
    // A crossing edge ends on the sphere, an edge that does not ends inside it.
    const Vec3f& p = view_.positions[e.near];
    const Vec3f end{p.x + e.edge.x, p.y + e.edge.y, p.z + e.edge.z};
    const double distance = std::sqrt(dot(difference(end, centre), difference(end, centre)));
    if (e.crosses) {
      EXPECT_NEAR(distance, 2.5, 1e-5);
    } else {
      EXPECT_LE(distance, 2.5);
    }
  }
}

TEST_F(GridWalk, RadiusZeroCrossesEveryStartEdgeAndPushesNothing) {
  const auto guarded = walk(view_, at(5, 5), 0.0, true);
  ASSERT_EQ(guarded.size(), 6u);
  for (const SphereEdge& e : guarded) {
    EXPECT_TRUE(e.crosses);
    EXPECT_EQ(e.edge.x, static_cast<float>(e.full_edge.x * 0.01));
    EXPECT_EQ(e.edge.y, static_cast<float>(e.full_edge.y * 0.01));
  }
  const auto plain = walk(view_, at(5, 5), 0.0, false);
  ASSERT_EQ(plain.size(), 6u);
  for (const SphereEdge& e : plain) {
    EXPECT_TRUE(e.crosses);
    EXPECT_EQ(e.edge, Vec3f{});
  }
}

TEST_F(GridWalk, NegativeRadiusWalksLikeItsAbsoluteValue) {
  const auto positive = walk(view_, at(3, 7), 2.2, true);
  const auto negative = walk(view_, at(3, 7), -2.2, true);
  ASSERT_EQ(positive.size(), negative.size());
  for (std::size_t k = 0; k < positive.size(); ++k) {
    EXPECT_EQ(positive[k].halfedge, negative[k].halfedge);
    EXPECT_EQ(positive[k].edge, negative[k].edge);
    EXPECT_EQ(positive[k].crosses, negative[k].crosses);
  }
}

TEST_F(GridWalk, RadiusBeyondTheSurfaceCrossesNothingAndVisitsOnlyOutwardChains) {
  std::vector<std::uint32_t> popped;
  for (const SphereEdge& e : walk(view_, at(5, 5), 100.0, true)) {
    EXPECT_FALSE(e.crosses);
    EXPECT_EQ(e.edge, e.full_edge);
    if (popped.empty() || popped.back() != e.near) popped.push_back(e.near);
  }
  // Each vertex is walked from at most once.
  EXPECT_EQ(std::set<std::uint32_t>(popped.begin(), popped.end()).size(), popped.size());
  const std::set<std::uint32_t> visited(popped.begin(), popped.end());
  // The far corners along the grid's diagonals are reached by outward chains...
  EXPECT_EQ(visited.count(at(9, 9)), 1u);
  EXPECT_EQ(visited.count(at(1, 1)), 1u);
  // ...but (6, 4), inside the sphere, is not: every edge into it is perpendicular to the radial
  // offset of the vertex it would be reached from, or points back towards the centre.
  EXPECT_EQ(visited.count(at(6, 4)), 0u);
  EXPECT_EQ(visited.count(at(4, 6)), 0u);
}

TEST(SphereWalk, VertexWithoutHalfedgeExaminesNothingAndWalksAreIndependent) {
  auto mesh = testing::make_mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {4, 4, 4}}, {{0, 1, 2}});
  const SurfaceView view = make_surface_view(*mesh);
  SphereWalker walker(view);
  int calls = 0;
  walker.walk_sphere(3, 10.0, true, [&](const SphereEdge&) { ++calls; });
  EXPECT_EQ(calls, 0);
  // A walker reused for many walks gives what a fresh walker gives.
  for (int round = 0; round < 3; ++round) {
    calls = 0;
    walker.walk_sphere(0, 10.0, true, [&](const SphereEdge&) { ++calls; });
    EXPECT_EQ(calls, static_cast<int>(walk(view, 0, 10.0, true).size()));
  }
}

TEST(ClipEdge, ZeroLengthEdgeOutOfTheStartCrossesAtTheCentre) {
  Vec3f edge{};
  EXPECT_TRUE(clip_edge_to_sphere({1, 2, 3}, 0.5, {1, 2, 3}, edge, true));
  EXPECT_EQ(edge, Vec3f{});
  EXPECT_TRUE(clip_edge_to_sphere({1, 2, 3}, 0.5, {1, 2, 3}, edge, false));
  EXPECT_EQ(edge, Vec3f{});
}

TEST(ClipEdge, CrossingIsTheLargerRootAlongTheEdge) {
  // From (0.5, 0, 0) inside the unit sphere along (2, 0, 0): leaves at x = 1, t = 0.25.
  Vec3f edge{2, 0, 0};
  EXPECT_TRUE(clip_edge_to_sphere({0, 0, 0}, 1.0, {0.5f, 0, 0}, edge, false));
  EXPECT_EQ(edge, (Vec3f{0.5f, 0, 0}));
  // An edge ending exactly on the sphere ends inside.
  Vec3f inside{0.5f, 0, 0};
  EXPECT_FALSE(clip_edge_to_sphere({0, 0, 0}, 1.0, {0.5f, 0, 0}, inside, true));
  EXPECT_EQ(inside, (Vec3f{0.5f, 0, 0}));
}

}  // namespace
}  // namespace meshprobe

namespace meshprobe {
namespace {

// The shortcut that skips the root for far ends clearly inside the sphere must never decide
// differently from the computed root, also for far ends a hair inside the sphere and for edges
// of every length relative to the radius.
TEST(ClipEdge, ShortcutForFarEndsInsideAgreesWithTheComputedRoot) {
  std::mt19937 random(17);
  std::uniform_real_distribution<double> unit(-1, 1);
  std::uniform_real_distribution<double> exponent(-7, 0);
  int shortcuts = 0;
  int trials = 0;
  for (; trials < 400000; ++trials) {
    const double r = std::pow(10.0, exponent(random) / 2);
    const Vec3f centre{static_cast<float>(unit(random) * 0.5),
                       static_cast<float>(unit(random) * 0.5),
                       static_cast<float>(unit(random) * 0.5)};
    // A start point inside the sphere and a far end near or inside it: at 1 - 10^-k of the radius.
    const auto inside = [&](double fraction) {
      double x = unit(random), y = unit(random), z = unit(random);
      const double length = std::sqrt(x * x + y * y + z * z);
      return Vec3f{static_cast<float>(centre.x + x / length * r * fraction),
                   static_cast<float>(centre.y + y / length * r * fraction),
                   static_cast<float>(centre.z + z / length * r * fraction)};
    };
    const Vec3f start = inside(std::fabs(unit(random)));
    const Vec3f far = inside(1 - std::pow(10.0, 3 * exponent(random)));
    const Vec3f edge = difference(far, start);
    const Vec3f w = difference(start, centre);
    const double a = dot(edge, edge);
    const double b = 2 * dot(edge, w);
    const double c = dot(w, w) - r * r;
    if (a == 0.0 || !ends_clearly_inside(a, b, c)) continue;
    ++shortcuts;
    ASSERT_GE(exit_parameter(a, b, c), 1.0) << "a " << a << " b " << b << " c " << c;
  }
  // The shortcut is taken for most far ends that lie inside, not only for a few.
  EXPECT_GT(shortcuts, trials / 2);

  // Coefficients whose larger root lies just beyond 1, from 1 + 1e-17 to 1 + 1e-3, where the
  // computed root may round below 1 although the quadratic is negative at 1.
  for (int k = 0; k < 400000; ++k) {
    const double a = std::pow(10.0, 2 * exponent(random));
    const double b = std::fabs(unit(random)) * std::pow(10.0, 2 * exponent(random));
    const double root = 1 + std::pow(10.0, 2 * exponent(random) - 3);
    const double c = -a * root * root - b * root;
    if (ends_clearly_inside(a, b, c)) {
      ASSERT_GE(exit_parameter(a, b, c), 1.0) << "a " << a << " b " << b << " c " << c;
    }
  }
}

}  // namespace
}  // namespace meshprobe

namespace meshprobe {
namespace {

// Numbering the view's vertices along a space-filling curve changes no walk: the same halfedges
// are examined in the same order and clipped alike, whichever numbering the view uses.
TEST(SurfaceView, LocalityOrderWalksExactlyAsMeshOrder) {
  auto mesh = testing::icosphere(3, 0.5f);
  std::mt19937 random(23);
  std::uniform_real_distribution<float> bump(0.97f, 1.03f);
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    const float s = bump(random);
    v->point() = Point(v->point().x() * s, v->point().y() * s, v->point().z() * s);
  }
  const SurfaceView plain = make_surface_view(*mesh, VertexOrder::kMesh);
  const SurfaceView local = make_surface_view(*mesh, VertexOrder::kLocality);
  ASSERT_NE(local.mesh_place, plain.mesh_place);
  for (std::uint32_t k = 0; k < plain.vertex_count(); k += 7) {
    const auto a = walk(plain, k, 0.2, true);
    const auto b = walk(local, local.view_place[k], 0.2, true);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].near, local.mesh_place[b[i].near]);
      EXPECT_EQ(a[i].far, local.mesh_place[b[i].far]);
      EXPECT_EQ(a[i].edge, b[i].edge);
      EXPECT_EQ(a[i].crosses, b[i].crosses);
    }
  }
}

}  // namespace
}  // namespace meshprobe
