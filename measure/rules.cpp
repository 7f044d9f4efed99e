#include "measure/rules.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "io/mesh_format.h"
#include "meshprobe/version.h"

namespace meshprobe {

namespace {

namespace fs = std::filesystem;

// A number and nothing else: the whole text converts, and the value is finite.
bool parse_whole_number(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// What a refused epsilon that looks like a number written another way meant: "1%" is 0.01, and
// "0,01" has a decimal comma. Empty when it looks like neither.
std::string meant_epsilon(const std::string& given) {
  const std::string text = trimmed(given);
  double value = 0.0;
  if (text.size() > 1 && text.back() == '%' &&
      parse_whole_number(trimmed(text.substr(0, text.size() - 1)), value) && value > 0.0) {
    return shortest_float_text(static_cast<float>(value / 100.0));
  }
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos || comma == 0 || comma + 1 == text.size() ||
      text.find_first_not_of("0123456789,") != std::string::npos ||
      text.find(',', comma + 1) != std::string::npos) {
    return "";
  }
  std::string dotted = text;
  dotted[comma] = '.';
  if (!parse_whole_number(dotted, value) || !(value > 0.0)) return "";
  return dotted;
}

}  // namespace

bool valid_epsilon(float epsilon) {
  return std::isfinite(epsilon) && epsilon > 0.0f;
}

bool length_allowed(double length) {
  // The length divides single-precision coordinates: it must be a positive float itself.
  const float narrowed = static_cast<float>(length);
  return length > 0.0 && std::isfinite(narrowed) && narrowed > 0.0f;
}

bool threads_allowed(double threads) {
  return threads >= 1.0 && threads == std::floor(threads);
}

bool tiles_allowed(double tiles) {
  return tiles >= 1.0 && tiles <= static_cast<double>(kMaxTiles) && tiles == std::floor(tiles);
}

std::string epsilon_refusal(const std::string& given) {
  const std::string meant = meant_epsilon(given);
  return "epsilon must be a number greater than 0, not \"" + given + "\"" +
         (meant.empty() ? std::string() : " (did you mean " + meant + "?)");
}

std::string length_refusal(const std::string& name, const std::string& given) {
  return name + " must be a number greater than 0, not \"" + given + "\"";
}

std::string threads_refusal(const std::string& name, const std::string& given) {
  return name + " must be a whole number of at least 1, not \"" + given + "\"";
}

std::string tiles_refusal(const std::string& name, const std::string& given) {
  return name + " must be a whole number from 1 to " + std::to_string(kMaxTiles) + ", not \"" +
         given + "\"";
}

std::string repeated_epsilon(const std::vector<Epsilon>& earlier, const Epsilon& next) {
  for (const Epsilon& e : earlier) {
    if (e.text == next.text || e.value == next.value)
      return "epsilon " + next.text + " is given twice";
  }
  return "";
}

bool parse_epsilon(const char* text, float& epsilon) {
  float value = 0.0f;
  int read = 0;
  if (std::sscanf(text, "%f%n", &value, &read) != 1) return false;
  // Text after the number is ignored, as it always was, except a percent sign: "1%" is no 1.
  const char* rest = text + read;
  while (*rest == ' ' || *rest == '\t')
    ++rest;
  if (*rest == '%') return false;
  if (!valid_epsilon(value)) return false;
  epsilon = value;
  return true;
}

std::string fewer_tiles_warning(std::size_t asked, std::size_t used) {
  if (used == 0 || used >= asked) return "";
  return std::to_string(used) + (used == 1 ? " tile" : " tiles") + " used of the " +
         std::to_string(asked) +
         " asked: smaller tiles would measure their margins more than their vertices";
}

std::string left_out_warning(const ReadStatus& status) {
  if (status.facets_left_out == 0) return "";
  const std::string first =
      "facet " + std::to_string(status.first_left_out) +
      (status.first_left_out_line == 0 ? ""
                                       : ", line " + std::to_string(status.first_left_out_line));
  if (status.facets_left_out == 1) {
    return "1 facet the surface cannot hold was left out (" + first + ")";
  }
  return std::to_string(status.facets_left_out) +
         " facets the surface cannot hold were left out (the first is " + first + ")";
}

bool parse_epsilons(const std::string& text, std::vector<Epsilon>& epsilons, std::string& error) {
  epsilons.clear();
  const bool list = text.find(',') != std::string::npos;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string item =
        trimmed(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    Epsilon epsilon{item, 0.0f};
    double whole = 0.0;
    const bool ok =
        list ? parse_whole_number(item, whole) && parse_epsilon(item.c_str(), epsilon.value)
             : parse_epsilon(text.c_str(), epsilon.value);
    if (!ok) {
      // A decimal comma splits the text into two items; the whole text says what was meant.
      error = epsilon_refusal(list && meant_epsilon(text).empty() ? item : text);
      return false;
    }
    error = repeated_epsilon(epsilons, epsilon);
    if (!error.empty()) return false;
    epsilons.push_back(epsilon);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

std::string derived_name(const std::string& mesh, const std::string& output_dir,
                         const std::string& epsilon, const std::string& ending) {
  // A gzip file is named after the file it holds: "bunny.off.gz" as "bunny.off", and
  // "bunny.gz", whose ".gz" is the only ending of its file name, as "bunny".
  const std::string unpacked = without_gzip_ending(mesh);
  const std::size_t last_dot = unpacked.rfind('.');
  const std::size_t last_slash = unpacked.rfind('/');
  const bool ending_left =
      last_dot != std::string::npos && (last_slash == std::string::npos || last_dot > last_slash);
  std::string base;
  if (unpacked.size() != mesh.size() && !ending_left) {
    base = output_dir.empty() ? unpacked
                              : (fs::path(output_dir) / fs::path(unpacked).filename()).string();
  } else if (output_dir.empty()) {
    base = last_dot == std::string::npos ? std::string() : unpacked.substr(0, last_dot);
  } else {
    const std::string file = fs::path(unpacked).filename().string();
    const std::size_t dot = file.rfind('.');
    base =
        (fs::path(output_dir) / (dot == std::string::npos ? file : file.substr(0, dot))).string();
  }
  if (!epsilon.empty()) base += "_eps" + epsilon;
  return base + ending;
}

const char* meshprobe_version() {
  return MESHPROBE_VERSION;
}

std::string shortest_float_text(float value) {
  // The shortest text that reads back as the value: roughness values are single precision, and
  // printed as such they keep the digits the value file shows.
  if (std::isnan(value)) return "nan";
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

const char* summary_header() {
  return "mesh,format,epsilon,vertices_in_file,vertices_measured,facets_in_file,facets_left_out,"
         "bbox_min,bbox_max,length,roughness_min,roughness_mean,roughness_median,roughness_p90,"
         "roughness_p95,roughness_p99,roughness_max,zero_share,seconds,version,status";
}

}  // namespace meshprobe
