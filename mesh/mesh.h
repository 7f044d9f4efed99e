// The polyhedral surface every step of the tool works on: CGAL's halfedge data structure over
// single-precision points, with a unit normal per facet, list places per vertex and facet and
// the bounding box. The roughness estimation keeps its per-vertex results in arrays of its own,
// so that a vertex here costs no more than its links, its point and its place.
//
// Traversal conventions used throughout:
//  - around a facet: start at its halfedge() and step to next() until the start comes back;
//  - around a vertex: start at its halfedge() (whose target is the vertex) and step to
//    next()->opposite() until the start comes back. A vertex without halfedge has no neighbours.
#pragma once

#include <CGAL/HalfedgeDS_list.h>
#include <CGAL/Polyhedron_3.h>
#include <CGAL/Polyhedron_items_3.h>
#include <CGAL/Simple_cartesian.h>

#include <cstdint>

namespace meshprobe {

// A Cartesian kernel over single-precision coordinates that stores each point inline in its
// vertex (the reference-counted Cartesian kernel keeps every point in a heap block of its own);
// the coordinates are the same.
using Kernel = CGAL::Simple_cartesian<float>;
using Point = Kernel::Point_3;

// A vector or position of three single-precision components.
struct Vec3f {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

inline bool operator==(const Vec3f& a, const Vec3f& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline bool operator!=(const Vec3f& a, const Vec3f& b) {
  return !(a == b);
}

template <class Refs>
struct MeshVertex : public CGAL::HalfedgeDS_vertex_base<Refs, CGAL::Tag_true, Point> {
  using Base = CGAL::HalfedgeDS_vertex_base<Refs, CGAL::Tag_true, Point>;
  MeshVertex() = default;
  explicit MeshVertex(const Point& position) : Base(position) {}

  // Place in the vertex list, set whenever a flat view of the surface is built from the mesh.
  std::uint32_t id = 0;
};

template <class Refs>
struct MeshHalfedge
    : public CGAL::HalfedgeDS_halfedge_base<Refs, CGAL::Tag_true, CGAL::Tag_true, CGAL::Tag_true> {
};

template <class Refs>
struct MeshFacet : public CGAL::HalfedgeDS_face_base<Refs, CGAL::Tag_true> {
  Vec3f normal;  // unit facet normal, or zero
  // Place in the facet list, set whenever a flat view of the surface is built from the mesh.
  std::uint32_t id = 0;
};

struct MeshItems : public CGAL::Polyhedron_items_3 {
  template <class Refs, class Traits>
  struct Vertex_wrapper {
    using Vertex = MeshVertex<Refs>;
  };
  template <class Refs, class Traits>
  struct Halfedge_wrapper {
    using Halfedge = MeshHalfedge<Refs>;
  };
  template <class Refs, class Traits>
  struct Face_wrapper {
    using Face = MeshFacet<Refs>;
  };
};

using Polyhedron = CGAL::Polyhedron_3<Kernel, MeshItems, CGAL::HalfedgeDS_list>;

class Mesh : public Polyhedron {
 public:
  using Vertex_handle = Polyhedron::Vertex_handle;
  using Halfedge_handle = Polyhedron::Halfedge_handle;
  using Facet_handle = Polyhedron::Facet_handle;

  Mesh() = default;
  // Copies vertices, halfedges and facets in list order, with all their fields, so that the k-th
  // vertex of the copy corresponds to the k-th vertex of the source; then the mesh attributes.
  Mesh(const Mesh& other);
  Mesh& operator=(const Mesh&) = delete;
  virtual ~Mesh() = default;

  Vec3f bbox_min;  // bounding box before normalisation
  Vec3f bbox_max;
};

using HDS = Mesh::HalfedgeDS;

inline Vec3f to_vec3f(const Point& p) {
  return Vec3f{p.x(), p.y(), p.z()};
}

}  // namespace meshprobe
