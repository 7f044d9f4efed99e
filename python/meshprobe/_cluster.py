"""The local Dask cluster of the examples: reached from this machine alone."""

from typing import Any

# The dashboard's port with dashboard=True, as Dask's own default.
DASHBOARD_PORT = 8787


def local_cluster_options(dashboard: bool = False) -> dict[str, Any]:
    """LocalCluster's keywords for a cluster that only this machine reaches: the scheduler, the
    workers and their HTTP servers on 127.0.0.1 (each on a free port), and the dashboard only
    when asked for, then at 127.0.0.1:8787."""
    return dict(host="127.0.0.1", worker_dashboard_address="127.0.0.1:0",
                dashboard_address="127.0.0.1:%d" % (DASHBOARD_PORT if dashboard else 0),
                scheduler_kwargs={"dashboard": bool(dashboard)})
