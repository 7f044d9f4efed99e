// A compact view of a Mesh for the per-vertex passes: positions, facet normals and, for every
// vertex, its incoming halfedges in the order of the vertex circulator, all in flat arrays.
// Built from the mesh once per stage; positions and facet normals can be reloaded when they
// change. Vertices may be renumbered for locality: walks then touch memory that lies close
// together, and since a walk's order follows the circulators alone, no result changes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "mesh/mesh.h"

namespace meshprobe {

// Marks a halfedge without facet (a border halfedge) in the facet arrays.
constexpr std::int32_t kNoFacet = -1;

// How the view numbers the vertices: as the mesh lists them, or along a space-filling curve
// through their positions, so that vertices near each other in space are near in memory.
enum class VertexOrder { kMesh, kLocality };

struct SurfaceView {
  std::vector<Vec3f> positions;  // per vertex
  // Incoming halfedges of vertex v occupy the slots first_incoming[v] to first_incoming[v + 1] - 1,
  // starting with the vertex's own halfedge and following h -> h.next.opposite.
  std::vector<std::uint32_t> first_incoming;
  std::vector<std::uint32_t> source;         // per slot: the halfedge's source vertex
  std::vector<std::int32_t> facet;           // per slot: the halfedge's facet, or kNoFacet
  std::vector<std::int32_t> opposite_facet;  // per slot: its opposite's facet, or kNoFacet
  std::vector<Vec3f> facet_normals;          // per facet, in the mesh's facet order
  // Per facet: the targets of its halfedge, of that halfedge's next and of the next after that.
  std::vector<std::array<std::uint32_t, 3>> facet_corners;
  // The place in the mesh's vertex list of every vertex of the view, and the reverse.
  std::vector<std::uint32_t> mesh_place;
  std::vector<std::uint32_t> view_place;

  std::uint32_t vertex_count() const { return static_cast<std::uint32_t>(positions.size()); }
};

// The places of the points sorted along the Morton curve through them, quantised to 2^21 steps
// per axis over their bounding box; equal codes keep the list's order.
std::vector<std::uint32_t> locality_order(const std::vector<Vec3f>& points);

// Numbers the mesh's vertices and facets (their `id`: their places in the lists) and builds the
// view of the current points and facet normals, its vertices in the given order.
SurfaceView make_surface_view(Mesh& mesh, VertexOrder order = VertexOrder::kMesh);

// Copies the mesh's points into the view. The mesh must have the view's connectivity and order
// (the mesh it was built from, or a copy of it).
void load_positions(SurfaceView& view, const Mesh& mesh);

// Copies the mesh's facet normals into the view.
void load_facet_normals(SurfaceView& view, const Mesh& mesh);

// Sets the view's facet normals from its own positions, as compute_facet_normal would from points
// at those positions: the facets' corners are taken from `mesh`, the surface the view was built
// from, so that a smoothed copy of positions needs no surface of its own.
void compute_facet_normals(SurfaceView& view, const Mesh& mesh);

}  // namespace meshprobe
