"""The local Dask cluster of the examples: reached from this machine alone."""

from typing import Any

# The dashboard's port with dashboard=True, as Dask's own default.
DASHBOARD_PORT = 8787


def local_cluster_options(dashboard: bool = False) -> dict[str, Any]:
    """LocalCluster's keywords for a cluster that only this machine reaches: the scheduler, the
    workers and their HTTP servers on 127.0.0.1 (each on a free port), and the dashboard only
    when asked for, then at 127.0.0.1:8787 (at a free port when another program holds it)."""
    return dict(host="127.0.0.1", worker_dashboard_address="127.0.0.1:0",
                dashboard_address="127.0.0.1:%d" % (DASHBOARD_PORT if dashboard else 0),
                scheduler_kwargs={"dashboard": bool(dashboard)})


def terminal_progress(program: str, stream: Any = None) -> Any:
    """A progress callable (stage, fraction) for a long run: on a terminal, one line on `stream`
    (default standard error) such as "roughness_dask: meshes  42%", rewritten in place and
    cleared by calling it with the stage None; elsewhere it writes nothing, so that logs stay
    clean."""
    import sys

    out = stream if stream is not None else sys.stderr
    shown = [False]

    def report(stage: Any, fraction: float = 0.0) -> None:
        if not out.isatty():
            return
        if stage is None:
            if shown[0]:
                out.write("\r\033[K")
                out.flush()
            shown[0] = False
            return
        out.write("\r\033[K%s: %s %3d%%" % (program, stage, int(100 * fraction)))
        out.flush()
        shown[0] = True

    return report
