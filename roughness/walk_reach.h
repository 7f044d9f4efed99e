// The vertices that sphere walks about some start vertices can read: in, the view, the starts and
// the walks' radius; out, ascending, every vertex within the radius of the starts' bounding box
// and every neighbour of such a vertex. A walk goes on only from vertices inside its sphere and
// examines their incoming halfedges, so it reads no other vertex: a pass that reads values of an
// earlier pass over those walks needs that earlier pass at these vertices only.
#pragma once

#include <cstdint>
#include <vector>

#include "roughness/surface_view.h"

namespace meshprobe {

std::vector<std::uint32_t> vertices_walks_can_read(const SurfaceView& view,
                                                   const std::vector<std::uint32_t>& starts,
                                                   double radius);

}  // namespace meshprobe
