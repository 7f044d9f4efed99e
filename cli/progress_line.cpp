#include "cli/progress_line.h"

#include <unistd.h>

#include <cmath>

namespace meshprobe {

namespace {

// Redrawing more often only costs the terminal's time.
constexpr std::chrono::milliseconds kRedrawInterval(100);

}  // namespace

void ProgressLine::report(const char* stage, double fraction) {
  if (!shown_) return;
  const int percent = static_cast<int>(std::floor(std::fmin(std::fmax(fraction, 0.0), 1.0) * 100));
  std::string text = "meshprobe: " + mesh_ + ": " + stage + " " + std::to_string(percent) + "%";
  const auto now = std::chrono::steady_clock::now();
  if (text == last_ || (visible_ && now - last_time_ < kRedrawInterval && percent != 100)) return;
  // Carriage return, the text, then erase what a longer earlier text left to its right.
  std::fprintf(stream_, "\r%s\033[K", text.c_str());
  std::fflush(stream_);
  last_ = std::move(text);
  last_time_ = now;
  visible_ = true;
}

void ProgressLine::clear() {
  if (!visible_) return;
  std::fprintf(stream_, "\r\033[K");
  std::fflush(stream_);
  visible_ = false;
  last_.clear();
}

bool progress_wanted(bool asked, bool quiet) {
  if (quiet) return false;
  return asked || isatty(STDERR_FILENO) == 1;
}

}  // namespace meshprobe
