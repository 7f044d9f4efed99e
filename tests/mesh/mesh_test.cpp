// Copying keeps list order and independence; bounding box and normalisation.
#include <gtest/gtest.h>

#include <cmath>

#include "mesh/mesh.h"
#include "mesh/mesh_properties.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

using testing::make_mesh;
using testing::points_of;

TEST(MeshCopy, EmptyMeshCopiesToEmptyMesh) {
  const Mesh empty;
  const Mesh copy(empty);
  EXPECT_EQ(copy.size_of_vertices(), 0u);
  EXPECT_EQ(copy.size_of_halfedges(), 0u);
  EXPECT_EQ(copy.size_of_facets(), 0u);
}

TEST(MeshCopy, KeepsVertexOrderIsolatedVerticesAndAttributes) {
  // Vertex 1 is used by no facet and must keep its place.
  auto source =
      make_mesh({{0, 0, 0}, {9, 9, 9}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 2, 3}, {2, 4, 3}});
  source->bbox_max = Vec3f{4.5f, 1, 2};
  int k = 0;
  for (auto f = source->facets_begin(); f != source->facets_end(); ++f, ++k)
    f->normal = Vec3f{static_cast<float>(k), 1.5f * k, 0};
  const Mesh copy(*source);
  ASSERT_EQ(copy.size_of_vertices(), 5u);
  EXPECT_EQ(copy.size_of_facets(), 2u);
  const auto expected = points_of(*source);
  const auto actual = points_of(copy);
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(actual[i], expected[i]) << i;
  k = 0;
  for (auto v = copy.vertices_begin(); v != copy.vertices_end(); ++v, ++k)
    EXPECT_EQ(v->halfedge() == Mesh::Halfedge_const_handle(), k == 1) << k;
  k = 0;
  for (auto f = copy.facets_begin(); f != copy.facets_end(); ++f, ++k)
    EXPECT_EQ(f->normal, (Vec3f{static_cast<float>(k), 1.5f * k, 0})) << k;
  EXPECT_EQ(copy.bbox_max, (Vec3f{4.5f, 1, 2}));
}

TEST(MeshCopy, ChangesToTheCopyLeaveTheSourceAlone) {
  auto source = testing::regular_tetrahedron();
  const auto before = points_of(*source);
  Mesh copy(*source);
  for (int round = 0; round < 3; ++round) {
    for (auto v = copy.vertices_begin(); v != copy.vertices_end(); ++v) {
      v->point() = Point(v->point().x() * 2, v->point().y() + 1, v->point().z());
    }
  }
  EXPECT_EQ(points_of(*source)[2].x, before[2].x);
  auto s = source->vertices_begin();
  for (auto c = copy.vertices_begin(); c != copy.vertices_end(); ++c, ++s) {
    EXPECT_EQ(c->point().x(), s->point().x() * 8);
    EXPECT_EQ(c->point().y(), s->point().y() + 3);
  }
  // The copy's connectivity refers to its own items, not the source's.
  EXPECT_EQ(copy.facets_begin()->halfedge()->vertex()->point().x(),
            source->facets_begin()->halfedge()->vertex()->point().x() * 8);
}

TEST(Normalisation, CentresAndScalesByTheLargestSide) {
  auto mesh = make_mesh({{-3, 0, 0}, {5, 2, 1}, {5, 0, 1}}, {{0, 1, 2}});
  normalize(*mesh);
  // Translated by (-1, -1, -0.5), then scaled by 1/8.
  const auto p = points_of(*mesh);
  EXPECT_EQ(p[0].x, -0.5f);
  EXPECT_EQ(p[0].y, -0.125f);
  EXPECT_EQ(p[0].z, -0.0625f);
  EXPECT_EQ(p[1].x, 0.5f);
  EXPECT_EQ(p[1].y, 0.125f);
  EXPECT_EQ(p[1].z, 0.0625f);
  // The box still describes the points before normalisation.
  EXPECT_EQ(mesh->bbox_min.x, -3.0f);
  EXPECT_EQ(mesh->bbox_max.y, 2.0f);
}

TEST(Normalisation, RoundsEachCoordinateToSinglePrecisionInTwoPasses) {
  // Extent 3: the scale 1/3 is not exact, so each product is rounded once from double.
  auto mesh = make_mesh({{0, 0, 0}, {3, 0, 0}, {1, 1, 0}}, {{0, 1, 2}});
  normalize(*mesh);
  const auto p = points_of(*mesh);
  const double third = 1.0 / 3.0;
  EXPECT_EQ(p[2].x, static_cast<float>((1.0f - 1.5f) * third));
  EXPECT_EQ(p[2].y, static_cast<float>((1.0f - 0.5f) * third));
}

TEST(Normalisation, EmptyMeshIsUnchanged) {
  Mesh mesh;
  mesh.bbox_min = {7, 7, 7};
  EXPECT_EQ(normalize(mesh), 0.0f);
  EXPECT_EQ(mesh.bbox_min.x, 7.0f);
  EXPECT_EQ(mesh.size_of_vertices(), 0u);
}

TEST(Normalisation, BoundingBoxIgnoresCoordinatesThatAreNotNumbers) {
  const float nan = std::nanf("");
  auto mesh = make_mesh({{1, 2, 3}, {nan, 0, 5}, {-1, 4, 0}}, {{0, 1, 2}});
  compute_bounding_box(*mesh);
  EXPECT_EQ(mesh->bbox_min.x, -1.0f);
  EXPECT_EQ(mesh->bbox_max.x, 1.0f);
  EXPECT_EQ(mesh->bbox_min.z, 0.0f);
  EXPECT_EQ(mesh->bbox_max.z, 5.0f);
}

}  // namespace
}  // namespace meshprobe
