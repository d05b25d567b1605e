// What the browser player does beyond the editor's playback, in each browser engine: reading bad
// cards, missing media, opening pages, sound in the browser, the mouse, the clock, several
// Kavelins on one page.
'use strict';
const { test, describe, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const s = require('./support');

let browser, server;
const web = path.join(s.scratch, 'web');
const routes = {};
let actions, showcase;
before(async () => {
  fs.mkdirSync(web, { recursive: true });
  server = await s.serve(web, routes);
  actions = s.exportProject(path.join(s.samples, 'tests', 'actions.plt'));
  showcase = s.exportProject(path.join(s.samples, 'showcase.plt'));
});
after(async () => {
  if (server) await server.close();
});

const pageUrl = ex => server.url + ex.dir + '/' + ex.page;
const card = ex => fs.readFileSync(path.join(ex.folder, ex.dir + '.dsc'), 'utf8');

// A page of our own beside an export's player, holding the given cards.
function customPage(name, cards, width = 468, height = 120) {
  const body = cards.map(c => `<object width="${width}" height="${height}"><param name="Card" value="${c.replace(/&/g, '&amp;').replace(/</g, '&lt;')}"></object>`).join('\n');
  routes[`/${showcase.dir}/${name}.html`] = `<!DOCTYPE html><meta charset="utf-8"><body style="margin:0">${body}
<script src="fontmetrics.js"></script><script src="player.js"></script>`;
  return `${server.url}${showcase.dir}/${name}.html`;
}

// A page whose warnings, errors and uncaught exceptions are kept in the page itself (page.logs());
// init scripts run before the player does.
async function newPage(url, init = [], options = {}) {
  const page = await browser.newPage({ ...options, init: ['window.kavelinsOptions = { autoplay: false };', ...init] });
  await page.goto(s.withTestInterface(url));
  await page.waitFor(() => window.kavelins && window.kavelins.players.length > 0);
  await page.evaluate(() => Promise.all(window.kavelins.players.map(p => p.ready)).then(() => {}));
  return page;
}
const player = (page, i = 0) => ({
  call: (method, ...args) => page.evaluate(([i, m, a]) => window.kavelins.players[i][m](...a), [i, method, args]),
});
const pixel = (page, x, y, i = 0) => page.evaluate(([i, x, y]) =>
  Array.from(window.kavelins.players[i].canvas.getContext('2d').getImageData(x, y, 1, 1).data.slice(0, 3)), [i, x, y]);

for (const engine of s.engines()) describe(engine, () => {
  before(async () => { browser = await s.openBrowser(engine); });
  after(async () => { if (browser) await browser.close(); });

  describe('bad cards', () => {
    test('a truncated card shows a message, names the token and leaves the page alone', async () => {
      const full = card(showcase), tokens = full.split(';');
      const cut = tokens.slice(0, 100).join(';');
      const page = await newPage(customPage('cut', [cut, full]));
      const bad = await player(page, 0).call('state');
      assert.match(bad.error, /^token 100: the card ends too early/);
      assert.ok((await page.logs()).some(l => l.startsWith('error: Kavelins: this Kavelin cannot be played: token 100')), (await page.logs()).join('\n'));
      assert.deepEqual(await pixel(page, 5, 5, 0), [238, 238, 238], 'the message panel');
      assert.deepEqual(await player(page, 0).call('trace', 5), []);
      // The other Kavelin of the page plays on.
      const good = await player(page, 1).call('step', 3);
      assert.equal(good.frame, 3);
      assert.ok(!(await page.logs()).some(l => l.startsWith('pageerror')), (await page.logs()).join('\n'));
      await page.close();
    });

    test('a value of the wrong kind is reported with its token', async () => {
      const tokens = card(showcase).split(';');
      const wrong = tokens.slice();
      wrong[1] = 'three';
      const noItem = tokens.slice();
      noItem[11] = 'X';   // where the first item record begins
      const page = await newPage(customPage('wrong', [wrong.join(';'), noItem.join(';'), '', 'a;1;S', tokens.join(';') + ';S;more']));
      const errors = [];
      for (let i = 0; i < 4; i++) errors.push((await player(page, i).call('state')).error);
      assert.match(errors[0], /^token 1 \("three"\): a whole number was expected/);
      assert.match(errors[1], /^token 11 \("X"\): an item \("G" or "T"\) was expected/);
      assert.match(errors[2], /^token 0: the card is empty/);
      assert.match(errors[3], /^token 3: the card ends too early/);
      // Tokens after the last scene are only a warning.
      assert.equal((await player(page, 4).call('step', 1)).frame, 1);
      assert.ok((await page.logs()).some(l => /^warn: Kavelins: 2 token\(s\) after the last scene ignored/.test(l)));
      // Stepping, clicking and tracing a failed Kavelin do nothing.
      await player(page, 0).call('step', 2);
      await player(page, 0).call('click', 10, 10);
      assert.ok(!(await page.logs()).some(l => l.startsWith('pageerror')), (await page.logs()).join('\n'));
      await page.close();
    });
  });

  describe('missing media', () => {
    test('a missing strip leaves its item blank and not clickable; a missing sound is silent', async () => {
      const ex = s.exportProject(path.join(s.samples, 'tests', 'actions.plt'), 'gaps');
      const text = card(ex);
      const birdGif = /;G;bird;0;.*?;(Item-?\d+\.gif);/.exec(text)[1];
      fs.rmSync(path.join(ex.folder, birdGif));
      for (const f of fs.readdirSync(ex.folder)) if (f.endsWith('.au')) fs.rmSync(path.join(ex.folder, f));
      const page = await newPage(pageUrl(ex));
      assert.ok((await page.logs()).some(l => l.includes('cannot load ' + birdGif)), (await page.logs()).join('\n'));
      // Where the bird flies there is only the tiled sky.
      let state = await player(page).call('step', 5);
      let bird = state.items.find(i => i.name === 'bird');
      const sky = await page.evaluate(([x0, y0]) => {
        const p = window.kavelins.players[0], img = p.media.images.get(p.card.scenes[0].bg).img;
        const c = document.createElement('canvas');
        c.width = img.naturalWidth; c.height = img.naturalHeight;
        const t = c.getContext('2d');
        t.drawImage(img, 0, 0);
        const tile = t.getImageData(0, 0, c.width, c.height).data, shown = p.canvas.getContext('2d').getImageData(x0, y0, 36, 24).data;
        let other = 0;
        for (let y = 0; y < 24; y++) for (let x = 0; x < 36; x++) {
          const i = 4 * (y * 36 + x), j = 4 * (((y0 + y) % c.height) * c.width + (x0 + x) % c.width);
          if (shown[i] !== tile[j] || shown[i + 1] !== tile[j + 1] || shown[i + 2] !== tile[j + 2]) other++;
        }
        return other;
      }, [bird.x, bird.y]);
      assert.equal(sky, 0, 'pixels of something else than the sky where the bird is');
      state = await player(page).call('step', 55);
      bird = state.items.find(i => i.name === 'bird');
      assert.equal(state.frame, 60);
      const clicked = await player(page).call('click', bird.x + 18, bird.y + 12);
      assert.deepEqual(clicked.url, [], 'a blank item takes no clicks');
      // Sounds are asked for and nothing breaks.
      const button = await player(page).call('click', 400, 85);
      assert.match(button.sound[0], /^start Item-?\d+\.au loop$/);
      assert.equal((await player(page).call('step', 40)).scene, 1);
      assert.ok(!(await page.logs()).some(l => l.startsWith('pageerror')), (await page.logs()).join('\n'));
      await page.close();
    });
  });

  describe('pages', () => {
    const stub = `window.__opened = []; window.open = (u, t, f) => { window.__opened.push([u, t, f || '']); return null; };`;

    test('timed and clicked addresses open as the card says: relative to the page, in the named frame', async () => {
      const page = await newPage(pageUrl(actions), [stub]);
      await player(page).call('step', 55);
      await player(page).call('step', 5);
      await player(page).call('click', 158, 28);        // the bird: a relative page in the frame "news"
      await player(page).call('step', 30);              // to scene B at frame 90
      await player(page).call('click', 234, 60);        // to scene C, which opens a page at its frame 3
      await player(page).call('step', 5);
      const opened = await page.evaluate(() => window.__opened);
      assert.deepEqual(opened, [
        ['https://example.com/a?x=1;y=%222%22/c', '_blank', 'noopener'],
        [server.url + 'actions/next/page.html', 'news', ''],
        ['https://www.example.org/c', '_top', ''],
      ]);
      await page.close();
    });

    test('script and data addresses are refused, however they are disguised', async () => {
      const url = (n, rel = 0) => `k/ver970815;1;S;s;0;0;1;0;0;2;2;G;img;0;1;0;10;10;0;1;1;0;1;A;8;${rel};${n.length};${n}_top;img.gif;0;0;1;1;1;` +
        'G;Dummy;1;1;0;0;0;0;1;0;d.gif;0;0;1;1;1';
      const bad = [url('javascript:alert(1)'), url(' DATA:text/html,x'), url('java\tscript:alert(2)', 1),
        url('\u0001javascript:alert(3)', 1), url('vb\nscript:msgbox(4)', 1), url('data:text/html,<b>5</b>', 1)];
      const page = await newPage(customPage('unsafe', bad), [stub]);
      assert.deepEqual(await page.evaluate(() => window.__opened), []);
      assert.equal((await page.logs()).filter(l => l.includes('refused to open')).length, bad.length, (await page.logs()).join('\n'));
      await page.close();
    });
  });

  describe('sound', () => {
    // A stand-in for Web Audio that records what the player asks of it.
    const fakeAudio = `
      window.__audio = [];
      class Source { connect() {} start() { __audio.push(['start', this.buffer.length, this.buffer.sampleRate, this.loop]); }
        stop() { __audio.push(['stop', this.buffer.length]); } }
      window.AudioContext = class { constructor() { this.state = 'suspended'; this.destination = {}; __audio.push(['context']); }
        resume() { return Promise.resolve().then(() => { this.state = 'running'; __audio.push(['running']); }); }
        createBuffer(c, n, r) { return { length: n, sampleRate: r, numberOfChannels: c, copyToChannel() {} }; }
        createBufferSource() { return new Source(); }
        createGain() { return { gain: { value: 1 }, connect() {} }; } };`;
    const auLength = ex => name => fs.statSync(path.join(ex.folder, name)).size - 28;

    test('mu-law, A-law and linear Sun audio decode to the right samples', async () => {
      const page = await newPage(pageUrl(actions));
      const decode = (enc, bytes, rate = 8012, channels = 1) => page.evaluate(([enc, bytes, rate, channels]) => {
        const b = new Uint8Array(24 + bytes.length), v = new DataView(b.buffer);
        [0x2e736e64, 24, bytes.length, enc, rate, channels].forEach((x, i) => v.setUint32(4 * i, x));
        b.set(bytes, 24);
        const d = window.kavelins.decodeAu(b.buffer);
        return { rate: d.rate, out: d.out.map(c => Array.from(c, x => Math.round(x * 32768))) };
      }, [enc, bytes, rate, channels]);
      assert.deepEqual(await decode(1, [0x00, 0x80, 0xff, 0x7f, 0xf0, 0x70]), { rate: 8012, out: [[-32124, 32124, 0, 0, 120, -120]] });
      assert.deepEqual(await decode(27, [0xd5, 0x55, 0xaa, 0x2a]), { rate: 8012, out: [[8, -8, 32256, -32256]] });
      assert.deepEqual(await decode(3, [0x7f, 0xff, 0x80, 0x00, 0x00, 0x01], 44100, 1), { rate: 44100, out: [[32767, -32768, 1]] });
      assert.deepEqual((await decode(2, [0x40, 0xc0, 0x10, 0x20], 11025, 2)).out, [[16384, 4096], [-16384, 8192]]);
      await assert.rejects(page.evaluate(() => window.kavelins.decodeAu(new ArrayBuffer(30))), /not Sun audio/);
      await page.close();
    });

    test('one sound at a time; a looping sound waits for the first interaction; stop sound stops it', async () => {
      // The card opens a page at frame 60; a browser that shows it in front hides this page,
      // which rightly silences the banner, so here it opens nowhere.
      const page = await newPage(pageUrl(actions), [fakeAudio, 'window.open = () => null;']);
      const size = auLength(actions);
      const text = card(actions);
      const chime = /;A;6;1;0;(Item-?\d+\.au);/.exec(text)[1], hum = /;A;6;1;1;(Item-?\d+\.au);/.exec(text)[1];
      await player(page).call('step', 5);                 // the chime, before anyone interacted: silent
      assert.deepEqual(await page.evaluate(() => window.__audio), []);
      await page.click(400, 85);                         // the button: hum, looping, after the unlock
      await page.waitFor(() => window.__audio.some(e => e[0] === 'start'));
      assert.deepEqual(await page.evaluate(() => window.__audio), [['context'], ['running'], ['start', size(hum), 8012, true]]);
      await player(page).call('step', 64);               // the timed stop at frame 70
      await player(page).call('step', 60);               // scene B; a click there plays the chime
      await player(page).call('click', 234, 60);
      const log = await page.evaluate(() => window.__audio);
      assert.deepEqual(log.slice(3), [['stop', size(hum)], ['start', size(chime), 8012, false]]);
      await page.close();
    });
  });

  describe('mouse', () => {
    for (const scale of s.scalesOf(engine).filter(Number.isInteger)) {
      test(`the pointer shows over clickable items and a click plays their user event (pixel ratio ${scale})`, async () => {
        const page = await newPage(pageUrl(actions), [], { scale });
        const size = await page.evaluate(() => { const c = window.kavelins.players[0].canvas; return [c.width, c.height, c.getBoundingClientRect().width]; });
        assert.deepEqual(size, [468 * scale, 120 * scale, 468]);
        const cursor = () => page.evaluate(() => window.kavelins.players[0].canvas.style.cursor);
        await page.move(400, 85);
        assert.equal(await cursor(), 'pointer');
        await page.move(200, 85);                         // the cloud has no user event
        assert.equal(await cursor(), '');
        await page.click(400, 85);
        const state = await player(page).call('state');
        assert.equal(state.color, '#a0a0a0');
        assert.match(state.sound[0], /^start Item-?\d+\.au loop$/);
        // The canvas shows the new colour where no item covers the (hidden-by-tiles) background.
        assert.equal((await player(page).call('step', 26)).background, false, 'the timed hide of the background');
        const [r, g, b] = await pixel(page, 5 * scale, 5 * scale);
        assert.deepEqual([r, g, b], [160, 160, 160]);
        await page.close();
      });
    }
  });

  // Playwright's clock, in Chromium only.
  if (engine === 'chromium') describe('clock', () => {
    test('the player plays 25 frames a second and skips what it cannot catch up', async () => {
      const page = await browser.native.newPage();
      // The page's time moves only as the test says: on a busy machine the time the test takes
      // to talk to the page would otherwise count too.
      await page.clock.install({ time: 0 });
      await page.clock.pauseAt(1000);
      await page.goto(s.withTestInterface(pageUrl(showcase)));
      await page.waitForFunction(() => window.kavelins && window.kavelins.players.length > 0);
      await page.clock.runFor(100);
      await page.evaluate(() => window.kavelins.players[0].ready);
      const start = await page.evaluate(() => window.kavelins.players[0].state().tick);
      await page.clock.runFor(2000);
      const ticks = await page.evaluate(() => window.kavelins.players[0].state().tick) - start;
      assert.ok(ticks >= 49 && ticks <= 51, `${ticks} ticks in 2 s`);
      // A page that could not run for five seconds (a hidden tab, a busy machine) does not race
      // through the frames it missed.
      await page.clock.fastForward(5000);
      await page.clock.runFor(40);
      const after = await page.evaluate(() => window.kavelins.players[0].state().tick) - start - ticks;
      assert.ok(after >= 1 && after <= 7, `${after} ticks after the jump`);
      await page.close();
    });
  });

  describe('pages with several Kavelins', () => {
    test('each card gets its own canvas of the size the page gives it', async () => {
      const url = customPage('two', [card(showcase), card(actions)], 300, 80);
      const page = await newPage(url);
      const info = await page.evaluate(() => window.kavelins.players.map(p => [p.canvas.width, p.canvas.height, p.card.base]));
      assert.deepEqual(info, [[300, 80, 'showcase'], [300, 80, 'actions']]);
      assert.equal(await page.evaluate(() => document.querySelectorAll('object, param').length), 0);
      await page.close();
    });
  });
});
