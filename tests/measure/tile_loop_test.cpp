// The one loop over a tile plan's stages, driven by handlers that work as a cluster does: several
// tiles in flight, results coming back in another order, tiles dropped when the plan starts a
// stage over. Every vertex must still get the whole mesh's bits, and a result the plan refuses
// must end the loop with the plan's reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "measure/measurement.h"
#include "measure/tile_loop.h"
#include "measure/tile_run.h"
#include "tests/support/random_meshes.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

using testing::PolygonSoup;

enum class Order { kFirstSent, kLastSent };

// Holds up to `room` tiles and works on one only when its result is asked for, in `order`; with
// `mislabel`, the n-th result is handed back as another tile's.
class HeldTiles : public TileHandler {
 public:
  HeldTiles(std::size_t room, Order order, const MeasureOptions& options, int mislabel)
      : room_(room), order_(order), options_(options), mislabel_(mislabel) {}

  std::size_t room() override { return room_ - held_.size(); }
  void send(TileRun::Stage, std::size_t t, TileLists&& tile) override {
    held_.push_back(Held{t, std::move(tile)});
    ++sent;
  }
  bool busy() override { return !held_.empty(); }
  std::size_t next_connections(TileConnections& result) override {
    Held h = take();
    result = connect_tile(h.tile);
    return label(h.t);
  }
  std::size_t next_measurement(TileMeasurement& result) override {
    Held h = take();
    result = measure_tile(h.tile, options_.epsilons, options_.keep_fields);
    return label(h.t);
  }
  void cancel() override {
    held_.clear();
    ++cancels;
  }

  std::size_t sent = 0;
  std::size_t cancels = 0;
  std::size_t most_held = 0;

 private:
  struct Held {
    std::size_t t;
    TileLists tile;
  };

  Held take() {
    most_held = std::max(most_held, held_.size());
    Held h = order_ == Order::kFirstSent ? std::move(held_.front()) : std::move(held_.back());
    if (order_ == Order::kFirstSent) {
      held_.pop_front();
    } else {
      held_.pop_back();
    }
    return h;
  }
  std::size_t label(std::size_t t) { return --mislabel_ == 0 ? t + 1 : t; }

  std::size_t room_;
  Order order_;
  MeasureOptions options_;
  int mislabel_;
  std::deque<Held> held_;
};

struct LoopCase {
  const char* name;
  int fins;  // facets the surface cannot hold: the plan starts the connecting stage over
  std::size_t tiles;
  std::size_t room;
  Order order;
  int mislabel;  // 0: none; n: the n-th result comes back under the next tile's number
};

// A grid with a third facet on `fins` of its edges.
PolygonSoup grid_with_fins(int fins) {
  std::mt19937 random(20261210);
  return testing::with_fins(testing::perturbed_grid(random, 36, 30, true), fins);
}

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

class TileLoop : public ::testing::TestWithParam<LoopCase> {};

TEST_P(TileLoop, GivesTheWholeMeshsValuesWhateverTheHandler) {
  const LoopCase& c = GetParam();
  const std::string path = testing::scratch_folder("tile_loop") + "/" + c.name + ".off";
  testing::write_file(path, testing::to_off(grid_with_fins(c.fins)));
  MeasureOptions options;
  options.epsilons = {Epsilon{"0.01", 0.01f}, Epsilon{"0.03", 0.03f}};
  options.keep_fields = true;
  const MeshMeasurement whole = measure_mesh_file(path, options);
  ASSERT_TRUE(whole.status.ok) << whole.status.error;
  options.tiles = c.tiles;
  options.every_tile_asked = true;
  TileRun plan = TileRun::of_file(path, options);
  ASSERT_TRUE(plan.ok());
  HeldTiles handler(c.room, c.order, options, c.mislabel);
  std::vector<std::string> stages;
  TileRunProgress progress;
  progress.stages = [&](const char* stage, double) {
    if (stages.empty() || stages.back() != stage) stages.push_back(stage);
  };
  const bool ran = run_tile_stages(plan, handler, progress);
  const MeshMeasurement tiled = plan.finish();
  if (c.mislabel > 0) {
    EXPECT_FALSE(ran);
    EXPECT_FALSE(tiled.status.ok);
    EXPECT_NE(tiled.status.error.find("the result is of tile"), std::string::npos)
        << tiled.status.error;
    return;
  }
  ASSERT_TRUE(ran) << tiled.status.error;
  ASSERT_TRUE(tiled.status.ok) << tiled.status.error;
  EXPECT_EQ(tiled.status.facets_left_out, whole.status.facets_left_out);
  ASSERT_EQ(tiled.epsilons.size(), 2u);
  for (std::size_t e = 0; e < 2; ++e)
    EXPECT_TRUE(same_bits(whole.epsilons[e].roughness, tiled.epsilons[e].roughness)) << e;
  EXPECT_EQ(stages, (std::vector<std::string>{"connecting", "smoothing", "measuring"}));
  // Each tile at least once per stage, and as many in flight as the handler takes.
  EXPECT_GE(handler.sent, 2 * plan.tile_count());
  EXPECT_EQ(handler.most_held, std::min(c.room, plan.tile_count()));
  // A mesh that leaves facets out is decided whole once, which starts the stage over.
  EXPECT_EQ(handler.cancels, c.fins > 0 ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, TileLoop,
    ::testing::Values(LoopCase{"one_at_a_time", 0, 4, 1, Order::kFirstSent, 0},
                      LoopCase{"three_last_first", 0, 6, 3, Order::kLastSent, 0},
                      LoopCase{"all_in_flight", 0, 5, 64, Order::kLastSent, 0},
                      LoopCase{"facets_left_out_one", 4, 4, 1, Order::kFirstSent, 0},
                      LoopCase{"facets_left_out_all", 4, 5, 64, Order::kLastSent, 0},
                      LoopCase{"mislabelled_connection", 0, 4, 2, Order::kFirstSent, 1},
                      LoopCase{"mislabelled_measurement", 0, 4, 2, Order::kLastSent, 6}),
    [](const ::testing::TestParamInfo<LoopCase>& loop_case) {
      return std::string(loop_case.param.name);
    });

}  // namespace
}  // namespace meshprobe
