// The builder's linear-time facet test: the same answers as CGAL's test_facet on every facet of
// random facet sequences, and faces of very many corners.
#include <gtest/gtest.h>

#include <CGAL/Modifier_base.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "mesh/surface_builder.h"

namespace meshprobe {
namespace {

// Runs `build` with a builder over `mesh`'s halfedge data structure.
class BuildWith : public CGAL::Modifier_base<HDS> {
 public:
  explicit BuildWith(std::function<void(SurfaceBuilder&)> build) : build_(std::move(build)) {}
  void operator()(HDS& hds) override {
    SurfaceBuilder builder(hds, /*verbose=*/false);
    build_(builder);
  }

 private:
  std::function<void(SurfaceBuilder&)> build_;
};

TEST(SurfaceBuilder, AnswersAsTestFacetOnRandomFacetSequences) {
  // Few vertices and many facets, so that edges, fans and closed vertices meet often.
  int refused = 0;
  int taken = 0;
  for (unsigned seed = 1; seed <= 300; ++seed) {
    std::mt19937 random(seed);
    const std::size_t vertex_count = 5 + random() % 6;
    Mesh mesh;
    BuildWith build([&](SurfaceBuilder& builder) {
      builder.begin_surface(vertex_count, 40);
      for (std::size_t v = 0; v < vertex_count; ++v)
        builder.add_vertex(Point(static_cast<float>(v), static_cast<float>(v * v), 0.0f));
      std::vector<VertexIndex> all(vertex_count);
      std::iota(all.begin(), all.end(), 0);
      for (int f = 0; f < 40; ++f) {
        std::shuffle(all.begin(), all.end(), random);
        const std::size_t corners = 3 + random() % 3;
        const std::vector<VertexIndex> facet(all.begin(), all.begin() + corners);
        const bool expected = builder.test_facet(facet.begin(), facet.end());
        ASSERT_EQ(builder.can_take(facet.data(), facet.data() + corners), expected)
            << "seed " << seed << ", facet " << f;
        if (expected) {
          builder.add_facet(facet.begin(), facet.end());
          ASSERT_FALSE(builder.error()) << "seed " << seed << ", facet " << f;
          ++taken;
        } else {
          ++refused;
        }
      }
      builder.end_surface();
    });
    mesh.delegate(build);
  }
  // Both answers occur often enough for the comparison to mean something.
  EXPECT_GT(taken, 1000);
  EXPECT_GT(refused, 1000);
}

TEST(SurfaceBuilder, FaceOfManyCornersAndItsReverseCloseASurface) {
  constexpr std::size_t kCorners = 200000;
  std::vector<VertexIndex> face(kCorners);
  std::iota(face.begin(), face.end(), 0);
  std::vector<VertexIndex> reverse(face.rbegin(), face.rend());
  Mesh mesh;
  BuildWith build([&](SurfaceBuilder& builder) {
    builder.begin_surface(kCorners, 3);
    for (std::size_t v = 0; v < kCorners; ++v)
      builder.add_vertex(Point(static_cast<float>(v), 0.0f, 0.0f));
    ASSERT_TRUE(builder.can_take(face.data(), face.data() + kCorners));
    builder.add_facet(face.begin(), face.end());
    ASSERT_TRUE(builder.can_take(reverse.data(), reverse.data() + kCorners));
    builder.add_facet(reverse.begin(), reverse.end());
    // Every edge now borders two facets and every vertex is closed: a third facet has no room.
    EXPECT_FALSE(builder.can_take(face.data(), face.data() + 3));
    EXPECT_FALSE(builder.can_take(reverse.data(), reverse.data() + kCorners));
    builder.end_surface();
  });
  mesh.delegate(build);
  EXPECT_EQ(mesh.size_of_facets(), 2u);
  EXPECT_TRUE(mesh.is_closed());
  EXPECT_TRUE(mesh.is_valid(false, 0));
}

}  // namespace
}  // namespace meshprobe
