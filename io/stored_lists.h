// A file's lists as a tiled run keeps them: the points in memory, the facets in a scratch file.
// In: the facets a reader hands over corner by corner. Out: the store, and the lists numbered as
// the mesh numbers its vertices (those no facet names dropped, as for OFF and PLY, or all kept,
// as for OBJ), or the refusal of a facet that names one vertex twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/facet_store.h"
#include "io/file_layout.h"
#include "io/read_status.h"
#include "io/scratch_file.h"
#include "mesh/mesh.h"

namespace meshprobe {

struct StoredLists {
  std::vector<Vec3f> points;
  FacetStore facets;
  ScratchFile face_lines;  // OBJ: per facet, its line (a 64-bit number)
  // Some facet has fewer than 3 corners or names a vertex twice (an STL triangle whose corners
  // merge): no surface holds it, so the whole mesh leaves facets out.
  bool facet_unfit_alone = false;
};

// Takes a reader's facets into `store` (created by the caller), noting which vertices they name
// and the first facet, in order, that names one twice.
class StoredFacets {
 public:
  explicit StoredFacets(FacetStore& store) : store_(store) {}
  // Before the first facet, for a file whose vertices no facet names are dropped (OFF, PLY): the
  // count of the file's vertices, which every corner is below. Without it every vertex is kept.
  void expect_vertices(std::size_t vertices) { last_facet_naming_.assign(vertices, 0); }
  void add_corner(VertexIndex corner) { corners_.push_back(corner); }
  void end_facet();
  // Whether every facet went into the store.
  const ReadStatus& status() const { return status_; }
  // Whether some facet has fewer than 3 corners or names a vertex twice.
  bool unfit_alone() const { return unfit_alone_; }

  // Numbers the lists as the mesh does, the points and the store both, and fills the layout's
  // counts and vertex map; the store is rewritten only when some vertex is dropped.
  ReadStatus number_as_mesh(StoredLists& lists, FileLayout& layout);

 private:
  // Whether the facet being handed over names a vertex twice.
  bool repeats_a_vertex();

  FacetStore& store_;
  std::vector<VertexIndex> corners_;  // the facet being handed over
  std::vector<VertexIndex> sorted_;   // its corners sorted, when it has many
  // Per vertex, 1 + the last facet that named it (0: none has).
  std::vector<std::uint64_t> last_facet_naming_;
  std::uint64_t facet_ = 0;
  bool repeats_ = false;
  bool unfit_alone_ = false;
  std::uint64_t repeating_facet_ = 0;
  std::uint64_t repeated_vertex_ = 0;
  ReadStatus status_;
};

inline void add_corner(StoredFacets& facets, VertexIndex corner) {
  facets.add_corner(corner);
}

}  // namespace meshprobe
