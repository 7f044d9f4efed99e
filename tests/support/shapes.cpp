#include "tests/support/shapes.h"

#include "tests/support/sphere_lists.h"

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

std::unique_ptr<Mesh> icosphere(int levels, float radius) {
  const PolygonLists lists = icosphere_lists(levels, radius);
  return make_mesh(lists.points, lists.polygons);
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
    for (const auto& folder : made)
      std::filesystem::remove_all(folder, ignored);
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

std::map<std::string, std::string> folder_contents(const std::string& folder) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    files[name] = entry.is_directory()       ? "(folder)"
                  : !entry.is_regular_file() ? "(special)"
                                             : read_file(entry.path().string());
  }
  return files;
}

}  // namespace meshprobe::testing
