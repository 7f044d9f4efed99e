// A mesh measured in tiles gives every vertex, field and statistic bit for bit what the whole
// mesh's run gives, whatever the tiling: through measure_mesh_file and measure_mesh_lists as the
// programs call them, on meshes with borders, facets left out, vertices no facet uses, several
// epsilons and a given length, with tiles far smaller than their halo (or merged, as the plan
// merges such tiles unless asked to keep them) and more tiles than vertices. And the plan refuses
// results that do not fit the tile they claim to be for, or are not the ones it awaits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "measure/rules.h"
#include "measure/tile_loop.h"
#include "measure/tile_run.h"
#include "tests/support/ply_text.h"
#include "tests/support/random_meshes.h"
#include "tests/support/shapes.h"
#include "tests/support/stl_text.h"

namespace meshprobe {
namespace {

using testing::Flaws;
using testing::PolygonSoup;

// The same bits, or both not a number (a NaN's payload is not a result).
template <class T>
bool same(const T& a, const T& b) {
  if constexpr (std::is_floating_point_v<T>) {
    if (std::isnan(a) && std::isnan(b)) return true;
  }
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

template <class T>
void expect_same(const std::vector<T>& whole, const std::vector<T>& tiled, const char* what) {
  ASSERT_EQ(whole.size(), tiled.size()) << what;
  for (std::size_t i = 0; i < whole.size(); ++i)
    ASSERT_TRUE(same(whole[i], tiled[i])) << what << " differs at vertex " << i;
}

void expect_same(const std::vector<Vec3f>& whole, const std::vector<Vec3f>& tiled,
                 const char* what) {
  ASSERT_EQ(whole.size(), tiled.size()) << what;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    ASSERT_TRUE(same(whole[i].x, tiled[i].x) && same(whole[i].y, tiled[i].y) &&
                same(whole[i].z, tiled[i].z))
        << what << " differs at vertex " << i;
  }
}

void expect_same_measurement(const MeshMeasurement& whole, const MeshMeasurement& tiled) {
  ASSERT_TRUE(whole.status.ok) << whole.status.error;
  ASSERT_TRUE(tiled.status.ok) << tiled.status.error;
  EXPECT_EQ(whole.status.facets_left_out, tiled.status.facets_left_out);
  EXPECT_EQ(whole.status.first_left_out, tiled.status.first_left_out);
  EXPECT_EQ(whole.status.first_left_out_line, tiled.status.first_left_out_line);
  EXPECT_EQ(whole.vertices_measured, tiled.vertices_measured);
  EXPECT_EQ(whole.measured, tiled.measured);
  EXPECT_EQ(whole.mesh_vertex, tiled.mesh_vertex);
  EXPECT_TRUE(same(whole.length, tiled.length));
  expect_same(whole.positions, tiled.positions, "positions");
  expect_same(whole.kmin, tiled.kmin, "kmin");
  expect_same(whole.kmax, tiled.kmax, "kmax");
  EXPECT_EQ(whole.surface_polygons, tiled.surface_polygons);
  ASSERT_EQ(whole.epsilons.size(), tiled.epsilons.size());
  for (std::size_t e = 0; e < whole.epsilons.size(); ++e) {
    const EpsilonMeasurement& w = whole.epsilons[e];
    const EpsilonMeasurement& t = tiled.epsilons[e];
    expect_same(w.roughness, t.roughness, "roughness");
    expect_same(w.fields.local_curvature, t.fields.local_curvature, "local_curvature");
    expect_same(w.fields.smoothed_positions, t.fields.smoothed_positions, "smoothed_positions");
    expect_same(w.fields.smoothed_kmin, t.fields.smoothed_kmin, "smoothed_kmin");
    expect_same(w.fields.smoothed_kmax, t.fields.smoothed_kmax, "smoothed_kmax");
    expect_same(w.fields.smoothed_local_curvature, t.fields.smoothed_local_curvature,
                "smoothed_local_curvature");
    EXPECT_TRUE(same(w.statistics.mean, t.statistics.mean));
    EXPECT_TRUE(same(w.statistics.p99, t.statistics.p99));
    EXPECT_TRUE(same(w.statistics.zero_share, t.statistics.zero_share));
  }
}

enum class Shape { kGrid, kSphere, kFinnedGrid, kTiny };

struct TileCase {
  const char* name;
  Shape shape;
  const char* ending;  // "obj" keeps the vertices no facet uses; "off" drops them
  int isolated;        // vertices no facet uses (OBJ)
  const char* epsilons;
  float length;  // 0: the largest side
  std::size_t tiles;
  bool fields;
  bool every_tile_asked = true;  // false: the plan merges tiles too small for their margins
};

PolygonSoup soup_of(Shape shape) {
  std::mt19937 random(20261209);
  switch (shape) {
    case Shape::kGrid:
      return testing::perturbed_grid(random, 48, 40, /*mixed_polygons=*/true);
    case Shape::kSphere: {
      Flaws flaws;
      flaws.components = 2;
      flaws.coincident = 3;
      flaws.slivers = 3;
      return testing::with_flaws(random, testing::perturbed_icosphere(random, 3), flaws);
    }
    case Shape::kFinnedGrid:
      return testing::with_fins(testing::perturbed_grid(random, 40, 40, false), 6);
    case Shape::kTiny:
      break;
  }
  return testing::perturbed_grid(random, 2, 1, false);
}

// OBJ keeps the vertices no facet uses; OFF has none; PLY, read in passes, drops them; STL
// has only corners.
std::string file_of(const PolygonSoup& soup, const std::string& ending, int isolated,
                    std::mt19937& random) {
  if (ending == "obj") return testing::to_obj(random, soup, isolated);
  if (ending == "off") return testing::to_off(soup);
  if (ending == "stl") {
    // Each polygon as a fan of triangles; STL merges corners at one position into one vertex.
    std::vector<testing::Triangle> triangles;
    for (const Polygon& polygon : soup.polygons) {
      for (std::size_t k = 2; k < polygon.size(); ++k)
        triangles.push_back(
            {soup.points[polygon[0]], soup.points[polygon[k - 1]], soup.points[polygon[k]]});
    }
    return testing::binary_stl(triangles);
  }
  // A vertex no facet names before every other one of the first, far outside the rest.
  std::vector<Vec3f> points;
  std::vector<std::int64_t> place;
  for (std::size_t v = 0; v < soup.points.size(); ++v) {
    if (v % 2 == 0 && static_cast<int>(v / 2) < isolated)
      points.push_back(Vec3f{-3.0f * static_cast<float>(v), 2.0f, 0.5f});
    place.push_back(static_cast<std::int64_t>(points.size()));
    points.push_back(soup.points[v]);
  }
  std::vector<std::vector<std::int64_t>> faces;
  for (const Polygon& polygon : soup.polygons) {
    faces.emplace_back();
    for (const std::uint32_t v : polygon)
      faces.back().push_back(place[v]);
  }
  return testing::ply_file(testing::PlyEncoding::kLittleEndian, points, faces);
}

void PrintTo(const TileCase& c, std::ostream* os) {
  *os << c.name;
}

class TiledMeasurement : public ::testing::TestWithParam<TileCase> {};

TEST_P(TiledMeasurement, GivesTheWholeMeshsValuesBitForBit) {
  const TileCase& c = GetParam();
  std::mt19937 random(7);
  const PolygonSoup soup = soup_of(c.shape);
  const std::string path = testing::scratch_folder("tiles") + "/" + c.name + "." + c.ending;
  testing::write_file(path, file_of(soup, c.ending, c.isolated, random));
  MeasureOptions options;
  std::string error;
  ASSERT_TRUE(parse_epsilons(c.epsilons, options.epsilons, error)) << error;
  options.length = c.length;
  options.keep_fields = c.fields;
  options.keep_surface = true;
  const MeshMeasurement whole = measure_mesh_file(path, options);
  options.tiles = c.tiles;
  options.every_tile_asked = c.every_tile_asked;
  // One tile goes through the tiled engine too, not the whole mesh's run that --tiles 1 is.
  const MeshMeasurement tiled =
      c.tiles == 1 ? measure_file_in_tiles(path, options) : measure_mesh_file(path, options);
  expect_same_measurement(whole, tiled);
}

INSTANTIATE_TEST_SUITE_P(
    Meshes, TiledMeasurement,
    ::testing::Values(
        TileCase{"one_tile", Shape::kGrid, "off", 0, "0.02", 0.0f, 1, true},
        TileCase{"border", Shape::kGrid, "off", 0, "0.01", 0.0f, 4, false},
        TileCase{"border_fields_epsilons", Shape::kGrid, "obj", 0, "0.005,0.03", 0.0f, 6, true},
        TileCase{"length", Shape::kGrid, "off", 0, "0.01", 3.5f, 5, true},
        TileCase{"unused_vertices", Shape::kGrid, "obj", 7, "0.01", 0.0f, 3, true},
        TileCase{"ply_read_in_passes", Shape::kGrid, "ply", 0, "0.01", 0.0f, 5, true},
        TileCase{"ply_unused_vertices", Shape::kSphere, "ply", 4, "0.02", 0.0f, 3, false},
        TileCase{"stl_merged_corners", Shape::kSphere, "stl", 0, "0.02", 0.0f, 4, true},
        TileCase{"stl_grid", Shape::kGrid, "stl", 0, "0.01", 0.0f, 6, false},
        TileCase{"closed_flawed", Shape::kSphere, "obj", 2, "0.01,0.02", 0.0f, 7, true},
        TileCase{"facets_left_out", Shape::kFinnedGrid, "off", 0, "0.01", 0.0f, 4, true},
        TileCase{"facets_left_out_obj", Shape::kFinnedGrid, "obj", 3, "0.02", 0.0f, 9, false},
        TileCase{"smaller_than_halo", Shape::kGrid, "off", 0, "0.05", 0.0f, 64, false},
        TileCase{"merged_where_too_small", Shape::kGrid, "obj", 2, "0.05", 0.0f, 64, true, false},
        TileCase{"more_than_vertices", Shape::kTiny, "obj", 1, "0.01", 0.0f, kMaxTiles, true}),
    [](const ::testing::TestParamInfo<TileCase>& tile_case) {
      return std::string(tile_case.param.name);
    });

TEST(TiledMeasurement, ListsGiveTheWholeListsValues) {
  std::mt19937 random(11);
  PolygonSoup soup = testing::with_fins(testing::perturbed_grid(random, 30, 30, true), 2);
  soup.points.push_back(Vec3f{5.0f, 5.0f, 5.0f});  // no facet uses it, yet it widens the box
  FacetList facets;
  for (const Polygon& polygon : soup.polygons) {
    facets.corners.insert(facets.corners.end(), polygon.begin(), polygon.end());
    facets.end_facet();
  }
  MeasureOptions options;
  options.epsilons = {Epsilon{"0.01", 0.01f}};
  options.keep_fields = true;
  const MeshMeasurement whole = measure_mesh_lists(soup.points, facets, options);
  options.tiles = 5;
  expect_same_measurement(whole, measure_mesh_lists(soup.points, facets, options));
}

// The tiles' limit holds for the core's callers too, with the words every front end gives; the
// file is not even read.
TEST(TiledMeasurement, ACountOutsideTheLimitIsRefusedByTheCore) {
  const std::string path = MESHPROBE_DATA_DIR "/bunny.off";
  for (const std::size_t tiles : {std::size_t{0}, kMaxTiles + 1}) {
    MeasureOptions options;
    options.epsilons = {Epsilon{"0.01", 0.01f}};
    options.tiles = tiles;
    const MeshMeasurement m = measure_mesh_file(path, options);
    EXPECT_FALSE(m.status.ok) << tiles;
    EXPECT_EQ(m.status.error,
              "tiles must be a whole number from 1 to 4096, not \"" + std::to_string(tiles) + "\"");
    EXPECT_EQ(m.vertices_in_file, 0u);
    EXPECT_FALSE(measure_mesh_lists({}, FacetList{}, options).status.ok) << tiles;
  }
}

// The scratch files of a tiled run have no name: nothing is left in the folder, even while the
// run goes on. A folder where none can be made refuses the tiled run, not the whole mesh's run,
// and is not taken for a fault of the mesh file.
TEST(TiledMeasurement, ScratchFilesLeaveNothingAndAFolderWithoutRoomIsNamed) {
  std::mt19937 random(13);
  const std::string folder = testing::scratch_folder("tiles_scratch");
  const std::string path = folder + "/grid.off";
  testing::write_file(path, testing::to_off(testing::perturbed_grid(random, 24, 24, true)));
  const std::string scratch = testing::scratch_folder("tiles_scratch_files");
  const auto entries = [&] {
    return std::distance(std::filesystem::directory_iterator(scratch),
                         std::filesystem::directory_iterator());
  };
  const char* before = std::getenv("TMPDIR");
  const std::string kept = before != nullptr ? before : "";
  MeasureOptions options;
  options.epsilons = {Epsilon{"0.01", 0.01f}};
  options.keep_surface = true;
  const MeshMeasurement whole = measure_mesh_file(path, options);
  options.tiles = 3;
  std::ptrdiff_t left = 0;
  std::size_t calls = 0;
  options.progress = [&](const char*, double) {
    ++calls;
    left += entries();
  };
  setenv("TMPDIR", scratch.c_str(), 1);
  const MeshMeasurement tiled = measure_mesh_file(path, options);
  const std::string missing = folder + "/missing";
  setenv("TMPDIR", missing.c_str(), 1);
  const MeshMeasurement refused = measure_mesh_file(path, options);
  options.tiles = 1;
  const MeshMeasurement untiled = measure_mesh_file(path, options);
  if (before != nullptr) {
    setenv("TMPDIR", kept.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
  expect_same_measurement(whole, tiled);
  EXPECT_GT(calls, 0u);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(entries(), 0);
  EXPECT_FALSE(refused.status.ok);
  EXPECT_EQ(refused.status.error,
            "cannot create a scratch file in " + missing + " (No such file or directory)");
  EXPECT_EQ(refused.status.system_error, 0);
  EXPECT_TRUE(refused.read);
  EXPECT_TRUE(untiled.status.ok) << untiled.status.error;
}

// A mesh the whole run refuses, the tiled run refuses in the same words, and as read or not.
struct RefusedMesh {
  const char* name;
  const char* text;  // nullptr: no such file
  float length;
};

void PrintTo(const RefusedMesh& m, std::ostream* os) {
  *os << m.name;
}

class TiledRefusal : public ::testing::TestWithParam<RefusedMesh> {};

TEST_P(TiledRefusal, IsTheWholeRunsRefusal) {
  const RefusedMesh& c = GetParam();
  const std::string path = testing::scratch_folder("tiles") + "/" + c.name + ".off";
  if (c.text != nullptr) testing::write_file(path, c.text);
  MeasureOptions options;
  options.epsilons = {Epsilon{"0.01", 0.01f}};
  options.length = c.length;
  const MeshMeasurement whole = measure_mesh_file(path, options);
  options.tiles = 4;
  const MeshMeasurement tiled = measure_mesh_file(path, options);
  ASSERT_FALSE(whole.status.ok);
  EXPECT_FALSE(tiled.status.ok);
  EXPECT_EQ(tiled.status.error, whole.status.error);
  EXPECT_EQ(tiled.status.system_error, whole.status.system_error);
  EXPECT_EQ(tiled.read, whole.read);
}

INSTANTIATE_TEST_SUITE_P(
    Meshes, TiledRefusal,
    ::testing::Values(
        RefusedMesh{"missing", nullptr, 0.0f}, RefusedMesh{"not_a_mesh", "OFF\n2 1 0\nx\n", 0.0f},
        RefusedMesh{"no_facet", "OFF\n3 0 0\n0 0 0\n1 0 0\n0 1 0\n", 0.0f},
        RefusedMesh{"one_point", "OFF\n3 1 0\n1 1 1\n1 1 1\n1 1 1\n3 0 1 2\n", 0.0f},
        RefusedMesh{"length_too_small", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", 1e-5f},
        RefusedMesh{"length_too_large", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", 1e9f}),
    [](const ::testing::TestParamInfo<RefusedMesh>& mesh) { return std::string(mesh.param.name); });

// A result that does not fit its tile ends the plan with a failure instead of being placed.
struct BrokenResult {
  const char* name;
  void (*breaks)(TileConnections&);
};

void PrintTo(const BrokenResult& r, std::ostream* os) {
  *os << r.name;
}

class TilePlanRefuses : public ::testing::TestWithParam<BrokenResult> {};

// The plan of a 20 x `rows` grid in 2 tiles at epsilon 0.01, read from a file as the programs
// read it.
TileRun plan_of_grid(std::uint32_t seed, bool keep_fields, int rows = 20) {
  std::mt19937 random(seed);
  const std::string path = testing::scratch_folder("tiles") + "/plan.off";
  testing::write_file(path, testing::to_off(testing::perturbed_grid(random, 20, rows, false)));
  MeasureOptions options;
  options.epsilons = {Epsilon{"0.01", 0.01f}};
  options.keep_fields = keep_fields;
  options.tiles = 2;
  return TileRun::of_file(path, options);
}

TEST_P(TilePlanRefuses, ConnectionsThatDoNotFitTheCore) {
  TileRun plan = plan_of_grid(3, false);
  ASSERT_TRUE(plan.ok());
  TileConnections connections = connect_tile(plan.tile(0));
  ASSERT_EQ(connections.incomplete, 0u);
  GetParam().breaks(connections);
  EXPECT_EQ(plan.accept(0, std::move(connections)), TileRun::Verdict::kFailed);
  EXPECT_FALSE(plan.ok());
  // The plan has ended: no tile is handed out again, and no later result is taken.
  EXPECT_EQ(plan.stage(), TileRun::Stage::kDone);
  EXPECT_TRUE(plan.tiles_to_do().empty());
  EXPECT_EQ(plan.accept(1, connect_tile(plan.tile(1))), TileRun::Verdict::kFailed);
}

INSTANTIATE_TEST_SUITE_P(
    Results, TilePlanRefuses,
    ::testing::Values(
        BrokenResult{"too_few_vertices", [](TileConnections& c) { c.first_incoming.pop_back(); }},
        BrokenResult{"source_out_of_range",
                     [](TileConnections& c) { c.source.front() = 0xfffffff0u; }},
        BrokenResult{
            "falling_starts",
            [](TileConnections& c) { std::swap(c.first_incoming[1], c.first_incoming[2]); }},
        BrokenResult{"sources_missing", [](TileConnections& c) { c.source.pop_back(); }}),
    [](const ::testing::TestParamInfo<BrokenResult>& broken) {
      return std::string(broken.param.name);
    });

// Measured values that do not fit the tile's core are refused as connections are.
struct BrokenMeasurement {
  const char* name;
  void (*breaks)(TileMeasurement&);
};

void PrintTo(const BrokenMeasurement& b, std::ostream* os) {
  *os << b.name;
}

class TilePlanRefusesValues : public ::testing::TestWithParam<BrokenMeasurement> {};

TEST_P(TilePlanRefusesValues, ThatDoNotFitTheCore) {
  TileRun plan = plan_of_grid(5, true);
  ASSERT_TRUE(plan.ok());
  for (const std::size_t t : plan.tiles_to_do())
    ASSERT_EQ(plan.accept(t, connect_tile(plan.tile(t))), TileRun::Verdict::kAccepted);
  ASSERT_EQ(plan.stage(), TileRun::Stage::kSmoothing);
  plan.smooth();
  ASSERT_EQ(plan.stage(), TileRun::Stage::kMeasuring);
  TileMeasurement measured =
      measure_tile(plan.tile(1), std::vector<Epsilon>{Epsilon{"0.01", 0.01f}}, true);
  ASSERT_EQ(measured.inexact, 0u);
  GetParam().breaks(measured);
  EXPECT_EQ(plan.accept(1, std::move(measured)), TileRun::Verdict::kFailed);
  EXPECT_FALSE(plan.ok());
  EXPECT_EQ(plan.stage(), TileRun::Stage::kDone);
  EXPECT_TRUE(plan.tiles_to_do().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Results, TilePlanRefusesValues,
    ::testing::Values(
        BrokenMeasurement{"value_missing",
                          [](TileMeasurement& m) { m.epsilons[0].roughness.pop_back(); }},
        BrokenMeasurement{"epsilon_missing", [](TileMeasurement& m) { m.epsilons.clear(); }},
        BrokenMeasurement{"field_missing",
                          [](TileMeasurement& m) { m.epsilons[0].fields.smoothed_kmax.clear(); }},
        BrokenMeasurement{"facets_do_not_fit", [](TileMeasurement& m) { m.facets_fit = false; }}),
    [](const ::testing::TestParamInfo<BrokenMeasurement>& broken) {
      return std::string(broken.param.name);
    });

// A result that would fit the tile's lists but is not the one awaited (another tile's of the same
// size, another plan's of the same file, a key of the stage before, a vertex count that is not
// the tile's) ends the plan: one tile's values are never placed at another's vertices, and
// finish() does not report ok.
enum class MixUp { kOtherTile, kOtherPlan, kEarlierStage, kVertexCount };

struct MixedResult {
  const char* name;
  bool measuring;  // handed over at the measuring stage, else at the connecting stage
  MixUp mix_up;
};

void PrintTo(const MixedResult& r, std::ostream* os) {
  *os << r.name;
}

class TilePlanRefusesMixUps : public ::testing::TestWithParam<MixedResult> {};

void connect_every_tile(TileRun& plan) {
  for (const std::size_t t : plan.tiles_to_do())
    ASSERT_EQ(plan.accept(t, connect_tile(plan.tile(t))), TileRun::Verdict::kAccepted);
  plan.smooth();
  ASSERT_EQ(plan.stage(), TileRun::Stage::kMeasuring);
}

template <class Result>
Result mixed_up(const MixedResult& c, TileRun& plan, TileRun& other, const TileKey& earlier,
                Result (*handle)(TileRun&, std::size_t)) {
  switch (c.mix_up) {
    case MixUp::kOtherTile:
      return handle(plan, 0);
    case MixUp::kOtherPlan:
      return handle(other, 1);
    case MixUp::kEarlierStage: {
      Result result = handle(plan, 1);
      result.key = earlier;
      return result;
    }
    case MixUp::kVertexCount:
      break;
  }
  Result result = handle(plan, 1);
  ++result.key.vertices;
  return result;
}

TileConnections connected(TileRun& plan, std::size_t t) {
  return connect_tile(plan.tile(t));
}

TileMeasurement measured(TileRun& plan, std::size_t t) {
  return measure_tile(plan.tile(t), std::vector<Epsilon>{Epsilon{"0.01", 0.01f}}, false);
}

TEST_P(TilePlanRefusesMixUps, AndFails) {
  const MixedResult& c = GetParam();
  // 21 x 20 vertices: two cores of 210.
  TileRun plan = plan_of_grid(9, false, 19);
  TileRun other = plan_of_grid(9, false, 19);
  ASSERT_TRUE(plan.ok() && other.ok());
  ASSERT_EQ(plan.tile_count(), 2u);
  // The grid's two cores are of one size: only the identity tells their results apart.
  const TileKey connecting = plan.tile(1).key;
  ASSERT_EQ(connect_tile(plan.tile(0)).first_incoming.size(),
            connect_tile(plan.tile(1)).first_incoming.size());
  TileRun::Verdict verdict = TileRun::Verdict::kAccepted;
  if (c.measuring) {
    connect_every_tile(plan);
    connect_every_tile(other);
    verdict = plan.accept(1, mixed_up<TileMeasurement>(c, plan, other, connecting, measured));
  } else {
    verdict = plan.accept(1, mixed_up<TileConnections>(c, plan, other, connecting, connected));
  }
  EXPECT_EQ(verdict, TileRun::Verdict::kFailed);
  EXPECT_FALSE(plan.ok());
  EXPECT_TRUE(plan.tiles_to_do().empty());
  EXPECT_FALSE(plan.finish().status.ok);
}

INSTANTIATE_TEST_SUITE_P(
    Results, TilePlanRefusesMixUps,
    ::testing::Values(MixedResult{"connecting_other_tile", false, MixUp::kOtherTile},
                      MixedResult{"connecting_other_plan", false, MixUp::kOtherPlan},
                      MixedResult{"connecting_vertex_count", false, MixUp::kVertexCount},
                      MixedResult{"measuring_other_tile", true, MixUp::kOtherTile},
                      MixedResult{"measuring_other_plan", true, MixUp::kOtherPlan},
                      MixedResult{"measuring_connecting_key", true, MixUp::kEarlierStage},
                      MixedResult{"measuring_vertex_count", true, MixUp::kVertexCount}),
    [](const ::testing::TestParamInfo<MixedResult>& mixed) {
      return std::string(mixed.param.name);
    });

// A plan finished before every tile is measured does not report ok.
TEST(TilePlanRefusesMixUps, FinishBeforeTheLastTile) {
  TileRun plan = plan_of_grid(9, false);
  ASSERT_TRUE(plan.ok());
  ASSERT_EQ(plan.accept(0, connect_tile(plan.tile(0))), TileRun::Verdict::kAccepted);
  const MeshMeasurement early = plan.finish();
  EXPECT_FALSE(early.status.ok);
  EXPECT_EQ(early.status.error, "the plan was finished before every tile was measured");
}

}  // namespace
}  // namespace meshprobe
