#include "mesh/mesh.h"

namespace meshprobe {

// The halfedge data structure's own copy keeps the three item lists in order and remaps every
// link, so that the k-th vertex of the copy is the k-th vertex of the source.
Mesh::Mesh(const Mesh& other)
    : Polyhedron(other), bbox_min(other.bbox_min), bbox_max(other.bbox_max) {}

}  // namespace meshprobe
