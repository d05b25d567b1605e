// One frame of a 100-item Kavelin in each browser engine (Chromium, Firefox, WebKit; or those
// of KAVELINS_ENGINES): the tick (motion, animation, effects, events) and the drawing of the
// frame. Target: a median of at most 0.5 ms a frame. Frames are timed ten at a time, as some
// engines give the page a coarse clock.
// Then, in Chromium, the main thread's busy time a second while the exported showcase plays on
// screen, while it is scrolled out of view and while its tab is hidden (targets: 40 ms and 0 ms
// a second), beside a bare page that only fills a canvas at the same rate and an idle page.
// Usage: node bench/player_bench.mjs [FRAMES] [SECONDS]
import { createRequire } from 'node:module';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const require = createRequire(import.meta.url);
const s = require('../tests/player/support.js');
const frames = Number(process.argv[2] || 1000);
const seconds = Number(process.argv[3] || 3);

// A card of 100 items over the showcase's media: strips and images on paths of every kind,
// texts with effects, a few still items with events.
function benchCard(media) {
  let seed = 12345;
  const rnd = n => { seed = (seed * 1103515245 + 12345) & 0x7fffffff; return seed % n; };
  const items = [];
  for (let i = 0; i < 100; i++) {
    const pts = [];
    const k = i % 10 === 9 ? 0 : 1 + rnd(3);
    for (let p = 0; p < 2 * k + 1; p++) pts.push(rnd(520) - 30, rnd(150) - 20);
    const path = `${1 + rnd(8)};${k};${pts.join(';')};${[-1, 0, 1][rnd(3)]}`;
    if (i % 5 === 4) {
      const fx = [rnd(2), rnd(2), rnd(2), rnd(2), rnd(2)];
      items.push(`T;text${i};${i};${path};${1 + rnd(4)};0;2;Kavelin ${i};0;Line two;0;${rnd(0xffffff)};` +
        `${['TimesRoman', 'Helvetica', 'Courier'][rnd(3)]};${14 + rnd(16)};${rnd(4)};${rnd(3)};${fx.join(';')};20`);
    } else {
      const m = media[rnd(media.length)];
      const events = i % 10 === 9 ? `1;${10 + rnd(50)};1;A;3;0;${rnd(100)};0` : '0';
      items.push(`G;item${i};${i};${path};${1 + rnd(3)};${events};${m.gif};0;0;${m.w};${m.h};${m.frames}`);
    }
  }
  items.push(`G;Dummy;100;5;0;218;44;0;1;0;${media[0].gif};0;0;32;32;1`);
  return `bench/ver970815;1;S;Bench;8900331;Item-1.gif;1;1056864;2;101;101;${items.join(';')}`;
}

const ex = s.exportProject(path.join(s.samples, 'showcase.plt'), 'bench');
const card = fs.readFileSync(path.join(ex.folder, 'bench.dsc'), 'utf8');
// The strips and images the showcase exports, with their frame sizes.
const media = [...card.matchAll(/;(Item\d+\.gif);0;0;(\d+);(\d+);(\d+)(?:\.1)?(?=;)/g)]
  .map(m => ({ gif: m[1], w: +m[2], h: +m[3], frames: +m[4] }))
  .filter((m, i, all) => all.findIndex(o => o.gif === m.gif) === i);

// The showcase's page with room to scroll it out of view.
const page0 = fs.readFileSync(path.join(ex.folder, ex.page), 'utf8');
const tall = page0.replace('</object>', '</object><div style="height:3000px"></div>');
const server = await s.serve(path.join(s.scratch, 'web'), { [`/${ex.dir}/tall.html`]: tall });
// Tick and draw in one engine's page.
async function tickAndDraw(engine) {
  const browser = await s.openBrowser(engine);
  try {
    const page = await browser.newPage({ init: ['window.kavelinsOptions = { autoplay: false };'] });
    await page.goto(s.withTestInterface(server.url + ex.dir + '/' + ex.page));
    await page.waitFor(() => window.kavelins && window.kavelins.players.length > 0);
    return await page.evaluate(async ([text, n, base]) => {
      const p = window.kavelins.mount(text, document.body, { autoplay: false, base, width: 468, height: 120, scale: 1 });
      await p.ready;
      if (p.error) return { error: p.error };
      const ctx = p.canvas.getContext('2d'), batch = 10;
      const measure = flush => {
        p.restart();
        const t = [];
        for (let i = 0; i < n; i += batch) {
          const t0 = performance.now();
          for (let k = 0; k < batch; k++) {
            p.engine.tick();
            p.render();
            if (flush) ctx.getImageData(0, 0, 1, 1);
          }
          t.push((performance.now() - t0) / batch);
        }
        t.sort((a, b) => a - b);
        const mean = t.reduce((a, b) => a + b, 0) / t.length;
        return { mean: +mean.toFixed(3), median: +t[t.length >> 1].toFixed(3), p95: +t[Math.floor(t.length * 0.95)].toFixed(3) };
      };
      measure(false); // warm up
      const tickOnly = (() => {
        p.restart();
        const t0 = performance.now();
        for (let i = 0; i < n; i++) p.engine.tick();
        return +((performance.now() - t0) / n).toFixed(4);
      })();
      return { items: p.engine.items().length, tickOnly, frame: measure(false), frameRasterised: measure(true) };
    }, [benchCard(media), frames, server.url + ex.dir + '/']);
  } finally {
    await browser.close();
  }
}
const result = {};
for (const engine of s.engines()) result[engine] = await tickAndDraw(engine);

// Busy time of the main thread (tasks, scripts, layout and paint) a second, from Chromium's own
// counters, after the page has settled; `count` reads counters of the page's own at both ends.
async function perSecond(page, count = async () => []) {
  await new Promise(r => setTimeout(r, 500));
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable');
  const metric = async () =>
    Object.fromEntries((await cdp.send('Performance.getMetrics')).metrics.map(m => [m.name, m.value]));
  const [m0, c0] = [await metric(), await count()];
  await new Promise(r => setTimeout(r, seconds * 1000));
  const [m1, c1] = [await metric(), await count()];
  await page.close();
  const per = v => +(v / seconds).toFixed(1);
  return {
    taskMsPerSecond: per((m1.TaskDuration - m0.TaskDuration) * 1000),
    scriptMsPerSecond: per((m1.ScriptDuration - m0.ScriptDuration) * 1000),
    counts: c1.map((v, i) => per(v - c0[i])),
  };
}
// The showcase, with the animation frames and ticks the player asked for.
async function busyPerSecond(browser, state) {
  const busy = await browser.newPage({ viewport: { width: 800, height: 400 } });
  await busy.goto(s.withTestInterface(server.url + ex.dir + '/tall.html'));
  await busy.waitForFunction(() => window.kavelins && window.kavelins.players.length > 0);
  await busy.evaluate(() => window.kavelins.players[0].ready);
  await busy.evaluate(() => {
    window.__frames = 0;
    const raf = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = f => raf(t => { window.__frames++; f(t); });
  });
  if (state === 'scrolled away') await busy.evaluate(() => window.scrollTo(0, 2000));
  if (state === 'tab hidden') {
    await busy.evaluate(() => {
      Object.defineProperty(document, 'visibilityState', { value: 'hidden', configurable: true });
      document.dispatchEvent(new Event('visibilitychange'));
    });
  }
  const { counts: [animationFramesPerSecond, ticksPerSecond], ...busyTime } = await perSecond(busy,
    () => busy.evaluate(() => [window.__frames, window.kavelins.players[0].ticks]));
  return { state, ...busyTime, animationFramesPerSecond, ticksPerSecond };
}
// The same counters for a page that only fills one banner-sized canvas in the player's timer and
// animation-frame loop, and for a page that does nothing: what the browser itself costs on this
// machine, for reading the above (a banner out of sight should cost what the idle page does).
const bareCanvas = attributes => `<canvas width=468 height=120></canvas><script>
    const c = document.querySelector('canvas').getContext('2d', ${attributes});
    let n = 0;
    const next = () => setTimeout(() => requestAnimationFrame(() => {
      c.fillStyle = n++ % 2 ? '#123456' : '#654321'; c.fillRect(0, 0, 468, 120); next();
    }), 38);
    next();</script>`;
async function referencePerSecond(browser, state, html) {
  const page = await browser.newPage({ viewport: { width: 800, height: 400 } });
  await page.setContent(html);
  const { counts, ...busyTime } = await perSecond(page);
  return { state, ...busyTime };
}
const mainThread = [];
if (s.engines().includes('chromium')) {
  const browser = await s.launch();
  for (const state of ['playing', 'scrolled away', 'tab hidden']) mainThread.push(await busyPerSecond(browser, state));
  mainThread.push(await referencePerSecond(browser, 'bare canvas loop', bareCanvas('{}')));
  // The player's canvas is desynchronized: the same loop on such a canvas.
  mainThread.push(await referencePerSecond(browser, 'bare canvas loop, desynchronized',
    bareCanvas('{ desynchronized: true }')));
  mainThread.push(await referencePerSecond(browser, 'idle page', '<p>Nothing moves here.</p>'));
  await browser.close();
}
await server.close();

const js = fs.readFileSync(path.join(s.appDir, 'Classes', 'player.js'));
console.log(JSON.stringify({
  frames, tickAndDraw: result, targetMedianMs: 0.5, mainThread,
  playerBytes: js.length, playerGzipBytes: zlib.gzipSync(js, { level: 9 }).length,
}, null, 1));
