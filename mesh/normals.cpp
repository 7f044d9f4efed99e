#include "mesh/normals.h"

namespace meshprobe {

void compute_facet_normal(Mesh::Facet_handle facet) {
  facet->normal =
      facet_normal(facet, [](Mesh::Vertex_const_handle v) { return to_vec3f(v->point()); });
}

void compute_vertex_normal(Mesh::Vertex_handle vertex) {
  Vec3f sum;
  const auto start = vertex->halfedge();
  if (start != Mesh::Halfedge_handle()) {
    auto h = start;
    do {
      if (!h->is_border()) {
        const Vec3f& n = h->facet()->normal;
        sum.x += n.x;
        sum.y += n.y;
        sum.z += n.z;
      }
      h = h->next()->opposite();
    } while (h != start);
  }
  vertex->normal = normal_arithmetic::unit_or_zero(sum);
}

void compute_normals(Mesh& mesh) {
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f)
    compute_facet_normal(f);
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
    compute_vertex_normal(v);
}

}  // namespace meshprobe
