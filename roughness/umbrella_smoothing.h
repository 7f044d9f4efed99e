// Umbrella Taubin smoothing: every vertex is pulled towards the mean of its edge neighbours by
// 0.6307, then, from the new positions, pushed away from the new mean by 0.6352. The shrinking
// pass and the slightly stronger inflating pass smooth without shrinking the surface overall.
#pragma once

#include "roughness/surface_view.h"

namespace meshprobe {

// One step over every vertex of the view, changing only its positions. A neighbour counts once
// per edge joining it to the vertex, border edges included; a vertex without edges stays put.
// Within a pass every new position depends only on the positions before that pass.
void umbrella_taubin_step(SurfaceView& view);

}  // namespace meshprobe
