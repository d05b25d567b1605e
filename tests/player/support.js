// Shared helpers of the player tests: the command line, exports, a local web server, and the
// three browser engines (Chromium, Firefox, WebKit) behind one small page interface.
'use strict';
const { execFileSync, spawn } = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');
const zlib = require('node:zlib');
const assert = require('node:assert/strict');

const appDir = path.resolve(process.env.KAVELINS_APP_DIR || path.join(__dirname, '../../build/app'));
const cliPath = path.join(appDir, 'kavelins-cli');
const samples = path.join(appDir, 'Samples');
const chromium = process.env.KAVELINS_CHROMIUM || '/usr/bin/chromium';
const firefox = process.env.KAVELINS_FIREFOX || '/usr/bin/firefox-esr';
const webkitDriver = process.env.KAVELINS_WEBKIT_DRIVER || '/usr/bin/WebKitWebDriver';

function nodeModule(name) {
  try {
    return require(name);
  } catch (e) {
    return require(path.join(__dirname, '../../player/node_modules', name));
  }
}
const playwright = () => nodeModule('playwright-core');

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

// Scripts a page runs before its own, by token: the server puts them at the top of the page
// asked for with `kavelins-init=TOKEN`, which works alike in every engine.
const initScripts = new Map();
// Every page keeps its warnings, errors and uncaught exceptions in window.__log (events that
// reach the test over the wire come too late to count on).
const keepLog = `window.__log = [];
  for (const k of ['warn', 'error']) { const f = console[k]; console[k] = (...a) => { __log.push(k + ': ' + a.join(' ')); f.apply(console, a); }; }
  addEventListener('error', e => __log.push('pageerror: ' + e.message));
  addEventListener('unhandledrejection', e => __log.push('pageerror: ' + e.reason));`;
function withInit(url, scripts) {
  const token = 'i' + initScripts.size;
  initScripts.set(token, scripts.map(f => typeof f === 'function' ? `(${f})();` : f).join('\n'));
  return url + (url.includes('?') ? '&' : '?') + 'kavelins-init=' + token;
}
function injectInit(html, token) {
  const code = initScripts.get(token);
  if (code === undefined) return html;
  const tag = `<script>${code.replace(/<\/script/gi, '<\\/script')}</script>`;
  const at = /<head[^>]*>/i.exec(html) || /<!DOCTYPE[^>]*>/i.exec(html);
  return at ? html.slice(0, at.index + at[0].length) + tag + html.slice(at.index + at[0].length) : tag + html;
}

const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.gif': 'image/gif', '.au': 'audio/basic', '.png': 'image/png' };

// Serves a folder on 127.0.0.1; extra routes map a path to a body.
function serve(root, routes = {}) {
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://x');
    const p = decodeURIComponent(url.pathname), init = url.searchParams.get('kavelins-init');
    if (routes[p] !== undefined) {
      const type = types[path.extname(p)] || 'text/html; charset=utf-8';
      res.writeHead(200, { 'content-type': type });
      return res.end(init && type.startsWith('text/html') ? injectInit(routes[p], init) : routes[p]);
    }
    const file = path.join(root, path.normalize(p));
    if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404);
      return res.end();
    }
    res.writeHead(200, { 'content-type': types[path.extname(file)] || 'application/octet-stream' });
    if (init && path.extname(file) === '.html') return res.end(injectInit(fs.readFileSync(file, 'utf8'), init));
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

// ---------------------------------------------------------------------------------------------
// The engines. `engines()` are the ones this run drives: KAVELINS_ENGINES (a comma-separated
// list) or all three. `openBrowser(engine)` gives the same small interface on each:
//   browser.newPage({ width, height, scale, init }) -> page    browser.close()
//   page.goto(url)   page.evaluate(fn, arg)   page.waitFor(fn, arg)   page.logs()
//   page.click(x, y)   page.move(x, y)   page.screenshot() (PNG)   page.close()
// `init` are scripts run before the page's own; `scale` is the device pixel ratio (WebKit's
// driver cannot set one: `scalesOf(engine)` lists the ratios an engine can give).
const ENGINES = ['chromium', 'firefox', 'webkit'];
const scalesOf = engine => (engine === 'webkit' ? [1] : [1, 1.25, 2]);
function engines() {
  const asked = (process.env.KAVELINS_ENGINES || ENGINES.join(',')).split(',').map(e => e.trim()).filter(Boolean);
  for (const e of asked) if (!ENGINES.includes(e)) throw Error(`unknown engine ${e} (KAVELINS_ENGINES)`);
  return asked;
}

const sleep = ms => new Promise(r => setTimeout(r, ms));
const asPng = data => Buffer.from(data);

// Polls a function in the page until it returns something true.
async function poll(page, fn, arg, timeout = 15000) {
  const end = Date.now() + timeout;
  for (;;) {
    const value = await page.evaluate(fn, arg);
    if (value) return value;
    if (Date.now() > end) throw Error(`timed out after ${timeout} ms waiting for ${fn}`);
    await sleep(50);
  }
}

// Chromium and Firefox: Playwright's and Puppeteer's pages differ in little.
function drivenPage(engine, native, { init }) {
  const page = {
    engine, native,
    goto: url => native.goto(withInit(url, [keepLog, ...init]), { waitUntil: 'load' }),
    evaluate: (fn, arg) => native.evaluate(fn, arg),
    waitFor: (fn, arg, timeout) => poll(page, fn, arg, timeout),
    logs: () => native.evaluate(() => window.__log || []),
    click: (x, y) => native.mouse.click(x, y),
    move: (x, y) => native.mouse.move(x, y),
    screenshot: async () => asPng(await native.screenshot({ type: 'png' })),
    close: () => native.close(),
  };
  return page;
}

async function openChromium() {
  const native = await launch();
  return {
    engine: 'chromium', native, scales: scalesOf('chromium'),
    async newPage({ width = 800, height = 400, scale = 1, init = [] } = {}) {
      const p = await native.newPage({ viewport: { width, height }, deviceScaleFactor: scale });
      return drivenPage('chromium', p, { init });
    },
    close: () => native.close(),
  };
}

// Firefox over WebDriver BiDi, without a browser download of Puppeteer's own.
async function openFirefox() {
  const native = await nodeModule('puppeteer-core').launch({
    browser: 'firefox', executablePath: firefox, headless: true, protocol: 'webDriverBiDi',
    // A machine without a sound device (a build server) gets Firefox's stand-in output; without
    // one an audio context never runs there.
    extraPrefsFirefox: { 'media.cubeb.force_mock_context': true },
  });
  return {
    engine: 'firefox', native, scales: scalesOf('firefox'),
    async newPage({ width = 800, height = 400, scale = 1, init = [] } = {}) {
      const p = await native.newPage();
      await p.setViewport({ width, height, deviceScaleFactor: scale });
      return drivenPage('firefox', p, { init });
    },
    close: () => native.close(),
  };
}

// WebKit through its W3C WebDriver (plain HTTP), on an X server and a driver of its own.
const freePort = () => new Promise((resolve, reject) => {
  const server = net.createServer().once('error', reject);
  server.listen(0, '127.0.0.1', () => { const port = server.address().port; server.close(() => resolve(port)); });
});
// A helper program that ends with the test: a small shell holds it and ends it when its input
// closes, which happens however the test process ends (a kill on a time-out included).
function spawnTied(command, args, { stdout = 'ignore', env = process.env } = {}) {
  const child = spawn('sh', ['-c', '"$@" </dev/null & held=$!; trap \'kill $held 2>/dev/null\' EXIT; cat >/dev/null', 'tied',
    command, ...args], { stdio: ['pipe', stdout, 'ignore'], env });
  child.stop = () => { if (child.exitCode === null) child.stdin.end(); };
  return child;
}
function startXvfb() {
  // -displayfd: the server picks a free display and writes its number when it is ready.
  const x = spawnTied('Xvfb', ['-displayfd', '1', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
    { stdout: 'pipe' });
  return new Promise((resolve, reject) => {
    let out = '';
    x.once('error', reject);
    x.once('exit', code => reject(Error(`Xvfb ended (${code}) before it was ready`)));
    x.stdout.on('data', d => { out += d; if (out.includes('\n')) resolve({ process: x, display: ':' + out.trim() }); });
  });
}

async function openWebKit() {
  const children = [];
  const stop = () => { for (const c of children.reverse()) c.stop(); children.length = 0; };
  process.on('exit', stop);
  try {
    const xvfb = await startXvfb();
    children.push(xvfb.process);
    const port = await freePort(), root = `http://127.0.0.1:${port}`;
    const driver = spawnTied(webkitDriver, [`--port=${port}`], { env: { ...process.env, DISPLAY: xvfb.display } });
    children.push(driver);
    const call = async (method, where, body) => {
      const r = await fetch(root + where, { method, headers: { 'content-type': 'application/json' }, body: body && JSON.stringify(body) });
      const answer = await r.json();
      if (!r.ok) throw Error(`${method} ${where}: ${answer.value && (answer.value.message || answer.value.error)}`);
      return answer.value;
    };
    for (let i = 0; ; i++) {
      try { if ((await call('GET', '/status')).ready) break; } catch (e) { if (i > 100) throw e; }
      await sleep(50);
    }
    const { sessionId } = await call('POST', '/session',
      { capabilities: { alwaysMatch: { 'webkitgtk:browserOptions': { args: ['--automation'] } } } });
    const session = (method, where, body) => call(method, `/session/${sessionId}${where}`, body);
    await session('POST', '/timeouts', { script: 300000, pageLoad: 60000 });
    // The first window stays open and empty: the session ends with its last window.
    const anchor = await session('GET', '/window');
    let current = anchor;
    const use = async handle => {
      if (current !== handle) { current = null; await session('POST', '/window', { handle }); current = handle; }
    };
    const pointer = steps => session('POST', '/actions',
      { actions: [{ type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions: steps }] });
    return {
      engine: 'webkit', scales: scalesOf('webkit'),
      async newPage({ width = 800, height = 400, scale = 1, init = [] } = {}) {
        if (scale !== 1) throw Error('WebKit\'s driver gives no other pixel ratio than 1');
        await use(anchor);
        // A window of its own: input to a tab in the background never completes.
        const { handle } = await session('POST', '/window/new', { type: 'window' });
        await use(handle);
        // The window's size less its frame and bars is the page's. The X server may apply a new
        // size a moment after the driver answers: go on until the page has the size asked for,
        // or pointer moves fall outside a page that is still small.
        const inner = () => session('POST', '/execute/sync', { script: 'return [innerWidth, innerHeight]', args: [] });
        let outer = [width, height];
        for (let i = 0; ; i++) {
          await session('POST', '/window/rect', { width: outer[0], height: outer[1] });
          await sleep(i ? 50 : 0);
          const [w, h] = await inner();
          if (w === width && h === height) break;
          if (i === 40) throw Error(`the page is ${w} x ${h}, not ${width} x ${height}`);
          outer = [outer[0] + width - w, outer[1] + height - h];
        }
        const page = {
          engine: 'webkit',
          goto: async url => { await use(handle); await session('POST', '/url', { url: withInit(url, [keepLog, ...init]) }); },
          async evaluate(fn, arg) {
            await use(handle);
            const script = `const arg = arguments[0], done = arguments[arguments.length - 1];
              Promise.resolve().then(() => (${fn})(arg)).then(
                v => done(JSON.stringify({ v })), e => done(JSON.stringify({ e: String(e && e.message || e) })));`;
            const answer = JSON.parse(await session('POST', '/execute/async', { script, args: [arg === undefined ? null : arg] }));
            if ('e' in answer) throw Error(answer.e);
            return answer.v;
          },
          waitFor: (fn, arg, timeout) => poll(page, fn, arg, timeout),
          logs: () => page.evaluate(() => window.__log || []),
          click: async (x, y) => {
            await use(handle);
            await pointer([{ type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport', duration: 0 },
              { type: 'pointerDown', button: 0 }, { type: 'pointerUp', button: 0 }]);
          },
          move: async (x, y) => {
            await use(handle);
            await pointer([{ type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport', duration: 0 }]);
          },
          screenshot: async () => { await use(handle); return Buffer.from(await session('GET', '/screenshot'), 'base64'); },
          close: async () => { await use(handle); await session('DELETE', '/window'); await use(anchor); },
        };
        return page;
      },
      async close() {
        try { await session('DELETE', ''); } finally { stop(); process.off('exit', stop); }
      },
    };
  } catch (e) {
    stop();
    throw e;
  }
}

function openBrowser(engine = 'chromium') {
  return { chromium: openChromium, firefox: openFirefox, webkit: openWebKit }[engine]();
}

// Opens a page, waits for its first player to have its media and pauses it.
async function openPlayer(browser, url, options = {}) {
  const page = await browser.newPage(options);
  await page.goto(withTestInterface(url));
  await page.waitFor(() => window.kavelins && window.kavelins.players.length > 0);
  await page.evaluate(() => window.kavelins.players[0].ready.then(p => { p.pause(); }));
  page.errors = async () => (await page.logs()).filter(l => l.startsWith('pageerror'));
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
  engines, scalesOf, openBrowser, keepLog, withInit,
};
