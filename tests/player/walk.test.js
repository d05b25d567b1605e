// The banner the editor walk makes with keys and mouse (tests/walk), played from its exported
// page: the first frame shows the text and pictures, the picture hides at the frame its timed
// event was made at, and a click on the text opens the address typed in the dialog.
'use strict';
const { test, describe, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const s = require('./support');

const walkBinary = process.env.KAVELINS_WALK_TEST || path.join(s.appDir, '..', 'tests', 'test_walk');
const web = path.join(s.scratch, 'web');
const out = path.join(web, 'walked');
let server, items;

before(async () => {
  fs.mkdirSync(out, { recursive: true });
  // The editor walk keeps what it made in `out`; its own checks fail it first when it went wrong.
  execFileSync(walkBinary, ['--gtest_filter=Walk.*'], {
    encoding: 'utf8', maxBuffer: 16 << 20, stdio: ['ignore', 'pipe', 'pipe'],
    env: { ...process.env, QT_QPA_PLATFORM: 'offscreen', KAVELINS_WALK_OUT: out },
  });
  const info = JSON.parse(s.cli('info', path.join(out, 'walk.plt'), '--json'));
  items = Object.fromEntries(info.scenes[0].items.map(i => [i.class, i]));
  server = await s.serve(web);
});
after(async () => { if (server) await server.close(); });

const centre = item => item.pathPoints[0];

describe('chromium', () => {
  let browser, page;
  before(async () => {
    browser = await s.openBrowser('chromium');
    page = await browser.newPage({
      init: ['window.kavelinsOptions = { autoplay: false };',
        'window.__opened = []; window.open = (u, t, f) => { window.__opened.push([u, t, f || \'\']); return null; };'],
    });
    await page.goto(s.withTestInterface(server.url + 'walked/walk/walk.html'));
    await page.waitFor(() => window.kavelins && window.kavelins.players.length > 0);
    await page.evaluate(() => window.kavelins.players[0].ready.then(p => { p.pause(); }));
  });
  after(async () => { if (browser) await browser.close(); });
  const call = (method, ...args) => page.evaluate(([m, a]) => window.kavelins.players[0][m](...a), [method, args]);
  const pixel = (x, y) => page.evaluate(([x, y]) =>
    Array.from(window.kavelins.players[0].canvas.getContext('2d').getImageData(x, y, 1, 1).data.slice(0, 3)), [x, y]);

  test('the first frame shows the text and both pictures', async () => {
    const [ix, iy] = centre(items.TItemImage), [ax, ay] = centre(items.TItemAnim);
    assert.deepEqual(await pixel(ix, iy), [220, 20, 20], 'the red picture');
    const [r, g, b] = await pixel(ax, ay);
    assert.ok(r < 60 && g > 100 && b < 60, `the green animation, not ${[r, g, b]}`);
    const t = items.TItemText, [tx, ty] = centre(t);
    const ink = await page.evaluate(([x, y, w, h]) => {
      const d = window.kavelins.players[0].canvas.getContext('2d').getImageData(x, y, w, h).data;
      let dark = 0;
      for (let i = 0; i < d.length; i += 4) if (d[i] + d[i + 1] + d[i + 2] < 200) dark++;
      return dark;
    }, [tx - t.width / 2, ty - t.height / 2, t.width, t.height]);
    assert.ok(ink > 40, `${ink} dark pixels where the text stands`);
    assert.deepEqual((await page.logs()).filter(l => l.startsWith('pageerror')), []);
  });

  test('the picture hides at the frame of its timed event, where the editor hides it', async () => {
    const frame = items.TItemImage.events[0].frame;
    const visible = lines => lines.map(l => JSON.parse(l).items.find(i => i.name === 'logo').visible);
    const browserLines = await call('trace', frame + 2);
    assert.deepEqual(visible(browserLines), [...Array(frame).fill(true), false, false, false]);
    const editor = s.editorTrace(path.join(out, 'walk.plt'), frame + 2);
    assert.deepEqual(visible(browserLines), editor.map(l => l.items.find(i => i.name === 'logo').visible));
  });

  test('a click on the text opens the address made in the dialog', async () => {
    const [tx, ty] = centre(items.TItemText);
    const state = await call('click', tx, ty);
    assert.deepEqual(state.url.map(u => u.split(' ')[0]), ['https://example.com/offer']);
    assert.deepEqual(await page.evaluate(() => window.__opened), [['https://example.com/offer', '_self', '']]);
  });
});
