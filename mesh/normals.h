// Facet and vertex normals. Facet normals come from the positions of the facet's corners, vertex
// normals from the normals of the facets around the vertex, so every facet normal must be set
// before the first vertex normal is computed. Degenerate input yields the zero vector.
#pragma once

#include "mesh/mesh.h"

namespace meshprobe {

// Sets the facet's unit normal: the normalised sum of its unit corner normals, each corner
// weighted alike whatever its angle or edge lengths. Points to the side from which the corners
// run counter-clockwise; zero when the corners are degenerate.
void compute_facet_normal(Mesh::Facet_handle facet);

// Sets the vertex's unit normal: the normalised, unweighted sum of the normals of its incident
// facets (border halfedges add nothing). Zero for a vertex without facets or when they cancel.
void compute_vertex_normal(Mesh::Vertex_handle vertex);

// Every facet normal in facet-list order, then every vertex normal in vertex-list order.
void compute_normals(Mesh& mesh);

}  // namespace meshprobe
