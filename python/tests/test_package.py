"""The package as Python users get it: its type stub against the built module, and `pip install`
into a fresh virtual environment, offline, from a copy of the source tree."""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

import meshprobe
from conftest import BINARY

pytestmark = pytest.mark.package

SOURCE = Path(__file__).resolve().parents[2]


def project_version():
    text = (SOURCE / "CMakeLists.txt").read_text()
    return re.search(r"project\(meshprobe VERSION ([0-9.]+)", text).group(1)


def test_the_stub_matches_the_module():
    pytest.importorskip("mypy")
    allowlist = os.path.join(os.path.dirname(os.path.dirname(__file__)), "stubtest_allowlist.txt")
    run = subprocess.run([sys.executable, "-m", "mypy.stubtest", "meshprobe",
                          "--allowlist", allowlist],
                         capture_output=True, text=True, timeout=600,
                         cwd=os.path.dirname(os.path.dirname(meshprobe.__file__)))
    assert run.returncode == 0, run.stdout + run.stderr


def test_the_module_and_the_command_line_give_one_version():
    assert meshprobe.__version__ == project_version()


def copy_source(target):
    """The files of the source tree, without build folders or version control."""
    ignored = shutil.ignore_patterns(".git", "build*", "__pycache__", "*.egg-info")
    shutil.copytree(SOURCE, target, ignore=ignored)


@pytest.mark.slow
@pytest.mark.skipif("LD_PRELOAD" in os.environ,
                    reason="the sanitizer build's module runs only with its runtimes preloaded")
def test_pip_installs_into_a_fresh_venv_and_its_wheel_into_another(tmp_path):
    # MESHPROBE_PIP_BUILD (set by the CTest registration) is the suite's own build: pip then
    # packs the module the suite tested, from these sources, and builds nothing again. Without
    # it, pip builds a copy of the sources from scratch, as a user's pip does.
    kept = os.environ.get("MESHPROBE_PIP_BUILD")
    if kept:
        source, build = SOURCE, Path(kept)
    else:
        source, build = tmp_path / "src", tmp_path / "cmake-build"
        copy_source(source)
    # One CMake build serves the install and the wheel: the second pip run rebuilds nothing.
    environment = dict(os.environ, PIP_NO_INDEX="1", PIP_DISABLE_PIP_VERSION_CHECK="1",
                       MESHPROBE_CMAKE_BUILD_DIR=str(build))
    environment.pop("PYTHONPATH", None)  # the build folder's module must not be what imports
    pythons = []
    for name in ("venv", "other"):
        subprocess.run([sys.executable, "-m", "venv", "--system-site-packages",
                        str(tmp_path / name)], check=True, timeout=300)
        pythons.append(str(tmp_path / name / "bin" / "python"))

    def run(python, *arguments, cwd=tmp_path):
        done = subprocess.run([python, *arguments], cwd=cwd, env=environment,
                              capture_output=True, text=True, timeout=1800)
        assert done.returncode == 0, done.stdout[-3000:] + done.stderr[-3000:]
        return done.stdout

    run(pythons[0], "-m", "pip", "install", "--no-build-isolation", str(source))
    run(pythons[0], "-m", "pip", "wheel", "--no-build-isolation", "--no-deps", "-w",
        str(tmp_path / "wheels"), str(source))
    shown = run(pythons[0], "-m", "pip", "show", "meshprobe")
    assert "Version: %s\n" % project_version() in shown
    wheels = list((tmp_path / "wheels").glob("meshprobe-*.whl"))
    assert len(wheels) == 1
    run(pythons[1], "-m", "pip", "install", "--no-deps", str(wheels[0]))
    check = ("import meshprobe, pathlib; p = pathlib.Path(meshprobe.__file__).parent; "
             "print(meshprobe.__version__, (p / 'py.typed').exists(), "
             "(p / '__init__.pyi').exists(), str(p).startswith(%r))")
    for python, venv in zip(pythons, ("venv", "other")):
        assert run(python, "-c", check % str(tmp_path / venv)).split() == [
            project_version(), "True", "True", "True"]
    # The command comes with the package, as a script on the environment's PATH and as
    # `python -m meshprobe`: the developer build's program, its values and its statuses.
    bunny = SOURCE / "data" / "bunny.off"
    expected = subprocess.run([BINARY, "-o", "-", str(bunny), "0.01"], capture_output=True,
                              check=True).stdout
    for python, venv in zip(pythons, ("venv", "other")):
        for command in ([str(tmp_path / venv / "bin" / "meshprobe")], [python, "-m", "meshprobe"]):
            measured = subprocess.run([*command, "-o", "-", str(bunny), "0.01"], env=environment,
                                      capture_output=True, timeout=300)
            assert (measured.returncode, measured.stdout) == (0, expected), measured.stderr
            version = subprocess.run([*command, "--version"], env=environment,
                                     capture_output=True, text=True, timeout=300)
            assert version.stdout == "meshprobe %s\n" % project_version()
            refused = subprocess.run([*command, str(bunny), "0"], env=environment,
                                     capture_output=True, text=True, timeout=300)
            assert refused.returncode == 2
            assert refused.stderr == 'meshprobe: epsilon must be a number greater than 0, not "0"\n'

