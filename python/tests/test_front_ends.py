"""One table of inputs through the three front ends (the command line, the Python module and the
installed C++ API, run as tests/api/api_probe): each must accept and refuse the same inputs, and
where they accept, give the same values, both as the value file lists them and per vertex of the
file with NaN where a vertex is not measured. A second table runs every writer (the programs,
the Python calls that write, the C++ outputs component and the Dask examples) through one set of
output requests and bad values: each must refuse or accept alike, in the same words, and leave
the input as it was."""

import gzip
import os
import subprocess
import sys
import threading
from pathlib import Path

import numpy as np
import pytest

import meshprobe
from conftest import BINARY, DATA_DIR, as_value_file

pytestmark = pytest.mark.e2e

API_PROBE = os.environ.get("MESHPROBE_API_PROBE", "build/tests/api_probe")


def feed_fifo(path, content):
    """Makes a FIFO at `path` and writes `content` into it from a thread, once a reader opens it."""
    os.mkfifo(path)

    def write():
        with open(path, "wb") as fifo:
            fifo.write(content)

    writer = threading.Thread(target=write, daemon=True)
    writer.start()
    return writer


# Each front end returns whether it accepted the file, and its values or else its refusal's words.
def by_command_line(path, epsilon):
    run = subprocess.run([BINARY, "-o", "-", str(path), epsilon], capture_output=True,
                         timeout=120)
    if run.returncode != 0:
        return False, run.stderr.decode().strip()
    return True, run.stdout


def by_python(path, epsilon):
    try:
        values = meshprobe.roughness_of_file(str(path), float(epsilon))
    except (ValueError, OSError) as error:
        return False, str(error)
    return True, values


def by_api(path, epsilon):
    run = subprocess.run([API_PROBE, str(path), epsilon], capture_output=True, timeout=120)
    if run.returncode != 0:
        assert run.stderr, "a refusal says why"
        return False, run.stderr.decode().strip()
    value_lines, file_lines = run.stdout.split(b"file\n")
    return True, (value_lines, np.array([float(v) for v in file_lines.split()], np.float32))


GRID_OFF = ("OFF\n10 8 0\n" + "".join("%d %d %g\n" % (i % 3, i // 3, 0.1 * (i % 2))
                                    for i in range(9)) + "5 5 5\n"
            + "3 0 1 4\n3 0 4 3\n3 1 2 5\n3 1 5 4\n3 3 4 7\n3 3 7 6\n3 4 5 8\n3 4 8 7\n")
ONLY_POINTS = "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
FORMATS = 'OFF, PLY, STL, OBJ (by a name ending in "obj")'


def bunny_points_as_ply():
    """The bunny's 1839 vertices as an ASCII PLY point cloud, without its facets."""
    lines = (DATA_DIR / "bunny.off").read_text().split("\n")
    count = int(lines[1].split()[0])
    header = ("ply\nformat ascii 1.0\nelement vertex %d\nproperty float x\nproperty float y\n"
              "property float z\nend_header\n" % count)
    return (header + "\n".join(lines[2:2 + count]) + "\n").encode()


def bunny_gzip():
    return gzip.compress((DATA_DIR / "bunny.off").read_bytes(), mtime=0)


CASES = [
    # name, file content (bytes, a file of data/, "folder", or None: no file), the file's ending,
    # how it is given, epsilon, accepted, the refusal's words (None: not compared)
    ("bunny", "bunny.off", ".off", "file", "0.01", True, None),
    ("bunny through a FIFO", "bunny.off", ".off", "fifo", "0.01", True, None),
    ("a vertex no facet uses", GRID_OFF.encode(), ".off", "file", "0.3", True, None),
    ("bunny gzipped", bunny_gzip, ".off.gz", "file", "0.01", True, None),
    ("bunny gzipped, named as OFF", bunny_gzip, ".off", "file", "0.01", True, None),
    ("bunny gzipped through a FIFO", bunny_gzip, ".off.gz", "fifo", "0.01", True, None),
    ("a mesh without facets", ONLY_POINTS.encode(), ".obj", "file", "0.01", False,
     "the file holds 3 vertices and no facet: roughness needs a surface"),
    ("a point cloud", bunny_points_as_ply, ".ply", "file", "0.01", False,
     "the file holds 1839 vertices and no facet: roughness needs a surface"),
    ("a gzipped point cloud", lambda: gzip.compress(bunny_points_as_ply()), ".ply.gz", "file",
     "0.01", False, "the file holds 1839 vertices and no facet: roughness needs a surface"),
    ("an empty file", b"", ".off", "file", "0.01", False, "the file is empty"),
    ("a VTK file", b"# vtk DataFile Version 3.0\nbunny\nASCII\nDATASET POLYDATA\n", ".vtk",
     "file", "0.01", False,
     "it is a VTK file, not a format read here: " + FORMATS + ", or one of them gzipped"),
    ("a gzip file holding no mesh", lambda: gzip.compress(b"hello\n"), ".off.gz", "file", "0.01",
     False, "the gzip file holds no mesh file of a format read here: " + FORMATS),
    ("a damaged gzip file", lambda: bunny_gzip()[:-8] + b"\0\0\0\0" + bunny_gzip()[-4:],
     ".off.gz", "file", "0.01", False, "the gzip data is damaged (incorrect data check)"),
    ("a truncated gzip file", lambda: bunny_gzip()[:5000], ".off.gz", "file", "0.01", False,
     "the gzip data is cut short"),
    ("no mesh format", b"x" * 300, ".txt", "file", "0.01", False,
     "not a mesh file of a format read here: " + FORMATS + ", or one of them gzipped"),
    ("an STL file of the wrong size", b"x" * 100, ".stl", "file", "0.01", False,
     "not an OFF, PLY or ASCII STL file, and as binary STL its count of 2021161080 triangles "
     "needs 101058054084 bytes where the file has 100"),
    ("a missing file", None, ".off", "file", "0.01", False, None),
    ("epsilon 0", "bunny.off", ".off", "file", "0", False, None),
    ("a negative epsilon", "bunny.off", ".off", "file", "-0.01", False, None),
    ("a folder", "folder", ".off", "file", "0.01", False, None),
]


@pytest.mark.parametrize("name, content, ending, given, epsilon, accepted, refusal", CASES,
                         ids=[case[0] for case in CASES])
def test_front_ends_agree(tmp_path, name, content, ending, given, epsilon, accepted, refusal):
    results = {}
    for front_end in (by_command_line, by_python, by_api):
        path = tmp_path / (front_end.__name__ + ending)
        writer = None
        if content == "folder":
            path.mkdir()
        elif content is not None:
            data = (DATA_DIR / content).read_bytes() if isinstance(content, str) \
                else content() if callable(content) else content
            if given == "fifo":
                writer = feed_fifo(path, data)
            else:
                path.write_bytes(data)
        results[front_end.__name__] = front_end(path, epsilon)
        if writer is not None:
            writer.join(timeout=60)
            assert not writer.is_alive(), front_end.__name__ + " left the FIFO unread"
    assert {k: ok for k, (ok, _) in results.items()} == dict.fromkeys(results, accepted)
    if not accepted:
        if refusal is not None:
            # Each front end names the file before the reader's words, in its own way.
            for front_end, (_, words) in results.items():
                assert words.endswith(": " + refusal), (front_end, words)
        return
    value_file = results["by_command_line"][1]
    if "gzip" in name:
        # The file inside gives the very values of the plain file.
        plain = tmp_path / "plain.off"
        plain.write_bytes((DATA_DIR / "bunny.off").read_bytes())
        assert value_file == by_command_line(plain, epsilon)[1]
    api_values, api_file_order = results["by_api"][1]
    python_file_order = results["by_python"][1]
    assert value_file.count(b"\n") > 0
    assert api_values == value_file
    assert as_value_file(python_file_order[~np.isnan(python_file_order)]) == value_file
    np.testing.assert_array_equal(python_file_order, api_file_order)
    if name == "a vertex no facet uses":
        assert np.isnan(python_file_order[-1]) and np.isnan(api_file_order[-1])


# The writers: every front end that writes outputs, given one set of requests. Each runner takes
# the mesh, the outputs asked for ({"values": path, "ply": path, ...}) and options ({"epsilon":
# text, "length": ..., "threads": ..., "tiles": ..., "range": (lo, hi)}), and returns "ok",
# "refused" (status 2, ValueError) or "failed" (status 1, OSError) with the message, or None
# where the front end has no way to ask for that.

FIELDS_BINARY = os.environ.get("MESHPROBE_FIELDS_BINARY", "build/meshprobe-fields")
EXAMPLES_DIR = Path(os.environ.get("MESHPROBE_EXAMPLES_DIR", "examples"))
STATUS = {0: "ok", 1: "failed", 2: "refused"}


def program_outcome(command, prefix):
    run = subprocess.run([str(part) for part in command], capture_output=True, text=True,
                         timeout=300, env=dict(os.environ))
    lines = [line for line in run.stderr.splitlines() if line.startswith(prefix)]
    return STATUS.get(run.returncode, run.stderr), lines[0][len(prefix):] if lines else ""


def python_outcome(call):
    try:
        call()
    except ValueError as error:
        return "refused", str(error)
    except OSError as error:
        return "failed", str(error)
    return "ok", ""


def write_by_command_line(mesh, outputs, options):
    command = [BINARY, mesh, options.get("epsilon", "0.01")]
    command += ["-o", outputs["values"]] if "values" in outputs else ["--no-values"]
    command += ["--%s=%s" % (kind, path) for kind, path in outputs.items() if kind != "values"]
    for name in ("length", "threads", "tiles", "dpi"):
        if name in options:
            command += ["--" + name, options[name]]
    if "range" in options:
        command += ["--range", "%s:%s" % options["range"]]
    return program_outcome(command, "meshprobe: ")


def python_epsilon(options):
    """The epsilon, or the list of epsilons that the command line writes "0.01,0.02"."""
    texts = options.get("epsilon", "0.01").split(",")
    return float(texts[0]) if len(texts) == 1 else [float(text) for text in texts]


def several_epsilons(options):
    return "," in options.get("epsilon", "")


def write_by_fields(mesh, outputs, options):
    if (list(outputs) not in (["ply"], ["csv"], ["png"]) or set(options) - {"epsilon"}
            or several_epsilons(options)):
        return None
    [path] = outputs.values()
    return program_outcome([FIELDS_BINARY, mesh, options.get("epsilon", "0.01"), path],
                           "meshprobe-fields: ")


def python_options(options, *allowed):
    made = {name: float(value) if name == "length" else int(value)
            for name, value in options.items() if name in ("length", "threads", "tiles", "dpi")}
    if "range" in options:
        made["range"] = tuple(float(v) for v in options["range"])
    return made if set(made) <= set(allowed) else None


def write_by_measure_file(mesh, outputs, options):
    kwargs = python_options(options, "length", "threads", "tiles", "range", "dpi")
    return python_outcome(lambda: meshprobe.measure_file(
        mesh, python_epsilon(options), **outputs, **kwargs))


def write_by_write_outputs(mesh, outputs, options):
    kwargs = python_options(options, "length", "threads", "range", "dpi")
    if kwargs is None:
        return None
    vertices, faces = meshprobe.read(mesh)
    return python_outcome(lambda: meshprobe.write_outputs(
        vertices, faces, python_epsilon(options), name=mesh, **outputs, **kwargs))


def write_by_tiles(mesh, outputs, options):
    kwargs = python_options(options, "length", "threads", "tiles", "range", "dpi")
    if kwargs is None:
        return None
    return python_outcome(lambda: meshprobe.measure_file_in_tiles(
        mesh, python_epsilon(options), **outputs, **{"tiles": 2, **kwargs}))


def write_by_cpp_outputs(mesh, outputs, options):
    if set(options) - {"epsilon"} or "html" in outputs or several_epsilons(options):
        return None
    command = [API_PROBE, mesh, options.get("epsilon", "0.01")]
    for kind, option in (("values", "--values"), ("png", "--png"), ("stats", "--stats"),
                         ("ply", "--ply"), ("csv", "--csv")):
        if kind in outputs:
            command += [option, outputs[kind]]
    run = subprocess.run([str(part) for part in command], capture_output=True, text=True,
                         timeout=300)
    # The installed API has one way to fail: Result::error, which the probe prints.
    return ("ok" if run.returncode == 0 else "refused or failed"), run.stderr.strip()


def write_by_tiles_example(mesh, outputs, options):
    if (set(outputs) - {"values", "png", "stats"} or set(options) - {"epsilon", "tiles", "length"}
            or several_epsilons(options)):
        return None
    command = [sys.executable, EXAMPLES_DIR / "roughness_tiles_dask.py", mesh,
               options.get("epsilon", "0.01"), "--tiles", options.get("tiles", "2"),
               "--workers", "1"]
    command += ["--length", options["length"]] if "length" in options else []
    command += ["-o", outputs["values"]] if "values" in outputs else []
    command += ["--%s=%s" % (kind, outputs[kind]) for kind in ("png", "stats") if kind in outputs]
    return program_outcome(command, "roughness_tiles_dask: ")


WRITERS = [write_by_command_line, write_by_fields, write_by_measure_file, write_by_write_outputs,
           write_by_tiles, write_by_cpp_outputs, write_by_tiles_example]

# MESH is the input (a PLY file), LINK a symbolic link to it, FIFO a FIFO drained by a reader,
# TAKEN.png a folder, MISSING a folder that does not exist.
WRITER_CASES = [
    # name, outputs, options, outcome, message (the part before ', not "' for a value rule)
    ("the value file is the input", {"values": "MESH"}, {}, "refused",
     "the output MESH would replace the input mesh MESH"),
    ("the value file is a link to the input", {"values": "LINK"}, {}, "refused",
     "the output LINK would replace the input mesh MESH"),
    ("the PLY is the input", {"ply": "MESH"}, {}, "refused",
     "the output MESH would replace the input mesh MESH"),
    ("the CSV is the input", {"csv": "MESH"}, {}, "refused",
     "the output MESH would replace the input mesh MESH"),
    ("the picture is the input", {"png": "MESH"}, {}, "refused",
     "the output MESH would replace the input mesh MESH"),
    ("the statistics are a link to the input", {"stats": "LINK"}, {}, "refused",
     "the output LINK would replace the input mesh MESH"),
    ("the report is the input", {"html": "MESH"}, {}, "refused",
     "the output MESH would replace the input mesh MESH"),
    ("two outputs on one path", {"ply": "OUT.ply", "csv": "OUT.ply"}, {}, "refused",
     "two outputs of this run would be written to one file: OUT.ply (from MESH) and OUT.ply "
     "(from MESH)"),
    ("one value file for two epsilons", {"values": "OUT.lb"}, {"epsilon": "0.01,0.02"}, "refused",
     "one path (OUT.lb) is given for the value files of 2 epsilons: give one mesh and one "
     "epsilon, or let the names be derived"),
    ("an output in a missing folder", {"png": "MISSING/out.png"}, {}, "failed",
     "cannot write MISSING/out.png: the folder MISSING does not exist"),
    ("an output that is a folder", {"png": "TAKEN.png"}, {}, "refused",
     "cannot write TAKEN.png: it is a folder"),
    ("a FIFO output", {"csv": "FIFO"}, {}, "ok", ""),
    ("epsilon 0", {"values": "OUT.lb"}, {"epsilon": "0"}, "refused",
     "epsilon must be a number greater than 0"),
    ("length 0", {"values": "OUT.lb"}, {"length": "0"}, "refused",
     "length must be a number greater than 0"),
    ("threads 0", {"values": "OUT.lb"}, {"threads": "0"}, "refused",
     "threads must be a whole number of at least 1"),
    ("tiles 0", {"values": "OUT.lb"}, {"tiles": "0"}, "refused",
     "tiles must be a whole number from 1 to 4096"),
    ("a range upside down", {"png": "OUT.png"}, {"range": ("1", "0")}, "refused",
     "range must be two finite numbers LO < HI"),
    ("dpi 0", {"png": "OUT.png"}, {"dpi": "0"}, "refused",
     "dpi must be a whole number from 1 to 10000"),
]


def drain(path):
    """Reads the FIFO at `path` to its end from a thread, as a pipe's reader would."""
    def read():
        with open(path, "rb") as fifo:
            while fifo.read(65536):
                pass

    reader = threading.Thread(target=read, daemon=True)
    reader.start()
    return reader


@pytest.mark.parametrize("writer", WRITERS, ids=[w.__name__[len("write_by_"):] for w in WRITERS])
@pytest.mark.parametrize("name, outputs, options, outcome, message", WRITER_CASES,
                         ids=[case[0] for case in WRITER_CASES])
def test_writers_refuse_alike_and_leave_the_input(tmp_path, meshes, writer, name, outputs, options,
                                                  outcome, message):
    mesh = tmp_path / "scan.ply"
    subprocess.run([BINARY, "--no-values", "--ply=%s" % mesh, meshes / "grid.off", "0.05"],
                   check=True)
    original = mesh.read_bytes()
    (tmp_path / "link.ply").symlink_to(mesh)
    (tmp_path / "taken.png").mkdir()
    places = {"MESH": str(mesh), "LINK": str(tmp_path / "link.ply"),
              "FIFO": str(tmp_path / "fifo.csv"), "TAKEN.png": str(tmp_path / "taken.png"),
              "MISSING": str(tmp_path / "missing"), "OUT": str(tmp_path / "out")}

    def placed(text):
        for word in sorted(places, key=len, reverse=True):
            text = text.replace(word, places[word])
        return text

    reader = None
    if "FIFO" in outputs.values():
        os.mkfifo(places["FIFO"])
        reader = drain(places["FIFO"])
    options = {key: value if key == "range" else str(value) for key, value in options.items()}
    got = writer(str(mesh), {kind: placed(path) for kind, path in outputs.items()}, options)
    if reader is not None:
        if got is None or got[0] != "ok":
            with open(places["FIFO"], "wb"):  # lets the reader's open return
                pass
        reader.join(timeout=60)
    if got is None:
        pytest.skip("%s has no way to ask for this" % writer.__name__)
    status, words = got
    if writer is write_by_cpp_outputs and outcome != "ok":
        outcome = "refused or failed"
    assert status == outcome, words
    # A value is named as the front end spells it: --length on the command line, length= here.
    assert words.split(', not "')[0].removeprefix("--") == placed(message)
    assert mesh.read_bytes() == original
    assert sorted(p.name for p in tmp_path.iterdir() if p.name.startswith("out")) == []


def test_a_batch_whose_meshes_share_output_names_is_refused_alike(tmp_path, meshes):
    folder = tmp_path / "batch"
    folder.mkdir()
    for ending in ("obj", "off"):
        (folder / ("a." + ending)).write_bytes((meshes / ("grid." + ending)).read_bytes())
    inputs = {p: p.read_bytes() for p in folder.iterdir()}
    first, second = sorted(str(p) for p in inputs)
    message = ("two outputs of this run would be written to one file: %s (from %s) and %s (from "
               "%s)" % (folder / "a_labels.lb", first, folder / "a_labels.lb", second))
    assert program_outcome([BINARY, "-e", "0.05", first, second], "meshprobe: ") == \
        ("refused", message)
    assert program_outcome([sys.executable, EXAMPLES_DIR / "roughness_dask.py", folder, "0.05"],
                           "roughness_dask: ") == ("refused", message)
    assert python_outcome(lambda: meshprobe.plan_outputs([first, second], ["0.05"])) == \
        ("refused", message)
    assert {p: p.read_bytes() for p in folder.iterdir()} == inputs


# A gzip file through every front end that reads a file: the same results as the plain file, and
# the outputs named after the file inside. OFF is read whole; OBJ, tiled, in passes.
def gzip_results(front_end, folder, name):
    """The outputs of `front_end` on the file, with its path (which a PLY's comment quotes) as
    MESH."""
    path = str(folder / name)
    return [result.replace(path.encode(), b"MESH")
            for result in front_end_results(front_end, folder, path)]


def front_end_results(front_end, folder, path):
    if front_end in ("command line", "command line, tiled"):
        tiles = ["--tiles", "2"] if front_end.endswith("tiled") else []
        subprocess.run([BINARY, path, "0.01", "--csv"] + tiles, check=True, timeout=120)
        return [(folder / "bunny_labels.lb").read_bytes(),
                (folder / "bunny_fields.csv").read_bytes()]
    if front_end in ("measure_file", "measure_file, tiled"):
        tiles = {"tiles": 2} if front_end.endswith("tiled") else {}
        meshprobe.measure_file(path, 0.01, values=True, ply=True, **tiles)
        return [(folder / "bunny_labels.lb").read_bytes(),
                (folder / "bunny_roughness.ply").read_bytes()]
    if front_end == "measure_file_in_tiles":
        meshprobe.measure_file_in_tiles(path, 0.01, tiles=3, values=str(folder / "values.lb"))
        return [(folder / "values.lb").read_bytes()]
    if front_end == "roughness_of_file":
        return [meshprobe.roughness_of_file(path, 0.01, tiles=2).tobytes(),
                meshprobe.roughness_of_file(path, 0.01).tobytes()]
    if front_end == "read":
        vertices, faces = meshprobe.read(path)
        return [vertices.tobytes(), np.asarray(faces).tobytes()]
    run = subprocess.run([API_PROBE, path, "0.01"], capture_output=True, check=True, timeout=120)
    return [run.stdout]


GZIP_FRONT_ENDS = ["command line", "command line, tiled", "measure_file", "measure_file, tiled",
                   "measure_file_in_tiles", "roughness_of_file", "read", "C++ API"]


@pytest.mark.parametrize("ending", [".off", ".obj"])
@pytest.mark.parametrize("front_end", GZIP_FRONT_ENDS)
def test_gzip_input_gives_the_plain_files_results(tmp_path, front_end, ending):
    plain = tmp_path / "plain"
    packed = tmp_path / "packed"
    plain.mkdir()
    packed.mkdir()
    content = (DATA_DIR / ("bunny" + ending)).read_bytes()
    (plain / ("bunny" + ending)).write_bytes(content)
    (packed / ("bunny" + ending + ".gz")).write_bytes(gzip.compress(content))
    expected = gzip_results(front_end, plain, "bunny" + ending)
    assert all(len(result) > 0 for result in expected)
    assert gzip_results(front_end, packed, "bunny" + ending + ".gz") == expected


def test_a_pipe_needs_its_outputs_named(tmp_path):
    """A pipe's path (/dev/fd/N) names no file to derive output names from: refused, nothing
    written; with -o the same values as the file."""
    mesh = DATA_DIR.resolve() / "bunny.off"
    binary = os.path.abspath(BINARY)
    command = "'%s' <(gzip -c < '%s') 0.01" % (binary, mesh)
    refused = subprocess.run(["bash", "-c", command], cwd=tmp_path, capture_output=True,
                             text=True, timeout=120)
    assert refused.returncode == 2
    assert "has no file name to name its outputs after: give their paths (-o PATH" \
        in refused.stderr
    assert list(tmp_path.iterdir()) == []
    named = subprocess.run(["bash", "-c", command + " -o piped.lb"], cwd=tmp_path,
                           capture_output=True, text=True, timeout=120)
    assert named.returncode == 0, named.stderr
    (tmp_path / "bunny.off").write_bytes(mesh.read_bytes())
    subprocess.run([binary, "bunny.off", "0.01"], cwd=tmp_path, check=True, timeout=120)
    assert (tmp_path / "piped.lb").read_bytes() == (tmp_path / "bunny_labels.lb").read_bytes()
    read_end, write_end = os.pipe()
    try:
        with pytest.raises(ValueError, match="has no file name to name its outputs after"):
            meshprobe.measure_file("/dev/fd/%d" % read_end, 0.01, values=True)
    finally:
        os.close(read_end)
        os.close(write_end)


def write_large_gzip(path):
    import zlib
    packer = zlib.compressobj(1, zlib.DEFLATED, 16 + zlib.MAX_WBITS)
    blank = b" " * (1 << 20)
    with open(path, "wb") as file:
        file.write(packer.compress(b"OFF\n"))
        for _ in range(256):
            file.write(packer.compress(blank))
        file.write(packer.flush())


def write_large_sparse(path):
    with open(path, "wb") as file:
        file.write(b"OFF\n")
        file.truncate(256 << 20)


LARGE_FILES = [
    ("large.off.gz", write_large_gzip, "the gzip file holds more than ",
     " bytes, more than memory can hold"),
    ("large.off", write_large_sparse, "the file's 268435456 bytes are more than memory can hold",
     ""),
]


@pytest.mark.skipif("LD_PRELOAD" in os.environ,
                    reason="the sanitizers' runtimes reserve more address space than the limit")
@pytest.mark.parametrize("name, write, begins, ends", LARGE_FILES,
                         ids=[case[0] for case in LARGE_FILES])
def test_a_file_larger_than_memory_is_refused(tmp_path, name, write, begins, ends):
    """256 MB of OFF (in 0.3 MB of gzip, or sparse), read with 160 MB of address space: one line,
    status 1, no crash."""
    import resource
    write(tmp_path / name)

    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (160 << 20, 160 << 20))

    run = subprocess.run([os.path.abspath(BINARY), name, "0.01"], cwd=tmp_path,
                         capture_output=True, text=True, timeout=120, preexec_fn=limit)
    assert run.returncode == 1, run.stderr
    assert run.stderr.startswith("meshprobe: cannot read %s: %s" % (name, begins)), run.stderr
    assert run.stderr.endswith(ends + "\n")
