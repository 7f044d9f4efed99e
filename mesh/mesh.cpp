#include "mesh/mesh.h"

namespace meshprobe {

// The halfedge data structure's own copy keeps the three item lists in order and remaps every
// link; the pipeline pairs the source's and the copy's vertices by their place in the list.
Mesh::Mesh(const Mesh& other)
    : Polyhedron(other),
      bbox_min(other.bbox_min),
      bbox_max(other.bbox_max),
      is_quad_mesh(other.is_quad_mesh),
      is_triangle_mesh(other.is_triangle_mesh),
      kmin_min(other.kmin_min),
      kmin_max(other.kmin_max),
      kmax_min(other.kmax_min),
      kmax_max(other.kmax_max),
      roughness_min(other.roughness_min),
      roughness_max(other.roughness_max) {}

}  // namespace meshprobe
