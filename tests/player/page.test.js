// The banner as part of a web page: the keyboard and screen readers reach it, visitors can
// pause it and it stops by itself, it rests while nobody sees it, it is sharp at every pixel
// ratio, its sound starts at the first interaction, and the test interface stays off unless
// the page asks for it. Sound runs in each browser engine; the rest drives Chromium's own
// means (its accessibility tree, emulated media and pixel ratios, Playwright's clock).
'use strict';
const { test, describe, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const s = require('./support');

let browser, server;
const chromium = s.engines().includes('chromium'), skip = !chromium && 'Chromium is not among KAVELINS_ENGINES';
const web = path.join(s.scratch, 'web');
const routes = {};
let actions, text;
before(async () => {
  fs.mkdirSync(web, { recursive: true });
  server = await s.serve(web, routes);
  if (chromium) browser = await s.launch();
  actions = s.exportProject(path.join(s.samples, 'tests', 'actions.plt'), 'page-actions');
  text = s.exportProject(path.join(s.samples, 'tests', 'text.plt'), 'page-text');
});
after(async () => {
  if (browser) await browser.close();
  if (server) await server.close();
});

const pageUrl = ex => server.url + ex.dir + '/' + ex.page;
const cardOf = ex => fs.readFileSync(path.join(ex.folder, ex.dir + '.dsc'), 'utf8');
const escape = v => v.replace(/&/g, '&amp;').replace(/"/g, '&quot;').replace(/</g, '&lt;');

// A page of our own in an export's folder: one card, the object's extra attributes, and what
// comes after it (to make the page taller than the window).
function customPage(ex, name, card, attributes = '', afterwards = '') {
  routes[`/${ex.dir}/${name}.html`] = `<!DOCTYPE html><meta charset="utf-8"><title>t</title>
<body style="margin:0"><object width="468" height="120" ${attributes}><param name="Card" value="${escape(card)}">
</object>${afterwards}<script src="fontmetrics.js"></script><script src="player.js"></script>`;
  return `${server.url}${ex.dir}/${name}.html`;
}

async function open(url, { testing = true, autoplay = false, init = [], ...options } = {}) {
  const page = await browser.newPage({ viewport: { width: 800, height: 400 }, ...options });
  page.errors = [];
  page.on('pageerror', e => page.errors.push(e.message));
  await page.addInitScript(`window.__opened = []; window.open = (u, t) => { __opened.push([u, t]); return null; };`);
  if (!autoplay) await page.addInitScript('window.kavelinsOptions = { autoplay: false };');
  for (const script of init) await page.addInitScript(script);
  await page.goto(testing ? s.withTestInterface(url) : url);
  await page.waitForSelector('canvas');
  if (testing) await page.evaluate(() => window.kavelins.players[0].ready);
  return page;
}
const state = page => page.evaluate(() => window.kavelins.players[0].state());
const sleep = ms => new Promise(r => setTimeout(r, ms));

describe('keyboard and screen readers', { skip }, () => {
  test('Tab reaches a clickable banner, which is named, and Enter clicks its first clickable item', async () => {
    const page = await open(customPage(actions, 'named', cardOf(actions), 'aria-label="Spring sale at the bakery"',
      '<div style="height:3000px"></div>'));
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.tagName), 'CANVAS');
    // Chromium's own accessibility tree, as screen readers get it.
    const cdp = await page.context().newCDPSession(page);
    const { nodes } = await cdp.send('Accessibility.getFullAXTree');
    const named = nodes.filter(n => n.name && n.name.value === 'Spring sale at the bakery' && !n.ignored);
    assert.deepEqual(named.map(n => n.role.value), ['button']);
    // The bird comes first and opens a page in the frame "news"; the keyboard also unlocks sound.
    await page.keyboard.press('Enter');
    assert.deepEqual(await page.evaluate(() => window.__opened),
      [[server.url + 'page-actions/next/page.html', 'news']]);
    await page.keyboard.press(' ');
    assert.equal(await page.evaluate(() => window.__opened.length), 2);
    assert.equal(await page.evaluate(() => window.scrollY), 0, 'Space does not scroll the page');
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('without an author\'s label the first scene\'s texts name it; a banner without clicks is an image', async () => {
    const page = await open(pageUrl(text));
    const role = await page.evaluate(() => {
      const c = window.kavelins.players[0].canvas;
      return [c.getAttribute('role'), c.getAttribute('aria-label'), c.tabIndex];
    });
    const lines = await page.evaluate(() => window.kavelins.players[0].card.scenes[0].items
      .filter(i => i && i.kind === 'T' && !i.owner).map(i => i.lines.join(' ').trim()).filter(Boolean));
    assert.ok(lines.length > 1 && role[1].startsWith(lines[0]) && role[1].includes(lines[1]), role[1]);
    const clickable = await page.evaluate(() => window.kavelins.players[0].clickable);
    assert.deepEqual([role[0], role[2]], clickable ? ['button', 0] : ['img', -1]);
    await page.close();
  });
});

describe('motion', { skip }, () => {
  test('the pause control shows on hover, pauses and plays; Escape pauses', async () => {
    const page = await open(pageUrl(actions), { autoplay: true });
    await page.waitForFunction(() => window.kavelins.players[0].state().tick > 2);
    const controls = page.locator('.kavelin-controls');
    assert.equal(await controls.evaluate(e => getComputedStyle(e).opacity), '0');
    await page.mouse.move(200, 60);
    await page.waitForFunction(() => getComputedStyle(document.querySelector('.kavelin-controls')).opacity === '1');
    await page.getByRole('button', { name: 'Pause animation' }).click();
    const paused = await state(page);
    assert.equal(paused.playing, false);
    await sleep(200);
    assert.equal((await state(page)).tick, paused.tick, 'no tick while paused');
    await page.getByRole('button', { name: 'Play animation' }).click();
    await page.waitForFunction(t => window.kavelins.players[0].state().tick > t, paused.tick);
    await page.locator('canvas').focus();
    await page.keyboard.press('Escape');
    assert.equal((await state(page)).playing, false);
    assert.ok(await page.getByRole('button', { name: 'Turn sound off' }).count(), 'a mute control beside pause');
    await page.close();
  });

  test('playing by itself stops after 30 seconds; the visitor can play it on', async () => {
    const page = await browser.newPage();
    // The page's time moves only as the test says: on a busy machine the time the test takes
    // to talk to the page would otherwise count too.
    await page.clock.install({ time: 0 });
    await page.clock.pauseAt(1000);
    await page.goto(s.withTestInterface(pageUrl(actions)));
    await page.waitForFunction(() => window.kavelins && window.kavelins.players.length > 0);
    await page.clock.runFor(100);
    await page.evaluate(() => window.kavelins.players[0].ready);
    await page.clock.runFor(29000);
    assert.equal((await state(page)).stopped, false);
    await page.clock.runFor(2000);
    const stopped = await state(page);
    assert.equal(stopped.stopped, true);
    assert.ok(Math.abs(stopped.tick - 750) <= 1, `${stopped.tick} ticks`);
    await page.evaluate(() => document.querySelector('.kavelin-controls button').click());
    await page.clock.runFor(40000);
    assert.ok((await state(page)).tick > 1700, 'played on past the limit');
    await page.close();
  });

  test('with reduced motion the banner shows its first frame, still', async () => {
    const page = await open(pageUrl(actions), { autoplay: true, reducedMotion: 'reduce' });
    await sleep(300);
    const still = await state(page);
    assert.deepEqual([still.tick, still.playing, still.stopped], [0, false, true]);
    const [shown, first] = await page.evaluate(() => {
      const p = window.kavelins.players[0], c = document.createElement('canvas');
      c.width = p.width; c.height = p.height;
      const ctx = c.getContext('2d');
      p.trace(0, [], (line, t, draw) => draw(ctx));
      const read = x => Array.from(x.getImageData(0, 0, p.width, p.height).data);
      return [read(p.canvas.getContext('2d')), read(ctx)];
    });
    assert.ok(shown.length === first.length && shown.every((v, i) => v === first[i]), 'the canvas shows frame 0');
    assert.equal(await page.locator('.kavelin-controls').evaluate(e => getComputedStyle(e).opacity), '1',
      'the play control stays in view');
    await page.close();
  });
});

describe('resting while unseen', { skip }, () => {
  test('scrolled out of view it neither ticks nor asks for frames, and goes on from the same frame', async () => {
    const page = await open(customPage(actions, 'tall', cardOf(actions), '', '<div style="height:3000px"></div>'),
      { autoplay: true });
    await page.waitForFunction(() => window.kavelins.players[0].state().tick > 5);
    await page.evaluate(() => window.scrollTo(0, 2000));
    await page.waitForFunction(() => !window.kavelins.players[0].state().playing);
    const before = await state(page);
    await sleep(400);
    const idle = await page.evaluate(() => {
      const p = window.kavelins.players[0];
      return { tick: p.state().tick, timer: p.timer, frame: p.frameRequest };
    });
    assert.deepEqual(idle, { tick: before.tick, timer: 0, frame: 0 });
    const back = await page.evaluate(() => { window.scrollTo(0, 0); return performance.now(); });
    await page.waitForFunction(t => window.kavelins.players[0].state().tick > t, before.tick);
    const resumed = await page.evaluate(() => ({ tick: window.kavelins.players[0].state().tick, at: performance.now() }));
    // It goes on at 25 a second from where it stood: not the 400 ms it rested (10 ticks) at once.
    const due = Math.ceil((resumed.at - back) / 40) + 2;
    assert.ok(resumed.tick - before.tick <= due, `${resumed.tick - before.tick} ticks at once after coming back (${due} due)`);
    await page.close();
  });

  test('a hidden tab neither ticks nor draws', async () => {
    const page = await open(pageUrl(actions), { autoplay: true });
    await page.waitForFunction(() => window.kavelins.players[0].state().tick > 2);
    const setHidden = hidden => page.evaluate(h => {
      Object.defineProperty(document, 'visibilityState', { value: h ? 'hidden' : 'visible', configurable: true });
      document.dispatchEvent(new Event('visibilitychange'));
      return window.kavelins.players[0].state().tick;
    }, hidden);
    const at = await setHidden(true);
    await sleep(300);
    assert.equal((await state(page)).tick, at);
    await setHidden(false);
    await page.waitForFunction(t => window.kavelins.players[0].state().tick > t, at);
    await page.close();
  });
});

describe('pixel ratios', { skip }, () => {
  for (const ratio of [1.25, 1.5, 2]) {
    test(`the canvas has a pixel for every device pixel at ratio ${ratio}`, async () => {
      const page = await open(pageUrl(actions), { deviceScaleFactor: ratio });
      const size = await page.evaluate(() => {
        const c = window.kavelins.players[0].canvas, box = c.getBoundingClientRect();
        return [c.width, c.height, box.width, box.height];
      });
      assert.deepEqual(size, [Math.round(468 * ratio), Math.round(120 * ratio), 468, 120]);
      await page.close();
    });
  }

  test('a ratio that changes (zoom, another screen) resizes the backing store', async () => {
    const page = await open(pageUrl(actions), { deviceScaleFactor: 1 });
    const cdp = await page.context().newCDPSession(page);
    // As a zoom to 150 %: more device pixels to a CSS pixel, fewer CSS pixels in the window.
    await cdp.send('Emulation.setDeviceMetricsOverride',
      { width: 533, height: 267, deviceScaleFactor: 1.5, mobile: false });
    await page.waitForFunction(() => window.kavelins.players[0].canvas.width === 702);
    assert.equal(await page.evaluate(() => window.kavelins.players[0].canvas.height), 180);
    await page.close();
  });
});

// A page of the given engine with the player's media loaded and paused.
async function openOn(engineBrowser, url, init = []) {
  const page = await engineBrowser.newPage({ init: ['window.kavelinsOptions = { autoplay: false };', ...init] });
  await page.goto(s.withTestInterface(url));
  await page.waitFor(() => window.kavelins && window.kavelins.players.length > 0);
  await page.evaluate(() => window.kavelins.players[0].ready.then(() => {}));
  return page;
}

for (const engine of s.engines()) describe(`sound in ${engine}`, () => {
  let engineBrowser;
  before(async () => { engineBrowser = await s.openBrowser(engine); });
  after(async () => { if (engineBrowser) await engineBrowser.close(); });

  test('a looping sound asked for at load starts at the first click in a real audio context; mute', async () => {
    const hum = /;A;6;1;1;(Item-?\d+\.au);/.exec(cardOf(actions))[1];
    const card = `snd/ver970815;1;S;s;16777215;0;0;0;0;2;2;G;img;0;1;0;10;10;0;1;1;0;1;A;6;1;1;${hum};` +
      'img.gif;0;0;1;1;1;G;Dummy;1;1;0;0;0;0;1;0;d.gif;0;0;1;1;1';
    const page = await openOn(engineBrowser, customPage(actions, 'sound', card));
    const playing = () => page.evaluate(() => {
      const sound = window.kavelins.players[0].sound;
      return [sound.playing, sound.source ? sound.source.context.state : null, sound.source ? sound.source.loop : null];
    });
    assert.equal((await state(page)).sound[0], `start ${hum} loop`);
    assert.deepEqual(await playing(), [null, null, null], 'nothing before the visitor did anything');
    await page.click(300, 100);
    await page.waitFor(() => window.kavelins.players[0].sound.playing);
    assert.deepEqual(await playing(), [hum, 'running', true]);
    await page.move(300, 60);
    const mute = await page.evaluate(() => {
      const box = document.querySelector('button[aria-label="Turn sound off"]').getBoundingClientRect();
      return [box.left + box.width / 2, box.top + box.height / 2];
    });
    await page.click(...mute);
    assert.equal(await page.evaluate(() => window.kavelins.players[0].sound.gain.gain.value), 0);
    assert.equal(await page.evaluate(() => document.querySelector('button[aria-label="Turn sound on"]')
      .getAttribute('aria-pressed')), 'true');
    assert.deepEqual((await page.logs()).filter(l => l.startsWith('pageerror')), []);
    await page.close();
  });

  test('sounds the page carries play without being fetched', async () => {
    // No file of this name on the server: only what the page carries can give it.
    const hum = /;A;6;1;1;(Item-?\d+\.au);/.exec(cardOf(actions))[1];
    const bytes = fs.readFileSync(path.join(actions.folder, hum)).toString('base64');
    const card = 'snd/ver970815;1;S;s;16777215;0;0;0;0;2;2;G;img;0;1;0;10;10;0;1;1;0;1;A;6;1;1;carried.au;' +
      'img.gif;0;0;1;1;1;G;Dummy;1;1;0;0;0;0;1;0;d.gif;0;0;1;1;1';
    const page = await openOn(engineBrowser, customPage(actions, 'carried', card),
      [`window.KavelinsSounds = { "carried.au": "${bytes}" };`]);
    const decoded = await page.evaluate(() => {
      const d = window.kavelins.players[0].media.sounds.get('carried.au').data;
      return d && [d.rate, d.out[0].length];
    });
    assert.deepEqual(decoded, [8012, fs.statSync(path.join(actions.folder, hum)).size - 28]);
    await page.close();
  });
});

describe('the test interface', { skip }, () => {
  test('is absent unless the page asks for it', async () => {
    const page = await open(pageUrl(actions), { testing: false, autoplay: true });
    assert.equal(await page.evaluate(() => typeof window.kavelins), 'undefined');
    assert.equal(await page.locator('canvas[role]').count(), 1, 'the banner plays all the same');
    const asked = await open(customPage(actions, 'attribute', cardOf(actions)), { testing: false });
    assert.equal(await asked.evaluate(() => typeof window.kavelins), 'undefined');
    await asked.close();
    routes['/page-actions/flagged.html'] = routes['/page-actions/attribute.html']
      .replace('<!DOCTYPE html>', '<!DOCTYPE html><html data-kavelins-test>');
    const flagged = await open(`${server.url}page-actions/flagged.html`, { testing: false });
    assert.equal(await flagged.evaluate(() => window.kavelins.players.length), 1);
    await flagged.close();
    await page.close();
  });
});
