// Benchmarks of reading a mesh file through the one reading entry: into memory and built into a
// surface (as an untiled run reads it), and into a scratch store (as a tiled run reads it). The
// files are the arguments left after Google Benchmark's own; by default the dragon, fetched by
// bench/fetch-dragon.sh.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "io/mesh_file.h"
#include "io/stored_lists.h"

namespace meshprobe {
namespace {

void read_built(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    Mesh mesh;
    FileLayout layout;
    const ReadStatus status = read_mesh_file(path, mesh, layout, false);
    if (!status.ok) state.SkipWithError(status.error.c_str());
    benchmark::DoNotOptimize(mesh.size_of_vertices());
  }
}

void read_stored(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    StoredLists lists;
    StoredFacets facets(lists);
    FileLayout layout;
    ReadStatus status = read_mesh_lists(path, lists.points, facets, layout.format);
    if (status.ok) status = facets.number_as_mesh(layout);
    if (!status.ok) state.SkipWithError(status.error.c_str());
    benchmark::DoNotOptimize(lists.points.size());
  }
}

}  // namespace
}  // namespace meshprobe

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::vector<std::string> paths(argv + 1, argv + argc);
  if (paths.empty()) paths.push_back(MESHPROBE_SOURCE_DIR "/bench/data/dragon_vrip.ply");
  for (const std::string& path : paths) {
    benchmark::RegisterBenchmark(("built/" + path).c_str(), meshprobe::read_built, path)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("stored/" + path).c_str(), meshprobe::read_stored, path)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
