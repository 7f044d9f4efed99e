// Fuzzes a tiled run (TileRun) as a scheduler of tiles drives it, with a courier that mixes results
// up. The first byte picks the tile count (its three low bits: 2 to 9) and the mix-up (its five
// high bits); the rest is an input as read_fuzzer takes it (ending byte, then the file). The plan
// runs its tiles through connect_tile and measure_tile for a number of accepted results the mix-up
// picks, then is handed one result that is not the awaited one: another tile's, an earlier cut's
// or an earlier stage's, another plan's of the same file, or the awaited one with a vertex count
// that is not the tile's. The plan must refuse it and fail, and finish() must not report ok. When
// the run ends before the mix-up, every value must be the whole mesh's, bit for bit.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "input_file.h"
#include "measure/measurement.h"
#include "measure/tile_run.h"

namespace {

using meshprobe::fuzzing::fail;

// Small meshes only: each tile is built twice, and many tiles of many vertices would spend the
// fuzzer's time on arithmetic rather than on the plan's paths.
constexpr std::size_t kLargestMesh = 200;
constexpr std::size_t kFewestTiles = 2;
constexpr float kEpsilon = 0.02f;

enum class MixUp { kOtherTile, kEarlierResult, kOtherPlan, kVertexCount, kCount };

struct Courier {
  meshprobe::TileRun plan;
  meshprobe::TileRun other;  // the same file, planned again: its results carry its own identity
  std::vector<meshprobe::TileConnections> connected;  // every result handed over so far
  std::vector<meshprobe::TileMeasurement> measured;
};

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

meshprobe::TileMeasurement measure(meshprobe::TileRun& plan, std::size_t t) {
  return meshprobe::measure_tile(plan.tile(t), {{"0.02", kEpsilon}}, true);
}

// A result for tile t of the current stage that is not the awaited one, or false when the mix-up
// has none to give (no other tile, no earlier result, the other plan not at this stage).
template <class Result>
bool wrong_result(Courier& c, std::size_t t, MixUp mix_up, std::vector<Result>& earlier,
                  Result& wrong, Result (*make)(meshprobe::TileRun&, std::size_t)) {
  switch (mix_up) {
    case MixUp::kOtherTile:
      for (std::size_t other = 0; other < c.plan.tile_count(); ++other) {
        if (other == t) continue;
        wrong = make(c.plan, other);
        return true;
      }
      return false;
    case MixUp::kEarlierResult:
      for (Result& result : earlier) {
        if (result.key.tile != t) continue;
        wrong = std::move(result);
        return true;
      }
      return false;
    case MixUp::kOtherPlan:
      if (c.other.stage() != c.plan.stage() || t >= c.other.tile_count()) return false;
      wrong = make(c.other, t);
      return true;
    case MixUp::kVertexCount:
    case MixUp::kCount:
      wrong = make(c.plan, t);
      ++wrong.key.vertices;
      return true;
  }
  return false;
}

meshprobe::TileConnections connect(meshprobe::TileRun& plan, std::size_t t) {
  return meshprobe::connect_tile(plan.tile(t));
}

// Connects every tile of `plan` and smooths: the plan is then at the measuring stage.
void connect_all(meshprobe::TileRun& plan) {
  while (plan.ok() && plan.stage() == meshprobe::TileRun::Stage::kConnecting) {
    for (const std::size_t t : plan.tiles_to_do()) {
      if (plan.accept(t, connect(plan, t)) == meshprobe::TileRun::Verdict::kAllAgain) break;
    }
  }
  plan.smooth();
}

// Hands over the awaited results until `steps` were accepted, then a wrong one. True when the
// wrong one was handed over (and refused); false when the stage ended first.
template <class Result>
bool run_stage(Courier& c, std::size_t& steps, MixUp mix_up, std::vector<Result>& earlier,
               Result (*make)(meshprobe::TileRun&, std::size_t)) {
  using meshprobe::TileRun;
  const TileRun::Stage stage = c.plan.stage();
  while (c.plan.ok() && c.plan.stage() == stage && !c.plan.tiles_to_do().empty()) {
    const std::size_t t = c.plan.tiles_to_do().front();
    if (steps == 0) {
      Result wrong;
      if (!wrong_result(c, t, mix_up, earlier, wrong, make)) {
        steps = SIZE_MAX;  // nothing to mix up here: the run goes on to its end
        continue;
      }
      if (c.plan.accept(t, std::move(wrong)) != TileRun::Verdict::kFailed || c.plan.ok())
        fail("the plan took a result that was not the awaited one");
      return true;
    }
    Result result = make(c.plan, t);
    Result kept = result;
    const TileRun::Verdict verdict = c.plan.accept(t, std::move(result));
    earlier.push_back(std::move(kept));
    if (verdict == TileRun::Verdict::kFailed) return false;
    if (verdict == TileRun::Verdict::kAccepted) --steps;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace meshprobe;
  if (size < 2) return 0;
  const fuzzing::InputFile file(data + 1, size - 1);
  MeasureOptions options;
  options.epsilons = {{"0.02", kEpsilon}};
  options.keep_fields = true;
  const MeshMeasurement whole = measure_mesh_file(file.path(), options);
  if (!whole.status.ok || whole.positions.size() > kLargestMesh) return 0;

  options.tiles = kFewestTiles + (data[0] & 7);
  options.every_tile_asked = true;  // small meshes in several tiles, not merged into one
  Courier c{TileRun::of_file(file.path(), options), TileRun::of_file(file.path(), options), {}, {}};
  if (!c.plan.ok() || !c.other.ok()) fail("the plan refuses a file the whole mesh measures");
  const auto mix_up = static_cast<MixUp>((data[0] >> 3) % static_cast<int>(MixUp::kCount));
  std::size_t steps = (data[0] >> 3) / static_cast<int>(MixUp::kCount);
  bool mixed = run_stage<TileConnections>(c, steps, mix_up, c.connected, connect);
  if (!mixed && c.plan.ok()) {
    // The other plan goes as far, so that its results are of the same stage.
    connect_all(c.other);
    c.plan.smooth();
    mixed = run_stage<TileMeasurement>(c, steps, mix_up, c.measured, measure);
  }
  const MeshMeasurement tiled = c.plan.finish();
  if (mixed) {
    if (tiled.status.ok) fail("a plan that refused a result finished ok");
    return 0;
  }
  if (!tiled.status.ok) fail("the plan failed on the awaited results");
  if (!same_bits(tiled.epsilons[0].roughness, whole.epsilons[0].roughness))
    fail("tiles give other values than the whole mesh");
  return 0;
}
