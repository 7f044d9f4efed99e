#include "measure/threads.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace meshprobe {

int usable_threads(int requested) {
#ifdef _OPENMP
  const int wanted = requested > 0 ? requested : omp_get_max_threads();
  return std::max(1, std::min(wanted, omp_get_num_procs()));
#else
  (void)requested;
  return 1;
#endif
}

bool threads_can_start(int threads, std::string& error) {
  // The runtime keeps a team's threads for later regions: a count started once needs no second
  // check (a lost race with another caller only repeats the check).
  static std::atomic<int> proven{1};
  if (threads <= proven.load(std::memory_order_relaxed)) return true;
  std::vector<std::thread> started;
  std::error_code failure;
  try {
    started.reserve(static_cast<std::size_t>(threads - 1));
    for (int t = 1; t < threads; ++t)
      started.emplace_back([] {});
  } catch (const std::system_error& refused) {
    failure = refused.code();
  } catch (const std::bad_alloc&) {
    failure = std::make_error_code(std::errc::not_enough_memory);
  }
  for (std::thread& thread : started)
    thread.join();
  if (failure) {
    error = "the system cannot start " + std::to_string(threads) + " threads (" +
            failure.message() + "); fewer threads may work";
    return false;
  }
  int known = proven.load(std::memory_order_relaxed);
  while (known < threads && !proven.compare_exchange_weak(known, threads)) {
  }
  return true;
}

int startable_threads(int requested, std::string& error) {
  const int threads = usable_threads(requested);
  return threads_can_start(threads, error) ? threads : 0;
}

}  // namespace meshprobe
