// What every front end shares about threads and the parallel passes: the thread count is cut to
// the processors, and an exception thrown while the passes run on their threads (an allocation
// that fails) reaches the caller instead of terminating the process. The program refusing threads
// the system cannot start: tests/cli/robustness_test.cpp.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "measure/threads.h"
#include "mesh/facet_polygons.h"
#include "tests/support/shapes.h"

#ifdef _OPENMP
#include <omp.h>
#endif

namespace meshprobe {
namespace {

int processors() {
#ifdef _OPENMP
  return omp_get_num_procs();
#else
  return 1;
#endif
}

TEST(ThreadRule, MoreThreadsThanProcessorsAreCutToTheProcessors) {
  const int cores = processors();
  struct Case {
    int requested;
    int used;
  };
  for (const Case& c : {Case{1, 1}, Case{cores, cores}, Case{cores + 1, cores}, Case{4097, cores},
                        Case{INT_MAX, cores}}) {
    EXPECT_EQ(usable_threads(c.requested), c.used) << c.requested;
  }
  // The default (OMP_NUM_THREADS or one per processor) obeys the same bound.
  EXPECT_GE(usable_threads(0), 1);
  EXPECT_LE(usable_threads(0), cores);
  std::string error;
  EXPECT_TRUE(threads_can_start(cores, error)) << error;
}

// A surface of 40,962 vertices: enough for the passes to report progress from inside their
// parallel regions (every 16,384 vertices).
struct Lists {
  std::vector<Vec3f> points;
  FacetList facets;
};

Lists large_sphere() {
  const std::unique_ptr<Mesh> mesh = testing::icosphere(6, 1.0f);
  Lists lists;
  lists.points = testing::points_of(*mesh);
  for (const Polygon& polygon : facet_polygons(*mesh)) {
    for (const std::uint32_t corner : polygon)
      lists.facets.corners.push_back(corner);
    lists.facets.end_facet();
  }
  return lists;
}

TEST(ParallelPasses, AnExceptionOnAPassThreadReachesTheCaller) {
  const Lists sphere = large_sphere();
  for (const std::string stage : {"smoothing", "curvature", "averaging"}) {
    MeasureOptions options;
    options.epsilons = {{"0.01", 0.01f}};
    options.threads = processors();
    // Called on the pass's first thread inside its parallel region, as a failed allocation of
    // that thread would throw.
    options.progress = [&stage](const char* now, double fraction) {
      if (now == stage && fraction > 0.0 && fraction < 1.0) throw std::bad_alloc();
    };
    EXPECT_THROW(measure_mesh_lists(sphere.points, sphere.facets, options), std::bad_alloc)
        << stage;
  }
}

}  // namespace
}  // namespace meshprobe
