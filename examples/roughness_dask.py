#!/usr/bin/env python3
"""Measures the roughness of every mesh file of a folder as tasks on a Dask cluster.

    roughness_dask.py FOLDER EPSILON[,EPSILON...] [--scheduler ADDRESS] [--out DIR] [--workers N]
                      [--html] [--dashboard]

Each mesh (.obj, .off, .ply, .stl, any letter case) is one task: the worker reads the mesh once,
measures it at every epsilon with the meshprobe module on one thread, and writes its outputs, Dask
spreading the meshes over the workers. Without --scheduler the tasks run on a LocalCluster of N
worker processes (default: one per core) bound to 127.0.0.1, every server of it on loopback and no
dashboard (--dashboard serves one at http://127.0.0.1:8787/status, or at a free port when 8787 is
taken, and prints where); with it, on the running cluster at ADDRESS, whose workers must import
meshprobe, read FOLDER and write --out at the same paths. EPSILON is checked as the command line
checks it, and several (0.005,0.01) measure each mesh at each. Into --out (default: FOLDER) go each
mesh's value file, NAME_labels.lb (NAME_epsE_labels.lb with several epsilons) as the command line
names it, and summary.csv, one row per mesh and epsilon under the command line's --summary columns.
A mesh that fails becomes rows whose status is its error; the others go on. On a terminal a line on
standard error shows how many meshes are done. With --html, each mesh also gets its report,
NAME_report.html, holding every epsilon, and --out gets index.html, the command line's index of the
batch: one row per mesh with its status and statistics, linking its report.

Every output of the batch is planned on the client before any cluster starts, by the command
line's own plan: two meshes whose outputs would share a name (a.off and a.obj), an output that
would replace an input, or one that cannot be written is refused, and each task writes only what
the plan gave it. The exit status is 0 when every mesh was measured, 1 when some failed, 2 for a
bad argument or a refused plan (one line, before any cluster starts).
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


def measure(planned, epsilons):
    """One task: measures the mesh of `planned` (its entry of meshprobe.plan_outputs) once for
    every epsilon (text, value) and writes exactly the outputs the plan gave it. Returns per
    epsilon the mesh's summary row as the command line's --summary writes it and its statistics,
    or the error (a str) when the mesh failed."""
    import meshprobe

    path = planned["mesh"]
    try:
        with warnings.catch_warnings():
            # The count of facets left out is a column of the summary.
            warnings.simplefilter("ignore", meshprobe.FacetsLeftOutWarning)
            # The epsilons as written, which the report and the statistics name.
            results = meshprobe.measure_file(path, [float(text) for text, _ in epsilons],
                                             threads=1, values=planned["values"],
                                             html=planned["html"])
    except (ValueError, OSError) as error:
        # A ValueError is the reader's refusal, after the path: the command line's words.
        why = "cannot read %s" % error if isinstance(error, ValueError) else str(error)
        return [(failure_row(path, text, why), why) for text, _ in epsilons]
    return [(result["summary_row"],
             {key: item for key, item in result.items() if key not in ("values", "roughness")})
            for result in results]


def index_entry(planned, results):
    """The index's row of a mesh: its error, or its statistics and report."""
    errors = [outcome for _, outcome in results if isinstance(outcome, str)]
    if errors:
        return {"mesh": planned["mesh"], "error": " ".join(errors[0].split())}
    return {"mesh": planned["mesh"], "report": planned["html"],
            "statistics": [outcome for _, outcome in results]}


def mesh_files(folder):
    """The mesh files of `folder` in name order."""
    return sorted(str(p) for p in Path(folder).iterdir()
                  if p.is_file() and p.suffix.lower() in MESH_ENDINGS)


def measure_folder(client, plan, epsilons):
    """Measures every mesh of `plan` (meshprobe.plan_outputs) at every epsilon on `client`'s
    cluster; returns the summary rows in the plan's order, each mesh's epsilons in the order
    given, how many meshes failed, and the index's entries in the same order."""
    from dask.distributed import as_completed

    import meshprobe

    futures = [client.submit(measure, planned, epsilons, pure=False) for planned in plan]
    place = {future.key: k for k, future in enumerate(futures)}
    results = [None] * len(plan)
    progress = meshprobe.terminal_progress("roughness_dask")
    progress("meshes", 0.0)
    for done, future in enumerate(as_completed(futures), 1):
        progress("meshes", done / len(futures))
        k = place[future.key]
        try:
            results[k] = future.result()
        except Exception as error:  # a lost worker or an error outside the reader's refusals
            why = "%s: %s" % (type(error).__name__, error)
            results[k] = [(failure_row(plan[k]["mesh"], text, why), why) for text, _ in epsilons]
    progress(None)
    failed = sum(1 for mesh in results if any(isinstance(o, str) for _, o in mesh))
    rows = [row for mesh in results for row, _ in mesh]
    return rows, failed, [index_entry(planned, mesh) for planned, mesh in zip(plan, results)]


def write_atomically(path, text):
    """Writes as the command line writes: the file appears only when complete, a new one with
    the permission bits 0666 less the umask, an existing one keeping its own."""
    import meshprobe

    meshprobe.write_file(path, text.encode())


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
    # The whole batch's outputs, planned and checked here as the command line plans them: two
    # meshes whose outputs share a name (a.off and a.obj), an output that is an input or cannot
    # be written are refused before any cluster starts.
    try:
        plan = meshprobe.plan_outputs(mesh_files(args.folder), [text for text, _ in epsilons],
                                      output_dir=out, html=args.html or None,
                                      summary=out / "summary.csv",
                                      index=out / "index.html" if args.html else None)
    except (ValueError, OSError) as error:
        return refuse(str(error))

    from dask.distributed import Client, LocalCluster

    if args.scheduler:
        with Client(args.scheduler) as client:
            rows, failed, entries = measure_folder(client, plan, epsilons)
    else:
        with LocalCluster(n_workers=args.workers, threads_per_worker=1,
                          **meshprobe.local_cluster_options(args.dashboard)) as cluster, \
                Client(cluster) as client:
            if args.dashboard:
                print("roughness_dask: dashboard at %s" % cluster.dashboard_link, file=sys.stderr)
            rows, failed, entries = measure_folder(client, plan, epsilons)
    write_summary(meshprobe.SUMMARY_HEADER, rows, out / "summary.csv")
    if args.html:
        # The command line's index writer, called through the module.
        meshprobe.write_html_index(str(out / "index.html"), [text for text, _ in epsilons],
                                   entries)
    print("roughness_dask: %d meshes measured, %d failed; summary in %s"
          % (len(plan) - failed, failed, out / "summary.csv"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
