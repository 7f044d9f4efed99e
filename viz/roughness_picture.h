// The picture of a roughness map for reports and papers: a title line, the surface seen from the
// front in a large view and from the side and the top in two smaller ones, each named under it,
// and a vertical colour bar with its label, round ticks and, when values were clamped, a mark at
// its top end. Goes in: a ScalarSurface in normalised units and the PictureOptions. Comes out: an
// RGB image of the options' size (see picture_layout for the sizes served) in memory.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "viz/picture_layout.h"
#include "viz/rgb_image.h"
#include "viz/scalar_surface.h"

namespace meshprobe {

// The colour of every pixel that neither the surface, the colour bar nor any text covers.
constexpr Rgb8 kPictureBackground{255, 255, 255};
// Frames, ticks and text.
constexpr Rgb8 kPictureInk{40, 40, 40};

// Draws the picture laid out by picture_layout(options).
RgbImage render_roughness_picture(const ScalarSurface& surface, const PictureOptions& options);

// "bunny.off   epsilon 0.01   1,839 vertices": the mesh file's name without its folders, epsilon
// as "%g" prints it, and the vertex count with thousands separated by commas. A length > 0 (the
// one given instead of the largest bounding-box side) follows epsilon, which is a fraction of it:
// "bunny.off   epsilon 0.01   length 10   1,839 vertices".
std::string picture_title(const std::string& mesh_path, float epsilon, float length,
                          std::size_t vertices);

// The note under the title for facets the surface could not hold, which the views show as
// holes: "3,080 facets left out", "1 facet left out"; empty for none.
std::string left_out_note(std::size_t facets);

// True when some value is above `high` (NaN is not), so the colour map clamps it.
bool any_value_above(const std::vector<float>& values, double high);

}  // namespace meshprobe
