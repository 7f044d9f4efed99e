#include "tests/support/sphere_lists.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <utility>

namespace meshprobe::testing {

namespace {

Vec3f on_sphere(double x, double y, double z, float radius) {
  const double length = std::sqrt(x * x + y * y + z * z);
  return {static_cast<float>(x / length * radius), static_cast<float>(y / length * radius),
          static_cast<float>(z / length * radius)};
}

}  // namespace

PolygonLists icosphere_lists(int levels, float radius) {
  const double t = (1.0 + std::sqrt(5.0)) / 2.0;
  std::vector<std::array<double, 3>> corners = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                                                {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                                                {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
  std::vector<Polygon> faces = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
  for (auto& c : corners) {
    const double length = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    for (double& x : c)
      x /= length;
  }
  for (int level = 0; level < levels; ++level) {
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> midpoints;
    const auto midpoint = [&](std::uint32_t a, std::uint32_t b) {
      const auto key = std::minmax(a, b);
      const auto found = midpoints.find(key);
      if (found != midpoints.end()) return found->second;
      std::array<double, 3> m;
      double length = 0;
      for (int k = 0; k < 3; ++k) {
        m[k] = (corners[a][k] + corners[b][k]) / 2;
        length += m[k] * m[k];
      }
      for (double& x : m)
        x /= std::sqrt(length);
      corners.push_back(m);
      const auto index = static_cast<std::uint32_t>(corners.size() - 1);
      midpoints.emplace(key, index);
      return index;
    };
    std::vector<Polygon> finer;
    for (const Polygon& f : faces) {
      const std::uint32_t ab = midpoint(f[0], f[1]);
      const std::uint32_t bc = midpoint(f[1], f[2]);
      const std::uint32_t ca = midpoint(f[2], f[0]);
      finer.push_back({f[0], ab, ca});
      finer.push_back({f[1], bc, ab});
      finer.push_back({f[2], ca, bc});
      finer.push_back({ab, bc, ca});
    }
    faces = std::move(finer);
  }
  std::vector<Vec3f> points;
  for (const auto& c : corners)
    points.push_back(on_sphere(c[0], c[1], c[2], radius));
  return {std::move(points), std::move(faces)};
}

}  // namespace meshprobe::testing
