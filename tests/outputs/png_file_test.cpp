// PNG output decoded again by libpng: every pixel comes back, sizes that disagree and files that
// cannot be created are refused without leaving anything behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "outputs/png_file.h"
#include "tests/support/png_image.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> gradient(int width, int height) {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      rgb.push_back(static_cast<std::uint8_t>(x * 7));
      rgb.push_back(static_cast<std::uint8_t>(y * 13));
      rgb.push_back(static_cast<std::uint8_t>((x * y) % 251));
    }
  }
  return rgb;
}

TEST(PngFile, DecodesToTheSamePixels) {
  const std::string folder = testing::scratch_folder("png-round-trip");
  const std::string path = folder + "/picture.png";
  const auto rgb = gradient(37, 11);
  ASSERT_TRUE(write_png(path, 37, 11, rgb));
  testing::DecodedPng decoded;
  std::string error;
  ASSERT_TRUE(testing::decode_png(path, decoded, error)) << error;
  EXPECT_EQ(decoded.width, 37);
  EXPECT_EQ(decoded.height, 11);
  EXPECT_TRUE(decoded.rgb == rgb);
  // Written beside its name and renamed: nothing else is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(PngFile, RefusesWrongSizesAndUnwritablePathsLeavingFilesAlone) {
  const std::string folder = testing::scratch_folder("png-refused");
  const std::string path = folder + "/picture.png";
  testing::write_file(path, "earlier picture");
  EXPECT_FALSE(write_png(path, 10, 10, gradient(10, 9)));
  EXPECT_FALSE(write_png(path, 0, 10, {}));
  EXPECT_EQ(testing::read_file(path), "earlier picture");
  EXPECT_FALSE(write_png(folder + "/missing/picture.png", 4, 4, gradient(4, 4)));
  fs::create_directory(folder + "/taken.png");
  EXPECT_FALSE(write_png(folder + "/taken.png", 4, 4, gradient(4, 4)));
  EXPECT_TRUE(fs::is_directory(folder + "/taken.png"));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace meshprobe
