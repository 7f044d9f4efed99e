#!/bin/sh
# Measures meshprobe on real meshes: the shipped bunny and the Stanford dragon (437,645 vertices,
# fetched by bench/fetch-dragon.sh, not committed), at epsilon 0.005, 0.01 and 0.02, on one
# thread and on every core. For each run: wall time, CPU time and peak memory of meshprobe
# (from /usr/bin/time -v), in all and per vertex of the mesh (the value file's lines), the time
# of each stage (from meshprobe-fields --timings), and whether the value file matches the
# reference values in bench/reference.
#
# Usage: sh bench/run-bench.sh [MESH...]     (default: data/bunny.off and the dragon)
# Needs /usr/bin/time (Debian package `time`) and npm for the download.
set -eu
cd "$(dirname "$0")/.."

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DMESHPROBE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target meshprobe meshprobe-fields >/dev/null

if [ "$#" -gt 0 ]; then
  meshes="$*"
else
  sh bench/fetch-dragon.sh
  meshes="data/bunny.off bench/data/dragon_vrip.ply"
fi
out=bench/out
mkdir -p "$out"
cores=$(nproc)

field() { sed -n "s/^[[:space:]]*$1:[[:space:]]*//p" "$2"; }

reference_check() {  # mesh epsilon value-file
  name=$(basename "$1")
  name=${name%.*}
  case "$name" in
    bunny) reference="bench/reference/bunny_$2.lb"
      if [ -f "$reference" ]; then cmp -s "$3" "$reference" && echo same || echo DIFFERENT; return; fi ;;
    dragon_vrip) if [ "$2" = 0.01 ]; then
        expected=$(cut -d' ' -f1 bench/reference/dragon_0.01.sha256)
        actual=$(sha256sum "$3" | cut -d' ' -f1)
        [ "$expected" = "$actual" ] && echo same || echo DIFFERENT; return
      fi ;;
  esac
  echo "-"
}

printf '%-16s %-7s %-7s %8s %8s %8s %9s  %s\n' mesh epsilon threads wall_s cpu_s peak_MB \
  B/vertex reference
for mesh in $meshes; do
  base=$(basename "$mesh")
  base=${base%.*}
  for epsilon in 0.005 0.01 0.02; do
    for threads in 1 "$cores"; do
      run="$out/$base-$epsilon-$threads"
      cp "$mesh" "$run.${mesh##*.}"
      OMP_NUM_THREADS=$threads /usr/bin/time -v "$build/meshprobe" "$run.${mesh##*.}" "$epsilon" \
        2> "$run.time"
      wall=$(field "Elapsed (wall clock) time (h:mm:ss or m:ss)" "$run.time" |
        awk -F: '{ s = 0; for (i = 1; i <= NF; ++i) s = s * 60 + $i; print s }')
      cpu=$(awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$run.time")
      peak_kb=$(field "Maximum resident set size (kbytes)" "$run.time")
      peak=$(echo "$peak_kb" | awk '{ printf "%.0f", $1 / 1024 }')
      vertices=$(wc -l < "${run}_labels.lb")
      per_vertex=$(awk -v kb="$peak_kb" -v n="$vertices" 'BEGIN { if (n > 0) printf "%.0f", kb * 1024 / n; else print "-" }')
      same=$(reference_check "$mesh" "$epsilon" "${run}_labels.lb")
      printf '%-16s %-7s %-7s %8s %8s %8s %9s  %s\n' "$base" "$epsilon" "$threads" "$wall" "$cpu" \
        "$peak" "$per_vertex" "$same"
      OMP_NUM_THREADS=$threads "$build/meshprobe-fields" "$run.${mesh##*.}" "$epsilon" \
        "$run-fields.csv" --timings > "$run.stages"
      rm -f "$run.${mesh##*.}" "$run-fields.csv"
    done
  done
done

echo
echo "Stage times in seconds (meshprobe-fields --timings):"
for stages in "$out"/*.stages; do
  printf '%-28s' "$(basename "$stages" .stages)"
  awk '{ name = $1; for (i = 2; i < NF - 1; ++i) name = name "_" $i; printf " %s=%s", name, $(NF - 1) }' "$stages"
  echo
done
