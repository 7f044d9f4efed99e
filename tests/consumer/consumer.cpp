// consumer MESH EPSILONS LENGTH OUT: measures MESH at the comma-separated EPSILONS (LENGTH 0: the
// largest side) and writes OUT_<k>.lb, the value file of the k-th epsilon, as the command line
// writes it. Then measures a small grid given as arrays, with an unused point, and checks that
// the arrays give what the grid's OBJ file gives, fields included. Status 1 with the error on
// failure.
#include <meshprobe/meshprobe.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int fail(const std::string& why) {
  std::fprintf(stderr, "%s\n", why.c_str());
  return 1;
}

bool same(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i])))) return false;
  }
  return true;
}

int check_arrays(const std::string& folder, const meshprobe::Options& options) {
  // A bumpy 12 x 12 grid of points and one point that no facet uses, at the end.
  std::vector<std::array<float, 3>> points;
  std::vector<std::vector<std::uint32_t>> facets;
  constexpr int kSide = 12;
  for (int j = 0; j < kSide; ++j) {
    for (int i = 0; i < kSide; ++i)
      points.push_back({i * 0.1f, j * 0.1f, 0.02f * static_cast<float>((i * 7 + j * 3) % 5)});
  }
  for (int j = 0; j + 1 < kSide; ++j) {
    for (int i = 0; i + 1 < kSide; ++i) {
      const auto v = static_cast<std::uint32_t>(j * kSide + i);
      facets.push_back({v, v + 1, v + kSide + 1});
      facets.push_back({v, v + kSide + 1, v + kSide});
    }
  }
  points.push_back({5.0f, 5.0f, 5.0f});
  const std::string obj = folder + "/grid.obj";
  std::FILE* file = std::fopen(obj.c_str(), "w");
  if (file == nullptr) return fail("cannot write " + obj);
  for (const auto& p : points)
    std::fprintf(file, "v %.9g %.9g %.9g\n", p[0], p[1], p[2]);
  for (const auto& f : facets)
    std::fprintf(file, "f %u %u %u\n", f[0] + 1, f[1] + 1, f[2] + 1);
  std::fclose(file);

  const meshprobe::Result from_arrays = meshprobe::measure(points, facets, options);
  const meshprobe::Result from_file = meshprobe::measure_file(obj, options);
  if (!from_arrays.ok()) return fail("arrays: " + from_arrays.error);
  if (!from_file.ok()) return fail("grid.obj: " + from_file.error);
  if (from_arrays.vertices_measured != points.size() - 1) return fail("arrays: measured count");
  for (std::size_t e = 0; e < options.epsilons.size(); ++e) {
    const meshprobe::EpsilonResult& a = from_arrays.epsilons[e];
    if (!same(a.roughness, from_file.epsilons[e].roughness) ||
        !same(a.values, from_file.epsilons[e].values)) {
      return fail("arrays and grid.obj differ");
    }
    if (!std::isnan(a.roughness.back())) return fail("the unused point is not NaN");
    const auto column = a.fields.find("roughness");
    if (column == a.fields.end() || column->second.size() != points.size() ||
        static_cast<float>(column->second[5]) != a.roughness[5] || a.fields.count("kmax") != 1) {
      return fail("the fields do not hold the roughness");
    }
  }
  meshprobe::Options tiled = options;
  tiled.tiles = 3;
  const meshprobe::Result in_tiles = meshprobe::measure(points, facets, tiled);
  for (std::size_t e = 0; e < options.epsilons.size(); ++e) {
    if (!in_tiles.ok() || !same(in_tiles.epsilons[e].roughness, from_arrays.epsilons[e].roughness))
      return fail("tiles change the values");
  }
  meshprobe::Options bad = options;
  bad.epsilons = {0.0f};
  if (meshprobe::measure(points, facets, bad).ok()) return fail("epsilon 0 was measured");
  bad = options;
  bad.tiles = 0;
  if (meshprobe::measure(points, facets, bad).ok()) return fail("0 tiles were measured");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  meshprobe::Options options;
  for (char* item = std::strtok(argv[2], ","); item != nullptr; item = std::strtok(nullptr, ","))
    options.epsilons.push_back(std::strtof(item, nullptr));
  options.length = std::strtof(argv[3], nullptr);
  options.fields = true;
  const meshprobe::Result result = meshprobe::measure_file(argv[1], options);
  if (!result.ok()) return fail(result.error);
  for (std::size_t e = 0; e < result.epsilons.size(); ++e) {
    const std::string path = std::string(argv[4]) + "_" + std::to_string(e) + ".lb";
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (out == nullptr) return fail("cannot write " + path);
    for (const float value : result.epsilons[e].values)
      std::fprintf(out, "%f \n", static_cast<double>(value));
    std::fclose(out);
  }
  const std::string out = argv[4];
  return check_arrays(out.substr(0, out.rfind('/')), options);
}
