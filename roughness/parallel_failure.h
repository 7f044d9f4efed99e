// An exception cannot leave an OpenMP region: one thrown on any of its threads (std::bad_alloc
// from a walker's scratch, say) would call std::terminate. Each thread's work therefore runs
// through capture(), which keeps the first exception and turns every later piece of work into
// nothing; after the region, rethrow() hands that exception to the caller on the calling thread,
// so that the programs report it as they report any other. Results of a pass that failed are
// incomplete and must not be used.
#pragma once

#include <atomic>
#include <exception>

namespace meshprobe {

class ParallelFailure {
 public:
  // Runs `work` unless a piece of work of this region failed already; safe on any thread.
  template <class Work>
  void capture(Work&& work) noexcept {
    if (failed_.load(std::memory_order_relaxed)) return;
    try {
      work();
    } catch (...) {
      // Only the first thread to fail writes the exception; the region's closing barrier makes
      // it visible to rethrow().
      if (!failed_.exchange(true)) error_ = std::current_exception();
    }
  }

  // Called after the region: throws the first exception captured, if any.
  void rethrow() const {
    if (error_) std::rethrow_exception(error_);
  }

 private:
  std::atomic<bool> failed_{false};
  std::exception_ptr error_;
};

}  // namespace meshprobe
