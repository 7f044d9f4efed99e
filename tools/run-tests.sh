#!/bin/sh
# Builds meshprobe with its tests and runs them, ending with one line "N passed, N failed".
#
#   sh tools/run-tests.sh           the gate (CI runs it): sets up, builds ./build and runs every
#                                   test but the fuzz corpora while ./build-sanitize builds
#                                   (AddressSanitizer and UndefinedBehaviorSanitizer, where any
#                                   memory fault, leak or undefined behaviour fails the test that
#                                   caused it), then runs every test there but the package tests
#                                   and the slow Python ones (Dask clusters, the browser); what
#                                   needs neither the sanitizers nor a second run runs once
#   sh tools/run-tests.sh --quick   the loop while working: builds what changed in ./build and
#                                   runs the unit and end-to-end tests that are not slow
#
# Both builds treat warnings as errors. The gate stops at the first build or suite that fails.
set -eu
cd "$(dirname "$0")/.."

jobs=$(nproc)
# One test more than cores: many tests wait on a child process or the disk part of the time.
test_jobs=$((jobs + 1))
# Tests share the cores, so a waiting OpenMP thread sleeps rather than spins: by default each
# program's idle threads spin as if they had the machine to themselves, which took a third of
# the sanitizer suite's processor time. Values do not depend on it.
export OMP_WAIT_POLICY=passive
passed=0
failed=0
skipped=0

# Runs ctest in folder $1 with the selection in the other arguments and adds its counts up.
run_ctest() {
  folder=$1
  shift
  ctest_log=$(mktemp)
  (cd "$folder" && ctest --output-on-failure -j "$test_jobs" "$@") 2>&1 | tee "$ctest_log" || true
  # ctest's closing line: "97% tests passed, 3 tests failed out of 120".
  counts=$(sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests* failed out of \([0-9]*\)$/\1 \2/p' "$ctest_log")
  # Tests that skip themselves count as passed in that line; ctest lists them after it.
  skips=$(sed -n '/^The following tests did not run:/,$p' "$ctest_log" | grep -c '(Skipped)$' || true)
  rm -f "$ctest_log"
  if [ -z "$counts" ]; then
    echo "run-tests: ctest in $folder ended without its closing line" >&2
    failed=$((failed + 1))
    return 1
  fi
  set -- $counts
  failed=$((failed + $1))
  passed=$((passed + $2 - $1 - skips))
  skipped=$((skipped + skips))
  [ "$1" -eq 0 ]
}

started=$(date +%s)
# The minutes since the start, after a phase of the gate, so that its time can be followed.
elapsed() {
  now=$(date +%s)
  echo "run-tests: $1 after $(( (now - started) / 60 )) min $(( (now - started) % 60 )) s"
}

finish() {
  echo "$passed passed, $failed failed, $skipped skipped"
  [ "$failed" -eq 0 ]
}

case "${1:-}" in
  --quick)
    if [ -f build/CMakeCache.txt ]; then
      cmake --build build -j "$jobs"
    else
      sh tools/setup.sh -DMESHPROBE_WERROR=ON
    fi
    run_ctest build -L "unit|e2e" -LE slow || true
    finish
    ;;
  "")
    sh tools/setup.sh -DMESHPROBE_WERROR=ON
    elapsed "the plain build"
    # The sanitizer build compiles while the plain suite runs, at a lower priority: the suite
    # leaves cores idle while its longest tests end. Its log follows the suite's.
    builds=$(mktemp -d)
    (MESHPROBE_BUILD_DIR=build-sanitize nice -n 10 sh tools/setup.sh -DMESHPROBE_SANITIZE=ON \
      -DMESHPROBE_WERROR=ON >"$builds/build" 2>&1; echo $? >"$builds/status") &
    builder=$!
    # The fuzz targets' corpora run once, in the sanitizer build, where they find the most.
    if ! run_ctest build -E '^FuzzCorpus[.]'; then
      kill "$builder" 2>/dev/null || true
      finish || true
      exit 1
    fi
    elapsed "the plain suite"
    wait "$builder" || true
    cat "$builds/build"
    status=$(cat "$builds/status" 2>/dev/null || echo 1)
    rm -rf "$builds"
    if [ "$status" -ne 0 ]; then
      echo "run-tests: the sanitizer build failed" >&2
      exit 1
    fi
    # A sanitizer report aborts the process, so that a failing run can never pass for a refusal.
    export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1
    export UBSAN_OPTIONS=print_stacktrace=1:abort_on_error=1
    elapsed "the sanitizer build"
    # The Dask clusters' and the browser's tests (Python.slow) run once, in the plain build: the
    # code of ours they call runs under the sanitizers in Python.e2e and the C++ suites.
    run_ctest build-sanitize -LE package -E '^Python[.]slow$' || true
    elapsed "the sanitizer suite"
    finish
    ;;
  *)
    echo "usage: sh tools/run-tests.sh [--quick]" >&2
    exit 2
    ;;
esac
