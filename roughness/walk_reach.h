// The vertices that the sphere walks about some start vertices read: in, the view, the starts and
// the walks' radius and clipping rule; out, every vertex that is the near or the far end of an
// examined halfedge, ascending. A pass that reads per-vertex values of an earlier pass over those
// walks needs that earlier pass at these vertices only.
#pragma once

#include <cstdint>
#include <vector>

#include "roughness/surface_view.h"

namespace meshprobe {

std::vector<std::uint32_t> vertices_read_by_walks(const SurfaceView& view,
                                                  const std::vector<std::uint32_t>& starts,
                                                  double radius, bool guarded);

}  // namespace meshprobe
