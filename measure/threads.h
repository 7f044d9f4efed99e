// The one thread rule of every front end (command line, Python module, installed C++ header):
// how many threads the passes over the vertices run on, and whether they can be started at all.
#pragma once

#include <string>

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

}  // namespace meshprobe
