#!/bin/sh
# Installs what the build needs from Debian's packages (when run as root and something is
# missing), then configures and builds meshprobe in ./build (or $MESHPROBE_BUILD_DIR). Used by the
# two commands of the README. Arguments of the form -DNAME=VALUE go to CMake's configuration; the
# others name the targets to build (all when none is named).
set -eu
cd "$(dirname "$0")/.."

packages="g++ make cmake libcgal-dev libgtest-dev libpng-dev zlib1g-dev libcxxopts-dev nlohmann-json3-dev
  libfreetype-dev fonts-dejavu-core bindfs libjs-three chromium
  pybind11-dev python3-dev python3-numpy python3-pytest python3-dask python3-distributed
  python3-meshio python3-open3d python3-mypy python3-venv python3-setuptools python3-pip"
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
options=""
targets=""
for argument in "$@"; do
  case "$argument" in
    -D*) options="$options $argument" ;;
    *) targets="$targets $argument" ;;
  esac
done
# shellcheck disable=SC2086 # the lists are split into words on purpose
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release $options
if [ -n "$targets" ]; then
  # shellcheck disable=SC2086
  cmake --build "$build_dir" -j "$(nproc)" --target $targets
else
  cmake --build "$build_dir" -j "$(nproc)"
fi
