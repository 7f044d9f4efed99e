// The picture of a roughness map: the surface seen from the front in a large view, from the side
// and from the top in two smaller ones, and a colour bar labelled with its value range, on a
// uniform background. Goes in: a ScalarSurface in normalised units and the colour map's range.
// Comes out: a kPictureWidth x kPictureHeight RGB image in memory.
#pragma once

#include "viz/color_scale.h"
#include "viz/rgb_image.h"
#include "viz/scalar_surface.h"
#include "viz/view_render.h"

namespace meshprobe {

constexpr int kPictureWidth = 1200;
constexpr int kPictureHeight = 800;
// The colour of every pixel that neither the surface nor the colour bar covers.
constexpr Rgb8 kPictureBackground{255, 255, 255};

// Where everything sits in the picture.
struct PictureLayout {
  ViewBox front;
  ViewBox side;
  ViewBox top;
  // The colour bar: its top-left pixel and size; the range's labels go below it.
  int bar_left = 0;
  int bar_top = 0;
  int bar_width = 0;
  int bar_height = 0;
};

const PictureLayout& picture_layout();

// Draws the three views and the colour bar, which runs from range.low at its left end to
// range.high at its right, labelled with low, the middle and high of the range.
RgbImage render_roughness_picture(const ScalarSurface& surface, const ValueRange& range);

}  // namespace meshprobe
