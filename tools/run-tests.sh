#!/bin/sh
# Sets up and builds meshprobe with its tests, then runs the whole suite.
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh
cd build
ctest --output-on-failure -j "$(nproc)"
