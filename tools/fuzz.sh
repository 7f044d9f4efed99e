#!/bin/sh
# Fuzzes one target of fuzz/ for a given number of seconds, with AddressSanitizer,
# UndefinedBehaviorSanitizer and libFuzzer:
#
#   sh tools/fuzz.sh TARGET SECONDS [LIBFUZZER-OPTION...]
#
# TARGET is read_fuzzer (reading as the programs read), measure_fuzzer (a whole measurement as
# the programs make it) or tile_plan_fuzzer (a tile plan handed mixed-up results), the names
# listed in fuzz/targets.cmake. Needs clang and its runtime libraries (Debian: clang,
# libclang-rt-14-dev). The build goes to ./build-fuzz; the corpus grown from
# fuzz/corpus/TARGET to build-fuzz/corpus/TARGET; crashes, hangs, leaks and memory exhaustion,
# each with the input that caused it, to build-fuzz/findings/TARGET, along with the log of the run.
set -eu
cd "$(dirname "$0")/.."

if [ $# -lt 2 ]; then
  echo "usage: sh tools/fuzz.sh TARGET SECONDS [LIBFUZZER-OPTION...]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
if [ ! -d "fuzz/corpus/$target" ]; then
  echo "fuzz: no seed corpus fuzz/corpus/$target (is $target a target of fuzz/?)" >&2
  exit 2
fi

build_dir=build-fuzz
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release \
    -DMESHPROBE_BUILD_FUZZERS=ON -DMESHPROBE_BUILD_TESTS=OFF
fi
cmake --build "$build_dir" --target "$target" -j 2

corpus="$build_dir/corpus/$target"
findings="$build_dir/findings/$target"
mkdir -p "$corpus" "$findings"
log="$findings/log-$(date +%Y%m%d-%H%M%S).txt"

# One process on one core. A run ends at the first finding: an input that takes over 10 seconds
# is a hang, one that needs over 2 GB an exhaustion of memory.
# The builder's own diagnostics on standard error are silenced; libFuzzer's and the sanitizers'
# reports still appear. The script ends with the fuzzer's exit status.
status_file="$findings/.status"
{
  status=0
  "$build_dir/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -close_fd_mask=2 -artifact_prefix="$findings/" "$@" \
    "$corpus" "fuzz/corpus/$target" 2>&1 || status=$?
  echo "$status" >"$status_file"
} | tee "$log"
status=$(cat "$status_file")
rm -f "$status_file"
exit "$status"
