#include "viz/roughness_picture.h"

#include <string>

#include "viz/digit_font.h"

namespace meshprobe {

namespace {

// Frame, ticks and labels of the colour bar.
constexpr Rgb8 kInk{40, 40, 40};
// Image pixels per font pixel of the labels.
constexpr int kLabelScale = 2;
// Gap between the bar's lower edge and its labels, and length of the ticks below it.
constexpr int kLabelGap = 10;
constexpr int kTickLength = 5;

void draw_colour_bar(const PictureLayout& layout, const ValueRange& range, RgbImage& image) {
  const int left = layout.bar_left;
  const int top = layout.bar_top;
  const int width = layout.bar_width;
  const int height = layout.bar_height;
  // Each column shows the value at its centre, so the ends show low and high themselves
  // within half a column.
  for (int column = 0; column < width; ++column) {
    const double t = (column + 0.5) / width;
    const double value = range.low + t * (range.high - range.low);
    image.fill_rect(left + column, top, 1, height, colour_of(value, range));
  }
  image.fill_rect(left - 1, top - 1, width + 2, 1, kInk);
  image.fill_rect(left - 1, top + height, width + 2, 1, kInk);
  image.fill_rect(left - 1, top, 1, height, kInk);
  image.fill_rect(left + width, top, 1, height, kInk);

  // Labels: low left-aligned under the left end, the middle centred, high right-aligned.
  const int label_top = top + height + kLabelGap;
  const std::string low = format_value(range.low);
  const std::string middle = format_value(0.5 * (range.low + range.high));
  const std::string high = format_value(range.high);
  const int centre = left + width / 2;
  for (int x : {left, centre, left + width - 1})
    image.fill_rect(x, top + height + 1, 1, kTickLength, kInk);
  draw_text(image, left, label_top, low, kLabelScale, kInk);
  draw_text(image, centre - text_width(middle, kLabelScale) / 2, label_top, middle, kLabelScale,
            kInk);
  draw_text(image, left + width - text_width(high, kLabelScale), label_top, high, kLabelScale,
            kInk);
}

}  // namespace

const PictureLayout& picture_layout() {
  // The front view fills the left; side and top views are stacked on the right; the colour bar
  // runs along the bottom with its labels under it.
  static const PictureLayout layout{{ViewDirection::kFront, 90, 20, 640},
                                    {ViewDirection::kSide, 790, 20, 320},
                                    {ViewDirection::kTop, 790, 350, 320},
                                    100,
                                    705,
                                    1000,
                                    24};
  return layout;
}

RgbImage render_roughness_picture(const ScalarSurface& surface, const ValueRange& range) {
  RgbImage image(kPictureWidth, kPictureHeight, kPictureBackground);
  const PictureLayout& layout = picture_layout();
  for (const ViewBox* box : {&layout.front, &layout.side, &layout.top})
    render_view(surface, range, *box, image);
  draw_colour_bar(layout, range, image);
  return image;
}

}  // namespace meshprobe
