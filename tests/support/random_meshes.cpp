#include "tests/support/random_meshes.h"

#include <cstdio>
#include <memory>

#include "tests/support/shapes.h"

namespace meshprobe::testing {

namespace {

float uniform(std::mt19937& random, float low, float high) {
  return std::uniform_real_distribution<float>(low, high)(random);
}

std::size_t pick(std::mt19937& random, std::size_t count) {
  return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
}

// %.9g keeps every single-precision value exactly.
std::string coordinates(const Vec3f& p) {
  char text[96];
  std::snprintf(text, sizeof text, "%.9g %.9g %.9g", static_cast<double>(p.x),
                static_cast<double>(p.y), static_cast<double>(p.z));
  return text;
}

}  // namespace

PolygonSoup perturbed_grid(std::mt19937& random, int columns, int rows, bool mixed_polygons) {
  PolygonSoup soup;
  for (int j = 0; j <= rows; ++j) {
    for (int i = 0; i <= columns; ++i) {
      soup.points.push_back({i + uniform(random, -0.3f, 0.3f), j + uniform(random, -0.3f, 0.3f),
                             uniform(random, -0.4f, 0.4f)});
    }
  }
  const auto at = [columns](int i, int j) {
    return static_cast<std::uint32_t>(j * (columns + 1) + i);
  };
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < columns; ++i) {
      if (mixed_polygons && random() % 3 == 0) {
        soup.polygons.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
      } else {
        soup.polygons.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
        soup.polygons.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
      }
    }
  }
  return soup;
}

PolygonSoup perturbed_icosphere(std::mt19937& random, int levels) {
  const std::unique_ptr<Mesh> sphere = icosphere(levels, 1.0f);
  PolygonSoup soup;
  soup.points = points_of(*sphere);
  for (Vec3f& p : soup.points) {
    const float scale = 1.0f + uniform(random, -0.05f, 0.05f);
    p = {p.x * scale, p.y * scale, p.z * scale};
  }
  // The facets as the builder linked them, read back in facet order.
  std::vector<const void*> vertex_address;
  for (auto v = sphere->vertices_begin(); v != sphere->vertices_end(); ++v)
    vertex_address.push_back(&*v);
  for (auto f = sphere->facets_begin(); f != sphere->facets_end(); ++f) {
    Polygon polygon;
    auto h = f->halfedge();
    do {
      const void* address = &*h->vertex();
      for (std::size_t k = 0; k < vertex_address.size(); ++k) {
        if (vertex_address[k] == address) polygon.push_back(static_cast<std::uint32_t>(k));
      }
      h = h->next();
    } while (h != f->halfedge());
    soup.polygons.push_back(polygon);
  }
  return soup;
}

PolygonSoup with_flaws(std::mt19937& random, PolygonSoup soup, const Flaws& flaws) {
  const PolygonSoup shape = soup;
  for (int c = 1; c < flaws.components; ++c) {
    const auto offset = static_cast<std::uint32_t>(soup.points.size());
    const float scale = uniform(random, 0.2f, 2.0f);
    const Vec3f shift{uniform(random, -5, 5), uniform(random, -5, 5), uniform(random, -5, 5)};
    for (const Vec3f& p : shape.points)
      soup.points.push_back({p.x * scale + shift.x, p.y * scale + shift.y, p.z * scale + shift.z});
    for (Polygon polygon : shape.polygons) {
      for (std::uint32_t& corner : polygon)
        corner += offset;
      soup.polygons.push_back(polygon);
    }
  }
  for (int k = 0; k < flaws.coincident; ++k) {
    // Onto another corner of one of its facets: that edge gets length 0.
    const Polygon& polygon = soup.polygons[pick(random, soup.polygons.size())];
    soup.points[polygon[0]] = soup.points[polygon[1]];
  }
  for (int k = 0; k < flaws.slivers; ++k) {
    // Onto the middle of the opposite side, give or take a millionth: a needle-thin facet.
    const Polygon& polygon = soup.polygons[pick(random, soup.polygons.size())];
    const Vec3f& a = soup.points[polygon[1]];
    const Vec3f& b = soup.points[polygon[2]];
    const float e = 1e-6f * uniform(random, -1.0f, 1.0f);
    soup.points[polygon[0]] = {(a.x + b.x) / 2 + e, (a.y + b.y) / 2 - e, (a.z + b.z) / 2};
  }
  return soup;
}

std::string to_obj(std::mt19937& random, const PolygonSoup& soup, int isolated) {
  // Each vertex of the soup is written after a random number of isolated ones, so that file
  // positions and soup indices differ.
  std::string text = "# generated\n";
  std::vector<std::size_t> file_index(soup.points.size());
  std::size_t written = 0;
  int isolated_left = isolated;
  for (std::size_t k = 0; k < soup.points.size(); ++k) {
    while (isolated_left > 0 && random() % 4 == 0) {
      text += "v " + coordinates({uniform(random, -1, 1), uniform(random, -1, 1), 0.5f}) + "\n";
      ++written;
      --isolated_left;
    }
    text += "v " + coordinates(soup.points[k]) + "\n";
    file_index[k] = ++written;
  }
  for (; isolated_left > 0; --isolated_left)
    text += "v " + coordinates({uniform(random, -1, 1), 0.25f, uniform(random, -1, 1)}) + "\n";
  for (const Polygon& polygon : soup.polygons) {
    text += "f";
    for (std::uint32_t corner : polygon)
      text += " " + std::to_string(file_index[corner]);
    text += "\n";
  }
  return text;
}

std::string to_off(const PolygonSoup& soup) {
  std::string text = "OFF\n" + std::to_string(soup.points.size()) + " " +
                     std::to_string(soup.polygons.size()) + " 0\n";
  for (const Vec3f& p : soup.points)
    text += coordinates(p) + "\n";
  for (const Polygon& polygon : soup.polygons) {
    text += std::to_string(polygon.size());
    for (std::uint32_t corner : polygon)
      text += " " + std::to_string(corner);
    text += "\n";
  }
  return text;
}

PolygonSoup with_fins(PolygonSoup soup, int fins) {
  const std::size_t facets = soup.polygons.size();
  for (int k = 0; k < fins; ++k) {
    const Polygon& facet = soup.polygons[(facets / 2 + 37 * k) % facets];
    const Vec3f& a = soup.points[facet[0]];
    const Vec3f& b = soup.points[facet[1]];
    soup.points.push_back(Vec3f{(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2 + 0.3f});
    soup.polygons.push_back(
        {facet[0], facet[1], static_cast<std::uint32_t>(soup.points.size() - 1)});
  }
  return soup;
}

}  // namespace meshprobe::testing
