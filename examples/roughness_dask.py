#!/usr/bin/env python3
"""Measures the roughness of every mesh file of a folder as tasks on a Dask cluster.

    roughness_dask.py FOLDER EPSILON[,EPSILON...] [--scheduler ADDRESS] [--out DIR] [--workers N]
                      [--html] [--dashboard]

Each mesh (.obj, .off, .ply, .stl, any letter case) is one task: the worker reads and measures it
with the meshprobe module on one thread, Dask spreading the meshes over the workers. Without
--scheduler the tasks run on a LocalCluster of N worker processes (default: one per core) bound to
127.0.0.1, every server of it on loopback and no dashboard (--dashboard serves one at
http://127.0.0.1:8787/status); with it, on the running cluster at ADDRESS, whose workers must
import meshprobe and read FOLDER at the same path. EPSILON is checked as the command line checks
it, and several (0.005,0.01) measure each mesh at each. Into --out (default: FOLDER) go each mesh's
value file, NAME_labels.lb (NAME_epsE_labels.lb with several epsilons) as the command line names
it, and summary.csv, one row per mesh and epsilon under the command line's --summary columns. A
mesh that fails becomes rows whose status is its error; the others go on. With --html, each mesh
also gets its report, NAME_report.html (NAME_epsE_report.html per epsilon with several), and
--out gets index.html, the command line's index of the batch: one row per mesh with its status
and statistics, linking its report (the first epsilon's). The exit status is 0 when every mesh
was measured, 1 when some failed, 2 for a bad argument (one line, before any cluster starts).
"""

import argparse
import os
import sys
import warnings
from pathlib import Path

MESH_ENDINGS = {".obj", ".off", ".ply", ".stl"}


def failure_row(mesh, epsilon, error):
    """A summary row for a mesh that was not measured at `epsilon` (as written), in the command
    line's words and columns."""
    import meshprobe

    return meshprobe.summary_failure_row(mesh, epsilon, " ".join(str(error).split()))


def measure(path, epsilons, reports=None):
    """One task: per epsilon (text, value), the mesh's summary row as the command line's --summary
    writes it, its value file's numbers (None when the mesh failed) and its statistics (the error
    when it failed). `reports`: per epsilon, the report to write, or None for no report."""
    import meshprobe

    results = []
    for k, (text, _) in enumerate(epsilons):
        try:
            with warnings.catch_warnings():
                # The count of facets left out is a column of the summary.
                warnings.simplefilter("ignore", meshprobe.FacetsLeftOutWarning)
                # The epsilon as written, so that the report names it as the command line does.
                result = meshprobe.measure_file(path, float(text), threads=1,
                                                html=reports[k] if reports else None)
        except ValueError as error:  # the reader's refusal, after the path: the command line's
            why = "cannot read %s" % error
            results.append((text, failure_row(path, text, why), None, why))
        except OSError as error:
            results.append((text, failure_row(path, text, error), None, str(error)))
        else:
            statistics = {key: item for key, item in result.items()
                          if key not in ("values", "roughness")}
            results.append((text, result["summary_row"], result["values"], statistics))
    return results


def value_file_name(path, out, epsilon):
    """The command line's name for the mesh's value file, placed in `out`; `epsilon` is the
    epsilon as written with several of them, empty with one."""
    import meshprobe

    return Path(meshprobe.derived_name(path, str(out), epsilon,
                                       meshprobe.OUTPUT_ENDINGS["values"]))


def write_atomically(path, text):
    """Writes as the command line writes: the file appears only when complete, a new one with
    the permission bits 0666 less the umask, an existing one keeping its own."""
    import meshprobe

    meshprobe.write_file(path, text.encode())


def report_names(path, out, epsilons):
    """The command line's names for the mesh's reports, one per epsilon, placed in `out`."""
    import meshprobe

    ending = meshprobe.OUTPUT_ENDINGS["html"]
    return [meshprobe.derived_name(path, str(out), text if len(epsilons) > 1 else "", ending)
            for text, _ in epsilons]


def index_entry(mesh, results, reports):
    """The index's row of a mesh: its first error, or its statistics and first report."""
    errors = [outcome for _, _, values, outcome in results if values is None]
    if errors:
        return {"mesh": mesh, "error": " ".join(str(errors[0]).split())}
    return {"mesh": mesh, "report": reports[0],
            "statistics": [outcome for _, _, _, outcome in results]}


def measure_folder(client, folder, epsilons, out, html=False):
    """Measures every mesh of `folder` at every epsilon on `client`'s cluster; returns the summary
    rows in the meshes' name order, each mesh's epsilons in the order given, how many meshes
    failed, and the index's entries in the same order (with html)."""
    import meshprobe
    from dask.distributed import as_completed

    meshes = sorted(str(p) for p in Path(folder).iterdir()
                    if p.is_file() and p.suffix.lower() in MESH_ENDINGS)
    reports = {mesh: report_names(mesh, out, epsilons) if html else None for mesh in meshes}
    futures = [client.submit(measure, mesh, epsilons, reports[mesh], pure=False)
               for mesh in meshes]
    mesh_of = dict(zip(futures, meshes))
    rows = {}
    entries = {}
    failed = 0
    for future in as_completed(futures):
        mesh = mesh_of[future]
        try:
            results = future.result()
        except Exception as error:  # a lost worker or an error outside the reader's refusals
            why = "%s: %s" % (type(error).__name__, error)
            results = [(text, failure_row(mesh, text, why), None, why)
                       for text, value in epsilons]
        if any(values is None for _, _, values, _ in results):
            failed += 1
        for text, _, values, _ in results:
            if values is not None:
                # "%f \n" as the command line prints: float32 widened to double, six decimals.
                write_atomically(value_file_name(mesh, out, text if len(epsilons) > 1 else ""),
                                 "".join("%f \n" % v for v in values.tolist()))
        rows[mesh] = [row for _, row, _, _ in results]
        entries[mesh] = index_entry(mesh, results, reports[mesh] or [None])
    return ([row for mesh in meshes for row in rows[mesh]], failed,
            [entries[mesh] for mesh in meshes])


def write_summary(header, rows, path):
    write_atomically(path, "".join(line + "\n" for line in [header] + rows))


def refuse(why):
    print("roughness_dask: %s" % why, file=sys.stderr)
    return 2


def main(argv=None):
    import meshprobe

    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder")
    parser.add_argument("epsilon", help="the neighbourhood radius, or several separated by "
                        "commas, as the command line takes them")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler")
    parser.add_argument("--dashboard", action="store_true",
                        help="serve the local cluster's dashboard at http://127.0.0.1:%d/status"
                        % meshprobe.DASHBOARD_PORT)
    parser.add_argument("--out", help="folder of the value files and summary.csv (default FOLDER)")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                        help="worker processes of the local cluster (default: one per core)")
    parser.add_argument("--html", action="store_true",
                        help="also write each mesh's report and the batch's index.html")
    args = parser.parse_args(argv)

    # Every argument is checked before a cluster starts: a fault is one line and status 2.
    try:
        epsilons = meshprobe.parse_epsilons(args.epsilon)
    except ValueError as error:
        return refuse(str(error))
    if not Path(args.folder).is_dir():
        return refuse("the folder %s does not exist" % args.folder
                      if not Path(args.folder).exists() else "%s is not a folder" % args.folder)
    if args.workers < 1:
        return refuse("--workers must be at least 1, not %d" % args.workers)
    out = Path(args.out or args.folder)
    out.mkdir(parents=True, exist_ok=True)

    from dask.distributed import Client, LocalCluster

    if args.scheduler:
        with Client(args.scheduler) as client:
            rows, failed, entries = measure_folder(client, args.folder, epsilons, out, args.html)
    else:
        with LocalCluster(n_workers=args.workers, threads_per_worker=1,
                          **meshprobe.local_cluster_options(args.dashboard)) as cluster, \
                Client(cluster) as client:
            rows, failed, entries = measure_folder(client, args.folder, epsilons, out, args.html)
    write_summary(meshprobe.SUMMARY_HEADER, rows, out / "summary.csv")
    if args.html:
        # The command line's index writer, called through the module.
        meshprobe.write_html_index(str(out / "index.html"), [text for text, _ in epsilons],
                                   entries)
    meshes = len(rows) // len(epsilons)
    print("roughness_dask: %d meshes measured, %d failed; summary in %s"
          % (meshes - failed, failed, out / "summary.csv"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
