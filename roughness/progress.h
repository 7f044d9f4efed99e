// How the long passes (sphere smoothing, curvature, averaging) tell their caller how far they
// are. In: an optional callback. Out: calls of it with the vertices done and the vertices in
// all, from one thread only (the one that started the pass), a few times per hundred thousand
// vertices and once at the end. The callback must be cheap and must not call into the pass. It
// may throw to abandon the run: the pass then stops handing out vertices and rethrows once its
// threads have left the parallel region, so no exception ever crosses one.
#pragma once

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace meshprobe {

// done <= total; the last call of a pass has done == total. An empty function is never called.
using Progress = std::function<void(std::size_t done, std::size_t total)>;

// Counts the vertices that the threads of one pass have finished and hands the count to the
// callback from the pass's first thread, at most once per kProgressInterval vertices.
class ProgressCounter {
 public:
  // The pass is part `offset` of `parts` equal parts of what the caller reports as a whole (the
  // five steps of the sphere smoothing): its counts are placed after offset passes of `total`.
  ProgressCounter(const Progress& progress, std::size_t total, std::size_t offset = 0,
                  std::size_t parts = 1)
      : progress_(progress), total_(total), base_(offset * total), whole_(parts * total) {}

  // Called by any thread after it finished `vertices` more vertices.
  void add(std::size_t vertices) {
    const std::size_t done = done_.fetch_add(vertices, std::memory_order_relaxed) + vertices;
    if (!progress_ || !on_first_thread() || done - reported_ < kProgressInterval) return;
    reported_ = done;
    try {
      progress_(base_ + done, whole_);
    } catch (...) {
      // Unwinding out of a parallel region terminates the process: keep the exception for
      // finish(), and let the other threads run out of work.
      thrown_ = std::current_exception();
      stopped_.store(true, std::memory_order_relaxed);
    }
  }

  // True once the callback has thrown: the threads skip the vertices still to come, whose
  // results would be thrown away.
  bool stopped() const { return stopped_.load(std::memory_order_relaxed); }

  // Called by the thread that started the pass once every thread is done: rethrows what the
  // callback threw, otherwise reports the pass complete.
  void finish() const {
    if (thrown_) std::rethrow_exception(thrown_);
    if (progress_) progress_(base_ + total_, whole_);
  }

 private:
  // Often enough for a terminal line to move smoothly and for a caller that checks for Ctrl-C to
  // answer well within a second on a loaded machine, rarely enough to cost nothing beside the
  // walks of that many vertices.
  static constexpr std::size_t kProgressInterval = 2048;

  static bool on_first_thread() {
#ifdef _OPENMP
    return omp_get_thread_num() == 0;
#else
    return true;
#endif
  }

  const Progress& progress_;
  std::size_t total_;
  std::size_t base_;
  std::size_t whole_;
  std::atomic<std::size_t> done_{0};
  std::size_t reported_ = 0;   // touched by the first thread only
  std::exception_ptr thrown_;  // set by the first thread, read after the region
  std::atomic<bool> stopped_{false};
};

}  // namespace meshprobe
