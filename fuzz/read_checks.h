// What every reader promises, checked after each fuzzed read: a refused file says why and leaves
// the mesh empty; an accepted one is a surface whose halfedge links agree. A broken promise stops
// the fuzzer with a crash report and the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "io/read_status.h"
#include "mesh/mesh.h"

namespace meshprobe::fuzzing {

inline void fail(const char* what) {
  std::fprintf(stderr, "broken reader promise: %s\n", what);
  std::abort();
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
  if (!mesh.is_valid(false, 0)) fail("an accepted file whose halfedge links disagree");
}

}  // namespace meshprobe::fuzzing
