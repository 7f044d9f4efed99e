"""The HTML report and the batch index: what the command line, the module and the Dask example
write, and what a headless Chromium shows of it offline."""

import base64
import json
import math
import os
import re
import subprocess
import sys
from pathlib import Path
from urllib.parse import unquote

import numpy as np
import pytest

import meshprobe
from browser import CHROMIUM, Browser
from conftest import BINARY, EXAMPLES_DIR, write_obj, bumpy_grid

pytestmark = pytest.mark.e2e

needs_chromium = pytest.mark.skipif(
    CHROMIUM is None, reason="Chromium is missing (Debian's chromium; tools/run-tests.sh "
    "installs it)")
# The browser sees the same page in the plain build, where these tests run: under the sanitizers
# they would test the browser, not the writer, whose tests above run there.
not_under_sanitizers = pytest.mark.skipif(
    "LD_PRELOAD" in os.environ, reason="the page's bytes are the plain build's, tested there")


def data_of(page):
    """The data element's JSON, ended where a browser ends it."""
    text = Path(page).read_text(encoding="utf-8")
    start = text.index('<script type="application/json" id="meshprobe-data">')
    start = text.index(">", start) + 1
    return json.loads(text[start:text.index("</script", start)])


def decoded(text, dtype):
    return np.frombuffer(base64.b64decode(text), dtype=dtype)


def value_lines(values):
    """The value file's lines for the page's values: it holds 0 where nothing was measured."""
    return "".join("%f \n" % (0.0 if math.isnan(v) else v) for v in values.tolist())


def run_cli(*arguments, check=True, cwd=None):
    return subprocess.run([os.path.abspath(BINARY), *map(str, arguments)], capture_output=True,
                          text=True, timeout=300, check=check, cwd=cwd)


@pytest.fixture(scope="module")
def unmeasured_obj(tmp_path_factory):
    """A grid with points no facet uses: OBJ keeps them as vertices that are not measured."""
    path = tmp_path_factory.mktemp("unmeasured") / "grid.obj"
    points, faces = bumpy_grid()
    write_obj(path, points, faces)
    return path


@pytest.mark.parametrize("mesh_name", ["bunny.off", "bunny.obj", "unmeasured"])
def test_data_element_holds_the_value_files_numbers(meshes, unmeasured_obj, tmp_path, mesh_name):
    mesh = unmeasured_obj if mesh_name == "unmeasured" else meshes / mesh_name
    run_cli("--html=%s" % (tmp_path / "r.html"), "-o", tmp_path / "v.lb", mesh, "0.01")
    data = data_of(tmp_path / "r.html")
    values = decoded(data["values"][0], "<f4")
    assert value_lines(values) == (tmp_path / "v.lb").read_text()
    vertices = decoded(data["vertices"], "<f4").reshape(-1, 3)
    faces = decoded(data["faces"], "<u4").reshape(-1, 3)
    assert len(vertices) == len(values) and faces.max() < len(values)
    # The coordinates are the file's own, row by row.
    file_points, _ = meshprobe.read(mesh)
    rows = decoded(data["rows"], "<u4")
    assert np.array_equal(vertices, file_points[rows])
    measured = int(np.count_nonzero(~np.isnan(values)))
    assert measured == data["statistics"][0]["vertices_measured"]
    if mesh_name == "unmeasured":
        assert measured < len(values)


def test_several_epsilons_share_one_report_and_two_runs_the_same_bytes(meshes, tmp_path):
    for run in ("a", "b"):
        run_cli("--html", "--no-values", "-d", tmp_path / run, meshes / "bunny.off",
                "0.005,0.01")
    first = (tmp_path / "a" / "bunny_report.html").read_bytes()
    assert first == (tmp_path / "b" / "bunny_report.html").read_bytes()
    data = data_of(tmp_path / "a" / "bunny_report.html")
    assert data["epsilon_texts"] == ["0.005", "0.01"]
    for k, epsilon in enumerate(["0.005", "0.01"]):
        reference = Path(os.environ.get("MESHPROBE_DATA_DIR", "data")).parent / "bench" / \
            "reference" / ("bunny_%s.lb" % epsilon)
        assert value_lines(decoded(data["values"][k], "<f4")) == reference.read_text()


@pytest.mark.parametrize("options", [{}, {"range": (0.0, 2.0)}])
def test_python_writes_the_command_lines_bytes(meshes, tmp_path, options):
    mesh = str(meshes / "bunny.off")
    extra = ["--range=%g:%g" % options["range"]] if options else []
    run_cli("--html=%s" % (tmp_path / "cli.html"), "--no-values", *extra, mesh, "0.01")
    meshprobe.measure_file(mesh, 0.01, html=tmp_path / "module.html", **options)
    assert (tmp_path / "module.html").read_bytes() == (tmp_path / "cli.html").read_bytes()
    # Arrays carry the name given and the format "arrays"; every number is the file's.
    points, faces = meshprobe.read(meshes / "bunny.obj")
    run_cli("--html=%s" % (tmp_path / "obj.html"), "--no-values", *extra,
            meshes / "bunny.obj", "0.01")
    meshprobe.write_outputs(points, faces, 0.01, html=str(tmp_path / "arrays.html"),
                            name=str(meshes / "bunny.obj"), **options)
    from_arrays, from_file = data_of(tmp_path / "arrays.html"), data_of(tmp_path / "obj.html")
    for key in ("vertices", "faces", "values", "rows", "ranges"):
        assert from_arrays[key] == from_file[key], key


@pytest.mark.parametrize("arguments, message", [
    (["--html-index", "i.html", "-e", "0.01", "A", "B"], "--html-index lists the reports"),
    (["--html=r.html", "-e", "0.01", "A", "B"], "one path (r.html) is given for the reports of 2 meshes"),
    (["--html=r.html", "--ply=r.html", "A", "0.01"], "two outputs of this run"),
    (["--html", "--html-index", "A_report.html", "A", "0.01"], "two outputs of this run"),
    (["--html=A.off", "A", "0.01"], "would replace the input mesh"),
])
def test_refusals(meshes, tmp_path, arguments, message):
    mesh = tmp_path / "A.off"
    mesh.write_bytes((meshes / "bunny.off").read_bytes())
    run = run_cli(*[str(mesh) if a == "A" else str(tmp_path / "B") if a == "B" else a
                    for a in arguments], check=False, cwd=tmp_path)
    assert run.returncode == 2 and message in run.stderr, run.stderr
    assert mesh.read_bytes() == (meshes / "bunny.off").read_bytes()


def batch(meshes, tmp_path):
    """Three meshes, one broken, in a folder; their paths in name order."""
    folder = tmp_path / "scans"
    folder.mkdir()
    (folder / "broken.off").write_text("OFF\n3 1 0\n0 0 0\n")
    for name in ("bunny.off", "grid.obj"):
        (folder / name).write_bytes((meshes / name).read_bytes())
    return [folder / name for name in ("broken.off", "bunny.off", "grid.obj")]


def index_links(index):
    text = index.read_text()
    return [unquote(link) for link in re.findall(r'(?:href|src)="([^"]+)"', text)]


def test_a_batch_gets_an_index_with_every_mesh_and_working_links(meshes, tmp_path):
    paths = batch(meshes, tmp_path)
    run = run_cli("--html", "--png", "-d", tmp_path / "out", "-e", "0.01", *paths, check=False)
    assert run.returncode == 1
    index = tmp_path / "out" / "index.html"
    text = index.read_text()
    assert text.count("<tr>") == 4  # the head, then one row per mesh
    assert "more than the file&#39;s" in text or "more than the file's 16 bytes" in text
    links = index_links(index)
    assert sorted(links) == sorted(["bunny_report.html", "grid_report.html",
                                    "bunny_roughness.png", "bunny_roughness.png",
                                    "grid_roughness.png", "grid_roughness.png"])
    for link in links:
        assert (index.parent / link).is_file(), link


@pytest.mark.slow
def test_the_dask_example_writes_the_command_lines_index(meshes, tmp_path):
    paths = batch(meshes, tmp_path)
    run_cli("--html", "--no-values", "-d", tmp_path / "out", "-e", "0.01", *paths, check=False)
    run = subprocess.run(
        [sys.executable, str(EXAMPLES_DIR / "roughness_dask.py"), str(paths[0].parent), "0.01",
         "--out", str(tmp_path / "dask"), "--workers", "2", "--html"],
        capture_output=True, text=True, timeout=300, env=dict(os.environ))
    assert run.returncode == 1, run.stderr
    cli_index = (tmp_path / "out" / "index.html").read_text()
    # Only the folder of the outputs differs.
    dask_index = (tmp_path / "dask" / "index.html").read_text()
    assert dask_index == cli_index
    for name in ("bunny_report.html", "grid_report.html"):
        assert (tmp_path / "dask" / name).read_bytes() == (tmp_path / "out" / name).read_bytes()


# --- in the browser ------------------------------------------------------------------------

# The 3D view's pixels, read back from its canvas (drawn with preserveDrawingBuffer) as RGBA.
VIEW_PIXELS = """(() => {
  const view = document.getElementById('view');
  const copy = document.createElement('canvas');
  copy.width = view.width;
  copy.height = view.height;
  const g = copy.getContext('2d');
  g.drawImage(view, 0, 0);
  const bytes = g.getImageData(0, 0, copy.width, copy.height).data;
  let text = '';
  for (let i = 0; i < bytes.length; i += 32768)
    text += String.fromCharCode.apply(null, bytes.subarray(i, i + 32768));
  return [copy.width, copy.height, btoa(text)];
})()"""


def view_pixels(browser):
    width, height, text = browser.evaluate(VIEW_PIXELS)
    return np.frombuffer(base64.b64decode(text), np.uint8).reshape(height, width, 4)[:, :, :3]


def colour_table(data):
    return decoded(data["colours"], np.uint8).reshape(-1, 3).astype(int)


def near_table(pixels, table, tolerance=8):
    """The count of the pixels that are not the white background, and the share of them that
    are an entry of the colour table as lit: the entry times a factor from the ambient light's
    0.4 to full light, within `tolerance` in every channel."""
    rgb = pixels.reshape(-1, 3).astype(float)
    rgb = rgb[(rgb < 245).any(axis=1)]
    colours = table.astype(float)
    scale = np.clip(rgb @ colours.T / np.sum(colours * colours, axis=1), 0.35, 1.0)
    lit = scale[:, :, None] * colours[None, :, :]
    distance = np.abs(rgb[:, None, :] - lit).max(axis=2).min(axis=1)
    return len(rgb), float(np.mean(distance <= tolerance)) if len(rgb) else 0.0


@pytest.fixture(scope="module")
def bunny_report(meshes, tmp_path_factory):
    """The bunny's report alone in a folder, so that a request for any other file would fail."""
    folder = tmp_path_factory.mktemp("bunny-report")
    run_cli("--html", "--no-values", "-d", folder, meshes / "bunny.off", "0.01")
    return folder / "bunny_report.html"


@needs_chromium
@not_under_sanitizers
@pytest.mark.slow
def test_the_bunnys_report_renders_offline(bunny_report, tmp_path):
    data = data_of(bunny_report)
    url = bunny_report.as_uri()
    with Browser() as browser:
        browser.open(url)
        screenshot = browser.screenshot()
        (tmp_path / "bunny_report.png").write_bytes(screenshot)
        first = view_pixels(browser)
        drawn, share = near_table(first, colour_table(data))
        # The surface covers a good part of the view, in the colour scale's colours as lit
        # (the edges' antialiased pixels are not).
        assert drawn > 20000 and share > 0.8, (drawn, share)
        texts = browser.evaluate("[document.getElementById('statistics').textContent, "
                                 "document.getElementById('histogram').width, "
                                 "document.getElementById('low').value, "
                                 "document.getElementById('high').value]")
        assert "roughness_median" in texts[0] and texts[1] > 0
        assert np.float32(texts[3]) == np.float32(data["ranges"][0][1])

        # A shared link's range, applied on opening, recolours the view.
        browser.open("about:blank")
        browser.open(url + "#eps=0.01&range=0:2")
        second = view_pixels(browser)
        assert browser.evaluate("document.getElementById('high').value") == "2"
        assert np.count_nonzero(np.any(first != second, axis=2)) > 5000

        # A click on the surface picks a vertex and shows its value as the data hold it.
        box = browser.evaluate("(() => { const b = document.getElementById('view')"
                               ".getBoundingClientRect(); return [b.left + b.width / 2, "
                               "b.top + b.height / 2]; })()")
        for kind in ("mousePressed", "mouseReleased"):
            browser.call("Input.dispatchMouseEvent", {"type": kind, "x": box[0], "y": box[1],
                                                      "button": "left", "clickCount": 1})
        picked = browser.evaluate("document.getElementById('pick').textContent")
        match = re.search(r"row (\d+) of the value file.*epsilon 0\.01: (\S+)", picked)
        assert match, picked
        values = decoded(data["values"][0], "<f4")
        assert float(match.group(2)) == pytest.approx(float(values[int(match.group(1))]),
                                                      rel=1e-6)
        # Nothing but the page itself was requested.
        assert {r.split("#")[0] for r in browser.requests()} == {url}
        assert browser.errors() == []


@needs_chromium
@not_under_sanitizers
@pytest.mark.slow
def test_the_index_lists_every_mesh_links_resolve_and_columns_sort(meshes, tmp_path):
    paths = batch(meshes, tmp_path)
    run_cli("--html", "--png", "-d", tmp_path / "out", "-e", "0.01", *paths, check=False)
    index = tmp_path / "out" / "index.html"
    with Browser() as browser:
        browser.open(index.as_uri())
        rows = browser.evaluate("Array.from(document.querySelectorAll('tbody tr'))"
                                ".map(r => r.cells[0].textContent)")
        assert rows == [str(p) for p in paths]
        # Thumbnails loaded from beside the index.
        assert browser.evaluate("Array.from(document.images).map(i => i.naturalWidth > 0)") \
            == [True, True]
        heads = browser.evaluate("Array.from(document.querySelectorAll('th'))"
                                 ".map(h => h.textContent)")
        median = heads.index("median (0.01)")
        for clicks in (1, 2):
            browser.evaluate("document.querySelectorAll('th')[%d].click()" % median)
            shown = browser.evaluate("Array.from(document.querySelectorAll('tbody tr'))"
                                     ".map(r => r.cells[0].textContent)")
            medians = [meshprobe.measure_file(str(p), 0.01)["roughness_median"]
                       for p in paths[1:]]
            expected = [str(paths[1]), str(paths[2])]
            if medians[0] > medians[1]:
                expected.reverse()
            expected.append(str(paths[0]))
            if clicks == 2:
                expected.reverse()
            assert shown == expected
        for link in browser.evaluate("Array.from(document.links).map(a => a.href)"):
            browser.open(link)
            assert browser.evaluate("document.readyState") == "complete"
        assert browser.errors() == []
