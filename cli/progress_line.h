// Progress on one line of standard error for a person watching a long run: the mesh, the stage
// and how far it has come, rewritten in place at most ten times a second and cleared at the end.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace meshprobe {

class ProgressLine {
 public:
  // A line that shows nothing unless `shown`.
  ProgressLine(std::FILE* stream, bool shown) : stream_(stream), shown_(shown) {}
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine() { clear(); }

  // The mesh the next reports are about, as "name (k of n)".
  void set_mesh(const std::string& label) { mesh_ = label; }
  // Rewrites the line with the stage and its percentage; unchanged text is not rewritten.
  void report(const char* stage, double fraction);
  // Removes the line, so that messages that follow start on a clean line.
  void clear();

 private:
  std::FILE* stream_;
  bool shown_;
  std::string mesh_;
  std::string last_;
  bool visible_ = false;
  std::chrono::steady_clock::time_point last_time_;
};

// Whether progress is shown: asked for, or standard error is a terminal; never when quiet.
bool progress_wanted(bool asked, bool quiet);

}  // namespace meshprobe
