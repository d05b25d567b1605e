// The browser player against the editor on random projects (tools/randomproject.h): for a seed,
// kav-makerandom writes the project, kavelins-cli plays it with a few clicks on items, and the
// player's trace in Chromium must be the same, tick by tick; in scenes without text the frames
// must be the same pixels.
// As a script, for as long as asked: node tests/player/random.js [SECONDS] [FIRST_SEED]
'use strict';
const { execFile } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');
const s = require('./support');

const FRAMES = 300;
const CLICKS = 3;
const toolsDir = path.resolve(process.env.KAVELINS_TOOLS_DIR || path.join(s.appDir, '..', 'tools'));
const makeRandom = path.join(toolsDir, 'kav-makerandom');
const cliPath = path.join(s.appDir, 'kavelins-cli');

// The seed's own small generator for the choice of clicks (xorshift32).
function chooser(seed) {
  let state = (seed * 2654435761) >>> 0 || 1;
  return n => {
    state ^= state << 13; state >>>= 0; state ^= state >>> 17; state ^= state << 5; state >>>= 0;
    return state % n;
  };
}

// A click on the middle of the part of a visible item that is on the stage, at a tick from
// `from` to `to`, preferring items that have click events; null when none is found.
function chooseClick(trace, sizes, stage, from, to, rnd) {
  for (let attempt = 0; attempt < 20; attempt++) {
    const line = trace[Math.min(from + rnd(to - from + 1), trace.length - 1)];
    const shown = [];
    for (const i of line.items) {
      const size = i.visible && sizes[line.scene] && sizes[line.scene][i.index];
      if (!size) continue;
      const left = Math.max(0, i.x), top = Math.max(0, i.y);
      const right = Math.min(stage.width, i.x + size.w), bottom = Math.min(stage.height, i.y + size.h);
      if (left < right && top < bottom) shown.push({ x: (left + right) >> 1, y: (top + bottom) >> 1, clickable: size.clickable });
    }
    if (!shown.length) continue;
    const clickable = shown.filter(i => i.clickable);
    const pool = clickable.length && rnd(10) < 8 ? clickable : shown;
    const at = pool[rnd(pool.length)];
    return { tick: line.tick, text: `${at.x},${at.y}@${line.tick}` };
  }
  return null;
}

// What differs in one tick; empty when the lines agree. Text may stand a pixel off.
function lineDifferences(e, p, kinds) {
  const out = [];
  for (const k of ['tick', 'scene', 'frame']) if (p[k] !== e[k]) out.push(`${k} ${p[k]} instead of ${e[k]}`);
  if (p.scene !== e.scene) return out;
  if (JSON.stringify(p.url) !== JSON.stringify(e.url)) out.push(`pages ${JSON.stringify(p.url)} instead of ${JSON.stringify(e.url)}`);
  if (JSON.stringify(p.sound) !== JSON.stringify(e.sound)) out.push(`sounds ${JSON.stringify(p.sound)} instead of ${JSON.stringify(e.sound)}`);
  if (p.items.length !== e.items.length) {
    out.push(`${p.items.length} items instead of ${e.items.length}`);
    return out;
  }
  p.items.forEach((pi, i) => {
    const ei = e.items[i], text = (kinds[e.scene] || [])[ei.index] === 'T';
    for (const k of ['index', 'name', 'visible', 'anim']) if (pi[k] !== ei[k]) out.push(`item ${ei.index} (${ei.name}) ${k} ${pi[k]} instead of ${ei[k]}`);
    for (const k of ['x', 'y']) if (Math.abs(pi[k] - ei[k]) > (text ? 1 : 0)) out.push(`item ${ei.index} (${ei.name}) ${k} ${pi[k]} instead of ${ei[k]}`);
  });
  return out;
}

function fnv(rgb) {
  let h = 0x811c9dc5;
  for (let i = 0; i < rgb.length; i++) h = Math.imul(h ^ rgb[i], 16777619);
  return h >>> 0;
}

// In the page: the player's trace with a hash of the RGB of each wanted tick's frame, or the
// RGB of one tick (base64).
function playerRun([n, clicks, want, rgbOf]) {
  const p = window.kavelins.players[0], cv = document.createElement('canvas');
  cv.width = p.width; cv.height = p.height;
  const ctx = cv.getContext('2d', { willReadFrequently: true }), hashes = {};
  let rgb = null;
  const lines = p.trace(n, clicks, (line, t, draw) => {
    if (!want.includes(t) && t !== rgbOf) return;
    draw(ctx);
    const d = ctx.getImageData(0, 0, cv.width, cv.height).data;
    if (t === rgbOf) {
      let s = '';
      for (let i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
      rgb = btoa(s);
    }
    let h = 0x811c9dc5;
    for (let i = 0; i < d.length; i += 4) {
      h = Math.imul(h ^ d[i], 16777619); h = Math.imul(h ^ d[i + 1], 16777619); h = Math.imul(h ^ d[i + 2], 16777619);
    }
    hashes[t] = h >>> 0;
  });
  return { lines, hashes, rgb };
}

// How a program run went wrong: a crash names the signal, a failure its last line of stderr.
function failure(e) {
  if (e.signal) return `crashed (${e.signal})`;
  const status = typeof e.code === 'number' ? e.code : e.status;
  if (typeof status !== 'number') return `did not run: ${e.message}`;
  const said = String(e.stderr || '').split('\n').filter(l => l.trim() && !/XDG_RUNTIME_DIR/.test(l)).pop();
  return `failed (exit ${status}): ${said || 'no message'}`;
}

// The player, paused before it plays and with pages that it opens noted instead of opened (an
// event at frame 0 may open one in its own window while the player starts).
async function openPlayer(browser, url) {
  const page = await browser.newPage({ viewport: { width: 800, height: 400 }, deviceScaleFactor: 1 });
  page.errors = [];
  page.on('pageerror', e => page.errors.push(e.message));
  page.on('console', m => { if (m.type() === 'error' && !/Failed to load resource/.test(m.text())) page.errors.push(m.text()); });
  await page.addInitScript(() => {
    window.open = () => null;
    window.kavelinsOptions = { autoplay: false };
  });
  await page.goto(s.withTestInterface(url));
  try {
    await page.waitForFunction(() => window.kavelins && window.kavelins.players.length > 0, null, { timeout: 10000 });
  } catch (e) {
    const errors = page.errors.join('; ') || 'no error on the page';
    await page.close();
    throw new Error(`the player did not start (${errors})`);
  }
  await page.evaluate(() => window.kavelins.players[0].ready.then(p => p.pause()));
  return page;
}

// A program's run; rejects with the error of execFile (signal, status, stderr).
function runProgram(file, args) {
  return new Promise((resolve, reject) => {
    execFile(file, args, { encoding: 'utf8', maxBuffer: 64 << 20, env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' } },
      (err, stdout, stderr) => {
        if (err) { err.stderr = stderr; reject(err); } else resolve(stdout);
      });
  });
}

// The editor's live playback with the clicks, one parsed line per tick; frames as PNGs into
// pngDir when given.
async function editorTrace(dir, project, clicks, pngDir) {
  const out = path.join(dir, 'trace.jsonl');
  const args = ['play', project, '--frames', String(FRAMES), '--trace', out];
  for (const c of clicks) args.push('--click', c);
  if (pngDir) args.push('--png-dir', pngDir);
  await runProgram(cliPath, args);
  return fs.readFileSync(out, 'utf8').trim().split('\n').map(l => JSON.parse(l));
}

// The RGB of a PNG as the editor writes it (8 bits, RGB or RGBA, not interlaced).
function readPng(file) {
  const buf = fs.readFileSync(file), idat = [];
  let pos = 8, w = 0, h = 0, bpp = 0;
  while (pos < buf.length) {
    const len = buf.readUInt32BE(pos), kind = buf.toString('latin1', pos + 4, pos + 8);
    if (kind === 'IHDR') {
      w = buf.readUInt32BE(pos + 8); h = buf.readUInt32BE(pos + 12);
      bpp = { 2: 3, 6: 4 }[buf[pos + 17]];
      if (buf[pos + 16] !== 8 || !bpp || buf[pos + 20] !== 0) throw new Error(`${file}: not an 8-bit RGB(A) PNG without interlace`);
    }
    if (kind === 'IDAT') idat.push(buf.subarray(pos + 8, pos + 8 + len));
    pos += 12 + len;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat)), stride = w * bpp, rgb = Buffer.alloc(w * h * 3);
  let cur = new Uint8Array(stride), prev = new Uint8Array(stride), o = 0;
  for (let y = 0; y < h; y++) {
    const f = raw[y * (stride + 1)], src = y * (stride + 1) + 1;
    for (let i = 0; i < stride; i++) {
      const x = raw[src + i], a = i >= bpp ? cur[i - bpp] : 0, b = prev[i];
      let v = x;
      if (f === 1) v = x + a;
      else if (f === 2) v = x + b;
      else if (f === 3) v = x + ((a + b) >> 1);
      else if (f === 4) {
        const c = i >= bpp ? prev[i - bpp] : 0, pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
        v = x + (pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
      }
      cur[i] = v;
    }
    for (let i = 0; i < stride; i += bpp) { rgb[o++] = cur[i]; rgb[o++] = cur[i + 1]; rgb[o++] = cur[i + 2]; }
    [cur, prev] = [prev, cur];
  }
  return { w, h, rgb };
}

// Plays one seed both ways. Returns { seed, summary, clicks, findings: [strings], pixelFrames }.
async function checkSeed(browser, server, seed) {
  const dir = path.join(s.scratch, 'random', String(seed));
  fs.mkdirSync(dir, { recursive: true });
  const project = path.join(dir, `r${seed}.plt`), pngs = path.join(dir, 'png'), web = path.join(s.scratch, 'web');
  fs.mkdirSync(web, { recursive: true });
  const result = { seed, summary: '', clicks: [], findings: [], pixelFrames: 0 };
  const program = async (what, file, args) => {
    try {
      return await runProgram(file, args);
    } catch (e) {
      throw new Error(`${what} ${failure(e)}`);
    }
  };
  let replay = `kav-makerandom ${seed} r.plt`, framesWritten = Promise.resolve();
  try {
    result.summary = (await program('kav-makerandom', makeRandom, [String(seed), project, s.appDir])).trim();
    const info = JSON.parse(await program('kavelins-cli info', cliPath, ['info', project, '--json']));
    const sizes = [], kinds = [];
    for (const sc of info.scenes) {
      sizes[sc.index] = [];
      kinds[sc.index] = [];
      for (const i of sc.items) {
        sizes[sc.index][i.index] = { w: i.width, h: i.height, clickable: i.userEvents.length > 0 };
        kinds[sc.index][i.index] = i.kind === 'Text' ? 'T' : 'G';
      }
    }
    const plainScene = sc => !(kinds[sc] || []).includes('T');

    // Clicks one after the other, each chosen from the trace with the clicks before it.
    const rnd = chooser(seed);
    let editor = null;
    for (let k = 0; k < CLICKS; k++) {
      editor = await editorTrace(dir, project, result.clicks.map(c => c.text)).catch(e => { throw new Error(`kavelins-cli play ${failure(e)}`); });
      // One click in each part of the run.
      const part = Math.floor(FRAMES / CLICKS);
      const c = chooseClick(editor, sizes, info.stage, 1 + k * part, (k + 1) * part, rnd);
      if (c) result.clicks.push(c);
    }
    const clicks = result.clicks.map(c => c.text);
    replay += ` && kavelins-cli play r.plt --frames ${FRAMES}${clicks.map(c => ' --click ' + c).join('')} --trace -`;
    const target = path.join(web, `r${seed}.html`);
    [editor] = await Promise.all([
      editorTrace(dir, project, clicks).catch(e => { throw new Error(`kavelins-cli play ${failure(e)}`); }),
      program('kavelins-cli export', cliPath, ['export', project, target]),
    ]);
    // Ticks whose scene has no text: those frames are compared pixel for pixel.
    const plain = editor.filter(l => plainScene(l.scene)).map(l => l.tick);
    if (plain.length) {
      framesWritten = editorTrace(dir, project, clicks, pngs).catch(e => { throw new Error(`kavelins-cli play ${failure(e)}`); });
      framesWritten.catch(() => {});   // awaited below; a failure must not go unhandled meanwhile
    }
    const page = await openPlayer(browser, `${server.url}r${seed}/r${seed}.html`);
    try {
      const player = await page.evaluate(playerRun, [FRAMES, clicks, plain, -1]);
      const lines = player.lines.map(l => JSON.parse(l));

      if (lines.length !== editor.length) result.findings.push(`the player's trace has ${lines.length} lines, the editor's ${editor.length}`);
      let firstTick = -1, ticks = 0, first = [];
      for (let t = 0; t < Math.min(lines.length, editor.length); t++) {
        const d = lineDifferences(editor[t], lines[t], kinds);
        if (!d.length) continue;
        ticks++;
        if (firstTick < 0) { firstTick = t; first = d; }
      }
      if (firstTick >= 0) {
        const e = editor[firstTick];
        result.findings.push(`trace: first differs at tick ${firstTick} (editor: scene ${e.scene}, frame ${e.frame}), ` +
          `${ticks} tick(s) differ in all:\n      ` + first.slice(0, 8).join('\n      '));
      }

      await framesWritten;
      let firstPixels = -1, bad = 0;
      for (const t of plain) {
        const png = readPng(path.join(pngs, `frame-${String(t).padStart(5, '0')}.png`));
        if (fnv(png.rgb) === player.hashes[t]) continue;
        bad++;
        if (firstPixels < 0) firstPixels = t;
      }
      result.pixelFrames = plain.length;
      if (firstPixels >= 0) {
        const png = readPng(path.join(pngs, `frame-${String(firstPixels).padStart(5, '0')}.png`));
        const one = await page.evaluate(playerRun, [firstPixels, clicks, [], firstPixels]);
        const rgb = Buffer.from(one.rgb || '', 'base64');
        let count = 0, at = -1;
        for (let i = 0; i < png.rgb.length; i += 3) {
          if (rgb[i] !== png.rgb[i] || rgb[i + 1] !== png.rgb[i + 1] || rgb[i + 2] !== png.rgb[i + 2]) { count++; if (at < 0) at = i / 3; }
        }
        const e = editor[firstPixels];
        const hex = (b, i) => '#' + [0, 1, 2].map(k => (b[3 * i + k] || 0).toString(16).padStart(2, '0')).join('');
        result.findings.push(`pixels: first differ at tick ${firstPixels} (scene ${e.scene}, frame ${e.frame}; ` +
          `the traces ${firstTick >= 0 && firstTick <= firstPixels ? 'differ already' : 'agree there'}): ` +
          `${count} pixel(s), the first at ${at % png.w},${Math.floor(at / png.w)} (player ${hex(rgb, at)}, editor ${hex(png.rgb, at)}); ` +
          `${bad} of ${plain.length} frames without text differ`);
      }
      for (const err of page.errors) result.findings.push(`page error: ${err}`);
    } finally {
      await page.close();
    }
  } catch (e) {
    result.findings.push(e.message);
  }
  await framesWritten.catch(() => {});
  fs.rmSync(dir, { recursive: true, force: true });
  fs.rmSync(path.join(web, `r${seed}`), { recursive: true, force: true });
  if (result.findings.length) result.findings.push(`to see it: ${replay}`);
  return result;
}

function report(r) {
  return `seed ${r.seed} (${r.summary.replace(/^seed \d+: /, '')}; clicks ${r.clicks.map(c => c.text).join(' ') || 'none'}):\n    ` +
    r.findings.join('\n    ');
}

async function runFor(seconds, firstSeed, workers = 2) {
  const web = path.join(s.scratch, 'web');
  fs.mkdirSync(web, { recursive: true });
  const server = await s.serve(web);
  const browser = await s.launch();
  const started = Date.now();
  let next = firstSeed, runs = 0, frames = 0;
  const bad = [];
  const worker = async () => {
    while (Date.now() - started < seconds * 1000) {
      const r = await checkSeed(browser, server, next++);
      runs++;
      frames += r.pixelFrames;
      if (r.findings.length) {
        bad.push(r.seed);
        console.log(report(r));
      }
    }
  };
  try {
    await Promise.all(Array.from({ length: workers }, worker));
  } finally {
    await browser.close();
    await server.close();
  }
  console.log(`random projects in the browser: ${runs} seed(s) from ${firstSeed}, ${FRAMES + 1} ticks each, ` +
    `${frames} frame(s) compared by pixels, ${bad.length} disagreeing${bad.length ? ': ' + bad.sort((a, b) => a - b).join(' ') : ''}`);
  return bad.length === 0;
}

module.exports = { checkSeed, report, readPng, FRAMES };

if (require.main === module) {
  const seconds = Number(process.argv[2] || 60), first = Number(process.argv[3] || 100000);
  runFor(seconds, first).then(ok => process.exit(ok ? 0 : 1), e => { console.error(e); process.exit(2); });
}
