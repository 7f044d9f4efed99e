// Where everything of the roughness picture sits, for any supported size: the title lines on top,
// the large front view and the smaller side and top views with their names under them, and the
// colour bar on the right with its label, ticks and clamp mark. Goes in: the picture's options.
// Comes out: boxes and text positions in pixels; all sizes scale with the picture's height.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "viz/color_scale.h"
#include "viz/ticks.h"
#include "viz/view_render.h"

namespace meshprobe {

// Picture sizes the layout serves: each side in pixels within these bounds and the height at
// most the width (text scales with the height, the views share the width with the colour bar).
// Sizes given as numbers (an option's text, a Python tuple) must be whole numbers of pixels.
constexpr int kMinPictureWidth = 400;
constexpr int kMinPictureHeight = 300;
constexpr int kMaxPictureSide = 8000;
bool picture_size_supported(double width, double height);

// Everything the picture shows besides the surface.
struct PictureOptions {
  int width = 1200;
  int height = 800;
  ValueRange range;            // the colour map spans [low, high]
  bool clamped_above = false;  // values above high exist and are drawn in the last colour
  std::string title;           // UTF-8; wrapped onto several lines when wider than the picture
  std::string note;            // a line under the title (wrapped likewise); empty: none
  std::string bar_label = "roughness";
};

// A rectangle of pixels: columns left .. left + width - 1, rows top .. top + height - 1.
struct PixelBox {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// A line of text and where it is drawn: its left end and baseline, and the box of its line
// (baseline - ascent to baseline + descent), which holds all its ink.
struct PlacedText {
  std::string text;
  int left = 0;
  int baseline = 0;
  PixelBox box;
};

struct PictureLayout {
  int width = 0;
  int height = 0;
  int text_size = 0;   // em of every text in pixels
  int line_width = 0;  // thickness of frames and tick marks in pixels
  ValueRange range;
  std::vector<PlacedText> title;  // the title's lines, then the note's
  ViewBox front;
  ViewBox side;
  ViewBox top;
  std::vector<PlacedText> view_names;  // under front, side and top
  // The colour bar, low at its bottom row and high at its top; its frame lies just outside.
  PixelBox bar;
  PlacedText bar_label;
  Ticks ticks;
  int tick_length = 0;
  std::vector<PlacedText> tick_labels;  // one per tick value, centred on its row
  // Above the bar: a triangle in the last colour pointing up, and beside it "≥ high", drawn only
  // when values were clamped; the space is kept either way so both pictures line up.
  PixelBox clamp_mark;
  PlacedText clamp_label;
};

// The layout of a picture with these options. A size that is not supported is first brought to
// the nearest supported one (each side clamped to its bounds, then the height to the width).
PictureLayout picture_layout(const PictureOptions& options);

// Row of the bar showing `value`: the bar's bottom row for low, its top row for high.
int bar_row(const PictureLayout& layout, double value);

// The most characters a tick label or the clamp mark's value may have: wider labels would take
// the views' room (12 is "-10000000000" or "0.0000000002").
constexpr std::size_t kLongestBarLabel = 12;

// True when the colour bar can label the range: both ends finite, low < high, at least two
// round ticks, and every tick label at most kLongestBarLabel characters (the clamp mark's value
// is held to that length by writing it with an exponent where needed). A range it refuses is
// still drawn, with what tick labels there are.
bool colour_bar_can_label(const ValueRange& range);

}  // namespace meshprobe
