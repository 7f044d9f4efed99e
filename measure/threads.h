// The one thread rule of every front end (command line, Python module, installed C++ header):
// how many threads the passes over the vertices run on, and whether they can be started at all.
#pragma once

#include <string>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace meshprobe {

// The threads a measurement uses: `requested` (0 or less: the OpenMP default, which
// OMP_NUM_THREADS sets and which is otherwise one per processor), cut to the number of
// processors, since more gain nothing and thousands of them exhaust the process. 1 without
// OpenMP.
int usable_threads(int requested);

// Whether `threads` - 1 threads beside the calling one can be started now. When the OpenMP
// runtime cannot start a team's thread it ends the whole process with a message of its own; this
// check, made before the first parallel pass, lets the caller refuse in its place. On failure,
// `error` says so in one line, with the system's reason.
bool threads_can_start(int threads, std::string& error);

// What a measurement asked to run on `requested` threads runs on: usable_threads(requested), or
// 0, with `error` saying why, when threads_can_start says they cannot be started.
int startable_threads(int requested, std::string& error);

// The calling thread's OpenMP thread count for one measurement; the setting belongs to that
// thread only and is given back however the measurement ends.
class ThreadScope {
 public:
  explicit ThreadScope(int threads) {
#ifdef _OPENMP
    before_ = omp_get_max_threads();
    omp_set_num_threads(threads);
#else
    (void)threads;
#endif
  }
  ~ThreadScope() {
#ifdef _OPENMP
    omp_set_num_threads(before_);
#endif
  }
  ThreadScope(const ThreadScope&) = delete;
  ThreadScope& operator=(const ThreadScope&) = delete;

 private:
  int before_ = 1;
};

}  // namespace meshprobe
