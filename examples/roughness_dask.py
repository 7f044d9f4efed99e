#!/usr/bin/env python3
"""Measures the roughness of every mesh file of a folder as tasks on a Dask cluster.

    roughness_dask.py FOLDER EPSILON [--scheduler ADDRESS] [--out DIR] [--workers N]

Each mesh (.obj, .off, .ply, .stl, any letter case) is one task: the worker reads and measures it
with the meshprobe module on one thread, Dask spreading the meshes over the workers. Without
--scheduler the tasks run on a LocalCluster of N worker processes (default: one per core) bound to
127.0.0.1; with it, on the running cluster at ADDRESS, whose workers must import meshprobe and
read FOLDER at the same path. Into --out (default: FOLDER) go each mesh's value file, NAME_labels.lb
as the command line names it, and summary.csv, one row per mesh under the command line's
--summary columns. A mesh that fails becomes a row whose status is its error; the others go on.
The exit status is 0 when every mesh was measured, 1 when some failed.
"""

import argparse
import csv
import os
import sys
import tempfile
import warnings
from pathlib import Path

MESH_ENDINGS = {".obj", ".off", ".ply", ".stl"}
COLUMNS = [
    "mesh", "format", "epsilon", "vertices_in_file", "vertices_measured", "facets_in_file",
    "facets_left_out", "bbox_min", "bbox_max", "length", "roughness_min", "roughness_mean",
    "roughness_median", "roughness_p90", "roughness_p95", "roughness_p99", "roughness_max",
    "zero_share", "seconds", "version", "status",
]


def measure(path, epsilon):
    """One task: the mesh's summary row and its value file's numbers (None when it failed)."""
    import meshprobe

    row = dict.fromkeys(COLUMNS, "")
    row.update(mesh=path, epsilon=epsilon, version=meshprobe.__version__)
    try:
        with warnings.catch_warnings():
            # The count of facets left out is a column of the summary.
            warnings.simplefilter("ignore", meshprobe.FacetsLeftOutWarning)
            result = meshprobe.measure_file(path, float(epsilon), threads=1)
    except (OSError, ValueError) as error:
        row["status"] = " ".join(str(error).split())
        return row, None
    values = result.pop("values")
    del result["roughness"]
    row.update(result, mesh=path, epsilon=epsilon)
    for corner in ("bbox_min", "bbox_max"):
        row[corner] = " ".join("%.9g" % c for c in row[corner])
    return row, values


def value_file_name(path, out):
    """The command line's name for the mesh's value file, placed in `out`."""
    name = Path(path).name
    return Path(out) / ((name.rsplit(".", 1)[0] if "." in name else "") + "_labels.lb")


def write_atomically(path, text):
    """Writes beside `path` and renames over it, so a file appears only when complete."""
    descriptor, temporary = tempfile.mkstemp(dir=path.parent, prefix=path.name + ".")
    try:
        with os.fdopen(descriptor, "w", newline="\n") as file:
            file.write(text)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def measure_folder(client, folder, epsilon, out):
    """Measures every mesh of `folder` on `client`'s cluster; returns the rows in name order."""
    from dask.distributed import as_completed

    meshes = sorted(str(p) for p in Path(folder).iterdir()
                    if p.is_file() and p.suffix.lower() in MESH_ENDINGS)
    futures = client.map(measure, meshes, epsilon=epsilon, pure=False)
    mesh_of = dict(zip(futures, meshes))
    rows = []
    for future in as_completed(futures):
        try:
            row, values = future.result()
        except Exception as error:  # a lost worker or an error outside the reader's refusals
            row = dict.fromkeys(COLUMNS, "")
            row.update(mesh=mesh_of[future], epsilon=epsilon, status=" ".join(
                ("%s: %s" % (type(error).__name__, error)).split()))
            values = None
        if values is not None:
            # "%f \n" as the command line prints: float32 widened to double, six decimals.
            write_atomically(value_file_name(row["mesh"], out),
                             "".join("%f \n" % v for v in values.tolist()))
        rows.append(row)
    rows.sort(key=lambda r: r["mesh"])
    return rows


def write_summary(rows, path):
    with open(path, "w", newline="") as file:
        writer = csv.DictWriter(file, fieldnames=COLUMNS, lineterminator="\n")
        writer.writeheader()
        writer.writerows(rows)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder")
    parser.add_argument("epsilon", help="the neighbourhood radius, as the command line takes it")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler")
    parser.add_argument("--out", help="folder of the value files and summary.csv (default FOLDER)")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                        help="worker processes of the local cluster (default: one per core)")
    args = parser.parse_args(argv)
    out = Path(args.out or args.folder)
    out.mkdir(parents=True, exist_ok=True)

    from dask.distributed import Client, LocalCluster

    if args.scheduler:
        with Client(args.scheduler) as client:
            rows = measure_folder(client, args.folder, args.epsilon, out)
    else:
        with LocalCluster(n_workers=args.workers, threads_per_worker=1, host="127.0.0.1",
                          dashboard_address=None) as cluster, Client(cluster) as client:
            rows = measure_folder(client, args.folder, args.epsilon, out)
    write_summary(rows, out / "summary.csv")
    failed = sum(row["status"] != "ok" for row in rows)
    print("roughness_dask: %d meshes measured, %d failed; summary in %s"
          % (len(rows) - failed, failed, out / "summary.csv"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
