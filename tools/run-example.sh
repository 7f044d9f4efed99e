#!/bin/sh
# Sets up and builds meshprobe, then measures the roughness of the shipped bunny at epsilon 0.01.
# The values land in data/bunny_labels.lb, one line per vertex.
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh meshprobe meshprobe-fields
./build/meshprobe data/bunny.off 0.01
lines=$(wc -l < data/bunny_labels.lb)
echo "meshprobe: wrote data/bunny_labels.lb ($lines values)"
