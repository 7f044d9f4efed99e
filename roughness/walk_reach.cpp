#include "roughness/walk_reach.h"

#include <optional>

#include "roughness/exact_reads.h"
#include "roughness/parallel_failure.h"
#include "roughness/sphere_walk.h"

#ifdef _OPENMP
#include <omp.h>
#endif

namespace meshprobe {

std::vector<std::uint32_t> vertices_read_by_walks(const SurfaceView& view,
                                                  const std::vector<std::uint32_t>& starts,
                                                  double radius, bool guarded) {
  const std::uint32_t n = view.vertex_count();
  const std::int64_t count = static_cast<std::int64_t>(starts.size());
  // Each thread marks into its own flags, merged afterwards: no two threads write one byte.
  std::vector<ExactFlags> marks;
  ParallelFailure failure;
#pragma omp parallel
  {
#pragma omp single
    {
#ifdef _OPENMP
      const int threads = omp_get_num_threads();
#else
      const int threads = 1;
#endif
      failure.capture([&] { marks.assign(static_cast<std::size_t>(threads), ExactFlags(n, 0)); });
    }
    std::optional<SphereWalker> walker;
    failure.capture([&] { walker.emplace(view); });
#ifdef _OPENMP
    const std::size_t thread = static_cast<std::size_t>(omp_get_thread_num());
#else
    const std::size_t thread = 0;
#endif
#pragma omp for schedule(dynamic, 256)
    for (std::int64_t k = 0; k < count; ++k) {
      failure.capture([&] {
        std::uint8_t* const mark = marks[thread].data();
        walker->walk_sphere(starts[static_cast<std::size_t>(k)], radius, guarded,
                            [mark](const SphereEdge& e) {
                              mark[e.near] = 1;
                              mark[e.far] = 1;
                            });
      });
    }
  }
  failure.rethrow();
  std::vector<std::uint32_t> read;
  for (std::uint32_t v = 0; v < n; ++v) {
    for (const ExactFlags& m : marks) {
      if (m[v] != 0) {
        read.push_back(v);
        break;
      }
    }
  }
  return read;
}

}  // namespace meshprobe
