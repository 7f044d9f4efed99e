#include "mesh/normals.h"

namespace meshprobe {

void compute_facet_normal(Mesh::Facet_handle facet) {
  facet->normal =
      facet_normal(facet, [](Mesh::Vertex_const_handle v) { return to_vec3f(v->point()); });
}

void compute_normals(Mesh& mesh) {
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f)
    compute_facet_normal(f);
}

}  // namespace meshprobe
