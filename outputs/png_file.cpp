#include "outputs/png_file.h"

#include <png.h>

#include <zlib.h>

#include <cmath>
#include <csetjmp>

#include "outputs/atomic_file.h"

namespace meshprobe {

namespace {

// The strongest zlib level, with the strategy suited to filtered rows, keeps a 1200 x 800
// rendering of a mesh to a few hundred kilobytes (about 4 % smaller than the defaults).
constexpr int kCompressionLevel = 9;
constexpr double kMetresPerInch = 0.0254;

// Encodes the rows through libpng, which reports errors by longjmp back to here. The function
// holds only trivially destructible locals, so the jump skips no destructor. False on any error.
bool encode(std::FILE* out, png_structp png, png_infop info, int width, int height,
            png_uint_32 pixels_per_metre, const std::uint8_t* rgb) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, out);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_pHYs(png, info, pixels_per_metre, pixels_per_metre, PNG_RESOLUTION_METER);
  png_set_compression_level(png, kCompressionLevel);
  png_set_compression_strategy(png, Z_FILTERED);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
  png_write_info(png, info);
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y)
    png_write_row(png, rgb + static_cast<std::size_t>(y) * stride);
  png_write_end(png, nullptr);
  return true;
}

// libpng would print its errors and warnings; here an error only jumps back to encode(), which
// reports it as failure, and warnings are dropped.
void quiet_error(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void quiet_warning(png_structp, png_const_charp) {}

}  // namespace

bool write_png(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb,
               int dots_per_inch) {
  if (width <= 0 || height <= 0) return false;
  if (dots_per_inch < 1 || dots_per_inch > kMaxDotsPerInch) return false;
  // PNG states resolution in pixels per metre only; rounded, it reads back as the same whole
  // number of dots per inch (300 dpi is 11811 per metre, 299.9994 dpi).
  const auto pixels_per_metre =
      static_cast<png_uint_32>(std::lround(dots_per_inch / kMetresPerInch));
  if (rgb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {
    return false;
  }
  AtomicFile file(path);
  if (!file.is_open()) return false;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quiet_error, quiet_warning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  const bool encoded = info != nullptr && encode(file.stream(), png, info, width, height,
                                                 pixels_per_metre, rgb.data());
  png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  // A write that failed leaves the stream in error: commit then fails too, removes the file and
  // keeps the system's reason. Any other failure of the encoder just drops the file.
  if (!encoded && std::ferror(file.stream()) == 0) return false;
  return file.commit() && encoded;
}

}  // namespace meshprobe
