// gallery.js: the gallery's grid and each entry's 3-D view (#entry-N). Plain script, no modules,
// so the page works from the disk (file://) as well as from a web host: each body comes as a
// script (models/N.js) that hands over its .glb as base64.
(function () {
  'use strict';
  var data = window.orvaneGalleryData;
  var $ = function (id) { return document.getElementById(id); };
  var grid = $('grid'), viewer = $('viewer'), canvas = $('view');
  var byIndex = {};
  data.entries.forEach(function (e, k) { e.order = k; byIndex[e.index] = e; });

  // --- the 3-D view -------------------------------------------------------------------------
  var three = null;  // renderer, scene, camera, controls once the first view opens
  var models = {};   // entry index -> loaded glTF scene
  var waiting = {};  // entry index -> callbacks for its model script
  var shown = null;  // the entry on the stage
  var fixedSize = null;  // [width, height] in pixels when set from outside (tests), else follow the stage

  // The models/N.js scripts call this with their .glb as base64.
  window.orvaneGalleryModel = function (index, base64) {
    var callbacks = waiting[index];
    delete waiting[index];
    if (!callbacks) return;
    var text = atob(base64), bytes = new Uint8Array(text.length);
    for (var i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
    new THREE.GLTFLoader().parse(bytes.buffer, '', function (gltf) {
      toDisplayColours(gltf.scene);
      models[index] = gltf.scene;
      callbacks.done(gltf.scene);
    }, function (error) { callbacks.fail(String(error && error.message || error)); });
  };

  function loadModel(entry, done, fail) {
    if (models[entry.index]) return done(models[entry.index]);
    if (waiting[entry.index]) { waiting[entry.index] = { done: done, fail: fail }; return; }
    waiting[entry.index] = { done: done, fail: fail };
    var script = document.createElement('script');
    script.src = entry.files.model;
    script.onerror = function () {
      delete waiting[entry.index];
      fail('cannot read ' + entry.files.model);
    };
    document.head.appendChild(script);
  }

  // The file's colours are linear, as glTF wants; the view draws them unlit and without a
  // colour transform, so they go back to the palette's display values.
  function display(c) { return c <= 0.0031308 ? 12.92 * c : 1.055 * Math.pow(c, 1 / 2.4) - 0.055; }
  function toDisplayColours(root) {
    var seen = [];
    root.traverse(function (o) {
      if (o.geometry && o.geometry.attributes && o.geometry.attributes.color && seen.indexOf(o.geometry) < 0) {
        seen.push(o.geometry);
        var a = o.geometry.attributes.color.array;
        for (var i = 0; i < a.length; ++i) a[i] = display(a[i]);
        o.geometry.attributes.color.needsUpdate = true;
      }
      materials(o).forEach(function (m) {
        if (seen.indexOf(m) >= 0) return;
        seen.push(m);
        m.color.setRGB(display(m.color.r), display(m.color.g), display(m.color.b));
        m.userData.side = m.side;
      });
    });
  }

  function materials(o) { return !o.material ? [] : Array.isArray(o.material) ? o.material : [o.material]; }

  function setUp() {
    if (three) return three;
    var renderer;
    try {
      renderer = new THREE.WebGLRenderer({ canvas: canvas, antialias: true, preserveDrawingBuffer: true });
    } catch (error) {
      return null;  // no WebGL here: the view says so, the pictures and downloads still work
    }
    renderer.setClearColor(0x000000, 1);
    renderer.sortObjects = false;  // draw in the file's order, as the viewer draws its list
    var camera = new THREE.PerspectiveCamera(60, 4 / 3, 1, 1024);
    var controls = new THREE.OrbitControls(camera, canvas);
    controls.enableDamping = false;
    controls.enableKeys = false;
    controls.addEventListener('change', draw);
    three = { renderer: renderer, scene: new THREE.Scene(), camera: camera, controls: controls, skeleton: null };
    window.addEventListener('resize', function () { resize(); draw(); });
    return three;
  }

  // Where the view starts: where the viewer and 'orvane render' start. Their model-view is
  // T(0, -1.5, zoom) Rx(angleX) Ry(angleY) with the camera at the origin; here the body stays
  // put and the camera takes the inverse, looking at the point of its axis nearest the body.
  function startView() {
    var v = data.view, d = Math.PI / 180;
    var turn = new THREE.Quaternion().setFromEuler(new THREE.Euler(-v.angleX * d, -v.angleY * d, 0, 'YXZ'));
    three.camera.position.set(0, 1.5, -v.zoom).applyQuaternion(turn);
    three.camera.quaternion.copy(turn);
    three.controls.target.set(0, 1.5, 0).applyQuaternion(turn);
    three.controls.update();
  }

  function resize() {
    if (!three) return;
    var w, h;
    if (fixedSize) { w = fixedSize[0]; h = fixedSize[1]; three.renderer.setPixelRatio(1); }
    else {
      w = Math.max(1, canvas.parentNode.clientWidth);
      h = Math.max(1, canvas.parentNode.clientHeight);
      three.renderer.setPixelRatio(window.devicePixelRatio || 1);
    }
    three.renderer.setSize(w, h, false);
    three.camera.aspect = w / h;
    three.camera.updateProjectionMatrix();
  }

  function draw() { if (three) three.renderer.render(three.scene, three.camera); }

  function applyToggles() {
    if (!shown || !models[shown.index]) return;
    var wire = $('wireframe').checked;
    models[shown.index].traverse(function (o) {
      materials(o).forEach(function (m) {
        if (m.isLineBasicMaterial) return;
        m.wireframe = wire;
        // Outlines show every polygon, as the viewer's wireframe turns culling off.
        m.side = wire ? THREE.DoubleSide : m.userData.side;
        m.needsUpdate = true;
      });
    });
    if (three.skeleton) { three.scene.remove(three.skeleton); three.skeleton = null; }
    if ($('skeleton').checked) {
      three.skeleton = new THREE.SkeletonHelper(models[shown.index]);
      three.scene.add(three.skeleton);
    }
    draw();
  }

  function status(text, isFault) {
    $('viewer-status').hidden = isFault || !text;
    $('viewer-status').textContent = isFault ? '' : text;
    $('viewer-fault').hidden = !isFault;
    $('viewer-fault').textContent = isFault ? text : '';
    canvas.hidden = !!isFault;
  }

  function countsText(e) {
    var plural = function (n, one) { return n + ' ' + one + (n === 1 ? '' : 's'); };
    return [plural(e.points, 'point'), plural(e.bones, 'bone'), plural(e.polygons, 'polygon'),
            plural(e.lines, 'line'), plural(e.spheres, 'sphere')].join(' · ');
  }

  function link(a, entry) {
    a.setAttribute('aria-disabled', entry ? 'false' : 'true');
    if (entry) a.href = '#entry-' + entry.index; else a.removeAttribute('href');
  }

  function downloads(e) {
    var box = $('downloads');
    box.textContent = '';
    var items = [['glb', 'glTF (.glb)'], ['obj', 'OBJ'], ['mtl', 'MTL (its colours)'], ['gif', 'Turntable (.gif)']];
    items.forEach(function (item) {
      if (!e.files[item[0]]) return;
      var a = document.createElement('a');
      a.href = e.files[item[0]];
      a.download = '';
      a.textContent = item[1];
      box.appendChild(a);
    });
  }

  function openEntry(e) {
    grid.hidden = true;
    viewer.hidden = false;
    document.title = data.title + ' · entry ' + e.index;
    $('viewer-title').textContent = 'Entry ' + e.index;
    link($('prev'), data.entries[e.order - 1]);
    link($('next'), data.entries[e.order + 1]);
    canvas.removeAttribute('data-shown');
    $('viewer-counts').textContent = e.fault ? 'This entry cannot be shown.' : countsText(e);
    if (e.fault) $('downloads').textContent = ''; else downloads(e);
    if (!setUp()) {
      shown = e;
      status(e.fault || 'This browser cannot draw in 3-D here (WebGL is off); the downloads still work.', true);
      return;
    }
    if (shown && models[shown.index]) three.scene.remove(models[shown.index]);
    if (three.skeleton) { three.scene.remove(three.skeleton); three.skeleton = null; }
    shown = e;
    resize();
    startView();
    if (e.fault) {
      status(e.fault, true);
      draw();
      canvas.setAttribute('data-shown', String(e.index));
      return;
    }
    status('Loading…', false);
    canvas.hidden = false;
    loadModel(e, function (scene) {
      if (shown !== e) return;
      status('', false);
      three.scene.add(scene);
      applyToggles();
      canvas.setAttribute('data-shown', String(e.index));
    }, function (reason) {
      if (shown === e) status(reason, true);
    });
  }

  function showGrid() {
    viewer.hidden = true;
    grid.hidden = false;
    document.title = data.title;
    if (shown) {
      var card = $('card-' + shown.index);
      if (card) { card.focus(); card.scrollIntoView({ block: 'nearest' }); }
    }
  }

  function route() {
    var m = /^#entry-(\d+)$/.exec(location.hash);
    var e = m ? byIndex[Number(m[1])] : null;
    if (e) { openEntry(e); $('viewer-title').focus(); } else showGrid();
  }

  $('wireframe').addEventListener('change', applyToggles);
  $('skeleton').addEventListener('change', applyToggles);
  $('reset').addEventListener('click', function () { if (three) { startView(); draw(); } });
  document.addEventListener('keydown', function (event) {
    if (viewer.hidden || event.altKey || event.ctrlKey || event.metaKey) return;
    var go = { ArrowLeft: $('prev'), ArrowRight: $('next'), Escape: $('back') }[event.key];
    if (go && go.getAttribute('href')) { event.preventDefault(); location.hash = go.getAttribute('href'); }
  });
  window.addEventListener('hashchange', route);

  // For scripted checks: a fixed drawing size, and a look at what the view holds.
  window.orvaneGallery = {
    setSize: function (w, h) { fixedSize = [w, h]; resize(); draw(); },
    shown: function () { return shown ? shown.index : -1; },
    three: function () { return three; },
    model: function () { return shown ? models[shown.index] : null; },
    draw: draw,
  };
  route();
})();
