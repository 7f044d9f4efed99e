"""Builds the compiled part of the meshprobe package with the project's CMake build.

pyproject.toml holds the package's metadata; this file adds what setuptools cannot know: the
version, read from CMakeLists.txt's project(VERSION ...) (the one the command line's --version
prints), and a build_ext step that configures CMake for the interpreter running pip, builds the
module target (with the command line program, which it depends on) and copies both where
setuptools packs them. setuptools is the backend
because Debian packages it: pip can then build offline with --no-build-isolation.
"""

import os
import pathlib
import re
import subprocess
import sys
import sysconfig

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
        # then rebuilds nothing); otherwise it lives in setuptools' temporary folder. A folder
        # that holds a build of these sources already (the test suite's) is built in as it was
        # configured, so that the package is made of the very objects the suite tested.
        kept = os.environ.get("MESHPROBE_CMAKE_BUILD_DIR")
        build_dir = (pathlib.Path(kept) if kept else pathlib.Path(self.build_temp) / "cmake").resolve()
        build_dir.mkdir(parents=True, exist_ok=True)
        if not configured_for_these_sources(build_dir):
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
        # The build prints its progress, which pip shows with -v.
        subprocess.run(
            ["cmake", "--build", str(build_dir), "--target", "meshprobe_python", "-j", jobs],
            check=True,
        )
        # The module must be built for the interpreter running pip, whoever configured the build.
        suffix = sysconfig.get_config_var("EXT_SUFFIX")
        built = build_dir / "python" / "meshprobe" / f"_core{suffix}"
        if not built.exists():
            raise RuntimeError(f"the CMake build in {build_dir} made no meshprobe/_core{suffix}")
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))
        # The command line program, built with the module (the target depends on it), runs as
        # `meshprobe` and `python -m meshprobe` from the package (meshprobe/__main__.py).
        program = build_dir / "python" / "meshprobe" / "_bin" / "meshprobe"
        if not program.exists():
            raise RuntimeError(f"the CMake build in {build_dir} made no meshprobe program")
        (target.parent / "_bin").mkdir(exist_ok=True)
        self.copy_file(str(program), str(target.parent / "_bin" / "meshprobe"))


def configured_for_these_sources(build_dir: pathlib.Path) -> bool:
    """True when `build_dir` holds a CMake build configured from this very source folder."""
    cache = build_dir / "CMakeCache.txt"
    if not cache.exists():
        return False
    for line in cache.read_text(encoding="utf-8", errors="replace").splitlines():
        if line.startswith("CMAKE_HOME_DIRECTORY:"):
            home = line.split("=", 1)[1]
            return pathlib.Path(home).resolve() == SOURCE
    return False


# With a kept CMake build, setuptools' own folders go beside it rather than into the sources.
options = {}
if os.environ.get("MESHPROBE_CMAKE_BUILD_DIR"):
    options["build"] = {
        "build_base": str(pathlib.Path(os.environ["MESHPROBE_CMAKE_BUILD_DIR"]).resolve() / "setuptools")
    }

setup(
    version=project_version(),
    options=options,
    ext_modules=[Extension("meshprobe._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
