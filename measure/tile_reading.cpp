#include "measure/tile_reading.h"

#include <cstdint>
#include <utility>

#include "io/facet_sink.h"
#include "io/mesh_file.h"
#include "io/stored_lists.h"
#include "io/surface_from_lists.h"
#include "mesh/mesh_properties.h"
#include "mesh/tolerant_builder.h"

namespace meshprobe {

namespace {

using Clock = std::chrono::steady_clock;

// False, the reading ended with `status` as its own, when it failed.
bool holds(MeshMeasurement& result, const ReadStatus& status) {
  if (status.ok) return true;
  result.status = status;
  result.read = true;
  return false;
}

bool holds(TilesRead& read, const ReadStatus& status) {
  return holds(read.result, status);
}

// The geometry's checks, the length and the normalised points; false when refused.
bool take_geometry(TilesRead& read, const std::vector<Vec3f>& points, std::size_t facets,
                   const MeasureOptions& options) {
  MeshMeasurement& result = read.result;
  result.status = check_list_geometry(points, facets);
  if (!result.status.ok) return false;
  Normalisation normalisation = normalisation_of(points, 0.0f);
  if (options.length > 0.0f) {
    if (!holds(read, check_length(options.length, normalisation.extent))) return false;
    normalisation = normalisation_of(points, options.length);
  }
  result.length = normalisation.length;
  result.length_given = options.length > 0.0f;
  result.bbox_min = normalisation.bbox_min;
  result.bbox_max = normalisation.bbox_max;
  read.surface.points.reserve(points.size());
  for (const Vec3f& p : points)
    read.surface.points.push_back(normalised(p, normalisation));
  return true;
}

// The file's points to their scratch file and the facets into the surface, counted; when some
// facet no surface holds (fewer than 3 corners, a vertex named twice), the whole mesh's choice of
// facets first.
void take_store(TilesRead& read, std::vector<Vec3f>&& file_points, FacetStore&& facets,
                bool facet_unfit_alone) {
  ScratchFile& kept = read.choice.file_points;
  if (!holds(read, kept.create())) return;
  if (!holds(read, kept.append(file_points.data(), file_points.size() * sizeof(Vec3f)))) return;
  if (!holds(read, kept.flush())) return;
  file_points = std::vector<Vec3f>();
  read.surface.facets = std::move(facets);
  if (facet_unfit_alone) {
    decide_facets_whole(read.surface, read.choice, read.result);
    return;
  }
  holds(read, count_facets(read.surface));
}

// Lists in memory (read with the file's lists kept, or given as arrays) into a store of facets.
void take_lists(TilesRead& read, std::vector<Vec3f>&& points, FacetList&& facets,
                const MeasureOptions& options) {
  if (!take_geometry(read, points, facets.size(), options)) return;
  StoredLists stored;
  StoredFacets sink(stored);
  for (std::size_t f = 0; f < facets.size(); ++f)
    sink.add(facets.corners.data() + facets.starts[f], facets.degree(f), 0);
  if (!holds(read, sink.status()) || !holds(read, stored.facets.finish_adding())) return;
  facets = FacetList{};
  take_store(read, std::move(points), std::move(stored.facets), sink.unfit_alone());
}

}  // namespace

TilesRead read_tiles_of_file(const std::string& path, const MeasureOptions& options) {
  TilesRead read;
  read.started = Clock::now();
  MeshMeasurement& result = read.result;
  result.path = path;
  FileLayout layout;
  const auto take_layout = [&] {
    result.format = format_name(layout.format);
    result.vertices_in_file = layout.vertices_in_file;
    result.facets_in_file = layout.facets_in_file;
    result.mesh_vertex = std::move(layout.mesh_vertex);
    result.file_points = std::move(layout.points);
    result.file_facets = std::move(layout.facets);
  };
  // A failed reading or numbering leaves the layout only its format. A scratch file that could
  // not take the facets is no fault of the mesh: it was read, and cannot be measured here.
  const auto holds_layout = [&](const ReadStatus& status, const FacetSink& facets) {
    if (status.ok) return true;
    result.status = status;
    result.read = !facets.status().ok;
    const MeshFormat format = layout.format;
    layout = FileLayout{};
    layout.format = format;
    take_layout();
    return false;
  };
  if (!options.keep_file_lists) {
    StoredLists stored;
    StoredFacets facets(stored);
    ReadStatus status = read_mesh_lists(path, stored.points, facets, layout.format);
    if (status.ok) status = facets.number_as_mesh(layout);
    if (!holds_layout(status, facets)) return read;
    take_layout();
    read.choice.face_lines_file = std::move(stored.face_lines);
    if (take_geometry(read, stored.points, stored.facets.size(), options))
      take_store(read, std::move(stored.points), std::move(stored.facets),
                 stored.facet_unfit_alone);
    return read;
  }
  std::vector<Vec3f> points;
  FacetsInMemory facets;
  ReadStatus status = read_mesh_lists(path, points, facets, layout.format);
  if (status.ok) {
    status = number_as_mesh(points, facets.list, unused_vertices_of(layout.format), layout,
                            /*keep_lists=*/true);
  }
  if (!holds_layout(status, facets)) return read;
  take_layout();
  read.choice.face_lines = std::move(facets.lines);
  take_lists(read, std::move(points), std::move(facets.list), options);
  return read;
}

TilesRead read_tiles_of_lists(const std::vector<Vec3f>& points, const FacetList& facets,
                              const MeasureOptions& options) {
  TilesRead read;
  read.started = Clock::now();
  MeshMeasurement& result = read.result;
  result.format = "arrays";
  result.status = check_facet_list(facets, points.size());
  if (!result.status.ok) return read;
  take_list_layout(points, facets, options, result);
  take_lists(read, std::vector<Vec3f>(points), FacetList(facets), options);
  return read;
}

void decide_facets_whole(TilingSurface& surface, FacetChoice& choice, MeshMeasurement& result) {
  std::vector<Vec3f> file_points(surface.points.size());
  FacetList all;
  if (!holds(result,
             choice.file_points.read(0, file_points.data(), file_points.size() * sizeof(Vec3f))) ||
      !holds(result, surface.facets.load(all)))
    return;
  Mesh mesh;
  FacetPlan facet_plan;
  const LeftOutFacets left_out =
      build_leaving_out_unfit_facets(mesh, file_points, all, &facet_plan);
  const std::size_t kept = mesh.size_of_facets();
  mesh.clear();
  ReadStatus& status = result.status;
  status.facets_left_out = left_out.count;
  status.first_left_out = left_out.first;
  if (left_out.count > 0 && !choice.face_lines.empty())
    status.first_left_out_line = choice.face_lines[left_out.first];
  if (left_out.count > 0 && choice.face_lines_file.is_open()) {
    std::uint64_t line = 0;
    if (!holds(result,
               choice.face_lines_file.read(left_out.first * sizeof line, &line, sizeof line)))
      return;
    status.first_left_out_line = static_cast<std::size_t>(line);
  }
  if (kept == 0) {
    status = check_list_geometry(file_points, 0);
    return;
  }
  choice.decided = true;
  choice.file_points = ScratchFile();
  if (!holds(result, surface.facets.create())) return;
  const auto keep = [&](std::size_t f) {
    if (facet_plan.left_out[f]) return ReadStatus{};
    return surface.facets.add(all.corners.data() + all.starts[f], all.degree(f));
  };
  if (facet_plan.order.empty()) {
    for (std::size_t f = 0; f < all.size(); ++f)
      if (!holds(result, keep(f))) return;
  } else {
    for (const std::size_t f : facet_plan.order)
      if (!holds(result, keep(f))) return;
  }
  if (!holds(result, surface.facets.finish_adding())) return;
  holds(result, count_facets(surface));
}

}  // namespace meshprobe
