// Mutates real card strings and plays each one in the browser player: whatever the card holds,
// nothing may escape the player (no exception out of its methods, no error on the page).
// As a script: node tests/player/fuzz.js [SECONDS] [SEED]
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const s = require('./support');

// Runs inside the page: mutants of the seed cards, played until the time is up.
function inPage([seeds, base, ms, seed]) {
  let state = seed >>> 0 || 1;
  const rnd = n => {
    state ^= state << 13; state >>>= 0; state ^= state >>> 17; state ^= state << 5; state >>>= 0;
    return state % n;
  };
  const odd = ['0', '1', '-1', '2', '-2', '65535', '65536', '2147483647', '-2147483648', '99999999999', '1e9', '0.1',
    '12.1', '', 'NaN', 'A', 'G', 'T', 'S', 'x', '/q', '/c', '/', '-', "'", '3.5', '00', '100000',
    // Addresses that must never open: scripts however disguised, data and other schemes.
    'java\tscript:alert(1)', '\u0001javascript:alert(2)', 'JaVaScRiPt:alert(3)', ' data:text/html,x', 'vb\nscript:x',
    'blob:x', 'file:///etc/passwd', 'java\u0000script:x', '8'];
  function mutate(card) {
    let t = card.split(';');
    for (let k = 1 + rnd(4); k > 0; k--) {
      const i = rnd(t.length);
      if (rnd(2) && /^-?\d+$/.test(t[i])) { // a number changed: the structure mostly survives
        const v = +t[i], pick = [v + 1, v - 1, -v, 2 * v, 0, -1, rnd(1000), rnd(70000) - 5000, 2147483647];
        t[i] = String(pick[rnd(pick.length)]);
        continue;
      }
      switch (rnd(9)) {
        case 0: t.splice(i, 1); break;
        case 1: t.splice(i, 0, t[i]); break;
        case 2: { const j = rnd(t.length); [t[i], t[j]] = [t[j], t[i]]; break; }
        case 3: case 4: t[i] = odd[rnd(odd.length)]; break;
        case 5: t = t.slice(0, i); break;
        case 6: t.splice(i, 0, odd[rnd(odd.length)]); break;
        case 7: t[i] = String(rnd(3) ? rnd(300) : rnd(1e6) - 5e5); break;
        default: {
          const str = t.join(';'), at = rnd(str.length + 1);
          t = (str.slice(0, at) + '/;0-9.'[rnd(6)] + str.slice(at + rnd(2))).split(';');
        }
      }
    }
    return t.join(';');
  }
  const failures = [];
  // Whatever the card says, only web and mail addresses may reach the browser.
  window.open = href => {
    const scheme = String(new URL(String(href), base).protocol);
    if (!/^(https?|mailto):$/.test(scheme) && failures.length < 5) failures.push({ card: 'opened ' + href, error: 'unsafe address' });
    return null;
  };
  let runs = 0, played = 0, slowest = 0, slowCard = '';
  const pageErrors = window.__fuzzErrors || (window.__fuzzErrors = []);
  if (!window.__fuzzListening) {
    window.__fuzzListening = true;
    addEventListener('error', e => pageErrors.push(String(e.message)));
    addEventListener('unhandledrejection', e => pageErrors.push(String(e.reason)));
  }
  const end = performance.now() + ms;
  while (performance.now() < end) {
    const card = mutate(seeds[rnd(seeds.length)]);
    const t0 = performance.now();
    try {
      const p = window.kavelins.mount(card, null, { autoplay: false, base, wait: 1, width: 468, height: 120 });
      const clicks = [];
      for (let c = rnd(4); c > 0; c--) clicks.push(`${rnd(480) - 6},${rnd(130) - 5}@${rnd(80)}`);
      if (!p.error) played++;
      p.trace(20 + rnd(80), clicks);
      p.step(1 + rnd(5));
      p.click(rnd(468), rnd(120));
      p.state();
      p.restart();
      p.destroy();
    } catch (e) {
      if (failures.length < 5) failures.push({ card, error: String(e && e.stack || e) });
    }
    const took = performance.now() - t0;
    if (took > slowest) { slowest = took; slowCard = card.slice(0, 200); }
    runs++;
  }
  return { runs, played, failures, slowest: Math.round(slowest), slowCard, pageErrors: pageErrors.splice(0) };
}

// Cards of the showcase and the test projects, played against the showcase's export folder.
async function fuzz(browser, server, seconds, seed = 1) {
  const projects = [path.join(s.samples, 'showcase.plt'), ...fs.readdirSync(path.join(s.samples, 'tests'))
    .filter(f => f.endsWith('.plt')).map(f => path.join(s.samples, 'tests', f))];
  const seeds = projects.map(p => s.cli('card', p).trim());
  const ex = s.exportProject(projects[0], 'fuzz');
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', e => errors.push(e.message));
  await page.addInitScript('window.kavelinsOptions = { autoplay: false };');
  await page.goto(s.withTestInterface(server.url + ex.dir + '/' + ex.page));
  await page.waitForFunction(() => window.kavelins && window.kavelins.players.length > 0);
  const total = { runs: 0, played: 0, failures: [], slowest: 0, slowCard: '', pageErrors: [] };
  const deadline = Date.now() + seconds * 1000;
  for (let round = 0; Date.now() < deadline; round++) {
    const ms = Math.min(5000, Math.max(100, deadline - Date.now()));
    const r = await page.evaluate(inPage, [seeds, server.url + ex.dir + '/', ms, seed * 7919 + round]);
    total.runs += r.runs;
    total.played += r.played;
    total.failures.push(...r.failures);
    total.pageErrors.push(...r.pageErrors);
    if (r.slowest > total.slowest) { total.slowest = r.slowest; total.slowCard = r.slowCard; }
  }
  await new Promise(r => setTimeout(r, 500)); // media of the last mutants still arriving
  total.pageErrors.push(...errors, ...await page.evaluate(() => (window.__fuzzErrors || []).splice(0)));
  await page.close();
  return total;
}

module.exports = { fuzz };

if (require.main === module) {
  (async () => {
    const seconds = Number(process.argv[2] || 60), seed = Number(process.argv[3] || Date.now() % 100000);
    const web = path.join(s.scratch, 'web');
    fs.mkdirSync(web, { recursive: true });
    const server = await s.serve(web);
    const browser = await s.launch();
    const r = await fuzz(browser, server, seconds, seed);
    await browser.close();
    await server.close();
    console.log(JSON.stringify({ seconds, seed, runs: r.runs, played: r.played, failures: r.failures.length, pageErrors: r.pageErrors.length,
      slowestMs: r.slowest }, null, 1));
    for (const f of r.failures) console.log('FAILURE', f.error, '\n', f.card);
    for (const e of r.pageErrors.slice(0, 10)) console.log('PAGE ERROR', e);
    if (r.failures.length || r.pageErrors.length) { console.log('slowest card:', r.slowCard); process.exitCode = 1; }
  })();
}
