// One orthographic, z-buffered view of a surface coloured by its per-vertex values. Goes in: a
// ScalarSurface in normalised units (centred, largest bounding-box side 1), the value range of
// the colour map and a square region of an image. Comes out: the region's pixels covered by the
// surface, each the colour map of the value interpolated over its facet, shaded by the facet's
// angle to the view.
#pragma once

#include "viz/color_scale.h"
#include "viz/rgb_image.h"
#include "viz/scalar_surface.h"

namespace meshprobe {

// Where the viewer stands: in front looks along -z (x to the right, y up), at the side along -x
// (-z to the right, y up), on top along -y (x to the right, -z up).
enum class ViewDirection { kFront, kSide, kTop };

// A square region of an image showing one view. The origin maps to the region's centre and one
// normalised unit to `size` x kViewFill pixels, so a normalised surface fits with a margin.
struct ViewBox {
  ViewDirection direction = ViewDirection::kFront;
  int left = 0;  // pixels from the image's left edge
  int top = 0;   // pixels from the image's top edge
  int size = 0;  // side in pixels
};

// Share of a view's side that one normalised unit spans.
constexpr double kViewFill = 0.92;

// A point as the view sees it: continuous image coordinates (pixel (i, j) covers [i, i + 1) x
// [j, j + 1)) and its depth, larger when nearer the viewer.
struct ScreenPoint {
  double x = 0.0;
  double y = 0.0;
  double depth = 0.0;
};

ScreenPoint project(const ViewBox& box, const Vec3f& point);

// Brightness factor of a facet whose unit normal makes an angle with cosine c with the view
// direction: 0.35 + 0.65 |c|, so facets seen edge-on stay visible and either side reads alike.
double facet_shade(double cosine);

// Draws the surface into `box` of `image`: polygons are fanned into triangles from their first
// corner; a pixel takes the nearest triangle whose closed area holds its centre. Pixels outside
// the box, and the box's pixels the surface misses, are untouched. Facets of zero area are
// skipped; a facet whose normal vanishes is drawn at the dimmest shade.
void render_view(const ScalarSurface& surface, const ValueRange& range, const ViewBox& box,
                 RgbImage& image);

}  // namespace meshprobe
