// gallery_browser_test.js: makes galleries with the real tool and opens them from the disk in
// Debian's Chromium (puppeteer-core): no console error or failed request, a card per entry,
// the keyboard and a click open an entry, each 3-D view's silhouette agrees with 'orvane render'
// at the same view and size, the toggles change the picture, a damaged entry shows its fault,
// the lines land where render draws them, and a gallery replaces only a gallery.
// usage: node gallery_browser_test.js ORVANE [SCREENSHOT.png]
'use strict';
const assert = require('node:assert/strict');
const { execFileSync, spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

const orvane = process.argv[2];
const screenshot = process.argv[3];
const width = 400, height = 300;  // the 3-D views and renders compared
let failures = 0;

function check(name, fn) {
  return Promise.resolve().then(fn).then(() => console.log(`ok: ${name}`), (error) => {
    ++failures;
    console.log(`FAILED: ${name}\n  ${String(error && error.stack || error).replace(/\n/g, '\n  ')}`);
  });
}

function tool(args, expectStatus = 0) {
  const run = spawnSync(orvane, args, { encoding: 'utf8' });
  assert.equal(run.status, expectStatus, `orvane ${args.join(' ')}: status ${run.status}\n${run.stderr}`);
  return run;
}

// A PNG's pixels as RGB bytes, through ImageMagick.
function pixels(png) { return execFileSync('convert', [png, '-depth', '8', 'rgb:-'], { maxBuffer: 1 << 26 }); }

// Pixels with any colour (the background is black), as 0/1 per pixel.
function mask(rgb, channels) {
  const out = new Uint8Array(width * height);
  for (let i = 0; i < out.length; ++i)
    out[i] = rgb[i * channels] + rgb[i * channels + 1] + rgb[i * channels + 2] > 24 ? 1 : 0;
  return out;
}

// The share of `a`'s pixels with a pixel of `b` within one pixel of them.
function covered(a, b) {
  let total = 0, hit = 0;
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      if (!a[y * width + x]) continue;
      ++total;
      let near = false;
      for (let dy = -1; dy <= 1 && !near; ++dy)
        for (let dx = -1; dx <= 1 && !near; ++dx) {
          const u = x + dx, v = y + dy;
          near = u >= 0 && v >= 0 && u < width && v < height && b[v * width + u] === 1;
        }
      hit += near ? 1 : 0;
    }
  }
  return total === 0 ? 1 : hit / total;
}

// Where 'orvane render' puts a transformed point (model units) at the start view, in pixels.
function projectLikeRender(p) {
  const d = Math.PI / 180, ax = 20 * d, ay = -40 * d, s = 0.0025;
  let [x, y, z] = [p[0] * s, p[1] * s, p[2] * s];
  [x, z] = [x * Math.cos(ay) + z * Math.sin(ay), -x * Math.sin(ay) + z * Math.cos(ay)];
  [y, z] = [y * Math.cos(ax) - z * Math.sin(ax), y * Math.sin(ax) + z * Math.cos(ax)];
  y -= 1.5; z -= 5;
  const f = 1 / Math.tan(30 * d);
  return [(f / (width / height) * x / -z + 1) / 2 * width, (1 - f * y / -z) / 2 * height];
}

async function openPage(browser, url, problems) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 900 });
  page.on('console', (m) => { if (m.type() === 'error' || m.type() === 'warning') problems.push(`console ${m.type()}: ${m.text()}`); });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('requestfailed', (r) => problems.push(`failed request: ${r.url()}`));
  page.on('request', (r) => { if (!r.url().startsWith('file://') && !r.url().startsWith('data:')) problems.push(`network request: ${r.url()}`); });
  await page.goto(url, { waitUntil: 'load' });
  return page;
}

async function showEntry(page, index) {
  await page.evaluate((n) => { location.hash = '#entry-' + n; }, index);
  await page.waitForSelector(`#view[data-shown="${index}"]`, { timeout: 20000 });
}

// The 3-D view's pixels at the compared size, as a mask.
async function viewMask(page) {
  const rgba = await page.evaluate((w, h) => {
    window.orvaneGallery.setSize(w, h);
    const c = document.createElement('canvas');
    c.width = w; c.height = h;
    const g = c.getContext('2d');
    g.drawImage(document.getElementById('view'), 0, 0);
    return Array.from(g.getImageData(0, 0, w, h).data);
  }, width, height);
  return mask(rgba, 4);
}

// Every line segment of the shown model as the page projects it, in pixels.
async function pageLines(page) {
  return page.evaluate(() => {
    const t = window.orvaneGallery.three(), model = window.orvaneGallery.model(), out = [];
    model.updateMatrixWorld(true);
    model.traverse((o) => {
      if (!o.isLineSegments || o === t.skeleton) return;
      const pos = o.geometry.attributes.position, index = o.geometry.index;
      const n = index ? index.count : pos.count;
      const at = (k) => {
        const i = index ? index.getX(k) : k;
        const v = new THREE.Vector3(pos.getX(i), pos.getY(i), pos.getZ(i)).applyMatrix4(o.matrixWorld).project(t.camera);
        const size = t.renderer.getSize(new THREE.Vector2());
        return [(v.x + 1) / 2 * size.x, (1 - v.y) / 2 * size.y];
      };
      for (let k = 0; k + 1 < n; k += 2) out.push([at(k), at(k + 1)]);
    });
    return out;
  });
}

async function main() {
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'orvane-gallery-test-'));
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'orvane-gallery-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    userDataDir: profile,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--enable-unsafe-swiftshader'],
  });
  try {
    const demo = path.join(scratch, 'demo');
    tool(['demo', demo]);
    const archive = path.join(demo, 'body.ZRK');
    const entries = tool(['list', archive]).stdout.split('\n').filter((l) => /^ *\d+ +\d+/.test(l)).length;
    const site = path.join(scratch, 'site');
    const made = spawnSync(orvane, ['gallery', archive, '-o', site, '--title', 'The demo archive <body.ZRK> & "friends"', '--turntables'], { encoding: 'utf8' });
    const data = () => JSON.parse(fs.readFileSync(path.join(site, 'gallery-data.js'), 'utf8').replace(/^[^{]*/s, '').replace(/;\s*$/, ''));
    const problems = [];
    const page = await openPage(browser, 'file://' + path.join(site, 'index.html'), problems);

    await check('the page loads from file:// cleanly with a card per entry and an escaped title', async () => {
      assert.ok(made.status === 0 || made.status === 1, made.stderr);
      assert.equal(await page.$$eval('.card', (c) => c.length), entries);
      assert.equal(await page.$eval('h1', (h) => h.textContent), 'The demo archive <body.ZRK> & "friends"');
      const broken = await page.$$eval('img', (imgs) => imgs.filter((i) => !i.complete || i.naturalWidth === 0).length);
      assert.equal(broken, 0);
    });

    await check('the keyboard opens an entry, Escape goes back, a click opens another', async () => {
      let focused = '';
      for (let k = 0; k < 10 && focused !== 'card-0'; ++k) {
        await page.keyboard.press('Tab');
        focused = await page.evaluate(() => document.activeElement.id);
      }
      assert.equal(focused, 'card-0');
      await page.keyboard.press('Enter');
      await page.waitForSelector('#view[data-shown="0"]', { timeout: 20000 });
      assert.equal(await page.evaluate(() => location.hash), '#entry-0');
      await page.keyboard.press('Escape');
      await page.waitForSelector('#grid:not([hidden])');
      await page.click('#card-1');
      await page.waitForSelector('#view[data-shown="1"]', { timeout: 20000 });
      assert.equal(await page.$eval('#prev', (a) => a.getAttribute('href')), '#entry-0');
      assert.equal(await page.$eval('#next', (a) => a.getAttribute('href')), '#entry-2');
    });

    const shown = data().entries.filter((e) => !e.fault);
    await check('each 3-D view agrees with orvane render of the entry (overlap of the body within a pixel)', async () => {
      const low = [];
      for (const e of shown) {
        const png = path.join(scratch, `render-${e.index}.png`);
        tool(['render', archive, String(e.index), '--size', `${width}x${height}`, '-o', png]);
        const ours = mask(pixels(png), 3);
        await showEntry(page, e.index);
        const theirs = await viewMask(page);
        const overlap = Math.min(covered(ours, theirs), covered(theirs, ours));
        const count = ours.reduce((a, b) => a + b, 0);
        console.log(`  entry ${e.index}: overlap ${(overlap * 100).toFixed(1)}% of ${count} body pixels`);
        if (count > 0 && overlap < 0.9) low.push(`entry ${e.index}: ${(overlap * 100).toFixed(1)}%`);
      }
      assert.deepEqual(low, []);
    });

    await check('the lines land where render draws them', async () => {
      const missed = [];
      let checked = 0;
      for (const e of shown.filter((x) => x.lines > 0)) {
        const frames = tool(['dump', archive, String(e.index), '--frames', '2']).stdout.trim().split('\n');
        const frame = JSON.parse(frames[frames.length - 1]);
        await showEntry(page, e.index);
        await page.evaluate((w, h) => window.orvaneGallery.setSize(w, h), width, height);
        const drawn = await pageLines(page);
        const near = (a, b) => Math.hypot(a[0] - b[0], a[1] - b[1]) < 1.5;
        const lines = frame.render.filter((r) => r.kind === 'line');
        const lost = lines.filter((item) => {
          const [a, b] = item.points.map((i) => projectLikeRender(frame.points[i]));
          return !drawn.some(([p, q]) => (near(a, p) && near(b, q)) || (near(a, q) && near(b, p)));
        });
        console.log(`  entry ${e.index}: ${lines.length - lost.length} of ${lines.length} lines where render draws them`);
        if (lost.length > 0) missed.push(`entry ${e.index}: ${lost.length} lines elsewhere`);
        checked += lines.length;
      }
      assert.ok(checked > 0, 'no entry has lines');
      assert.deepEqual(missed, []);
    });

    await check('the wireframe and skeleton toggles change the picture', async () => {
      const e = shown.find((x) => x.polygons > 0 && x.bones > 1);
      await showEntry(page, e.index);
      const base = await viewMask(page);
      const differs = (a, b) => a.some((v, i) => v !== b[i]);
      for (const toggle of ['#wireframe', '#skeleton']) {
        await page.click(toggle);
        assert.ok(differs(base, await viewMask(page)), `${toggle} changed nothing`);
        await page.click(toggle);
        assert.ok(!differs(base, await viewMask(page)), `${toggle} off did not restore the picture`);
      }
    });

    await check('the downloads are there', async () => {
      for (const e of shown) for (const f of Object.values(e.files)) assert.ok(fs.statSync(path.join(site, f)).size > 0, f);
    });

    if (screenshot) {
      await page.evaluate(() => { location.hash = ''; window.scrollTo(0, 0); });
      await page.waitForSelector('#grid:not([hidden])');
      await page.screenshot({ path: screenshot });
    }
    await check('no console error or failed request', () => assert.deepEqual(problems, []));
    await page.close();

    await check('a damaged entry shows its fault text', async () => {
      const good = path.join(scratch, 'good.bin'), bad = path.join(scratch, 'bad.bin');
      tool(['extract', archive, '0', good]);
      fs.writeFileSync(bad, fs.readFileSync(good).subarray(0, 40));
      const damaged = path.join(scratch, 'damaged.ZRK');
      tool(['pack', damaged, good, bad]);
      const out = path.join(scratch, 'damaged-site');
      const run = tool(['gallery', damaged, '-o', out, '--palette', path.join(demo, 'palette.dmp')], 1);
      const fault = /entry 1: (.*)/.exec(run.stderr)[1];
      const p2 = [];
      const page2 = await openPage(browser, 'file://' + path.join(out, 'index.html'), p2);
      assert.equal(await page2.$eval('#card-1 .fault-text', (s) => s.textContent), fault);
      await showEntry(page2, 1);
      assert.equal(await page2.$eval('#viewer-fault', (s) => s.hidden ? '' : s.textContent), fault);
      assert.deepEqual(p2, []);
      await page2.close();
    });

    await check('a gallery replaces a gallery whole, and never a folder of other files', () => {
      const before = fs.readFileSync(path.join(site, '.orvane-gallery'), 'utf8').split('\n').filter(Boolean);
      assert.ok(before.includes('files/0.gif'));
      tool(['gallery', archive, '-o', site]);  // no turntables now: no GIF may stay behind
      const after = fs.readFileSync(path.join(site, '.orvane-gallery'), 'utf8').split('\n').filter(Boolean);
      assert.ok(!after.includes('files/0.gif') && !fs.existsSync(path.join(site, 'files/0.gif')));
      for (const f of after) assert.ok(fs.existsSync(path.join(site, f)), f);
      fs.writeFileSync(path.join(site, 'notes.txt'), 'mine');
      const refused = tool(['gallery', archive, '-o', site], 1);
      assert.match(refused.stderr, /notes\.txt/);
      assert.equal(fs.readFileSync(path.join(site, 'notes.txt'), 'utf8'), 'mine');
      tool(['gallery', archive, '-o', demo], 2);  // the archive is inside
      assert.deepEqual(fs.readdirSync(scratch).filter((n) => n.includes('.orvane-')), []);
    });
  } finally {
    await browser.close();
    fs.rmSync(scratch, { recursive: true, force: true });
    fs.rmSync(profile, { recursive: true, force: true });
  }
  console.log(failures === 0 ? 'all gallery browser checks passed' : `${failures} gallery browser checks failed`);
  process.exit(failures === 0 ? 0 : 1);
}

main().catch((error) => { console.error(error); process.exit(1); });
