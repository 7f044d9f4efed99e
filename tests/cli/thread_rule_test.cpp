// What every front end shares about threads and the parallel passes: the thread count is cut to
// the processors, a thread count the system cannot start is refused in one line rather than by
// the OpenMP runtime ending the process, and an exception thrown while the passes run on their
// threads (an allocation that fails) reaches the caller instead of terminating the process.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "measure/threads.h"
#include "mesh/facet_polygons.h"
#include "tests/support/process.h"
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

TEST(ThreadRule, ThreadsTheSystemCannotStartAreRefusedInOneLine) {
  // A limit of one process for the user leaves the run no thread to start; the superuser's
  // limits are not enforced, so it runs as the unprivileged user "nobody".
  if (processors() < 2) GTEST_SKIP() << "one processor: the run needs no second thread";
#ifdef __SANITIZE_ADDRESS__
  // The leak checker starts a thread of its own at exit, which the limit forbids too.
  GTEST_SKIP() << "the sanitizers' own threads fall under the same limit";
#endif
  const std::string folder = testing::scratch_folder("thread-limit");
  std::filesystem::permissions(folder, std::filesystem::perms::all);
  testing::write_file(folder + "/bunny.off", testing::read_file(MESHPROBE_DATA_DIR "/bunny.off"));
  std::vector<std::string> command = {"prlimit", "--nproc=1", MESHPROBE_BINARY, "-q", "-e", "0.01",
                                      "-j",      "2",         "bunny.off"};
  if (geteuid() == 0) {
    command.insert(command.begin(),
                   {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  }
  const testing::ProcessResult run =
      testing::run_program(command.front(), {command.begin() + 1, command.end()}, folder);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.err.find("libgomp"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("cannot start 2 threads"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
}

}  // namespace
}  // namespace meshprobe
