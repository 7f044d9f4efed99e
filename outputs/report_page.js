// The report page's wiring: decodes the data element, builds the coloured surface for three.js,
// and keeps the range, the epsilon, the picked vertex, the colour bar and the histogram in step.
// The page's state lives in the link (#eps=0.01&range=0:20) so that a shared link shows the same.
(function () {
  'use strict';
  var data = JSON.parse(document.getElementById('meshprobe-data').textContent);

  // The arrays are little-endian; typed arrays read them in the host's order, which is
  // little-endian on every platform a browser runs on today.
  function bytesOf(text) {
    var chars = atob(text);
    var bytes = new Uint8Array(chars.length);
    for (var i = 0; i < chars.length; ++i) bytes[i] = chars.charCodeAt(i);
    return bytes;
  }
  var positions = new Float32Array(bytesOf(data.vertices).buffer);
  var faces = new Uint32Array(bytesOf(data.faces).buffer);
  var rows = new Uint32Array(bytesOf(data.rows).buffer);
  var values = data.values.map(function (v) { return new Float32Array(bytesOf(v).buffer); });
  var table = bytesOf(data.colours);
  var vertexCount = positions.length / 3;
  var tableLast = table.length / 3 - 1;
  var grey = data.unmeasured_grey / 255;

  var state = { eps: 0, low: 0, high: 1, picked: -1 };
  // A range whose end is not a number (no vertex measured) falls back to [0, 1].
  function defaultRange(e) {
    var low = data.ranges[e][0], high = data.ranges[e][1];
    return low === null || high === null ? { low: 0, high: 1 } : { low: low, high: high };
  }

  // The colour of a value as the picture gives it: its position in the range, then the nearest
  // of the table's entries, which sit at positions i / (entries - 1).
  function entryOf(value) {
    var t;
    if (!(state.high > state.low)) t = value > state.high ? 1 : 0;
    else t = (value - state.low) / (state.high - state.low);
    if (!(t > 0)) return 0;
    if (t >= 1) return tableLast;
    return Math.floor(t * tableLast + 0.5);
  }

  // Round tick values: the picture's ticks for the default range, otherwise multiples of 1, 2,
  // 2.5 or 5 times a power of ten giving four to seven ticks.
  function ticksOf(low, high) {
    var d = defaultRange(state.eps);
    if (low === d.low && high === d.high) return data.ticks[state.eps];
    if (!(high > low) || !isFinite(high - low)) return [];
    var best = null;
    for (var power = Math.floor(Math.log10(high - low)) - 2; power <= Math.log10(high - low) + 1;
         ++power) {
      [1, 2, 2.5, 5].forEach(function (m) {
        var step = m * Math.pow(10, power);
        var n = Math.floor(high / step) - Math.ceil(low / step) + 1;
        var score = n >= 5 && n <= 6 ? 0 : n === 7 ? 1 : n === 4 ? 2 : 3;
        if (best === null || score < best.score) best = { step: step, score: score };
      });
    }
    var ticks = [];
    for (var k = Math.ceil(low / best.step); k * best.step <= high + best.step * 1e-9; ++k)
      ticks.push(parseFloat((k * best.step).toPrecision(12)));
    return ticks;
  }

  // --- the 3D view -------------------------------------------------------------------------
  var canvas = document.getElementById('view');
  var renderer = new THREE.WebGLRenderer({ canvas: canvas, antialias: true,
                                           preserveDrawingBuffer: true });
  renderer.setPixelRatio(window.devicePixelRatio || 1);
  var scene = new THREE.Scene();
  scene.background = new THREE.Color(0xffffff);

  // Above the page's limit the view draws every stride-th facet; the data keep them all.
  var stride = data.view_stride;
  var shown = faces;
  if (stride > 1) {
    shown = new Uint32Array(Math.ceil(faces.length / 3 / stride) * 3);
    for (var f = 0, s = 0; f < faces.length; f += 3 * stride, s += 3) {
      shown[s] = faces[f]; shown[s + 1] = faces[f + 1]; shown[s + 2] = faces[f + 2];
    }
  }
  var colours = new Float32Array(vertexCount * 3);
  var geometry = new THREE.BufferGeometry();
  geometry.setAttribute('position', new THREE.BufferAttribute(positions, 3));
  geometry.setAttribute('color', new THREE.BufferAttribute(colours, 3));
  geometry.setIndex(new THREE.BufferAttribute(shown, 1));
  geometry.computeVertexNormals();
  geometry.computeBoundingSphere();
  var sphere = geometry.boundingSphere;
  var radius = sphere.radius > 0 ? sphere.radius : 1;

  // A facing surface gets ambient plus head light of 1 in all, so its colour is the table's.
  var material = new THREE.MeshLambertMaterial({ vertexColors: THREE.VertexColors,
                                                 side: THREE.DoubleSide });
  var surface = new THREE.Mesh(geometry, material);
  // Centred at the origin, so that coordinates far from it keep their precision on the GPU.
  surface.position.copy(sphere.center).negate();
  scene.add(surface);
  scene.add(new THREE.AmbientLight(0xffffff, 0.4));
  var camera = new THREE.PerspectiveCamera(30, 1, radius / 100, radius * 100);
  camera.position.set(0, 0, radius * 4.6);
  var headLight = new THREE.DirectionalLight(0xffffff, 0.6);
  camera.add(headLight);
  scene.add(camera);
  var marker = new THREE.Mesh(new THREE.SphereBufferGeometry(radius / 120, 12, 8),
                              new THREE.MeshBasicMaterial({ color: 0xe4002b }));
  marker.visible = false;
  scene.add(marker);
  var controls = new THREE.OrbitControls(camera, canvas);

  function render() {
    var width = canvas.clientWidth;
    var height = canvas.clientHeight;
    if (canvas.width !== Math.floor(width * renderer.getPixelRatio()) ||
        canvas.height !== Math.floor(height * renderer.getPixelRatio())) {
      renderer.setSize(width, height, false);
      camera.aspect = width / Math.max(height, 1);
      camera.updateProjectionMatrix();
    }
    renderer.render(scene, camera);
  }
  controls.addEventListener('change', render);
  window.addEventListener('resize', render);

  // --- colours, colour bar and histogram -----------------------------------------------------
  function recolour() {
    var v = values[state.eps];
    for (var i = 0; i < vertexCount; ++i) {
      var value = v[i];
      if (value !== value) {
        colours[3 * i] = colours[3 * i + 1] = colours[3 * i + 2] = grey;
        continue;
      }
      var e = 3 * entryOf(value);
      colours[3 * i] = table[e] / 255;
      colours[3 * i + 1] = table[e + 1] / 255;
      colours[3 * i + 2] = table[e + 2] / 255;
    }
    geometry.attributes.color.needsUpdate = true;
  }

  function label(value) { return String(parseFloat(value.toPrecision(6))); }
  // Nine significant digits read back as the same single-precision number.
  function single(value) { return String(parseFloat(value.toPrecision(9))); }

  function drawBar() {
    var bar = document.getElementById('bar');
    var g = bar.getContext('2d');
    var top = 30, bottom = bar.height - 24, left = 8, width = 22;
    g.clearRect(0, 0, bar.width, bar.height);
    for (var y = top; y <= bottom; ++y) {
      var e = 3 * Math.floor((bottom - y) / (bottom - top) * tableLast + 0.5);
      g.fillStyle = 'rgb(' + table[e] + ',' + table[e + 1] + ',' + table[e + 2] + ')';
      g.fillRect(left, y, width, 1);
    }
    g.strokeStyle = '#333';
    g.strokeRect(left - 0.5, top - 0.5, width + 1, bottom - top + 1);
    g.fillStyle = '#222';
    g.font = '12px sans-serif';
    g.textBaseline = 'middle';
    ticksOf(state.low, state.high).forEach(function (t) {
      var y = bottom - (t - state.low) / (state.high - state.low) * (bottom - top);
      g.fillRect(left + width, Math.round(y), 5, 1);
      g.fillText(label(t), left + width + 8, y);
    });
    g.fillText('roughness', left, bar.height - 10);
    var above = false;
    var v = values[state.eps];
    for (var i = 0; i < v.length && !above; ++i) above = v[i] > state.high;
    if (above) g.fillText('\u2265 ' + label(state.high), left, 14);
  }

  function drawHistogram() {
    var c = document.getElementById('histogram');
    var g = c.getContext('2d');
    var bins = 48, counts = new Array(bins).fill(0), below = 0, over = 0, measured = 0;
    var v = values[state.eps];
    var span = state.high - state.low;
    for (var i = 0; i < v.length; ++i) {
      var value = v[i];
      if (value !== value) continue;
      ++measured;
      if (value < state.low) ++below;
      else if (value > state.high) ++over;
      else counts[Math.min(bins - 1, Math.floor((value - state.low) / span * bins))]++;
    }
    var most = Math.max.apply(null, counts.concat([1]));
    var left = 4, bottom = c.height - 34, width = (c.width - 8) / bins;
    g.clearRect(0, 0, c.width, c.height);
    for (var b = 0; b < bins; ++b) {
      var e = 3 * entryOf(state.low + (b + 0.5) / bins * span);
      g.fillStyle = 'rgb(' + table[e] + ',' + table[e + 1] + ',' + table[e + 2] + ')';
      var h = counts[b] / most * (bottom - 6);
      g.fillRect(left + b * width, bottom - h, Math.max(width - 1, 1), h);
    }
    g.fillStyle = '#222';
    g.font = '12px sans-serif';
    g.fillText(label(state.low), left, bottom + 14);
    var high = label(state.high);
    g.fillText(high, c.width - 4 - g.measureText(high).width, bottom + 14);
    g.fillText(measured + ' measured, ' + below + ' below, ' + over + ' above the range', left,
               bottom + 30);
  }

  // --- the link's state --------------------------------------------------------------------
  function readLink() {
    var fields = {};
    location.hash.replace(/^#/, '').split('&').forEach(function (pair) {
      var at = pair.indexOf('=');
      if (at > 0) fields[pair.slice(0, at)] = decodeURIComponent(pair.slice(at + 1));
    });
    if (fields.eps !== undefined) {
      var wanted = parseFloat(fields.eps);
      for (var e = 0; e < data.epsilons.length; ++e) {
        if (data.epsilon_texts[e] === fields.eps || data.epsilons[e] === wanted) state.eps = e;
      }
    }
    var range = defaultRange(state.eps);
    state.low = range.low;
    state.high = range.high;
    if (fields.range !== undefined) {
      var parts = fields.range.split(':').map(Number);
      if (parts.length === 2 && isFinite(parts[0]) && isFinite(parts[1]) && parts[0] < parts[1]) {
        state.low = parts[0];
        state.high = parts[1];
      }
    }
  }

  function writeLink() {
    var link = '#eps=' + data.epsilon_texts[state.eps] + '&range=' + state.low + ':' + state.high;
    if (location.hash !== link) history.replaceState(null, '', link);
  }

  // --- tables and the pick -----------------------------------------------------------------
  function fillTable(id, entries) {
    var t = document.getElementById(id);
    t.textContent = '';
    entries.forEach(function (entry) {
      var row = t.insertRow();
      row.insertCell().textContent = entry[0];
      row.insertCell().textContent = entry[1] === null ? '' : String(entry[1]);
    });
  }

  function showStatistics() {
    var s = data.statistics[state.eps];
    fillTable('statistics', Object.keys(s).map(function (k) {
      return [k, Array.isArray(s[k]) ? s[k].join(' ') : s[k]];
    }));
  }

  function showPick() {
    var box = document.getElementById('pick');
    if (state.picked < 0) return;
    var v = state.picked;
    var lines = ['vertex ' + rows[v] + ' of the file (row ' + v + ' of the value file)'];
    data.epsilons.forEach(function (eps, e) {
      var value = values[e][v];
      lines.push('epsilon ' + data.epsilon_texts[e] + ': ' +
                 (value !== value ? 'not measured' : single(value)));
    });
    box.textContent = '';
    lines.forEach(function (line) {
      var div = document.createElement('div');
      div.textContent = line;
      box.appendChild(div);
    });
  }

  var raycaster = new THREE.Raycaster();
  var pressed = null;
  canvas.addEventListener('pointerdown', function (event) {
    pressed = { x: event.clientX, y: event.clientY };
  });
  canvas.addEventListener('pointerup', function (event) {
    // A click, not the end of a drag that turned the model.
    if (pressed === null || Math.abs(event.clientX - pressed.x) + Math.abs(event.clientY -
                                                                          pressed.y) > 4) return;
    var box = canvas.getBoundingClientRect();
    var at = new THREE.Vector2((event.clientX - box.left) / box.width * 2 - 1,
                               -(event.clientY - box.top) / box.height * 2 + 1);
    raycaster.setFromCamera(at, camera);
    var hit = raycaster.intersectObject(surface)[0];
    if (hit === undefined) return;
    var local = surface.worldToLocal(hit.point.clone());
    var best = -1, nearest = Infinity;
    [hit.face.a, hit.face.b, hit.face.c].forEach(function (corner) {
      var d = local.distanceToSquared(new THREE.Vector3().fromArray(positions, 3 * corner));
      if (d < nearest) { nearest = d; best = corner; }
    });
    state.picked = best;
    marker.position.fromArray(positions, 3 * best).add(surface.position);
    marker.visible = true;
    showPick();
    render();
  });

  // --- controls ----------------------------------------------------------------------------
  var select = document.getElementById('epsilon');
  data.epsilon_texts.forEach(function (text, e) {
    var option = document.createElement('option');
    option.value = String(e);
    option.textContent = text;
    select.appendChild(option);
  });
  var lowInput = document.getElementById('low');
  var highInput = document.getElementById('high');

  function update(link) {
    select.value = String(state.eps);
    lowInput.value = single(state.low);
    highInput.value = single(state.high);
    recolour();
    drawBar();
    drawHistogram();
    showStatistics();
    render();
    if (link) writeLink();
  }
  function rangeChanged() {
    var low = parseFloat(lowInput.value), high = parseFloat(highInput.value);
    if (!(isFinite(low) && isFinite(high) && low < high)) return;
    state.low = low;
    state.high = high;
    update(true);
  }
  lowInput.addEventListener('input', rangeChanged);
  highInput.addEventListener('input', rangeChanged);
  select.addEventListener('change', function () {
    state.eps = Number(select.value);
    if (!data.fixed_range) {
      var range = defaultRange(state.eps);
      state.low = range.low;
      state.high = range.high;
    }
    update(true);
    showPick();
  });
  document.getElementById('reset').addEventListener('click', function () {
    var range = defaultRange(state.eps);
    state.low = range.low;
    state.high = range.high;
    update(true);
  });
  window.addEventListener('hashchange', function () {
    readLink();
    update(false);
  });

  // --- the page's texts --------------------------------------------------------------------
  document.title = data.mesh + ' \u2013 roughness';
  document.getElementById('title').textContent = data.mesh;
  var stats = data.statistics[0];
  document.getElementById('subtitle').textContent =
      'roughness per vertex \u00b7 ' + stats.vertices_in_file + ' vertices in the file, ' +
      stats.vertices_measured + ' measured \u00b7 ' + stats.facets_in_file + ' facets';
  if (data.warning) {
    var warning = document.getElementById('warning');
    warning.textContent = data.warning;
    warning.hidden = false;
  }
  if (stride > 1) {
    var thinned = document.getElementById('thinned');
    thinned.textContent = 'The view shows every ' + stride + 'th facet (' + shown.length / 3 +
        ' of ' + faces.length / 3 + ') of this large mesh; the colours, the pick, the histogram ' +
        'and the statistics cover every vertex.';
    thinned.hidden = false;
  }
  fillTable('run', data.run);

  readLink();
  update(false);
  document.documentElement.setAttribute('data-ready', 'yes');
})();
