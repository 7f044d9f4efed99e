#!/bin/sh
# Installs what the build needs from Debian's packages (when run as root and something is
# missing), then configures and builds meshprobe in ./build. Used by the two commands of the
# README; arguments name the targets to build (all when none is named).
set -eu
cd "$(dirname "$0")/.."

packages="g++ make cmake libcgal-dev libgtest-dev libpng-dev"
missing=""
for package in $packages; do
  dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
if [ -n "$missing" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing Debian packages:$missing (run as root to install them)" >&2
    exit 1
  fi
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
fi

build_dir="${MESHPROBE_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release
if [ "$#" -gt 0 ]; then
  cmake --build "$build_dir" -j "$(nproc)" --target "$@"
else
  cmake --build "$build_dir" -j "$(nproc)"
fi
