// The whole mesh's facets kept in a scratch file instead of memory while it is cut into tiles:
// facets in, in their order; passes over them in that order out. Each pass holds one buffer of
// about a megabyte (more only for a facet larger than that), whatever the size of the mesh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/read_status.h"
#include "io/scratch_file.h"
#include "mesh/facet_list.h"

namespace meshprobe {

class FacetStore {
 public:
  // Empties the store into a new scratch file.
  ReadStatus create();
  ReadStatus add(const VertexIndex* corners, std::size_t degree);
  // Ends the adding: passes read only what was added before.
  ReadStatus finish_adding();

  std::size_t size() const { return facets_; }

  // Calls visit(f, corners, degree) for every facet f in order, corners pointing at its
  // `degree` corners. A failed read ends the pass and is returned.
  template <class Visit>
  ReadStatus for_each(Visit&& visit) const {
    Pass pass(*this);
    for (std::size_t f = 0; f < facets_; ++f) {
      const VertexIndex* corners = nullptr;
      std::size_t degree = 0;
      const ReadStatus status = pass.next(corners, degree);
      if (!status.ok) return status;
      visit(f, corners, degree);
    }
    return ReadStatus{};
  }

  // Every facet into `facets`, which is emptied first.
  ReadStatus load(FacetList& facets) const;

 private:
  // One reading of the file, front to back, through a buffer of whole records (a record is a
  // facet's degree, then its corners).
  class Pass {
   public:
    explicit Pass(const FacetStore& store);
    ReadStatus next(const VertexIndex*& corners, std::size_t& degree);

   private:
    ReadStatus fill(std::size_t words);
    const FacetStore& store_;
    std::vector<std::uint32_t> words_;
    std::size_t used_ = 0;  // words_[used_, held_) are read and not yet handed out
    std::size_t held_ = 0;
    std::uint64_t read_ = 0;  // words read from the file
  };

  ScratchFile file_;
  std::size_t facets_ = 0;
};

}  // namespace meshprobe
