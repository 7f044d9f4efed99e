#include "viz/picture_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "viz/text_render.h"

namespace meshprobe {

namespace {

// Em of every text as a share of the picture's height. DejaVu Sans's digits are 0.729 em high,
// so they take 2.8 % of the height: still 2.5 % after the rounding of small sizes, legible when
// a figure is shrunk to a paper's column.
constexpr double kTextShare = 0.038;
constexpr double kDigitHeightShare = 0.729;
// Width of the colour bar in em.
constexpr double kBarWidthEm = 1.1;
// Frame and tick thickness: one pixel per 16 pixels of em.
constexpr int kEmPerLineWidth = 16;
// The views' names, in the order front, side, top.
constexpr const char* kViewNames[3] = {"front", "side", "top"};
// The widest tick or clamp label the colour bar's column always has room for.
constexpr const char* kWidestUsualLabel = "≥ 0.0000";

int round_to_int(double value) {
  return static_cast<int>(std::lround(value));
}

// Lines of `text` no wider than `room`, breaking first between the title's fields (runs of two
// or more spaces), then between words, then between characters.
class Wrapper {
 public:
  Wrapper(TextRenderer& font, int room) : font_(font), room_(room) {}

  std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    if (!text.empty()) pack(text, 0, out);
    return out;
  }

 private:
  bool fits(const std::string& text) { return font_.extent(text).width <= room_; }

  // Splits at runs of at least `spaces` spaces (level 0: 2, level 1: 1), or, at level 2, between
  // UTF-8 characters, and fills lines greedily; a part too wide alone is split at the next level.
  void pack(const std::string& text, int level, std::vector<std::string>& out) {
    if (fits(text) || level > 2) {
      out.push_back(text);
      return;
    }
    std::vector<std::string> parts;
    std::vector<std::string> joints;
    split(text, level, parts, joints);
    std::string line;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const std::string joined = line.empty() ? parts[i] : line + joints[i] + parts[i];
      if (fits(joined)) {
        line = joined;
        continue;
      }
      if (!line.empty()) out.push_back(line);
      line.clear();
      if (fits(parts[i])) {
        line = parts[i];
      } else {
        pack(parts[i], level + 1, out);
      }
    }
    if (!line.empty()) out.push_back(line);
  }

  // parts[i] is preceded by joints[i] (joints[0] is empty).
  static void split(const std::string& text, int level, std::vector<std::string>& parts,
                    std::vector<std::string>& joints) {
    if (level == 2) {
      for (std::size_t i = 0; i < text.size();) {
        std::size_t next = i + 1;
        while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0u) == 0x80u)
          ++next;
        parts.push_back(text.substr(i, next - i));
        joints.emplace_back();
        i = next;
      }
      return;
    }
    const std::size_t least = level == 0 ? 2 : 1;
    std::size_t start = 0;
    std::string joint;
    std::size_t i = 0;
    while (i < text.size()) {
      std::size_t run = 0;
      while (i + run < text.size() && text[i + run] == ' ')
        ++run;
      if (run >= least && i > start) {
        parts.push_back(text.substr(start, i - start));
        joints.push_back(joint);
        joint = text.substr(i, run);
        start = i + run;
      }
      i += std::max<std::size_t>(run, 1);
    }
    if (start < text.size()) {
      parts.push_back(text.substr(start));
      joints.push_back(joint);
    }
    if (!joints.empty()) joints[0].clear();
  }

  TextRenderer& font_;
  int room_;
};

PlacedText place(TextRenderer& font, const std::string& text, int left, int baseline) {
  const TextExtent extent = font.extent(text);
  return PlacedText{text, left, baseline,
                    PixelBox{left, baseline - font.ascent(), extent.width, font.line_height()}};
}

PlacedText place_centred(TextRenderer& font, const std::string& text, int centre, int baseline) {
  return place(font, text, centre - font.extent(text).width / 2, baseline);
}

// The top of the range printed as its tick is when it has one, else to three digits; a text
// longer than the bar's labels may be (1e25 in full, or 0.00000000105) is given as "%.3g" gives
// it, so that the column keeps its width and the mark its place for any range.
std::string clamp_value_text(const Ticks& ticks, double high) {
  const bool high_on_tick = !ticks.values.empty() && ticks.values.back() == high;
  const std::string text =
      high_on_tick ? tick_label(high, ticks.decimals) : three_digit_label(high);
  if (text.size() <= kLongestBarLabel) return text;
  char exponent_form[32];
  std::snprintf(exponent_form, sizeof exponent_form, "%.3g", high);
  return exponent_form;
}

PictureOptions supported(const PictureOptions& options) {
  PictureOptions fitted = options;
  fitted.width = std::clamp(options.width, kMinPictureWidth, kMaxPictureSide);
  fitted.height = std::clamp(options.height, kMinPictureHeight, kMaxPictureSide);
  fitted.height = std::min(fitted.height, fitted.width);
  return fitted;
}

}  // namespace

bool picture_size_supported(double width, double height) {
  return width == std::floor(width) && height == std::floor(height) && width >= kMinPictureWidth &&
         width <= kMaxPictureSide && height >= kMinPictureHeight && height <= kMaxPictureSide &&
         height <= width;
}

int bar_row(const PictureLayout& layout, double value) {
  const PixelBox& bar = layout.bar;
  // An empty range puts every value, its one tick too, at the bottom row.
  const double t = layout.range.high > layout.range.low ? position_in(value, layout.range) : 0.0;
  const int from_bottom = round_to_int(t * (bar.height - 1));
  return bar.top + bar.height - 1 - from_bottom;
}

bool colour_bar_can_label(const ValueRange& range) {
  if (!std::isfinite(range.low) || !std::isfinite(range.high) || !(range.high > range.low))
    return false;
  const Ticks ticks = round_ticks(range.low, range.high);
  if (ticks.values.size() < 2) return false;
  for (double value : ticks.values) {
    if (tick_label(value, ticks.decimals).size() > kLongestBarLabel) return false;
  }
  return true;
}

PictureLayout picture_layout(const PictureOptions& requested) {
  const PictureOptions options = supported(requested);
  PictureLayout layout;
  layout.width = options.width;
  layout.height = options.height;
  layout.range = options.range;
  const int em = static_cast<int>(std::ceil(kTextShare * options.height));
  layout.text_size = em;
  layout.line_width = std::max(1, em / kEmPerLineWidth);
  TextRenderer font(em);
  const int line = font.line_height();
  const int ascent = font.ascent();
  const int digit_height = round_to_int(kDigitHeightShare * em);
  const int margin = std::max(4, em / 2);
  const int gap = std::max(2, em / 2);

  // The title, each line centred, and the note on lines of its own under it.
  int y = margin;
  Wrapper wrapper(font, options.width - 2 * margin);
  for (const std::string* part : {&options.title, &options.note}) {
    for (const std::string& text : wrapper.lines(*part)) {
      layout.title.push_back(place_centred(font, text, options.width / 2, y + ascent));
      y += line;
    }
  }
  if (!layout.title.empty()) y += gap;
  int views_top = y;

  // The colour bar's column: the bar, its ticks, and the labels right of them.
  const int bar_width = round_to_int(kBarWidthEm * em);
  layout.tick_length = std::max(2, em / 3);
  layout.ticks = round_ticks(options.range.low, options.range.high);
  const std::string clamp_text = "≥ " + clamp_value_text(layout.ticks, options.range.high);
  // Room for labels as wide as this at least, so that the views stand at the same places for
  // every range of usual values.
  int label_width = std::max(font.extent(kWidestUsualLabel).width, font.extent(clamp_text).width);
  for (double value : layout.ticks.values)
    label_width =
        std::max(label_width, font.extent(tick_label(value, layout.ticks.decimals)).width);
  const int labels_offset = bar_width + layout.tick_length + gap / 2;
  const int column_width =
      std::max(font.extent(options.bar_label).width, labels_offset + label_width);

  // The front view is a square as tall as the room below the title less its name's line; the
  // side and top views, stacked right of it with their names, are together as tall. When the
  // width is short, all shrink so that front, side-and-top column and colour bar fit.
  const int room_height = options.height - margin - views_top;
  const int by_height = room_height - line;
  const int by_width = round_to_int(
      (options.width - 2 * margin - 3 * gap - column_width + 0.5 * (line + gap)) / 1.5);
  const int front = std::max(1, std::min(by_height, by_width));
  const int small = std::max(1, (front - line - gap) / 2);
  const int group = front + gap + small + 2 * gap + column_width;
  const int left = std::max(margin, (options.width - group) / 2);
  // Height the width left unused is shared above the title and below the views, so the title
  // stays with the views it names.
  const int lowered = std::max(0, by_height - front) / 2;
  views_top += lowered;
  for (PlacedText& title_line : layout.title) {
    title_line.baseline += lowered;
    title_line.box.top += lowered;
  }
  layout.front = ViewBox{ViewDirection::kFront, left, views_top, front};
  layout.side = ViewBox{ViewDirection::kSide, left + front + gap, views_top, small};
  layout.top =
      ViewBox{ViewDirection::kTop, left + front + gap, views_top + small + line + gap, small};
  int name = 0;
  for (const ViewBox* box : {&layout.front, &layout.side, &layout.top}) {
    layout.view_names.push_back(place_centred(font, kViewNames[name++], box->left + box->size / 2,
                                              box->top + box->size + ascent));
  }

  // Down the column: the bar's label, the clamp mark (tall enough that its label clears the top
  // tick's), the bar down to the front view's bottom.
  const int column = left + front + gap + small + 2 * gap;
  layout.bar_label = place(font, options.bar_label, column, views_top + ascent);
  // The mark is as wide as the bar's frame and stands on it.
  const int frame = layout.line_width;
  const int mark_top = views_top + line + gap;
  const int mark_height = line + gap - frame;
  layout.clamp_mark = PixelBox{column - frame, mark_top, bar_width + 2 * frame, mark_height};
  // The clamp label's digits start at the triangle's apex row.
  layout.clamp_label = place(font, clamp_text, column + labels_offset, mark_top + digit_height);
  const int bar_top = mark_top + mark_height + frame;
  layout.bar = PixelBox{column, bar_top, bar_width, std::max(1, views_top + front - bar_top)};
  for (double value : layout.ticks.values) {
    layout.tick_labels.push_back(place(font, tick_label(value, layout.ticks.decimals),
                                       column + labels_offset,
                                       bar_row(layout, value) + digit_height / 2));
  }
  return layout;
}

}  // namespace meshprobe
