#include "roughness/sphere_walk.h"

#include <algorithm>

namespace meshprobe {

SphereWalker::SphereWalker(const SurfaceView& view)
    : view_(view), visit_mark_(view.vertex_count(), 0) {
  pending_.reserve(64);
}

void SphereWalker::begin_walk() {
  pending_.clear();
  if (++walk_ == 0) {
    // After 2^32 walks the marks start again from a clean slate.
    std::fill(visit_mark_.begin(), visit_mark_.end(), 0);
    walk_ = 1;
  }
}

}  // namespace meshprobe
