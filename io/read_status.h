// What a reader reports: whether the mesh was built and, when it was not, why, in words meant
// for the person who gave the file.
#pragma once

#include <string>

namespace meshprobe {

struct ReadStatus {
  bool ok = true;
  std::string error;  // empty when ok

  static ReadStatus failure(std::string why) { return ReadStatus{false, std::move(why)}; }
};

}  // namespace meshprobe
