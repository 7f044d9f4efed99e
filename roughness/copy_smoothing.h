// The heavily smoothed copy that the roughness compares the input with: the view's positions in,
// the same positions after 5 sphere-bounded Taubin steps of radius r and 70 umbrella steps out.
// The view needs its positions and incoming halfedges only.
#pragma once

#include "roughness/progress.h"
#include "roughness/surface_view.h"

namespace meshprobe {

// Smooths the view's positions in place. Progress counts the vertices of the sphere steps (the
// long part); each umbrella step reports the whole done again, so that a caller can abandon the
// run between them.
void smooth_copy(SurfaceView& view, double r, const Progress& progress = {});

}  // namespace meshprobe
