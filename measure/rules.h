// The rules every front end follows, in one place: how an epsilon is read, the names of derived
// outputs, the words of the warning about facets left out, the summary's columns, the shortest
// text of a number and the version. The command line, the Python module, the Dask example and
// the installed header take them from here.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "io/read_status.h"
#include "measure/measurement.h"

namespace meshprobe {

// The most spatial tiles one mesh may be cut into. Cutting a tile scans the whole mesh's facets,
// so the work of cutting grows with tiles x facets; beyond a few thousand tiles each is mostly
// halo anyway.
constexpr std::size_t kMaxTiles = 4096;

// Parses epsilon as "%f" does (leading white space skipped, trailing text ignored) and accepts
// it only when it is a finite number greater than 0.
bool parse_epsilon(const char* text, float& epsilon);

// The value rule every front end applies to an epsilon, however it was given: finite and > 0.
bool valid_epsilon(float epsilon);

// The value rules of a measurement, each checked on the value as a double (every front end can
// give one) and refused in one wording by every front end: `name` is the value as the front end
// spells it ("--threads", "threads"), `given` what the caller wrote, quoted in the refusal.
bool length_allowed(double length);    // > 0 and, in single precision, finite and > 0
bool threads_allowed(double threads);  // a whole number >= 1
bool tiles_allowed(double tiles);      // a whole number from 1 to kMaxTiles
std::string epsilon_refusal(const std::string& given);
std::string length_refusal(const std::string& name, const std::string& given);
std::string threads_refusal(const std::string& name, const std::string& given);
std::string tiles_refusal(const std::string& name, const std::string& given);

// The refusal when `next` repeats an epsilon of `earlier` (the same text or the same value):
// each epsilon names outputs and columns, so none may be given twice. Empty when it does not.
std::string repeated_epsilon(const std::vector<Epsilon>& earlier, const Epsilon& next);

// Splits a comma-separated list of epsilons, each a finite number > 0. A single epsilon is read
// as "%f" reads it (text after the number ignored), as the program always has; in a list every
// item must be a number and nothing else. Items keep the text the user wrote, without spaces.
bool parse_epsilons(const std::string& text, std::vector<Epsilon>& epsilons, std::string& error);

// For a status with facets left out, the warning's words after the file name, such as "12
// facets the surface cannot hold were left out (the first is facet 3051)"; for OBJ input the
// first one's line follows its index. Empty when no facet was left out.
std::string left_out_warning(const ReadStatus& status);

// The words of the warning that a mesh was cut into fewer tiles than asked; empty when it was
// not (`used` 0: measured whole).
std::string fewer_tiles_warning(std::size_t asked, std::size_t used);

// The mesh's path without a trailing ".gz" (a gzip file goes by the file it holds), cut at its
// last '.' (anywhere in the path, empty when there is none; "bunny.gz" gives "bunny"), or with an
// output folder, the folder and the file's name cut so; then, with several epsilons, "_eps" and
// the epsilon as written; then `ending`.
std::string derived_name(const std::string& mesh, const std::string& output_dir,
                         const std::string& epsilon, const std::string& ending);

// The endings of the derived outputs' names.
constexpr const char* kValuesEnding = "_labels.lb";
constexpr const char* kPictureEnding = "_roughness.png";
constexpr const char* kStatisticsEnding = "_stats.json";
constexpr const char* kPlyEnding = "_roughness.ply";
constexpr const char* kCsvEnding = "_fields.csv";
constexpr const char* kReportEnding = "_report.html";

// The version the statistics and --version give.
const char* meshprobe_version();

// The shortest decimal text that reads back as `value` in single precision ("0.01").
std::string shortest_float_text(float value);

// The summary's header line, without line end.
const char* summary_header();

}  // namespace meshprobe
