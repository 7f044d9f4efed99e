#!/usr/bin/env python3
"""Measures one mesh file in spatial tiles, the tiles as tasks on a Dask cluster.

    roughness_tiles_dask.py MESH EPSILON --tiles N [--scheduler ADDRESS] [--workers K] [-o OUT]
                            [--png PATH] [--stats PATH] [--length L] [--dashboard]

The client reads MESH and cuts it into N tiles; each worker gets one tile at a time (its part of
the mesh with a margin of its neighbours) and returns the values of the tile's own vertices, each
bit for bit what the command line computes for the whole mesh; a tile whose margin fell short is
sent again with a wider one. Between the two rounds of tiles the client smooths the copy over the
whole mesh, which needs about 80 bytes a vertex. Without --scheduler the tasks run on a
LocalCluster of K worker processes (default: one per core) bound to 127.0.0.1, every server of it
on loopback and no dashboard (--dashboard serves one at http://127.0.0.1:8787/status, or at a free
port when 8787 is taken, and prints where); with it, on the running cluster at ADDRESS, whose
workers must import meshprobe (they never read MESH). The value file goes to OUT (default: the
command line's NAME_labels.lb beside MESH), with the bytes `meshprobe MESH EPSILON` writes; --png
and --stats as the command line's. The exit status is 0 when the mesh was measured and written, 1
when it could not be read or written, 2 for a bad argument (one line, before any cluster starts).
"""

import argparse
import os
import sys
import warnings


def refuse(why):
    print("roughness_tiles_dask: %s" % why, file=sys.stderr)
    return 2


def main(argv=None):
    import meshprobe

    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("mesh")
    parser.add_argument("epsilon", help="the neighbourhood radius, as the command line takes it")
    parser.add_argument("--tiles", type=int, required=True, help="spatial tiles of the mesh")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler")
    parser.add_argument("--dashboard", action="store_true",
                        help="serve the local cluster's dashboard at http://127.0.0.1:%d/status"
                        % meshprobe.DASHBOARD_PORT)
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                        help="worker processes of the local cluster (default: one per core)")
    parser.add_argument("-o", "--output", help="the value file (default: NAME_labels.lb)")
    parser.add_argument("--png", help="also write the picture to PATH")
    parser.add_argument("--stats", help="also write the statistics as JSON to PATH")
    parser.add_argument("--length", type=float, help="lengths are fractions of L, as --length")
    args = parser.parse_args(argv)

    # Every argument is checked before a cluster starts: a fault is one line and status 2.
    try:
        epsilons = meshprobe.parse_epsilons(args.epsilon)
    except ValueError as error:
        return refuse(str(error))
    if len(epsilons) != 1:
        return refuse("one epsilon, not %d" % len(epsilons))
    text, epsilon = epsilons[0]
    if args.workers < 1:
        return refuse("--workers must be at least 1, not %d" % args.workers)
    # The options and outputs are checked as the command line checks them: a value out of range,
    # an output that would replace the mesh, two on one path, or one that cannot be written is
    # refused here.
    try:
        [planned] = meshprobe.plan_outputs([args.mesh], [text], values=args.output or True,
                                           png=args.png, stats=args.stats, tiles=args.tiles,
                                           length=args.length)
    except ValueError as error:
        return refuse(str(error))
    except OSError as error:
        return fail(error)
    output = planned["values"][0]
    # The plan reads and cuts the mesh here, before any cluster starts; the workers never read it.
    try:
        plan = meshprobe.TilePlan(args.mesh, epsilon, tiles=args.tiles, length=args.length,
                                  values=output, png=planned["png"][0],
                                  stats=planned["stats"][0])
    except ValueError as error:  # the reader's refusal, after the path: the command line's
        return fail("cannot read %s" % error)
    except OSError as error:
        return fail(error)

    from dask.distributed import Client, LocalCluster

    # A count of facets left out is a warning of the command line's kind, on one line.
    warnings.showwarning = lambda message, *rest: print(
        "roughness_tiles_dask: warning: %s" % message, file=sys.stderr)
    # On a terminal, one line on standard error follows the stages' tiles.
    progress = meshprobe.terminal_progress("roughness_tiles_dask")
    try:
        if args.scheduler:
            with Client(args.scheduler) as client:
                result = meshprobe.run_tile_plan(plan, client=client, threads=1,
                                                 progress=progress)
        else:
            # Each worker process runs one task at a time, its passes on one thread.
            with LocalCluster(n_workers=args.workers, threads_per_worker=1,
                              **meshprobe.local_cluster_options(args.dashboard)) as cluster, \
                    Client(cluster) as client:
                if args.dashboard:
                    print("roughness_tiles_dask: dashboard at %s" % cluster.dashboard_link,
                          file=sys.stderr)
                result = meshprobe.run_tile_plan(plan, client=client, threads=1,
                                                 progress=progress)
    except ValueError as error:
        progress(None)
        return fail("cannot measure %s" % error)
    except OSError as error:
        progress(None)
        return fail(error)
    progress(None)
    print("roughness_tiles_dask: %s at epsilon %s: %d vertices measured in %d tiles; values in %s"
          % (args.mesh, text, result["vertices_measured"], plan.tile_count, output))
    return 0


def fail(why):
    print("roughness_tiles_dask: %s" % why, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
