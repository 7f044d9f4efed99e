#include "viz/view_render.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

namespace meshprobe {

namespace {

// Facets facing the viewer squarely get full brightness, those seen edge-on this much.
constexpr double kAmbientShade = 0.35;
constexpr double kDirectShade = 1.0 - kAmbientShade;

struct Axes {
  Vec3f right;
  Vec3f up;
  Vec3f toward_viewer;
};

Axes axes_of(ViewDirection direction) {
  switch (direction) {
    case ViewDirection::kSide:
      return Axes{{0, 0, -1}, {0, 1, 0}, {1, 0, 0}};
    case ViewDirection::kTop:
      return Axes{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}};
    case ViewDirection::kFront:
      break;
  }
  return Axes{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
}

double dot(const Vec3f& a, double x, double y, double z) {
  return static_cast<double>(a.x) * x + static_cast<double>(a.y) * y + static_cast<double>(a.z) * z;
}

double dot(const Vec3f& a, const Vec3f& b) {
  return dot(a, static_cast<double>(b.x), static_cast<double>(b.y), static_cast<double>(b.z));
}

// Cosine between the polygon's Newell normal (which also serves non-planar polygons) and the
// direction toward the viewer; 0 when the normal vanishes.
double facing_cosine(const ScalarSurface& surface, const Polygon& polygon, const Vec3f& toward) {
  double nx = 0.0;
  double ny = 0.0;
  double nz = 0.0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Vec3f& a = surface.points[polygon[i]];
    const Vec3f& b = surface.points[polygon[(i + 1) % polygon.size()]];
    nx += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
    ny += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
    nz += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
  }
  const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (!(length > 0.0)) return 0.0;
  return dot(toward, nx, ny, nz) / length;
}

// Twice the signed area of the screen triangle (a, b, p).
double edge(const ScreenPoint& a, const ScreenPoint& b, double px, double py) {
  return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

// The pixel number holding coordinate c, clamped to first .. first + count - 1.
int clamp_to(double c, int first, int count) {
  const double pixel = std::floor(c);
  if (!(pixel > first)) return first;
  if (pixel >= first + count - 1) return first + count - 1;
  return static_cast<int>(pixel);
}

class ViewRaster {
 public:
  ViewRaster(const ViewBox& box, const ValueRange& range, RgbImage& image)
      : box_(box),
        range_(range),
        image_(image),
        depth_(static_cast<std::size_t>(box.size) * static_cast<std::size_t>(box.size),
               -std::numeric_limits<double>::infinity()) {}

  // Fills the pixels whose centres lie in the triangle and nearer than what they show.
  void triangle(const ScreenPoint (&p)[3], const float (&value)[3], double shade) {
    const double area = edge(p[0], p[1], p[2].x, p[2].y);
    if (area == 0.0 || !std::isfinite(area)) return;
    // The bounding box is clamped in double before it becomes pixel numbers, so far-away
    // points cannot overflow an int.
    const int x0 = clamp_to(std::min({p[0].x, p[1].x, p[2].x}), box_.left, box_.size);
    const int x1 = clamp_to(std::max({p[0].x, p[1].x, p[2].x}), box_.left, box_.size);
    const int y0 = clamp_to(std::min({p[0].y, p[1].y, p[2].y}), box_.top, box_.size);
    const int y1 = clamp_to(std::max({p[0].y, p[1].y, p[2].y}), box_.top, box_.size);
    for (int y = y0; y <= y1; ++y) {
      const double cy = y + 0.5;
      for (int x = x0; x <= x1; ++x) {
        const double cx = x + 0.5;
        // Barycentric weights; dividing by the signed area makes them positive inside whichever
        // way the triangle winds on screen.
        const double w0 = edge(p[1], p[2], cx, cy) / area;
        const double w1 = edge(p[2], p[0], cx, cy) / area;
        const double w2 = 1.0 - w0 - w1;
        if (w0 < 0.0 || w1 < 0.0 || w2 < 0.0) continue;
        const double depth = w0 * p[0].depth + w1 * p[1].depth + w2 * p[2].depth;
        double& nearest = depth_[static_cast<std::size_t>(y - box_.top) * box_.size +
                                 static_cast<std::size_t>(x - box_.left)];
        if (!(depth > nearest)) continue;
        nearest = depth;
        const double v = w0 * value[0] + w1 * value[1] + w2 * value[2];
        image_.set(x, y, shaded(colour_of(v, range_), shade));
      }
    }
  }

 private:
  static Rgb8 shaded(Rgb8 colour, double shade) {
    const auto channel = [shade](std::uint8_t c) {
      return static_cast<std::uint8_t>(std::lround(c * shade));
    };
    return Rgb8{channel(colour.r), channel(colour.g), channel(colour.b)};
  }

  const ViewBox& box_;
  const ValueRange& range_;
  RgbImage& image_;
  std::vector<double> depth_;  // per pixel of the box, row by row
};

}  // namespace

ScreenPoint project(const ViewBox& box, const Vec3f& point) {
  const Axes axes = axes_of(box.direction);
  const double pixels_per_unit = box.size * kViewFill;
  const double centre_x = box.left + box.size * 0.5;
  const double centre_y = box.top + box.size * 0.5;
  // Image rows grow downward, so "up" subtracts.
  return ScreenPoint{centre_x + dot(axes.right, point) * pixels_per_unit,
                     centre_y - dot(axes.up, point) * pixels_per_unit,
                     dot(axes.toward_viewer, point)};
}

double facet_shade(double cosine) {
  return kAmbientShade + kDirectShade * std::fabs(cosine);
}

void render_view(const ScalarSurface& surface, const ValueRange& range, const ViewBox& box,
                 RgbImage& image) {
  if (box.size <= 0) return;
  const Vec3f toward = axes_of(box.direction).toward_viewer;
  ViewRaster raster(box, range, image);
  for (const Polygon& polygon : surface.polygons) {
    if (polygon.size() < 3) continue;
    const double shade = facet_shade(facing_cosine(surface, polygon, toward));
    for (std::size_t k = 1; k + 1 < polygon.size(); ++k) {
      const std::uint32_t corner[3] = {polygon[0], polygon[k], polygon[k + 1]};
      ScreenPoint p[3];
      float value[3];
      for (int i = 0; i < 3; ++i) {
        p[i] = project(box, surface.points[corner[i]]);
        value[i] = surface.values[corner[i]];
      }
      raster.triangle(p, value, shade);
    }
  }
}

}  // namespace meshprobe
