#include "tests/support/shapes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

namespace meshprobe::testing {

std::unique_ptr<Mesh> make_mesh(const std::vector<Vec3f>& points,
                                const std::vector<Polygon>& polygons) {
  auto mesh = std::make_unique<Mesh>();
  EXPECT_TRUE(build_from_polygons(*mesh, points, polygons));
  return mesh;
}

std::unique_ptr<Mesh> regular_tetrahedron() {
  return make_mesh({{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}},
                   {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}});
}

std::unique_ptr<Mesh> flat_grid(int columns, int rows, float spacing) {
  std::vector<Vec3f> points;
  for (int j = 0; j <= rows; ++j) {
    for (int i = 0; i <= columns; ++i)
      points.push_back({i * spacing, j * spacing, 0.0f});
  }
  std::vector<Polygon> polygons;
  const auto at = [columns](int i, int j) {
    return static_cast<std::uint32_t>(j * (columns + 1) + i);
  };
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < columns; ++i) {
      polygons.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
      polygons.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
    }
  }
  return make_mesh(points, polygons);
}

std::unique_ptr<Mesh> cube() {
  return make_mesh(
      {{-1, -1, -1},
       {1, -1, -1},
       {1, 1, -1},
       {-1, 1, -1},
       {-1, -1, 1},
       {1, -1, 1},
       {1, 1, 1},
       {-1, 1, 1}},
      {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}});
}

namespace {

Vec3f on_sphere(double x, double y, double z, float radius) {
  const double length = std::sqrt(x * x + y * y + z * z);
  return {static_cast<float>(x / length * radius), static_cast<float>(y / length * radius),
          static_cast<float>(z / length * radius)};
}

}  // namespace

std::unique_ptr<Mesh> icosphere(int levels, float radius) {
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
  return make_mesh(points, faces);
}

std::unique_ptr<Mesh> open_cylinder(int segments, int rings, float radius, float height) {
  const double pi = std::acos(-1.0);
  std::vector<Vec3f> points;
  for (int j = 0; j < rings; ++j) {
    for (int i = 0; i < segments; ++i) {
      const double angle = 2 * pi * i / segments;
      points.push_back({static_cast<float>(radius * std::cos(angle)),
                        static_cast<float>(radius * std::sin(angle)),
                        static_cast<float>(height * j / (rings - 1))});
    }
  }
  std::vector<Polygon> polygons;
  const auto at = [segments](int i, int j) {
    return static_cast<std::uint32_t>(j * segments + (i % segments));
  };
  for (int j = 0; j + 1 < rings; ++j) {
    for (int i = 0; i < segments; ++i) {
      polygons.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
      polygons.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
    }
  }
  return make_mesh(points, polygons);
}

std::vector<Vec3f> points_of(const Mesh& mesh) {
  std::vector<Vec3f> points;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    points.push_back(to_vec3f(v->point()));
  }
  return points;
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out.good()) << path;
  out << text;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

namespace {

// Removes the scratch folders of this process when the test program ends.
struct ScratchFolders {
  std::vector<std::filesystem::path> made;
  ~ScratchFolders() {
    std::error_code ignored;
    for (const auto& folder : made) std::filesystem::remove_all(folder, ignored);
  }
};

}  // namespace

std::string scratch_folder(const std::string& name) {
  static ScratchFolders folders;
  // The process id keeps folders of test runs from different checkouts apart.
  const auto folder = std::filesystem::temp_directory_path() /
                      ("meshprobe-tests-" + std::to_string(getpid()) + "-" + name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  folders.made.push_back(folder);
  return folder.string();
}

}  // namespace meshprobe::testing
