// The ad package in each browser engine: the exit goes to the ad server's click tag, only on a
// click; nothing opens by itself; without scripts the backup image stands in the banner's place.
'use strict';
const { test, describe, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const s = require('./support');

let browser, server;
const root = path.join(s.scratch, 'ad');
before(async () => {
  fs.mkdirSync(path.join(root, 'open'), { recursive: true });
  const zip = path.join(root, 'showcase.zip');
  s.cli('export', '--profile', 'ad', '--drop-timed-urls', path.join(s.samples, 'showcase.plt'), zip);
  execFileSync('unzip', ['-q', '-o', zip, '-d', path.join(root, 'open')]);
  server = await s.serve(path.join(root, 'open'));
});
after(async () => {
  if (server) await server.close();
});

for (const engine of s.engines()) describe(engine, () => {
  before(async () => { browser = await s.openBrowser(engine); });
  after(async () => { if (browser) await browser.close(); });

  test('the exit opens the click tag in a new window, only when clicked', async () => {
    const page = await browser.newPage({ width: 600, height: 200, init: [() => {
      window.__opened = [];
      window.open = (...args) => { window.__opened.push(args); return null; };
    }] });
    const tag = 'https://ads.example/click?id=7&to=';
    await page.goto(s.withTestInterface(server.url + 'index.html?clickTag=' + encodeURIComponent(tag)));
    await page.waitFor(() => window.kavelins && window.kavelins.players.length > 0);
    const sun = await page.evaluate(async () => {
      const player = await window.kavelins.players[0].ready;
      player.pause();
      player.step(400);   // long past where the project opened a page by itself
      player.restart();
      player.pause();
      const item = player.state().items.find(i => i.name === 'sun');
      const card = player.card.items.find(i => i.name === 'sun');
      const box = player.canvas.getBoundingClientRect();
      return { x: box.left + item.x + (card.width >> 1), y: box.top + item.y + (card.height >> 1) };
    });
    assert.deepEqual(await page.evaluate(() => window.__opened), []);
    await page.click(sun.x, sun.y);   // a click of the visitor's, through the engine
    assert.deepEqual(await page.evaluate(() => window.__opened), [[tag, '_blank', 'noopener']]);
    await page.close();
  });

  // Playwright switches scripts off for a whole context, in Chromium only.
  if (engine === 'chromium') test('without scripts the backup image shows and no plugin box', async () => {
    const context = await browser.native.newContext({ javaScriptEnabled: false, viewport: { width: 600, height: 200 } });
    const page = await context.newPage();
    await page.goto(server.url + 'index.html');
    const box = await page.locator('img[src="backup.gif"]').boundingBox();
    assert.ok(box && box.width === 468 && box.height === 120, JSON.stringify(box));
    assert.equal(await page.locator('object').isVisible(), false);
    await context.close();
  });

  test('in a sandboxed frame, where nothing may be fetched, the sounds are there', async () => {
    // The frame tells its page which sounds it has; nothing else crosses the sandbox.
    const inFrame = s.withInit('index.html?kavelins-test', [() => addEventListener('load', async () => {
      const player = await window.kavelins.players[0].ready;
      parent.postMessage(JSON.stringify([...player.media.sounds.values()].map(entry => !!entry.data)), '*');
    })]);
    const host = path.join(root, 'open', 'host.html');
    fs.writeFileSync(host, '<!DOCTYPE html><script>addEventListener("message", e => { window.__frameSays = e.data; });' +
      `</script><iframe sandbox="allow-scripts" width="480" height="130" src="${inFrame}"></iframe>`);
    const page = await browser.newPage();
    await page.goto(server.url + 'host.html');
    const loaded = JSON.parse(await page.waitFor(() => window.__frameSays));
    assert.ok(loaded.length >= 2 && loaded.every(Boolean), JSON.stringify(loaded));
    await page.close();
  });

  // Playwright's clock, in Chromium only.
  if (engine === 'chromium') test('played by itself, the ad stops on its backup image after its last loop', async () => {
    // Scene A goes on to B, which comes back to A: a loop of 6.8 s.
    const open = path.join(root, 'open', 'loops');
    const zip = path.join(root, 'actions.zip');
    s.cli('export', '--profile', 'ad', '--drop-timed-urls', '--max-loops', '2', path.join(s.samples, 'tests', 'actions.plt'), zip);
    execFileSync('unzip', ['-q', '-o', zip, '-d', open]);
    const page = await browser.native.newPage();
    await page.clock.install({ time: 0 });
    await page.clock.pauseAt(1000);
    await page.goto(s.withTestInterface(server.url + 'loops/index.html'));
    await page.waitForFunction(() => window.kavelins && window.kavelins.players.length > 0);
    await page.clock.runFor(100);
    await page.evaluate(() => window.kavelins.players[0].ready);
    const state = () => page.evaluate(() => {
      const player = window.kavelins.players[0];
      return { ended: player.state().ended, canvas: getComputedStyle(player.canvas).visibility };
    });
    await page.clock.runFor(8000);
    assert.deepEqual(await state(), { ended: false, canvas: 'visible' });
    await page.clock.runFor(6000);
    assert.deepEqual(await state(), { ended: true, canvas: 'hidden' });
    await page.close();
  });
});
