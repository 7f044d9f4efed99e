"""The meshprobe command, as installed with the package: `python -m meshprobe ARGS` and the
`meshprobe` script that pip puts on the environment's PATH run the C++ program built with the
module, with the same arguments, output and exit status."""

import os
import sys
from pathlib import Path


def program() -> Path:
    """The program packed beside the module."""
    return Path(__file__).resolve().parent / "_bin" / "meshprobe"


def main() -> None:
    path = program()
    if not os.access(path, os.X_OK):
        print("meshprobe: the program is not installed with this package (%s)" % path,
              file=sys.stderr)
        sys.exit(1)
    # The process becomes the program: its status, signals and streams are the caller's.
    os.execv(path, ["meshprobe", *sys.argv[1:]])


if __name__ == "__main__":
    main()
