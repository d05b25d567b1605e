// A short run of the card fuzzer (tests/player/fuzz.js runs it for as long as asked).
'use strict';
const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const s = require('./support');
const chromiumOnly = !s.engines().includes('chromium') && 'these run in Chromium (KAVELINS_ENGINES)';
const { fuzz } = require('./fuzz');

test('mutated cards never throw out of the player', { skip: chromiumOnly }, async () => {
  const web = path.join(s.scratch, 'web');
  fs.mkdirSync(web, { recursive: true });
  const server = await s.serve(web);
  const browser = await s.launch();
  try {
    const r = await fuzz(browser, server, Number(process.env.KAVELINS_FUZZ_SECONDS || 15), 1);
    assert.deepEqual(r.failures, []);
    assert.deepEqual(r.pageErrors, []);
    assert.ok(r.played > 100, `only ${r.played} of ${r.runs} mutants played`);
  } finally {
    await browser.close();
    await server.close();
  }
});
