// What a reader reports: whether the mesh was built and, when it was not, why, in words meant
// for the person who gave the file. A mesh that was built may still lack facets of the file that
// the surface could not hold; the reader then says how many it left out and which came first.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace meshprobe {

struct ReadStatus {
  bool ok = true;
  std::string error;  // empty when ok

  // Facets of the file left out of the built mesh because the surface could not hold them (an
  // edge that would border three facets, a vertex where two fans would meet).
  std::size_t facets_left_out = 0;
  // When facets_left_out > 0: the first of them, counted from 0 over the file's facets in file
  // order, and for OBJ input the line it stands on (0 for formats without lines).
  std::size_t first_left_out = 0;
  std::size_t first_left_out_line = 0;

  static ReadStatus failure(std::string why) {
    ReadStatus status;
    status.ok = false;
    status.error = std::move(why);
    return status;
  }
};

}  // namespace meshprobe
