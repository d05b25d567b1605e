// Random projects in the browser and in the editor (tests/player/random.js): the same trace with
// clicks on items, and the same pixels in scenes without text. The seeds are fixed; a seed that
// once disagreed stays in the list. Two seeds run at a time: the command line of one works while
// Chromium plays the other.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const s = require('./support');
const chromiumOnly = !s.engines().includes('chromium') && 'these run in Chromium (KAVELINS_ENGINES)';
const { checkSeed, report } = require('./random');

const SEEDS = Array.from({ length: 24 }, (_, i) => i + 1);

let browser, server;
before(async () => {
  const web = path.join(s.scratch, 'web');
  fs.mkdirSync(web, { recursive: true });
  server = await s.serve(web);
  if (!chromiumOnly) browser = await s.launch();
});
after(async () => {
  if (browser) await browser.close();
  if (server) await server.close();
});

test('random projects play in the browser as in the editor', { concurrency: 2, skip: chromiumOnly }, async t => {
  await Promise.all(SEEDS.map(seed => t.test(`seed ${seed}`, async () => {
    const r = await checkSeed(browser, server, seed);
    assert.deepEqual(r.findings, [], report(r));
  })));
});
