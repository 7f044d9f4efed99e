// Where a reader hands a file's facets, one at a time in file order: kept in memory
// (FacetsInMemory, below) or in a scratch file (StoredFacets, io/stored_lists.h). Every reader
// writes to this one interface, so that a format is read by one piece of code wherever its facets
// go; a call per facet, not per corner, keeps the interface off the readers' inner loops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/read_status.h"
#include "mesh/facet_list.h"

namespace meshprobe {

class FacetSink {
 public:
  virtual ~FacetSink() = default;

  // Whether the facets are kept in memory. Memory is then worth sizing exactly, so a reader may
  // walk its data once more to count them for reserve(); and a gzip file is decompressed into
  // memory rather than a scratch file.
  virtual bool in_memory() const { return false; }
  // Room for `facets` facets of `corners` corners in all, counts the reader has checked against
  // the file's size.
  virtual void reserve(std::uint64_t facets, std::uint64_t corners) {
    static_cast<void>(facets);
    static_cast<void>(corners);
  }
  // Before the first facet, from a file whose vertices that no facet names are dropped (OFF,
  // PLY): the count of its vertices, which every corner is below.
  virtual void expect_vertices(std::size_t vertices) { static_cast<void>(vertices); }

  // The next facet: its corners, counted from 0, in the order written, and for OBJ the line it
  // stands on, counted from 1 (0 for the other formats).
  virtual void add(const VertexIndex* corners, std::size_t degree, std::size_t line) = 0;
  virtual std::size_t size() const = 0;
  // Whether every facet was kept: a scratch file may fail to take one.
  virtual ReadStatus status() const = 0;
};

// Keeps the facets in memory, and for OBJ each facet's line.
class FacetsInMemory final : public FacetSink {
 public:
  bool in_memory() const override { return true; }
  void reserve(std::uint64_t facets, std::uint64_t corners) override {
    list.corners.reserve(static_cast<std::size_t>(corners));
    list.starts.reserve(static_cast<std::size_t>(facets) + 1);
  }
  void add(const VertexIndex* corners, std::size_t degree, std::size_t line) override {
    list.corners.insert(list.corners.end(), corners, corners + degree);
    list.end_facet();
    if (line > 0) lines.push_back(line);
  }
  std::size_t size() const override { return list.size(); }
  ReadStatus status() const override { return ReadStatus{}; }

  FacetList list;
  std::vector<std::size_t> lines;  // OBJ: per facet, its line; empty for the other formats
};

}  // namespace meshprobe
