// The renderer seen through its pictures: which way each view looks, the colour and shade of the
// pixel under a vertex, the z-buffer, and the composed picture's size, background and colour bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "viz/roughness_picture.h"
#include "viz/view_render.h"

namespace meshprobe {
namespace {

constexpr Rgb8 kPaper{255, 255, 255};

// A flat square grid of n x n cells, side `side`, centred at the origin in the plane z = 0,
// vertex (i, j) at index j * (n + 1) + i, with value value_of(i, j).
template <class ValueOf>
ScalarSurface flat_grid(int n, float side, ValueOf value_of) {
  ScalarSurface surface;
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) {
      surface.points.push_back({side * (static_cast<float>(i) / n - 0.5f),
                                side * (static_cast<float>(j) / n - 0.5f), 0.0f});
      surface.values.push_back(value_of(i, j));
    }
  }
  const auto at = [n](int i, int j) { return static_cast<std::uint32_t>(j * (n + 1) + i); };
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i)
      surface.polygons.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
  }
  return surface;
}

// The pixel holding a point's projection.
Rgb8 pixel_under(const RgbImage& image, const ViewBox& box, const Vec3f& point) {
  const ScreenPoint p = project(box, point);
  return image.pixel(static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)));
}

int entry_of(Rgb8 colour) {
  for (int i = 0; i < kViridisSize; ++i) {
    if (viridis_entry(i) == colour) return i;
  }
  return -1;
}

void expect_near_colour(Rgb8 actual, double r, double g, double b) {
  EXPECT_NEAR(actual.r, r, 1.0);
  EXPECT_NEAR(actual.g, g, 1.0);
  EXPECT_NEAR(actual.b, b, 1.0);
}

const ViewBox kFront{ViewDirection::kFront, 10, 20, 300};

TEST(Project, EachViewLooksAlongItsAxisWithoutMirroring) {
  // Front: x to the right, y up, +z nearer; one normalised unit is kViewFill of the box.
  const ScreenPoint centre = project(kFront, {0, 0, 0});
  EXPECT_DOUBLE_EQ(centre.x, 160.0);
  EXPECT_DOUBLE_EQ(centre.y, 170.0);
  const ScreenPoint right_up = project(kFront, {0.5f, 0.25f, 0.1f});
  EXPECT_NEAR(right_up.x, 160.0 + 0.5 * 300 * kViewFill, 1e-9);
  EXPECT_NEAR(right_up.y, 170.0 - 0.25 * 300 * kViewFill, 1e-9);
  EXPECT_GT(right_up.depth, centre.depth);
  // Side: looking along -x, so +x is nearer and +z lies to the left.
  const ViewBox side{ViewDirection::kSide, 0, 0, 100};
  EXPECT_GT(project(side, {0.3f, 0, 0}).depth, project(side, {-0.3f, 0, 0}).depth);
  EXPECT_LT(project(side, {0, 0, 0.3f}).x, 50.0);
  EXPECT_LT(project(side, {0, 0.3f, 0}).y, 50.0);
  // Top: looking along -y, so +y is nearer, +x to the right and +z (the front) at the bottom.
  const ViewBox top{ViewDirection::kTop, 0, 0, 100};
  EXPECT_GT(project(top, {0, 0.3f, 0}).depth, project(top, {0, -0.3f, 0}).depth);
  EXPECT_GT(project(top, {0.3f, 0, 0}).x, 50.0);
  EXPECT_GT(project(top, {0, 0, 0.3f}).y, 50.0);
}

TEST(RenderView, PixelUnderAVertexFacingTheViewerHasTheVertexColour) {
  // Values rise by 1 per column, so barycentric interpolation reproduces them exactly and the
  // pixel centre, within half a pixel of the vertex, is within a hundredth of its value.
  const int n = 10;
  const ScalarSurface surface =
      flat_grid(n, 0.8f, [](int i, int) { return static_cast<float>(i); });
  const ValueRange range{0.0, 10.0};
  RgbImage image(400, 400, kPaper);
  render_view(surface, range, kFront, image);
  for (int i : {1, 3, 5, 8}) {
    const int j = 4;
    const std::size_t vertex = static_cast<std::size_t>(j * (n + 1) + i);
    const int expected = static_cast<int>(std::lround(i / 10.0 * 255));
    const int found = entry_of(pixel_under(image, kFront, surface.points[vertex]));
    EXPECT_NEAR(found, expected, 1) << "vertex " << vertex;
  }
  // Outside the surface but inside the box, and outside the box, the picture is untouched.
  EXPECT_EQ(image.pixel(kFront.left + 2, kFront.top + 2), kPaper);
  EXPECT_EQ(image.pixel(kFront.left + kFront.size + 5, 100), kPaper);
  EXPECT_EQ(image.pixel(kFront.left - 1, 100), kPaper);
}

TEST(RenderView, TiltedFacetsAreDimmedByTheirAngleToTheView) {
  // The grid turned 60 degrees about the x axis: its normal makes cos = 0.5 with the view.
  ScalarSurface surface = flat_grid(4, 0.6f, [](int, int) { return 3.0f; });
  const double angle = std::acos(-1.0) / 3;
  for (Vec3f& p : surface.points) {
    const double y = p.y;
    p.y = static_cast<float>(y * std::cos(angle));
    p.z = static_cast<float>(y * std::sin(angle));
  }
  const ValueRange range{0.0, 4.0};
  RgbImage image(400, 400, kPaper);
  render_view(surface, range, kFront, image);
  const Rgb8 colour = colour_of(3.0, range);
  const double shade = 0.35 + 0.65 * 0.5;
  EXPECT_DOUBLE_EQ(facet_shade(0.5), shade);
  EXPECT_DOUBLE_EQ(facet_shade(-0.5), shade);
  expect_near_colour(pixel_under(image, kFront, surface.points[12]), colour.r * shade,
                     colour.g * shade, colour.b * shade);

  // Facing the view squarely: full brightness; seen from behind just the same.
  RgbImage flat(400, 400, kPaper);
  ScalarSurface facing = flat_grid(4, 0.6f, [](int, int) { return 3.0f; });
  render_view(facing, range, kFront, flat);
  EXPECT_EQ(pixel_under(flat, kFront, facing.points[12]), colour);
  for (Polygon& polygon : facing.polygons)
    std::reverse(polygon.begin(), polygon.end());
  RgbImage reversed(400, 400, kPaper);
  render_view(facing, range, kFront, reversed);
  EXPECT_EQ(reversed.rgb, flat.rgb);
}

TEST(RenderView, NearerSurfaceHidesFartherWhateverTheDrawingOrder) {
  // Two parallel squares: the one at z = 0.2 has value 1 (last colour), the one at z = -0.2
  // value 0 (first colour); from the front only the near one shows.
  ScalarSurface near_first;
  for (float z : {0.2f, -0.2f}) {
    const auto base = static_cast<std::uint32_t>(near_first.points.size());
    for (const auto& [x, y] :
         {std::pair{-0.3f, -0.3f}, {0.3f, -0.3f}, {0.3f, 0.3f}, {-0.3f, 0.3f}}) {
      near_first.points.push_back({x, y, z});
      near_first.values.push_back(z > 0 ? 1.0f : 0.0f);
    }
    near_first.polygons.push_back({base, base + 1, base + 2, base + 3});
  }
  ScalarSurface far_first = near_first;
  std::swap(far_first.polygons[0], far_first.polygons[1]);
  const ValueRange range{0.0, 1.0};
  for (const ScalarSurface* surface : {&near_first, &far_first}) {
    RgbImage image(400, 400, kPaper);
    render_view(*surface, range, kFront, image);
    EXPECT_EQ(pixel_under(image, kFront, {0.1f, -0.05f, 0.0f}), viridis_entry(255));
  }
}

TEST(RoughnessPicture, HasTheStatedSizeAUniformBackgroundAndAColourBar) {
  // A flat grid in the plane z = 0 whose middle vertex and its neighbours carry value 2, the
  // rest 0.
  const int n = 8;
  const ScalarSurface surface = flat_grid(n, 0.9f, [](int i, int j) {
    return static_cast<float>(std::abs(i - 4) <= 1 && std::abs(j - 4) <= 1 ? 2 : 0);
  });
  PictureOptions options;
  options.range = ValueRange{0.0, 2.0};
  const RgbImage image = render_roughness_picture(surface, options);
  ASSERT_EQ(image.width, 1200);
  ASSERT_EQ(image.height, 800);
  const PictureLayout layout = picture_layout(options);
  // The border rows and columns, and the gap between the front view and the others.
  for (int x = 0; x < image.width; ++x) {
    EXPECT_EQ(image.pixel(x, 0), kPictureBackground) << x;
    EXPECT_EQ(image.pixel(x, image.height - 1), kPictureBackground) << x;
  }
  for (int y = 0; y < image.height; ++y) {
    EXPECT_EQ(image.pixel(0, y), kPictureBackground) << y;
    EXPECT_EQ(image.pixel(image.width - 1, y), kPictureBackground) << y;
    EXPECT_EQ(image.pixel(layout.front.left + layout.front.size + 1, y), kPictureBackground) << y;
  }
  // The middle vertex of the grid, seen from the front, faces the viewer: its own colour.
  const Rgb8 middle = pixel_under(image, layout.front, surface.points[4 * (n + 1) + 4]);
  EXPECT_EQ(middle, viridis_entry(255));
  // The side and top views see the grid edge-on, as facets of no area: nothing is drawn.
  for (const ViewBox* box : {&layout.side, &layout.top}) {
    for (int y = box->top; y < box->top + box->size; ++y) {
      for (int x = box->left; x < box->left + box->size; ++x)
        ASSERT_EQ(image.pixel(x, y), kPictureBackground) << x << ", " << y;
    }
  }
  // The colour bar: first colour at its bottom row, last at its top, rising in between.
  const PixelBox& bar = layout.bar;
  const int bar_x = bar.left + bar.width / 2;
  EXPECT_EQ(image.pixel(bar_x, bar.top + bar.height - 1), viridis_entry(0));
  EXPECT_EQ(image.pixel(bar_x, bar.top), viridis_entry(255));
  int previous = 0;
  for (int y = bar.top + bar.height - 1; y >= bar.top; --y) {
    const int entry = entry_of(image.pixel(bar_x, y));
    ASSERT_GE(entry, previous) << y;
    previous = entry;
  }
}

}  // namespace
}  // namespace meshprobe
