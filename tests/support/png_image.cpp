#include "tests/support/png_image.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace meshprobe::testing {

std::vector<int> DecodedPng::at(int x, int y) const {
  const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)) *
                        3;
  return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

bool decode_png(const std::string& path, DecodedPng& picture, std::string& error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    error = image.message;
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.rgb.assign(PNG_IMAGE_SIZE(image), 0);
  if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) == 0) {
    error = image.message;
    png_image_free(&image);
    return false;
  }
  return true;
}

namespace {

// Reads up to the image data and takes the chunk from what libpng parsed; libpng reports a
// broken file by longjmp back here, past only trivially destructible locals.
bool read_phys(std::FILE* in, png_structp png, png_infop info, PngResolution& resolution) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, in);
  png_read_info(png, info);
  png_uint_32 x = 0;
  png_uint_32 y = 0;
  int unit = PNG_RESOLUTION_UNKNOWN;
  if (png_get_pHYs(png, info, &x, &y, &unit) == 0) return false;
  resolution.x = x;
  resolution.y = y;
  resolution.per_metre = unit == PNG_RESOLUTION_METER;
  return true;
}

}  // namespace

bool read_png_resolution(const std::string& path, PngResolution& resolution) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  const bool found = info != nullptr && read_phys(in, png, info, resolution);
  png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
  std::fclose(in);
  return found;
}

}  // namespace meshprobe::testing
