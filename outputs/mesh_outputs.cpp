#include "outputs/mesh_outputs.h"

#include <cmath>

#include "measure/rules.h"
#include "outputs/atomic_file.h"
#include "outputs/colour_range.h"
#include "outputs/fields_csv.h"
#include "outputs/fields_picture.h"
#include "outputs/fields_ply.h"
#include "outputs/html_report.h"
#include "outputs/png_file.h"
#include "outputs/statistics_output.h"
#include "outputs/value_file.h"
#include "viz/picture_layout.h"

namespace meshprobe {

std::string range_refusal(const std::string& name, const std::string& given, double low,
                          double high) {
  if (!std::isfinite(low) || !std::isfinite(high) || !(high > low)) {
    return name + " must be two finite numbers LO < HI, not \"" + given + "\"";
  }
  // A range the colour bar cannot label would give a picture with a bare bar, or ticks too long
  // to leave the views their room, so it is refused rather than drawn.
  if (!colour_bar_can_label(ValueRange{low, high})) {
    return name + " \"" + given + "\" cannot be labelled: the colour bar needs round ticks of " +
           "at most " + std::to_string(kLongestBarLabel) + " characters";
  }
  return "";
}

std::string size_refusal(const std::string& name, const std::string& given, double width,
                         double height) {
  if (picture_size_supported(width, height)) return "";
  return name + " must be WxH in pixels, from " + std::to_string(kMinPictureWidth) + "x" +
         std::to_string(kMinPictureHeight) + " to " + std::to_string(kMaxPictureSide) + "x" +
         std::to_string(kMaxPictureSide) + " and no taller than wide, not \"" + given + "\"";
}

std::string dpi_refusal(const std::string& name, const std::string& given, double dpi) {
  if (dpi >= 1 && dpi <= kMaxDotsPerInch && dpi == std::floor(dpi)) return "";
  return name + " must be a whole number from 1 to " + std::to_string(kMaxDotsPerInch) +
         ", not \"" + given + "\"";
}

std::string clamped_range_warning(const MeshMeasurement& m, const PictureSettings& picture) {
  if (!picture.fixed_range) return "";
  double largest = 0.0;
  const Epsilon* where = nullptr;
  for (const EpsilonMeasurement& e : m.epsilons) {
    if (e.roughness.empty()) continue;
    std::size_t clamped = 0;
    for (const float value : e.roughness)
      clamped += value < picture.range.low || value > picture.range.high ? 1 : 0;
    const double share = static_cast<double>(clamped) / static_cast<double>(e.roughness.size());
    if (share > largest) {
      largest = share;
      where = &e.epsilon;
    }
  }
  if (where == nullptr || largest <= 0.5) return "";
  const auto number = [](double value) { return shortest_float_text(static_cast<float>(value)); };
  return "the range " + number(picture.range.low) + ":" + number(picture.range.high) + " clamps " +
         std::to_string(static_cast<int>(std::floor(100.0 * largest))) +
         "% of the measured vertices (epsilon " + where->text + ")";
}

bool write_mesh_outputs(const MeshMeasurement& m, const MeshOutputs& outputs,
                        const PictureSettings& picture, std::string& failed) {
  const ValueRange* asked = picture.fixed_range ? &picture.range : nullptr;
  OutputBatch batch;
  const auto check = [&](bool written, const std::string& path) {
    if (!written && failed.empty()) failed = batch.failure().empty() ? path : batch.failure();
    return written;
  };
  bool ok = true;
  for (std::size_t e = 0; e < m.epsilons.size() && ok; ++e) {
    if (e < outputs.values.size() && !outputs.values[e].empty()) {
      ok = check(write_value_file(m.epsilons[e].roughness, outputs.values[e]), outputs.values[e]);
    }
    if (ok && e < outputs.pngs.size() && !outputs.pngs[e].empty()) {
      ok = check(write_fields_png(m, e, colour_range(m.epsilons[e], asked), picture.width,
                                  picture.height, picture.dpi, outputs.pngs[e]),
                 outputs.pngs[e]);
    }
    if (ok && e < outputs.stats.size() && !outputs.stats[e].empty()) {
      ok = check(write_statistics_json(m, e, outputs.stats[e]), outputs.stats[e]);
    }
  }
  if (ok && !outputs.ply.empty()) {
    ok = check(write_fields_ply(m, colour_range(m.epsilons.front(), asked), outputs.ply),
               outputs.ply);
  }
  if (ok && !outputs.csv.empty()) ok = check(write_fields_csv(m, outputs.csv), outputs.csv);
  if (ok && !outputs.html.empty()) {
    ReportSettings report;
    report.range = asked;
    report.tiles = picture.tiles;
    ok = check(write_html_report(m, report, outputs.html), outputs.html);
  }
  if (ok && !batch.commit()) {
    failed = batch.failure();
    ok = false;
  }
  return ok;
}

}  // namespace meshprobe
