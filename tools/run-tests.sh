#!/bin/sh
# Sets up and builds meshprobe with its tests, then runs the whole suite twice: in the optimised
# build (./build) and in the build with AddressSanitizer and UndefinedBehaviorSanitizer
# (./build-sanitize), where any memory fault, leak or undefined behaviour fails the test that
# caused it. Both builds treat warnings as errors. Stops at the first build or suite that fails.
set -eu
cd "$(dirname "$0")/.."

jobs=$(nproc)
sh tools/setup.sh -DMESHPROBE_WERROR=ON
(cd build && ctest --output-on-failure -j "$jobs")

MESHPROBE_BUILD_DIR=build-sanitize sh tools/setup.sh -DMESHPROBE_SANITIZE=ON -DMESHPROBE_WERROR=ON
# A sanitizer report aborts the process, so that a failing run can never pass for a refusal.
ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1 \
  UBSAN_OPTIONS=print_stacktrace=1:abort_on_error=1 \
  sh -c "cd build-sanitize && ctest --output-on-failure -j $jobs"
