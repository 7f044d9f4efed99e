#!/bin/sh
# Measures `meshprobe --tiles` against the untiled run on a synthetic terrain of SIZE x SIZE
# vertices (bench/make_terrain.py, generated into bench/data/ when missing). For each run: wall
# time, CPU time (user + system) and peak resident memory (from /usr/bin/time); then the tiled
# run's peak memory and CPU as fractions of the untiled run's, and whether the two value files
# are byte for byte identical, which tiling must keep them.
#
# Usage: sh bench/tiles-bench.sh [SIZE] [EPSILON] [TILES]     (default 2000 0.0015 16)
# Builds nothing: MESHPROBE_BINARY names the binary (default build/meshprobe of this tree).
# Threads as meshprobe chooses them (OMP_NUM_THREADS, or every core), the same for both runs.
# Needs /usr/bin/time (Debian package `time`) and python3 with numpy (Debian's python3-numpy).
# Exit status: 0 values identical; 1 a run failed or the values differ; 2 wrong arguments.
set -eu
caller=$(pwd)
cd "$(dirname "$0")/.."
root=$(pwd)

size=${1:-2000}
epsilon=${2:-0.0015}
tiles=${3:-16}
usage() {
  echo "tiles-bench: $1" >&2
  echo "usage: sh bench/tiles-bench.sh [SIZE] [EPSILON] [TILES]" >&2
  exit 2
}
[ "$#" -le 3 ] || usage "at most three arguments"
case "$size" in '' | *[!0-9]*) usage "SIZE must be a whole number, not '$size'" ;; esac
case "$tiles" in '' | *[!0-9]*) usage "TILES must be a whole number, not '$tiles'" ;; esac
[ "$size" -ge 2 ] || usage "SIZE must be at least 2"

# A relative MESHPROBE_BINARY is taken from where the script was called, as the shell would.
case "${MESHPROBE_BINARY:-}" in
  '') binary=$root/build/meshprobe ;;
  /*) binary=$MESHPROBE_BINARY ;;
  */*) binary=$caller/$MESHPROBE_BINARY ;;
  *) binary=$(command -v "$MESHPROBE_BINARY" || echo "$MESHPROBE_BINARY") ;;
esac
if [ ! -x "$binary" ]; then
  echo "tiles-bench: no meshprobe binary at $binary; build it first" >&2
  echo "  (cmake -S . -B build && cmake --build build), or set MESHPROBE_BINARY" >&2
  exit 1
fi
if [ ! -x /usr/bin/time ]; then
  echo "tiles-bench: /usr/bin/time is needed (Debian package time)" >&2
  exit 1
fi

mesh=bench/data/terrain_$size.ply
if [ ! -s "$mesh" ]; then
  # The python3 first on PATH may be a virtual environment without numpy; Debian's has it.
  python=""
  for candidate in python3 /usr/bin/python3; do
    if "$candidate" -c 'import numpy' >/dev/null 2>&1; then
      python=$candidate
      break
    fi
  done
  if [ -z "$python" ]; then
    echo "tiles-bench: generating the terrain needs python3 with numpy (python3-numpy)" >&2
    exit 1
  fi
  echo "tiles-bench: generating $mesh"
  "$python" bench/make_terrain.py --size "$size" "$mesh"
fi

out=bench/out
mkdir -p "$out"
run_base=$out/terrain_$size-$epsilon

# timed NAME [OPTION...]: runs meshprobe on the terrain, its value file to $run_base-NAME.lb,
# its messages to .err and /usr/bin/time's line to .time; leaves the exit status in $status.
timed() {
  name=$1
  shift
  status=0
  /usr/bin/time -f '%e %U %S %M' -o "$run_base-$name.time" \
    "$binary" "$@" -o "$run_base-$name.lb" "$mesh" "$epsilon" 2> "$run_base-$name.err" ||
    status=$?
}

# row LABEL NAME: one line of the table from the run's .time file. GNU time puts "Command
# exited with non-zero status" above its line when the run fails, so only the last line counts.
row() {
  tail -n 1 "$run_base-$2.time" |
    awk -v label="$1" '{ printf "%-10s %9.2f %9.2f %9.0f\n", label, $1, $2 + $3, $4 / 1024 }'
}

vertices=$(sed -n 's/^element vertex //p' "$mesh" | head -n 1)
threads=${OMP_NUM_THREADS:-$(nproc)}
echo "terrain $size x $size ($vertices vertices), epsilon $epsilon, $threads threads, $binary"
printf '%-10s %9s %9s %9s\n' run wall_s cpu_s peak_MiB

timed untiled
if [ "$status" -ne 0 ]; then
  echo "tiles-bench: the untiled run failed (status $status):" >&2
  head -n 5 "$run_base-untiled.err" >&2
  exit 1
fi
row untiled untiled

timed tiled --tiles "$tiles"
if [ "$status" -ne 0 ]; then
  printf '%-10s failed (status %s)\n' "tiles $tiles" "$status"
  echo "tiles-bench: the tiled run failed (status $status):" >&2
  head -n 5 "$run_base-tiled.err" >&2
  if [ "$status" -eq 2 ]; then
    echo "tiles-bench: status 2 is a refused argument: does this meshprobe know --tiles?" >&2
  fi
  exit 1
fi
row "tiles $tiles" tiled

# Ratios from the raw kilobytes and seconds, not from the rounded table.
echo "$(tail -n 1 "$run_base-untiled.time") $(tail -n 1 "$run_base-tiled.time")" |
  awk '{ untiled_cpu = $2 + $3; tiled_cpu = $6 + $7
         memory = "-"; cpu = "-"
         if ($4 > 0) memory = sprintf("%.2f", $8 / $4)
         if (untiled_cpu > 0) cpu = sprintf("%.2f", tiled_cpu / untiled_cpu)
         printf "tiled/untiled: peak memory %s, CPU %s\n", memory, cpu }'

if cmp -s "$run_base-untiled.lb" "$run_base-tiled.lb"; then
  echo "values: identical"
else
  echo "values: DIFFERENT ($(cmp "$run_base-untiled.lb" "$run_base-tiled.lb" 2>&1 || true))"
  exit 1
fi
