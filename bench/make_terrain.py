#!/usr/bin/env python3
"""Writes a synthetic terrain: an N x N grid over [0,1]x[0,1] as a binary little-endian PLY.

    make_terrain.py [--size N] [OUTPUT]     (default N = 2000, OUTPUT bench/data/terrain_N.ply)

Vertices are float x y z (row by row, x fastest), faces a uchar count and three int indices, two
triangles per grid cell, counter-clockwise seen from +z. The heights are a fixed function of the
grid indices, so the same N gives the same bytes wherever the C library's sine rounds alike;
the file appears only when complete.
"""

import argparse
import math
import os
import sys
import tempfile

import numpy as np

# Smooth relief: plane waves (cycles across the unit square in x and y, amplitude, phase). The
# largest amplitudes sum to about 0.11, so z spans about a fifth of x and y and the largest
# bounding-box side stays 1 -- epsilons mean the same fraction of the terrain at every size.
WAVES = (
    (1.0, 0.5, 0.060, 0.3),
    (2.3, -1.7, 0.030, 1.1),
    (5.0, 7.0, 0.012, 2.0),
    (-11.0, 13.0, 0.005, 0.7),
    (23.0, -19.0, 0.002, 2.9),
    (41.0, 37.0, 0.001, 4.2),
)

# Fine roughness: per-vertex bumps of up to this fraction of the grid spacing, so the roughness
# seen at a fixed number of cells does not fade as N grows.
BUMP_PER_SPACING = 0.25

# The bumps are scaled by an envelope that is 1 - ENVELOPE_DEPTH at its lowest and 1 at its
# highest, ENVELOPE_CYCLES times across x and y: smooth and rough regions in one map.
ENVELOPE_DEPTH = 0.9
ENVELOPE_CYCLES = 1.5

# The face indices are int32: a larger grid would hold vertices they cannot name.
MAX_SIZE = 46340


def wave_tables(coords, cycles, phase):
    """sin and cos of 2*pi*cycles*coords + phase, from Python's math library.

    Tables of one dimension cost nothing, and taking them from libm rather than numpy's vectorised
    sine keeps the heights independent of numpy's version and of the CPU's vector units.
    """
    angles = [2.0 * math.pi * cycles * c + phase for c in coords]
    return (np.array([math.sin(a) for a in angles]), np.array([math.cos(a) for a in angles]))


def bump_hash(rows, cols):
    """A value in [-1, 1) per (row, column): an integer hash, the same on every machine.

    The lowbias32 mixer (Wellons) on a key mixing both indices; uint32 products wrap modulo 2^32,
    which is the arithmetic the mixer is designed for.
    """
    key = rows[:, None].astype(np.uint32) * np.uint32(0x9E3779B1) ^ cols[None, :].astype(np.uint32)
    key ^= key >> np.uint32(16)
    key *= np.uint32(0x7FEB352D)
    key ^= key >> np.uint32(15)
    key *= np.uint32(0x846CA68B)
    key ^= key >> np.uint32(16)
    # The top 24 bits are exact in float64 and give an even spread on [-1, 1).
    return (key >> np.uint32(8)).astype(np.float64) * (2.0 / (1 << 24)) - 1.0


def heights(size):
    """The z of every grid vertex, shape (size, size), rows along y."""
    coords = [k / (size - 1) for k in range(size)]
    z = np.zeros((size, size))
    # sin(a x + b y + p) = sin(a x + p) cos(b y) + cos(a x + p) sin(b y): each wave from two pairs
    # of 1D tables, combined by products and sums only, which IEEE arithmetic rounds the same
    # everywhere.
    for fx, fy, amplitude, phase in WAVES:
        sx, cx = wave_tables(coords, fx, phase)
        sy, cy = wave_tables(coords, fy, 0.0)
        z += amplitude * (cy[:, None] * sx[None, :] + sy[:, None] * cx[None, :])

    ex, _ = wave_tables(coords, ENVELOPE_CYCLES, 0.0)
    ey, _ = wave_tables(coords, ENVELOPE_CYCLES, 0.5 * math.pi)
    # A product of a sine and a cosine, so (1 + product) / 2 lies in [0, 1].
    envelope = 1.0 - ENVELOPE_DEPTH * 0.5 * (1.0 + ey[:, None] * ex[None, :])
    spacing = 1.0 / (size - 1)
    index = np.arange(size)
    z += (BUMP_PER_SPACING * spacing) * envelope * bump_hash(index, index)
    return z


def vertex_block(size):
    """The vertices as packed little-endian float32 x y z, row by row."""
    coords = np.array([k / (size - 1) for k in range(size)])
    vertices = np.empty((size, size, 3), dtype="<f4")
    vertices[:, :, 0] = coords[None, :]
    vertices[:, :, 1] = coords[:, None]
    vertices[:, :, 2] = heights(size)
    return vertices.reshape(-1, 3)


def face_block(size):
    """The faces as packed records: uchar 3 and three int32 indices, two per cell."""
    cells = size - 1
    lower_left = (np.arange(cells)[:, None] * size + np.arange(cells)[None, :]).ravel()
    faces = np.empty(2 * lower_left.size, dtype=np.dtype([("n", "u1"), ("v", "<i4", (3,))]))
    faces["n"] = 3
    # Corners a (i, j), b (i+1, j), c (i+1, j+1), d (i, j+1): triangles a b c and a c d, both
    # counter-clockwise seen from +z, so the normals point up.
    corners = faces["v"].reshape(-1, 2, 3)
    corners[:, 0, 0] = lower_left
    corners[:, 0, 1] = lower_left + 1
    corners[:, 0, 2] = lower_left + size + 1
    corners[:, 1, 0] = lower_left
    corners[:, 1, 1] = lower_left + size + 1
    corners[:, 1, 2] = lower_left + size
    return faces


def header(size):
    return (
        "ply\n"
        "format binary_little_endian 1.0\n"
        f"comment synthetic terrain, {size} x {size} grid, bench/make_terrain.py\n"
        f"element vertex {size * size}\n"
        "property float x\n"
        "property float y\n"
        "property float z\n"
        f"element face {2 * (size - 1) ** 2}\n"
        "property list uchar int vertex_indices\n"
        "end_header\n"
    ).encode("ascii")


def write_atomically(path, size):
    """Writes the terrain to a temporary file beside PATH, then renames it over PATH."""
    folder = os.path.dirname(os.path.abspath(path))
    os.makedirs(folder, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".terrain-", suffix=".part")
    try:
        with os.fdopen(handle, "wb") as out:
            out.write(header(size))
            vertex_block(size).tofile(out)
            face_block(size).tofile(out)
            out.flush()
            os.fsync(out.fileno())
        os.chmod(temporary, 0o644)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--size", type=int, default=2000, help="vertices per side (default 2000)")
    parser.add_argument("output", nargs="?", help="default: bench/data/terrain_SIZE.ply")
    args = parser.parse_args()
    if not 2 <= args.size <= MAX_SIZE:
        parser.error(f"--size must be between 2 and {MAX_SIZE}")
    output = args.output
    if output is None:
        bench = os.path.dirname(os.path.abspath(__file__))
        output = os.path.join(bench, "data", f"terrain_{args.size}.ply")
    try:
        write_atomically(output, args.size)
    except OSError as error:
        print(f"make_terrain: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
