#include "cli/command_line.h"

// Positional arguments are kept whole: an epsilon list is split by this program, and a mesh path
// may hold commas.
#define CXXOPTS_VECTOR_DELIMITER '\0'
#include <cxxopts.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "cli/driver.h"
#include "outputs/png_file.h"
#include "outputs/report_index.h"
#include "viz/picture_layout.h"

namespace meshprobe {

namespace {

// A number and nothing else: the whole text converts, and the value is finite.
bool parse_whole_number(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

// What cxxopts gives for an output option written without "=PATH": a text no path can be, so
// that "--ply=" (an empty path, refused) differs from "--ply" (the derived name).
const std::string kDerivedName(1, '\0');

bool parse_choice(const cxxopts::ParseResult& parsed, const char* name, OutputChoice& choice) {
  if (parsed.count(name) == 0) return false;
  choice.wanted = true;
  choice.path = parsed[name].as<std::string>();
  if (choice.path == kDerivedName) choice.path.clear();
  return true;
}

// An option that names a file or folder must not name nothing: an empty value would otherwise
// be taken for the option left out.
bool find_empty_path(const cxxopts::ParseResult& parsed, std::string& error) {
  for (const char* name :
       {"output", "ply", "png", "csv", "stats", "html", "html-index", "output-dir", "summary"}) {
    if (parsed.count(name) > 0 && parsed[name].as<std::string>().empty()) {
      error = std::string("--") + name + " needs a path, not an empty text";
      return true;
    }
  }
  return false;
}

// Two numbers around `separator` ("0:0.5", "1200x800"); NaN for a part that is no number.
void parse_pair(const std::string& text, char separator, double& first, double& second) {
  const std::size_t at = text.find(separator);
  first = std::nan("");
  second = std::nan("");
  if (at == std::string::npos) return;
  if (!parse_whole_number(text.substr(0, at), first)) first = std::nan("");
  if (!parse_whole_number(text.substr(at + 1), second)) second = std::nan("");
}

bool parse_range(const std::string& text, CommandLine& line, std::string& error) {
  double low = 0.0;
  double high = 0.0;
  parse_pair(text, ':', low, high);
  error = range_refusal("--range", text, low, high);
  if (!error.empty()) return false;
  line.fixed_range = true;
  line.range_low = low;
  line.range_high = high;
  return true;
}

bool parse_size(const std::string& text, CommandLine& line, std::string& error) {
  double width = 0.0;
  double height = 0.0;
  parse_pair(text, 'x', width, height);
  error = size_refusal("--size", text, width, height);
  if (!error.empty()) return false;
  line.width = static_cast<int>(width);
  line.height = static_cast<int>(height);
  return true;
}

// The options' own checks, once cxxopts has read them.
ParseOutcome check_line(const cxxopts::ParseResult& parsed, CommandLine& line, std::string& error) {
  std::vector<std::string> positional;
  if (parsed.count("positional") > 0)
    positional = parsed["positional"].as<std::vector<std::string>>();
  std::string epsilon_text;
  if (parsed.count("epsilon") > 0) {
    epsilon_text = parsed["epsilon"].as<std::string>();
    line.meshes = positional;
  } else if (positional.size() == 2) {
    line.meshes = {positional[0]};
    epsilon_text = positional[1];
  } else {
    error = "give MESH EPSILON, or -e EPSILON and one or more meshes (see --help)";
    return ParseOutcome::kError;
  }
  if (line.meshes.empty()) {
    error = "no mesh given (see --help)";
    return ParseOutcome::kError;
  }
  if (!parse_epsilons(epsilon_text, line.epsilons, error)) return ParseOutcome::kError;
  if (find_empty_path(parsed, error)) return ParseOutcome::kError;

  if (parsed.count("output") > 0) line.output = parsed["output"].as<std::string>();
  line.values = parsed.count("no-values") == 0;
  bool other_output = parse_choice(parsed, "ply", line.ply);
  other_output = parse_choice(parsed, "png", line.png) || other_output;
  other_output = parse_choice(parsed, "csv", line.csv) || other_output;
  other_output = parse_choice(parsed, "stats", line.stats) || other_output;
  other_output = parse_choice(parsed, "html", line.html) || other_output;
  if (parsed.count("output-dir") > 0) line.output_dir = parsed["output-dir"].as<std::string>();
  if (parsed.count("summary") > 0) line.summary = parsed["summary"].as<std::string>();
  other_output = other_output || !line.summary.empty();
  line.quiet = parsed.count("quiet") > 0;
  line.progress = parsed.count("progress") > 0;

  if (!line.values && !other_output) {
    error = "--no-values needs another output (--ply, --png, --csv, --stats, --html or --summary)";
    return ParseOutcome::kError;
  }
  if (!line.values && !line.output.empty()) {
    error = "--output names the value file, which --no-values leaves out";
    return ParseOutcome::kError;
  }
  if (parsed.count("html-index") > 0) {
    if (!line.html.wanted) {
      error = "--html-index lists the reports: give --html too";
      return ParseOutcome::kError;
    }
    line.html_index = parsed["html-index"].as<std::string>();
  } else if (line.html.wanted && line.meshes.size() > 1) {
    line.html_index = default_index_path(line.output_dir);
  }
  if (parsed.count("threads") > 0) {
    double threads = 0.0;
    const std::string text = parsed["threads"].as<std::string>();
    if (!parse_whole_number(text, threads) || !threads_allowed(threads)) {
      error = threads_refusal("--threads", text);
      return ParseOutcome::kError;
    }
    // More than the processors are cut to them when measuring (measure/threads.h).
    line.threads = static_cast<int>(std::min(threads, static_cast<double>(INT_MAX)));
  }
  if (parsed.count("tiles") > 0) {
    double tiles = 0.0;
    const std::string text = parsed["tiles"].as<std::string>();
    if (!parse_whole_number(text, tiles) || !tiles_allowed(tiles)) {
      error = tiles_refusal("--tiles", text);
      return ParseOutcome::kError;
    }
    line.tiles = static_cast<std::size_t>(tiles);
  }
  if (parsed.count("length") > 0) {
    double length = 0.0;
    const std::string text = parsed["length"].as<std::string>();
    if (!parse_whole_number(text, length) || !length_allowed(length)) {
      error = length_refusal("--length", text);
      return ParseOutcome::kError;
    }
    line.length = static_cast<float>(length);
  }
  if (parsed.count("range") > 0 && !parse_range(parsed["range"].as<std::string>(), line, error))
    return ParseOutcome::kError;
  if (parsed.count("size") > 0 && !parse_size(parsed["size"].as<std::string>(), line, error))
    return ParseOutcome::kError;
  if (parsed.count("dpi") > 0) {
    double dpi = 0.0;
    const std::string text = parsed["dpi"].as<std::string>();
    if (!parse_whole_number(text, dpi)) dpi = std::nan("");
    error = dpi_refusal("--dpi", text, dpi);
    if (!error.empty()) return ParseOutcome::kError;
    line.dpi = static_cast<int>(dpi);
  }
  return ParseOutcome::kRun;
}

}  // namespace

ParseOutcome parse_command_line(int argc, const char* const* argv, CommandLine& line,
                                std::string& error) {
  // Without options the program keeps its original form, usage texts and messages included: a
  // path or an epsilon that begins with '-' is still read as the original program read it.
  bool any_option = false;
  for (int i = 1; i < argc; ++i)
    any_option = any_option || argv[i][0] == '-';
  const bool negative_epsilon =
      argc == 3 && argv[1][0] != '-' && argv[2][0] == '-' &&
      (std::strchr("0123456789.", argv[2][1]) != nullptr && argv[2][1] != '\0');
  if (!any_option || negative_epsilon) {
    if (argc != 3) return ParseOutcome::kUsage;
    line.meshes = {argv[1]};
    if (!parse_epsilons(argv[2], line.epsilons, error)) return ParseOutcome::kError;
    return ParseOutcome::kRun;
  }

  cxxopts::Options options("meshprobe");
  options.add_options()("e,epsilon", "", cxxopts::value<std::string>())(
      "o,output", "", cxxopts::value<std::string>())(
      "ply", "", cxxopts::value<std::string>()->implicit_value(kDerivedName))(
      "png", "", cxxopts::value<std::string>()->implicit_value(kDerivedName))(
      "csv", "", cxxopts::value<std::string>()->implicit_value(kDerivedName))(
      "stats", "", cxxopts::value<std::string>()->implicit_value(kDerivedName))(
      "html", "", cxxopts::value<std::string>()->implicit_value(kDerivedName))(
      "html-index", "", cxxopts::value<std::string>())("no-values", "")(
      "d,output-dir", "", cxxopts::value<std::string>())(
      "summary", "", cxxopts::value<std::string>())("j,threads", "", cxxopts::value<std::string>())(
      "tiles", "", cxxopts::value<std::string>())("q,quiet", "")("progress", "")(
      "length", "", cxxopts::value<std::string>())("range", "", cxxopts::value<std::string>())(
      "size", "", cxxopts::value<std::string>())("dpi", "", cxxopts::value<std::string>())(
      "h,help", "")("version", "")("positional", "", cxxopts::value<std::vector<std::string>>());
  options.parse_positional({"positional"});
  try {
    const cxxopts::ParseResult parsed = options.parse(argc, argv);
    if (parsed.count("help") > 0) return ParseOutcome::kHelp;
    if (parsed.count("version") > 0) return ParseOutcome::kVersion;
    for (const char* name :
         {"epsilon", "output", "ply", "png", "csv", "stats", "html", "html-index", "output-dir",
          "summary", "threads", "tiles", "length", "range", "size", "dpi"}) {
      if (parsed.count(name) > 1) {
        error = std::string("--") + name + " is given more than once";
        return ParseOutcome::kError;
      }
    }
    return check_line(parsed, line, error);
  } catch (const cxxopts::exceptions::exception& fault) {
    error = fault.what();
    return ParseOutcome::kError;
  }
}

OutputRequest output_request(const CommandLine& line) {
  OutputRequest request;
  request.meshes = line.meshes;
  for (const Epsilon& epsilon : line.epsilons)
    request.epsilons.push_back(epsilon.text);
  request.output_dir = line.output_dir;
  request.values = OutputChoice{line.values, line.output, {}};
  request.png = line.png;
  request.stats = line.stats;
  request.ply = line.ply;
  request.csv = line.csv;
  request.html = line.html;
  request.summary = line.summary;
  request.index = line.html_index;
  return request;
}

const char* help_text() {
  return R"(meshprobe: the roughness of a polygon mesh, vertex by vertex

Usage:
  meshprobe MESH EPSILON                  the value file of one mesh
  meshprobe [OPTIONS] MESH EPSILON        one mesh, one or several epsilons
  meshprobe [OPTIONS] -e EPSILON MESH...  any number of meshes

MESH      OFF, OBJ, PLY or STL, or one of them gzipped. A path ending in "obj" (any case) is
          read as OBJ; any other file is read as PLY, STL or OFF by its content.
EPSILON   the neighbourhood radius as a fraction of the mesh's largest bounding-box side (or of
          --length); 0.01 is recommended. A comma-separated list (0.005,0.01,0.02) measures every
          epsilon from one reading of the mesh.

Outputs, named after MESH (its path without a trailing .gz, cut at the last '.'), with _eps<E>
before the ending when there are several epsilons:
  NAME_labels.lb        the value file: one "%f " line per vertex of the measured surface
  NAME_roughness.ply    --ply: every vertex and facet of the file with scalar_ fields, quality
                        and colours (one file for all epsilons)
  NAME_roughness.png    --png: a picture of the roughness map
  NAME_fields.csv       --csv: every intermediate field, one row per vertex of the file
                        (one file for all epsilons)
  NAME_stats.json       --stats: counts, bounding box and roughness statistics
  NAME_report.html      --html: a page to open in a browser: the mesh in 3D coloured by
                        roughness, the histogram and the statistics (one file for all epsilons)

Options:
  -e, --epsilon LIST    the epsilons; every other argument is then a mesh
  -o, --output PATH     the value file's path (one mesh, one epsilon); - for standard output
      --ply[=PATH]      also write the coloured PLY (PATH: one mesh)
      --png[=PATH]      also write the picture
      --csv[=PATH]      also write the per-vertex fields
      --stats[=PATH]    also write the statistics as JSON
      --html[=PATH]     also write the report (PATH: one mesh); with several meshes, also
                        index.html beside the reports (in DIR of -d, else here)
      --html-index PATH name the index of the reports (written for one mesh too)
      --no-values       write no value file (needs another output)
  -d, --output-dir DIR  place every derived name in DIR (created if missing)
      --summary PATH    a CSV with one row per mesh and epsilon: statistics and status
      --length L        lengths are fractions of L (input units), not of the largest side
      --range LO:HI     the colour range of the picture, the PLY and the report (default 0
                        to the 99th percentile of the roughness)
      --size WxH        the picture's size in pixels (default 1200x800)
      --dpi N           the picture's print resolution in dots per inch (default 300)
  -j, --threads N       use N threads, at most one per core (default: OMP_NUM_THREADS, or
                        every core)
      --tiles N         measure each mesh in N spatial tiles, one after the other, for less
                        memory; every value is the untiled run's (see docs/tiles.md)
  -q, --quiet           no progress, no warnings
      --progress        show progress even when standard error is not a terminal
  -h, --help            this text
      --version         the version

Exit status: 0 every mesh measured and written; 1 a mesh could not be read or an output could
not be written (the other meshes are still measured); 2 wrong arguments, such as an output that
names an input or a folder. Outputs appear only when complete, a mesh's outputs are replaced
together, and no run replaces a file with a partial one; a FIFO, a terminal or /dev/null is
written in place, and a symbolic link keeps pointing at the file it names.
)";
}

}  // namespace meshprobe
