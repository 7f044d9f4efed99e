#include "viz/text_render.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace meshprobe {

// The bytes of DejaVuSans.ttf, generated into the build by viz/embed_file.cmake.
extern const unsigned char kDejaVuSans[];
extern const std::size_t kDejaVuSans_size;

namespace {

constexpr int kMinimumPixelSize = 4;
constexpr char32_t kReplacement = 0xFFFD;
// Characters reaching highest and lowest among those of file names and labels: accented
// capitals, descenders, brackets and the replacement character.
constexpr const char* kTallGlyphs = "ÅÉÖjgqyp|()[]{}_\xEF\xBF\xBD";

FT_Library library_of(void* handle) {
  return static_cast<FT_Library>(handle);
}
FT_Face face_of(void* handle) {
  return static_cast<FT_Face>(handle);
}

// The code points of a UTF-8 text. A byte that does not begin a well-formed sequence of at most
// four bytes becomes one U+FFFD and decoding goes on at the next byte.
std::vector<char32_t> code_points(const std::string& text) {
  std::vector<char32_t> points;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80         ? 1
                       : (lead >> 5) == 6  ? 2
                       : (lead >> 4) == 14 ? 3
                       : (lead >> 3) == 30 ? 4
                                           : 0;
    char32_t point = length == 1   ? lead
                     : length == 2 ? (lead & 0x1Fu)
                     : length == 3 ? (lead & 0x0Fu)
                                   : (lead & 0x07u);
    bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      valid = (next & 0xC0u) == 0x80u;
      point = (point << 6) | (next & 0x3Fu);
    }
    points.push_back(valid ? point : kReplacement);
    i += valid ? static_cast<std::size_t>(length) : 1;
  }
  return points;
}

// A 26.6 fixed-point length rounded up to whole pixels.
int ceil_pixels(FT_Pos value) {
  return static_cast<int>((value + 63) >> 6);
}

// One channel of `ink` laid over `paper` with coverage in 0 .. 255, rounded to nearest.
std::uint8_t blend(std::uint8_t paper, std::uint8_t ink, int coverage) {
  return static_cast<std::uint8_t>((paper * (255 - coverage) + ink * coverage + 127) / 255);
}

// Calls `visit(glyph slot, pen x)` for each glyph of the text after loading and rendering it,
// the pen advancing by the hinted advance plus the font's kerning of each pair.
template <class Visit>
void set_line(FT_Face face, const std::string& text, Visit visit) {
  FT_Pos pen = 0;
  FT_UInt previous = 0;
  for (char32_t point : code_points(text)) {
    const FT_UInt index = FT_Get_Char_Index(face, point);
    if (previous != 0 && FT_HAS_KERNING(face)) {
      FT_Vector kerning{0, 0};
      if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kerning) == 0)
        pen += kerning.x;
    }
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) continue;
    visit(face->glyph, static_cast<int>(pen >> 6));
    pen += face->glyph->advance.x;
    previous = index;
  }
}

}  // namespace

TextRenderer::TextRenderer(int pixel_size) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return;
  library_ = library;
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(library, kDejaVuSans, static_cast<FT_Long>(kDejaVuSans_size), 0, &face) !=
      0) {
    return;
  }
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::max(pixel_size, kMinimumPixelSize))) !=
      0) {
    FT_Done_Face(face);
    return;
  }
  face_ = face;
  // The font's ascender and descender, widened to the glyphs of kTallGlyphs as rendered at this
  // size (hinting can add a pixel), bound the ink of every character a title or label uses.
  const FT_Size_Metrics& metrics = face->size->metrics;
  ascent_ = ceil_pixels(metrics.ascender);
  descent_ = ceil_pixels(-metrics.descender);
  set_line(face, kTallGlyphs, [this](FT_GlyphSlot glyph, int) {
    ascent_ = std::max(ascent_, glyph->bitmap_top);
    descent_ = std::max(descent_, static_cast<int>(glyph->bitmap.rows) - glyph->bitmap_top);
  });
}

TextRenderer::~TextRenderer() {
  if (face_ != nullptr) FT_Done_Face(face_of(face_));
  if (library_ != nullptr) FT_Done_FreeType(library_of(library_));
}

TextExtent TextRenderer::extent(const std::string& text) {
  if (face_ == nullptr) return TextExtent{};
  int first = 0;
  int last = 0;
  set_line(face_of(face_), text, [&](FT_GlyphSlot glyph, int pen) {
    first = std::min(first, pen + glyph->bitmap_left);
    last = std::max({last, pen + static_cast<int>(glyph->advance.x >> 6),
                     pen + glyph->bitmap_left + static_cast<int>(glyph->bitmap.width)});
  });
  return TextExtent{last - first, -first};
}

void TextRenderer::draw(RgbImage& image, int left, int baseline, const std::string& text,
                        Rgb8 ink) {
  if (face_ == nullptr) return;
  const int origin = left + extent(text).overhang;
  set_line(face_of(face_), text, [&](FT_GlyphSlot glyph, int pen) {
    const FT_Bitmap& bitmap = glyph->bitmap;
    // Anti-aliased glyphs come as 8-bit grey coverage, 0 for paper and 255 for full ink.
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return;
    const int x0 = origin + pen + glyph->bitmap_left;
    const int y0 = baseline - glyph->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
      for (unsigned column = 0; column < bitmap.width; ++column) {
        const int coverage = line[column];
        const int x = x0 + static_cast<int>(column);
        const int y = y0 + static_cast<int>(row);
        if (coverage == 0 || !image.contains(x, y)) continue;
        const Rgb8 paper = image.pixel(x, y);
        image.set(x, y,
                  Rgb8{blend(paper.r, ink.r, coverage), blend(paper.g, ink.g, coverage),
                       blend(paper.b, ink.b, coverage)});
      }
    }
  });
}

}  // namespace meshprobe
