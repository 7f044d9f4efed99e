// A file's lists as a tiled run keeps them: the points in memory, the facets in a scratch file.
// In: the facets a reader hands over one by one. Out: the store, and the lists numbered as
// the mesh numbers its vertices (those no facet names dropped, as for OFF and PLY, or all kept,
// as for OBJ), or the refusal of a facet that names one vertex twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/facet_sink.h"
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

// Keeps a reader's facets in `lists`: the facets in its store (created here), each one's line
// (OBJ) in its face_lines, noting which vertices the facets name and the first facet, in order,
// that names one twice. Without expect_vertices every vertex is kept.
class StoredFacets final : public FacetSink {
 public:
  explicit StoredFacets(StoredLists& lists);
  void expect_vertices(std::size_t vertices) override { last_facet_naming_.assign(vertices, 0); }
  void add(const VertexIndex* corners, std::size_t degree, std::size_t line) override;
  std::size_t size() const override { return static_cast<std::size_t>(facet_); }
  ReadStatus status() const override { return status_; }
  // Whether some facet has fewer than 3 corners or names a vertex twice.
  bool unfit_alone() const { return unfit_alone_; }

  // After the last facet: numbers the lists as the mesh does, the points and the store both, and
  // fills the layout's counts and vertex map (the store is rewritten only when some vertex is
  // dropped); notes whether some facet is unfit alone.
  ReadStatus number_as_mesh(FileLayout& layout);

 private:
  // Whether the facet being handed over names a vertex twice.
  bool repeats_a_vertex(const VertexIndex* corners, std::size_t degree);

  StoredLists& lists_;
  std::vector<VertexIndex> sorted_;  // a large facet's corners sorted
  // Per vertex, 1 + the last facet that named it (0: none has).
  std::vector<std::uint64_t> last_facet_naming_;
  std::uint64_t facet_ = 0;
  bool repeats_ = false;
  bool unfit_alone_ = false;
  std::uint64_t repeating_facet_ = 0;
  std::uint64_t repeated_vertex_ = 0;
  ReadStatus status_;
};

}  // namespace meshprobe
