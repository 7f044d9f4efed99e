#include "viz/roughness_picture.h"

#include <cmath>
#include <cstdio>

#include "viz/text_render.h"

namespace meshprobe {

namespace {

void draw_frame(RgbImage& image, const PixelBox& box, int thickness) {
  const int t = thickness;
  image.fill_rect(box.left - t, box.top - t, box.width + 2 * t, t, kPictureInk);
  image.fill_rect(box.left - t, box.top + box.height, box.width + 2 * t, t, kPictureInk);
  image.fill_rect(box.left - t, box.top, t, box.height, kPictureInk);
  image.fill_rect(box.left + box.width, box.top, t, box.height, kPictureInk);
}

// The colour bar, each row showing the value at its centre, framed, with a tick right of it at
// every tick value.
void draw_bar(const PictureLayout& layout, RgbImage& image) {
  const PixelBox& bar = layout.bar;
  const ValueRange& range = layout.range;
  for (int row = 0; row < bar.height; ++row) {
    const double t = (bar.height - row - 0.5) / bar.height;
    const double value = value_at(t, range);
    image.fill_rect(bar.left, bar.top + row, bar.width, 1, colour_of(value, range));
  }
  draw_frame(image, bar, layout.line_width);
  const int half = layout.line_width / 2;
  for (double value : layout.ticks.values) {
    image.fill_rect(bar.left + bar.width, bar_row(layout, value) - half, layout.tick_length,
                    layout.line_width, kPictureInk);
  }
}

// A triangle standing on the bar's top edge with its apex at the mark's top centre, in the map's
// last colour inside an ink outline, as the extension of the bar that clamped values fall in.
void draw_clamp_mark(const PictureLayout& layout, RgbImage& image) {
  const PixelBox& mark = layout.clamp_mark;
  const double centre = mark.left + 0.5 * mark.width;
  const double half_base = 0.5 * mark.width;
  // The outline's horizontal thickness on a side of this slope is the line width stretched by
  // 1 / cos of the side's angle to the vertical.
  const double inset = layout.line_width * std::hypot(half_base, mark.height) / mark.height;
  const Rgb8 fill = colour_of(layout.range.high, layout.range);
  for (int row = 0; row < mark.height; ++row) {
    const double half = half_base * (row + 0.5) / mark.height;
    const int x0 = static_cast<int>(std::lround(centre - half));
    const int x1 = static_cast<int>(std::lround(centre + half));
    image.fill_rect(x0, mark.top + row, x1 - x0, 1, kPictureInk);
    const int inner0 = static_cast<int>(std::lround(centre - half + inset));
    const int inner1 = static_cast<int>(std::lround(centre + half - inset));
    if (inner1 > inner0) image.fill_rect(inner0, mark.top + row, inner1 - inner0, 1, fill);
  }
}

void draw(TextRenderer& font, const PlacedText& text, RgbImage& image) {
  font.draw(image, text.left, text.baseline, text.text, kPictureInk);
}

// A count with its thousands separated by commas: 3,080.
std::string with_thousands(std::size_t count) {
  std::string text = std::to_string(count);
  for (std::size_t at = text.size(); at > 3; at -= 3)
    text.insert(at - 3, ",");
  return text;
}

// As "%g" prints the number: the title's six significant digits.
std::string g_text(float value) {
  char number[32];
  std::snprintf(number, sizeof number, "%g", static_cast<double>(value));
  return number;
}

}  // namespace

std::string picture_title(const std::string& mesh_path, float epsilon, float length,
                          std::size_t vertices) {
  const std::size_t slash = mesh_path.find_last_of('/');
  const std::string name = slash == std::string::npos ? mesh_path : mesh_path.substr(slash + 1);
  const std::string lengths =
      "epsilon " + g_text(epsilon) + (length > 0.0f ? "   length " + g_text(length) : "");
  return name + "   " + lengths + "   " + with_thousands(vertices) +
         (vertices == 1 ? " vertex" : " vertices");
}

std::string left_out_note(std::size_t facets) {
  if (facets == 0) return "";
  return with_thousands(facets) + (facets == 1 ? " facet left out" : " facets left out");
}

bool any_value_above(const std::vector<float>& values, double high) {
  for (float v : values) {
    if (v > high) return true;
  }
  return false;
}

RgbImage render_roughness_picture(const ScalarSurface& surface, const PictureOptions& options) {
  const PictureLayout layout = picture_layout(options);
  RgbImage image(layout.width, layout.height, kPictureBackground);
  for (const ViewBox* box : {&layout.front, &layout.side, &layout.top})
    render_view(surface, options.range, *box, image);
  draw_bar(layout, image);
  if (options.clamped_above) draw_clamp_mark(layout, image);
  TextRenderer font(layout.text_size);
  for (const PlacedText& line : layout.title)
    draw(font, line, image);
  for (const PlacedText& name : layout.view_names)
    draw(font, name, image);
  draw(font, layout.bar_label, image);
  for (const PlacedText& label : layout.tick_labels)
    draw(font, label, image);
  if (options.clamped_above) draw(font, layout.clamp_label, image);
  return image;
}

}  // namespace meshprobe
