// The ad package's first full frame over a throttled link (150 ms round trip, 1.6 Mbit/s): time
// from navigation to the player's first drawn frame, and when the backup image had arrived.
// Measured twice: served as the files lie, and with scripts and the page compressed (gzip), as
// ad servers and web servers send them.
// Usage: node bench/ad_firstframe.mjs FOLDER_OF_UNZIPPED_PACKAGE [RUNS]
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const { chromium } = require(path.join(path.dirname(new URL(import.meta.url).pathname), '../player/node_modules/playwright-core'));
const root = path.resolve(process.argv[2]), runs = Number(process.argv[3] || 5);
const types = { '.html': 'text/html', '.js': 'text/javascript', '.gif': 'image/gif', '.au': 'audio/basic' };
let compress = false;
const server = http.createServer((req, res) => {
  const file = path.join(root, decodeURIComponent(new URL(req.url, 'http://x').pathname));
  if (!file.startsWith(root) || !fs.existsSync(file)) { res.writeHead(404); return res.end(); }
  const type = types[path.extname(file)] || 'application/octet-stream';
  if (compress && type.startsWith('text/') && /gzip/.test(req.headers['accept-encoding'] || '')) {
    res.writeHead(200, { 'content-type': type, 'content-encoding': 'gzip' });
    return res.end(zlib.gzipSync(fs.readFileSync(file), { level: 9 }));
  }
  res.writeHead(200, { 'content-type': type });
  fs.createReadStream(file).pipe(res);
});
await new Promise(r => server.listen(0, '127.0.0.1', r));
const url = `http://127.0.0.1:${server.address().port}/index.html?kavelins-test`;
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox', '--disable-gpu'] });
// The moment the first frame is drawn, taken in the page (a round trip to the page would add
// its own delay).
const watch = () => {
  const look = () => {
    const player = window.kavelins && window.kavelins.players[0];
    if (player && player.firstShown) window.firstShownAt = performance.now();
    else setTimeout(look, 1);
  };
  look();
};
async function measure() {
  const first = [], backup = [];
  for (let i = 0; i < runs; i++) {
    const context = await browser.newContext();
    const page = await context.newPage();
    await page.addInitScript(watch);
    const cdp = await context.newCDPSession(page);
    await cdp.send('Network.enable');
    await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
    await cdp.send('Network.emulateNetworkConditions',
      { offline: false, latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 0.75e6 / 8 });
    await page.goto(url, { waitUntil: 'commit' });
    await page.waitForFunction(() => window.firstShownAt, null, { timeout: 30000 });
    const t = await page.evaluate(() => {
      const b = performance.getEntriesByName(new URL('backup.gif', location.href).href)[0];
      return { shown: window.firstShownAt, backup: b ? b.responseEnd : -1 };
    });
    first.push(t.shown); backup.push(t.backup);
    await context.close();
  }
  const median = a => [...a].sort((x, y) => x - y)[a.length >> 1];
  return `first frame after navigation: median ${median(first).toFixed(0)} ms ` +
    `(${first.map(v => v.toFixed(0)).join(', ')}); backup image there at median ${median(backup).toFixed(0)} ms`;
}
console.log('served as is:       ' + await measure());
compress = true;
console.log('served compressed:  ' + await measure());
await browser.close();
server.close();
