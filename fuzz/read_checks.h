// What every reader promises, checked after each fuzzed read: a refused file says why and leaves
// the mesh empty; an accepted one is a surface whose halfedge links agree. A broken promise stops
// the fuzzer with a crash report and the input that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "io/read_status.h"
#include "mesh/mesh.h"

namespace meshprobe::fuzzing {

inline void fail(const char* what) {
  std::fprintf(stderr, "broken reader promise: %s\n", what);
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

inline void check_read(const ReadStatus& status, const Mesh& mesh) {
  if (!status.ok) {
    if (status.error.empty()) fail("a refusal without a reason");
    if (mesh.size_of_vertices() != 0 || mesh.size_of_halfedges() != 0 ||
        mesh.size_of_facets() != 0) {
      fail("a refused file left items in the mesh");
    }
    return;
  }
  if (!status.error.empty()) fail("an accepted file with an error message");
  check_links(mesh);
}

// One fuzzed read: the bytes as the content of a file, read by `read` (content, mesh) into an
// empty mesh, then checked by check_read.
template <class Read>
int fuzz_read(const std::uint8_t* data, std::size_t size, Read read) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  Mesh mesh;
  check_read(read(content, mesh), mesh);
  return 0;
}

}  // namespace meshprobe::fuzzing
