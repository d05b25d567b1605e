// Shared helpers of the player tests: the command line, exports, a local web server and Chromium.
'use strict';
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const zlib = require('node:zlib');
const assert = require('node:assert/strict');

const appDir = path.resolve(process.env.KAVELINS_APP_DIR || path.join(__dirname, '../../build/app'));
const cliPath = path.join(appDir, 'kavelins-cli');
const samples = path.join(appDir, 'Samples');
const chromium = process.env.KAVELINS_CHROMIUM || '/usr/bin/chromium';

function playwright() {
  try {
    return require('playwright-core');
  } catch (e) {
    return require(path.join(__dirname, '../../player/node_modules/playwright-core'));
  }
}

function cli(...args) {
  return execFileSync(cliPath, args, {
    encoding: 'utf8', maxBuffer: 64 << 20,
    env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' },
  });
}

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'kavelins-player-'));
process.on('exit', () => fs.rmSync(scratch, { recursive: true, force: true }));

// Exports a project into the scratch folder; returns the export folder and page name.
function exportProject(project, name = path.basename(project, '.plt')) {
  const target = path.join(scratch, 'web', name + '.html');
  fs.mkdirSync(path.dirname(target), { recursive: true });
  cli('export', project, target);
  return { folder: path.join(scratch, 'web', name), page: name + '.html', dir: name };
}

// The editor's live playback, one parsed line per tick.
function editorTrace(project, frames, clicks = [], pngDir) {
  const out = path.join(scratch, `trace-${process.pid}-${Math.random().toString(36).slice(2)}.jsonl`);
  const args = ['play', project, '--frames', String(frames), '--trace', out];
  for (const c of clicks) args.push('--click', c);
  if (pngDir) args.push('--png-dir', pngDir);
  cli(...args);
  return fs.readFileSync(out, 'utf8').trim().split('\n').map(l => JSON.parse(l));
}

const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.gif': 'image/gif', '.au': 'audio/basic', '.png': 'image/png' };

// Serves a folder on 127.0.0.1; extra routes map a path to a body.
function serve(root, routes = {}) {
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://x');
    const p = decodeURIComponent(url.pathname);
    if (routes[p] !== undefined) {
      res.writeHead(200, { 'content-type': types[path.extname(p)] || 'text/html; charset=utf-8' });
      return res.end(routes[p]);
    }
    const file = path.join(root, path.normalize(p));
    if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404);
      return res.end();
    }
    res.writeHead(200, { 'content-type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise(resolve => server.listen(0, '127.0.0.1', () => resolve({
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise(r => server.close(r)),
  })));
}

async function launch(extraArgs = []) {
  return playwright().chromium.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--force-color-profile=srgb', ...extraArgs],
  });
}

// The address of a page with the player's test interface (window.kavelins) switched on.
const withTestInterface = url => url + (url.includes('?') ? '&' : '?') + 'kavelins-test';

// Opens a page, waits for its first player to have its media and pauses it.
async function openPlayer(browser, url) {
  const page = await browser.newPage({ viewport: { width: 800, height: 400 }, deviceScaleFactor: 1 });
  const errors = [];
  page.on('pageerror', e => errors.push(e.message));
  await page.goto(withTestInterface(url));
  await page.waitForFunction(() => window.kavelins && window.kavelins.players.length > 0);
  await page.evaluate(() => window.kavelins.players[0].ready.then(p => p.pause()));
  page.errors = errors;
  return page;
}

// The RGB pixels of a PNG as the editor writes them (8-bit RGB or RGBA).
function readPng(file) {
  const buf = fs.readFileSync(file);
  let pos = 8, w = 0, h = 0, type = 0;
  const idat = [];
  while (pos < buf.length) {
    const len = buf.readUInt32BE(pos), kind = buf.toString('latin1', pos + 4, pos + 8), data = buf.subarray(pos + 8, pos + 8 + len);
    if (kind === 'IHDR') { w = data.readUInt32BE(0); h = data.readUInt32BE(4); type = data[9]; assert.equal(data[8], 8, 'bit depth'); }
    if (kind === 'IDAT') idat.push(data);
    pos += 12 + len;
  }
  const bpp = { 2: 3, 6: 4 }[type];
  assert.ok(bpp, `colour type ${type}`);
  const raw = zlib.inflateSync(Buffer.concat(idat)), stride = w * bpp, out = Buffer.alloc(w * h * 3);
  let prev = Buffer.alloc(stride);
  for (let y = 0; y < h; y++) {
    const f = raw[y * (stride + 1)], line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; i++) {
      const a = i >= bpp ? line[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
      const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
      const add = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][f];
      line[i] = (line[i] + add) & 255;
    }
    for (let x = 0; x < w; x++) for (let k = 0; k < 3; k++) out[(y * w + x) * 3 + k] = line[x * bpp + k];
    prev = line;
  }
  return { w, h, rgb: out };
}

module.exports = {
  readPng, appDir, samples, scratch, cli, exportProject, editorTrace, serve, launch, openPlayer, withTestInterface,
};
