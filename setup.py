"""Builds the compiled part of the meshprobe package with the project's CMake build.

pyproject.toml holds the package's metadata; this file adds what setuptools cannot know: the
version, read from CMakeLists.txt's project(VERSION ...) (the one the command line's --version
prints), and a build_ext step that configures CMake for the interpreter running pip, builds the
module target and copies the extension where setuptools packs it. setuptools is the backend
because Debian packages it: pip can then build offline with --no-build-isolation.
"""

import os
import pathlib
import re
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = pathlib.Path(__file__).resolve().parent


def project_version() -> str:
    text = (SOURCE / "CMakeLists.txt").read_text(encoding="utf-8")
    found = re.search(r"project\(\s*meshprobe\s+VERSION\s+([0-9.]+)", text)
    if found is None:
        raise RuntimeError("CMakeLists.txt names no project(meshprobe VERSION ...)")
    return found.group(1)


class CMakeBuild(build_ext):
    """Runs cmake for the target meshprobe_python instead of compiling sources itself."""

    def build_extension(self, ext: Extension) -> None:
        # MESHPROBE_CMAKE_BUILD_DIR keeps the CMake build between runs (a wheel after an install
        # then rebuilds nothing); otherwise it lives in setuptools' temporary folder.
        kept = os.environ.get("MESHPROBE_CMAKE_BUILD_DIR")
        build_dir = (pathlib.Path(kept) if kept else pathlib.Path(self.build_temp) / "cmake").resolve()
        build_dir.mkdir(parents=True, exist_ok=True)
        configure = [
            "cmake",
            "-S",
            str(SOURCE),
            "-B",
            str(build_dir),
            "-DCMAKE_BUILD_TYPE=Release",
            f"-DPython3_EXECUTABLE={sys.executable}",
            "-DMESHPROBE_BUILD_TESTS=OFF",
            "-DMESHPROBE_BUILD_PYTHON=ON",
        ]
        subprocess.run(configure, check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(
            ["cmake", "--build", str(build_dir), "--target", "meshprobe_python", "-j", jobs],
            check=True,
        )
        built = sorted((build_dir / "python" / "meshprobe").glob("_core*.so"))
        if not built:
            raise RuntimeError(f"the CMake build left no meshprobe/_core*.so in {build_dir}")
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built[0]), str(target))


setup(
    version=project_version(),
    ext_modules=[Extension("meshprobe._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
