// What the reading entry promises, checked after each fuzzed read: a refused file says why and
// leaves the mesh and the layout empty; an accepted one is a surface whose halfedge links agree,
// whose points are finite within a bounding box of finite, non-zero size, and whose layout places
// every vertex of the file. A broken promise stops the fuzzer with a crash report and the input
// that caused it.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "io/file_layout.h"
#include "io/read_status.h"
#include "mesh/mesh.h"

namespace meshprobe::fuzzing {

inline void fail(const char* what) {
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

// The links of an accepted surface: every halfedge is its opposite's opposite, runs between two
// vertices, starts where its predecessor ends and is its successor's predecessor; a facet's cycle
// stays in that facet; going around a vertex meets every halfedge that ends there and only those.
// Vertices without halfedge (kept by OBJ input) are allowed.
inline void check_links(const Mesh& mesh) {
  std::size_t ending_total = 0;
  for (auto h = mesh.halfedges_begin(); h != mesh.halfedges_end(); ++h) {
    if (h->opposite()->opposite() != h) fail("a halfedge that is not its opposite's opposite");
    if (h->vertex() == h->opposite()->vertex()) fail("a halfedge from a vertex to itself");
    if (h->next()->prev() != h) fail("next and prev disagree");
    if (h->next()->opposite()->vertex() != h->vertex()) fail("next does not start at the end");
    if (h->next()->facet() != h->facet()) fail("a facet cycle that leaves its facet");
  }
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const auto start = v->halfedge();
    if (start == Mesh::Halfedge_const_handle()) continue;
    std::size_t ring = 0;
    auto h = start;
    do {
      if (h->vertex() != v) fail("a ring that leaves its vertex");
      h = h->next()->opposite();
      if (++ring > mesh.size_of_halfedges()) fail("a ring that never closes");
    } while (h != start);
    ending_total += ring;
  }
  // Each halfedge ends at one vertex, so the rings together hold every halfedge exactly once.
  if (ending_total != mesh.size_of_halfedges()) fail("rings that miss or share halfedges");
}

// The points lie in the recorded bounding box, which has a finite, non-zero size.
inline void check_geometry(const Mesh& mesh) {
  if (mesh.size_of_vertices() == 0) fail("an accepted mesh without vertices");
  const Vec3f& low = mesh.bbox_min;
  const Vec3f& high = mesh.bbox_max;
  const float extent = std::fmax(high.x - low.x, std::fmax(high.y - low.y, high.z - low.z));
  if (!std::isfinite(extent) || !(extent > 0.0f)) fail("a bounding box of no or infinite size");
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const Point& p = v->point();
    if (!(p.x() >= low.x && p.x() <= high.x && p.y() >= low.y && p.y() <= high.y &&
          p.z() >= low.z && p.z() <= high.z)) {
      fail("a point outside the bounding box");
    }
  }
}

// Every vertex of the file is a distinct vertex of the mesh or marked as left out, every vertex
// of the mesh comes from the file, and the kept lists have the file's counts.
inline void check_layout(const FileLayout& layout, const Mesh& mesh, bool keep_lists) {
  if (layout.mesh_vertex.size() != layout.vertices_in_file) fail("a layout without every vertex");
  std::vector<bool> seen(mesh.size_of_vertices(), false);
  for (const std::uint32_t v : layout.mesh_vertex) {
    if (v == FileLayout::kNotInMesh) continue;
    if (v >= seen.size() || seen[v]) fail("a file vertex placed outside the mesh or twice");
    seen[v] = true;
  }
  for (const bool placed : seen) {
    if (!placed) fail("a mesh vertex that no file vertex stands for");
  }
  if (keep_lists && (layout.points.size() != layout.vertices_in_file ||
                     layout.facets.size() != layout.facets_in_file)) {
    fail("kept lists that differ from the file's counts");
  }
}

inline void check_read(const ReadStatus& status, const Mesh& mesh, const FileLayout& layout,
                       bool keep_lists) {
  if (!status.ok) {
    if (status.error.empty()) fail("a refusal without a reason");
    if (mesh.size_of_vertices() != 0 || mesh.size_of_halfedges() != 0 ||
        mesh.size_of_facets() != 0) {
      fail("a refused file left items in the mesh");
    }
    if (layout.vertices_in_file != 0 || !layout.mesh_vertex.empty() || !layout.points.empty()) {
      fail("a refused file left a layout");
    }
    return;
  }
  if (!status.error.empty()) fail("an accepted file with an error message");
  if (status.facets_left_out > layout.facets_in_file) fail("more facets left out than read");
  check_links(mesh);
  check_geometry(mesh);
  check_layout(layout, mesh, keep_lists);
}

}  // namespace meshprobe::fuzzing
