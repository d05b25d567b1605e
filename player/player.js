// Kavelins browser player: finds the card of every Kavelin on the page and plays it on a canvas,
// frame for frame as the editor's live playback does.
(function () {
'use strict';
const TICK = 40, FOREVER = 2147483647, M = Math, W16 = 65536;
const tdiv = (a, b) => M.trunc(a / b);
const i16 = v => v < -32768 ? -32768 : v > 32767 ? 32767 : v;
const max = M.max;

function isqrt(n) {
  if (n <= 0) return 0;
  let r = M.floor(M.sqrt(n));
  while (r * r > n) r--;
  while ((r + 1) * (r + 1) <= n) r++;
  return r;
}
function roundDiv(num, den) { // nearest integer, halves to even
  let q = M.floor(num / den);
  const r = num - q * den;
  if (2 * r > den || (2 * r === den && q % 2)) q++;
  return q;
}
function roundEven(v) {
  const f = M.floor(v), d = v - f;
  return d > 0.5 || (d === 0.5 && f % 2) ? f + 1 : f;
}
const pixelSize = pt => roundDiv(pt * 96, 72);
function pointsOf(px) { // the point size that gave this pixel size
  const g = M.floor(px * 3 / 4);
  for (let s = max(1, g - 1); s <= g + 2; s++) if (pixelSize(s) === px) return s;
  return max(1, M.round(px * 3 / 4));
}
const css = c => '#' + (0x1000000 | c).toString(16).slice(1); // card colours: red in the high byte
function fmix(h) {
  h ^= h >>> 16; h = M.imul(h, 0x85EBCA6B); h ^= h >>> 13; h = M.imul(h, 0xC2B2AE35);
  return h ^ h >>> 16;
}
const warn = m => console.warn('Kavelins: ' + m);

// The card: tokens between ';'; '"' is written "/q", ';' "/c", a '/' before q, c or ! "/!".
const unesc = t => t.indexOf('/') < 0 ? t : t.replace(/\/([qc!])/g, (m, c) => c === 'q' ? '"' : c === 'c' ? ';' : '/');

function parseCard(text) {
  if (typeof text !== 'string' || !text) throw new Error('token 0: the card is empty');
  const tok = text.split(';'), card = { scenes: [], items: [] };
  let pos = 0;
  const fail = (what, at = pos - 1) => {
    throw new Error(`token ${at}${at < tok.length ? ` ("${tok[at].slice(0, 24)}")` : ''}: ${what}`);
  };
  const raw = () => pos < tok.length ? tok[pos++] : fail('the card ends too early', pos);
  const str = () => unesc(raw());
  const int = (lo = -2147483648, hi = 2147483647) => {
    const s = raw(), v = +s;
    if (!/^-?\d{1,10}$/.test(s)) fail('a whole number was expected');
    if (v < lo || v > hi) fail(`the number must lie in ${lo} .. ${hi}`);
    return v;
  };
  const bool = () => int() !== 0, rgb = () => int() & 0xffffff;
  const chr = c => raw() === c || fail(`"${c}" was expected`);

  function item(sc, owner, byUser, depth) {
    if (depth > 16) fail('items nested too deeply', pos);
    const kind = raw();
    if (kind !== 'G' && kind !== 'T') fail('an item ("G" or "T") was expected');
    const m = { id: card.items.length, kind, name: str(), owner, byUser, events: [], user: null }, index = int(0, sc.items.length - 1);
    if (sc.items[index]) fail('two items have this index');
    sc.items[m.index = index] = m;
    card.items.push(m);
    m.speed = int(-99999, 99999);
    m.pts = [];
    for (let i = 4 * int(0, 1e6) + 2; i > 0; i--) m.pts.push(int(-1e6, 1e6));
    const b = int(-1, 1), tempo = int();
    // Refined by the card's item group (extras), when it has one.
    m.type = b > 0 ? 2 : 0;
    m.repeat = b < 0 ? 0 : -1;
    m.pause = 0;
    for (let e = int(0, 1e6); e > 0; e--) {
      const t = int(-1, 65535), acts = [];
      for (let k = int(0, 1e6); k > 0; k--) acts.push(action(sc, m, t < 0, depth));
      if (t < 0) m.user = (m.user || []).concat(acts);
      else m.events.push({ time: t * W16, acts });
    }
    if (kind === 'G') {
      m.gif = str(); int(); int();
      m.w = int(0, 32767); m.h = int(0, 32767);
      const f = raw();
      if (!/^\d{1,6}(\.\d+)?$/.test(f)) fail('a frame count was expected');
      m.frames = M.floor(+f);
      m.loops = +f - m.frames > 0.05 ? 1 : 0; // "12.1": the strip plays once
      m.tempo = max(1, tempo);
    } else {
      m.lines = []; m.offsets = [];
      for (let l = int(0, 1e5); l > 0; l--) {
        const line = str();
        m.lines.push(line === ' ' ? '' : line); // an empty line is written as one blank
        m.offsets.push(int(-1e6, 1e6));
      }
      m.color = rgb(); m.font = str(); m.px = int(0, 2000); m.style = int(); m.spacing = int(0, 1000);
      const fx = m.fx = {};
      for (const k of ['blink', 'wave', 'bungee', 'type', 'zoom']) m.on = (fx[k] = bool()) || m.on;
      int();
      m.delay = max(1, tempo);
    }
    return m;
  }

  function action(sc, owner, user, depth) {
    chr('A');
    const a = { code: int(1, 8), owner };
    switch (a.code) {
      case 1: case 2: int(); int(); int(); a.item = item(sc, a, user, depth + 1); break;
      case 3: case 4: a.on = bool(); a.target = int(); int(); break;
      case 5: int(); a.color = rgb(); int(); break;
      case 6: a.play = bool(); a.loop = bool(); a.sound = str(); break;
      case 7: int(); a.scene = int(); int(); break;
      default: {
        a.relative = bool();
        const n = int(0, 1e7), s = str();
        a.url = s.slice(0, n); a.frame = n || s !== '0' ? s.slice(n) : '';
      }
    }
    return a;
  }

  card.base = str().replace(/\/ver\d*$/, '');
  for (let i = int(1, tok.length); i > 0; i--) {
    chr('S');
    const sc = { name: str(), color: rgb() }, bg = str();
    sc.bg = bg === '0' ? null : bg;
    sc.tile = bool(); sc.borderColor = rgb(); sc.border = int(0, 1e5);
    const items = sc.items = new Array(int(0, tok.length)).fill(null);
    for (let k = int(0, items.length); k > 0; k--) item(sc, null, false, 0);
    // The export's placeholder "Dummy", unknown to the editor.
    const last = items[items.length - 1];
    if (last && !last.owner && last.kind === 'G' && last.name === 'Dummy') items[items.length - 1] = null;
    card.scenes.push(sc);
  }
  if (pos < tok.length && tok[pos] === 'X') extras();
  if (pos < tok.length) warn(`${tok.length - pos} token(s) after the last scene ignored (token ${pos})`);
  for (const m of card.items) m.events.sort((a, c) => a.time - c.time);
  return card;

  // The group after the scenes: what the original records cannot say, item by item.
  function extras() {
    pos++;
    if (int() !== 1) return void warn('item group of an unknown format ignored');
    if (int(0, 1e7) !== card.items.length) fail('the item group does not match the items');
    for (const m of card.items) {
      m.type = int(0, 2); m.repeat = int(); m.pause = int(-99999, 99999);
      const loops = int(0);
      if (m.kind === 'G') m.loops = loops;
      if (int(0, 1e6) !== m.events.length) fail('the item group does not match the events');
      for (const e of m.events) e.time = int(0, 4294967295);
    }
  }
}

// Text in the card's three fonts, measured by the export's tables (fontmetrics.js).
const FAMILIES = {
  timesroman: '"Liberation Serif","Times New Roman",Times,serif',
  helvetica: '"Liberation Sans",Arial,Helvetica,sans-serif',
  courier: '"Liberation Mono","Courier New",Courier,monospace',
};
let measureCtx;
function measure(font, text) {
  const c = measureCtx || (measureCtx = document.createElement('canvas').getContext('2d'));
  c.font = font;
  return c.measureText(text);
}
function table(font) {
  const t = window.KavelinsFontMetrics || {}, k = Object.keys(t).find(n => n.toLowerCase() === font.toLowerCase());
  return k && t[k];
}
const faces = new Map();
function face(m, points) {
  const px = max(1, pixelSize(points)), key = m.font + '|' + m.style + '|' + px;
  let f = faces.get(key);
  if (f) return f;
  const t = table(m.font);
  const fam = FAMILIES[m.font.toLowerCase()] || (t ? `"${t.family}",` : '') + JSON.stringify(m.font) + ',sans-serif';
  f = { font: `${m.style & 2 ? 'italic ' : ''}${m.style & 1 ? 'bold ' : ''}${px}px ${fam}`, adv: new Map() };
  if (t && px <= 270) {
    f.asc = t.ascent[px - 1]; f.h = t.height[px - 1];
  } else {
    const mm = measure(f.font, 'Wg');
    f.asc = roundEven(mm.fontBoundingBoxAscent || px * 0.9);
    f.h = roundEven(mm.fontBoundingBoxAscent + mm.fontBoundingBoxDescent || px * 1.15);
  }
  if (faces.size > 2000) faces.clear();
  faces.set(key, f);
  return f;
}
function advance(f, ch) {
  let w = f.adv.get(ch);
  if (w === undefined) f.adv.set(ch, w = roundEven(measure(f.font, ch).width));
  return w;
}
const lineWidth = (f, line, spacing) => roundEven(measure(f.font, line).width) + ([...line].length - 1) * spacing;

// Layout and paths. The card's points are top-left corners (a text's first baseline); the
// editor moves and truncates the centre, so the points go back to the centre.
function prepare(card) {
  for (const m of card.items) {
    let asc = 0;
    m.xl = m.xr = 0;
    if (m.kind === 'T') {
      const f = face(m, m.points = pointsOf(m.px)), t = table(m.font);
      let w = 0, h = 0, widest = 0, hash = 2166136261;
      for (const line of m.lines) {
        for (let i = 0; i < line.length; i++) hash = M.imul(hash ^ line.charCodeAt(i), 16777619);
        hash = M.imul(hash ^ 10, 16777619);
        h += f.h;
        if (!line) continue;
        const chars = [...line];
        w = max(w, lineWidth(f, line, m.spacing));
        let sum = (chars.length - 1) * m.spacing;
        for (const ch of chars) sum += advance(f, ch);
        widest = max(widest, sum);
        m.xl = max(m.xl, roundEven(measure(f.font, chars[0]).actualBoundingBoxLeft || 0));
      }
      m.w = w; m.h = h; m.xr = max(0, widest - w); m.hash = hash;
      if (m.px >= 1 && m.px <= 270 && (t || FAMILIES[m.font.toLowerCase()])) asc = t ? t.ascent[m.px - 1] : f.asc;
    }
    m.hx = m.w >> 1; m.hy = m.h >> 1;
    const p = [];
    for (let i = 0; i < m.pts.length; i += 2) p.push([i16(m.pts[i] + m.hx), i16(m.pts[i + 1] + m.hy - asc)]);
    // 13 samples a segment, ((12-i)² P0 + 2i(12-i) P1 + i² P2) / 144 truncated; lengths in 1/256 px.
    const path = m.path = { x0: p[0][0], y0: p[0][1], has: p.length > 1, sx: [], sy: [], len: [], step: m.speed * 256 };
    for (let k = 0; 2 * k + 2 < p.length; k++)
      for (let i = k ? 1 : 0; i <= 12; i++) {
        const w0 = (12 - i) * (12 - i), w1 = 2 * i * (12 - i), w2 = i * i, a = p[2 * k], b = p[2 * k + 1], c = p[2 * k + 2];
        path.sx.push(tdiv(w0 * a[0] + w1 * b[0] + w2 * c[0], 144));
        path.sy.push(tdiv(w0 * a[1] + w1 * b[1] + w2 * c[1], 144));
      }
    let total = 0;
    path.sx.forEach((x, i) => {
      if (i) total = M.min(total + isqrt(65536 * ((x - path.sx[i - 1]) ** 2 + (path.sy[i] - path.sy[i - 1]) ** 2)), FOREVER);
      path.len.push(total);
    });
    path.length = total;
    path.C = M.min(M.max(total + m.pause * path.step, -FOREVER), FOREVER * 4);
  }
}

// Where an item is `a` frames after its start.
function place(m, a) {
  const p = m.path, r = { x: p.x0, y: p.y0, fin: false }, step = p.step, C = p.C, L = p.length, last = p.sx.length - 1;
  if (last < 0 || step <= 0 || C <= 0) return r;
  const d = max(a, 0) * step, c = d % C;
  let cyc = M.floor(d / C), pause = c > L;
  if (m.repeat >= 0 && m.repeat < cyc) { cyc = m.repeat; r.fin = pause = true; }
  const fwd = !(m.type === 2 && cyc % 2);
  const at = (i, j, rest) => {
    r.x = p.sx[i]; r.y = p.sy[i];
    const dx = p.sx[j] - r.x, dy = p.sy[j] - r.y, n = isqrt(dx * dx + dy * dy);
    if (rest && n) { r.x += tdiv(tdiv(dx * rest, n), 256); r.y += tdiv(tdiv(dy * rest, n), 256); }
  };
  let lo = 0, hi = last;
  if (pause) at(fwd && m.type !== 1 ? last : 0, 0, 0);
  else if (fwd) {
    while (lo < hi) { const mid = (lo + hi + 1) >> 1; if (p.len[mid] <= c) lo = mid; else hi = mid - 1; }
    at(lo, lo + 1, lo < last ? c - p.len[lo] : 0);
  } else { // the way back
    const s = L - c;
    while (lo < hi) { const mid = (lo + hi) >> 1; if (p.len[mid] >= s) hi = mid; else lo = mid + 1; }
    at(lo, lo - 1, lo > 0 ? p.len[lo] - s : 0);
  }
  return r;
}

// When a timed event fires, as the editor decides it: the first tick after `after` at which the
// item is at the event's place (once a pass, from the event's own time on), or on the time line
// for items that do not move and past the end of a motion that stops. Measured in runs:
// distance (1/256 px) x 65536, so time x step is exact; BigInt because runs outgrow doubles.
function nextFiring(m, time, after) {
  const p = m.path, step = p.step, C = p.C, B = BigInt, stops = m.repeat >= 0;
  const line = () => { const t = M.floor((time + 65535) / W16); return t > after ? { tick: t, kind: 1, key: B(time) } : null; };
  if (!p.sx.length || step <= 0 || C <= 0) return line();
  const unit = B(step) * 65536n, run = B(time) * B(step), Cs = B(C) * 65536n, end = stops ? (B(m.repeat) + 1n) * Cs : 0n;
  if (stops && run > end) return line();
  const Ls = B(M.min(M.max(p.length, 0), C)) * 65536n, lo = B(after) * unit + 1n, from = lo > run ? lo : run;
  const first = (r, P) => from + ((r - from) % P + P) % P;
  let best = -1n;
  const consider = v => { if (best < 0n || v < best) best = v; };
  if (m.type !== 2) consider(first(run % Cs, Cs));
  else { // a round trip is two cycles; a turning point is one visit
    const P = 2n * Cs, q = run % P, place = q < Cs ? q : q - Cs <= Ls ? Ls - (q - Cs) : 0n;
    if (place > 0n) consider(first(place, P)); else if (from <= 0n) consider(0n);
    if (place < Ls) consider(first(Cs + Ls - place, P));
  }
  if (best < 0n || (stops && best > end)) return null;
  return { tick: Number((best + unit - 1n) / unit), kind: 0, key: best };
}
const earlier = (x, y) => x.tick - y.tick || x.kind - y.kind || (x.key < y.key ? -1 : x.key > y.key ? 1 : 0);

// The frame clock. `out` gets sounds and pages; without it they are only noted (trace()).
class Engine {
  constructor(card, out, media) {
    this.card = card; this.out = out; this.media = media;
    this.rt = card.items.map(m => ({ m, X: m.path.x0, Y: m.path.y0, start: 0, frame: 0, zoom: m.points, estep: 1, bstep: 1, etime: 0 }));
    this.si = 0; this.cache = [];
  }
  get scene() { return this.card.scenes[this.si]; }
  items() { return this.cache[this.si] || (this.cache[this.si] = this.scene.items.filter(Boolean).map(m => this.rt[m.id])); }

  reset(r) {
    const m = r.m, p = m.path;
    r.fired = -1; r.next = [];
    r.X = p.x0; r.Y = p.y0; r.offX = r.offY = r.frame = r.start = r.animOff = r.freeze = 0;
    r.vis = r.active = !m.owner; r.fin = r.frozen = false;
  }

  advance(r, frame) {
    const a = frame - r.start, m = r.m;
    if (a < 0 || !r.active) return;
    if (m.kind === 'G') {
      if (m.frames) {
        const steps = tdiv(max(0, r.frozen ? r.freeze : a - r.animOff), m.tempo);
        r.frame = m.loops && steps >= m.loops * m.frames ? m.frames - 1 : steps % m.frames;
      }
    } else if (m.on) {
      const fx = m.fx, d = tdiv(r.etime = a, m.delay), T = 10 * m.delay;
      if (fx.bungee) { const c = d % 60; r.bstep = c < 30 ? c + 1 : 61 - c; }
      if (fx.type || fx.wave) r.estep = d + 1;
      if (fx.zoom) { let k = a % T; if (2 * k > T) k = T - k; r.zoom = max(1, roundDiv(2 * k * m.points, T)); }
    }
    if (r.fin || !m.path.has) return;
    const pl = place(m, a);
    r.fin = pl.fin; r.X = pl.x + r.offX; r.Y = pl.y + r.offY;
  }

  // Timed events: every event due since the last call, each once, in the order the item
  // passed them. The next firing of each event is kept until it is due.
  due(r, frame) {
    const m = r.m, evs = m.events, a = frame - r.start, after = r.fired;
    if (!r.active || a < 0 || a <= after) return;
    r.fired = a;
    const now = [];
    for (let i = 0; i < evs.length; i++) {
      let f = r.next[i];
      if (f === undefined) f = r.next[i] = nextFiring(m, evs[i].time, after);
      if (f && f.tick <= a) { now.push([f, i]); r.next[i] = undefined; }
    }
    now.sort((x, y) => earlier(x[0], y[0]) || x[1] - y[1]);
    for (const [, i] of now) {
      r.visFire = r.vis;
      for (const x of evs[i].acts) this.act(x, frame);
    }
  }

  target(i) { const m = this.scene.items[i]; return m && this.rt[m.id]; }

  act(a, f) {
    const own = this.rt[a.owner.id];
    if (!own.visFire) return;
    let r;
    switch (a.code) {
      case 1: case 2:
        r = this.rt[a.item.id];
        if (a.code === 1 && a.item.byUser) {
          r.offX = own.X - a.item.path.x0; r.offY = own.Y - a.item.path.y0;
          r.X = own.X; r.Y = own.Y;
        }
        if (!r.active) { r.active = true; r.start = f; }
        if (a.code === 1) own.vis = false;
        r.vis = true;
        break;
      case 3:
        if ((r = this.target(a.target))) r.vis = a.on; else if (a.target === -1) this.hideBg = !a.on;
        break;
      case 4:
        if (!(r = this.target(a.target))) break;
        if (!a.on) {
          r.frozen = true;
          if (!r.freeze) r.freeze = f - r.start;
        } else if (r.frozen) {
          r.frozen = false; r.animOff = f - r.start - r.freeze; r.freeze = 0;
        }
        break;
      case 5: this.color = a.color; break;
      case 6:
        if (a.play) {
          if (!a.loop || this.soundAction !== a) { // its own looping sound plays on
            this.sounds.push('start ' + a.sound + (a.loop ? ' loop' : ''));
            if (this.out) this.out.play(a.sound, a.loop);
          }
          this.soundAction = a; this.soundName = a.sound;
        } else if (this.soundName === a.sound) {
          this.sounds.push('stop ' + a.sound);
          if (this.out) this.out.stop();
          this.soundAction = null;
        }
        break;
      case 7: if (this.card.scenes[a.scene]) this.pending = a.scene; break;
      default:
        this.urls.push(a.url + ' ' + a.frame + (a.relative ? ' relative' : ''));
        if (this.out) this.out.url(a);
    }
  }

  begin() {
    this.frame = 0; this.pending = -1; this.color = this.scene.color; this.hideBg = false;
    const items = this.items();
    for (const r of items) this.reset(r);
    for (const r of items) this.due(r, 0);
    for (const r of items) this.advance(r, 0);
  }
  start() {
    this.si = 0; this.soundAction = this.soundName = null; this.sounds = []; this.urls = [];
    this.begin();
    if (this.pending >= 0) this.switchScene();
  }
  switchScene() { this.si = this.pending; this.begin(); } // a go-to at its frame 0 waits a tick
  tick() {
    this.sounds = []; this.urls = [];
    const items = this.items(), f = ++this.frame;
    for (const r of items) this.due(r, f);
    if (this.pending >= 0) return this.switchScene();
    for (const r of items) this.advance(r, f);
  }
  click(x, y) {
    this.sounds = []; this.urls = [];
    const r = this.itemAt(x, y);
    if (r && r.m.user) {
      r.visFire = r.vis;
      for (const a of r.m.user) this.act(a, this.frame);
    }
    if (this.pending >= 0) this.switchScene();
  }

  // The topmost visible item opaque at the point (a text: its box).
  itemAt(x, y) {
    const items = this.items();
    for (let i = items.length - 1; i >= 0; i--) {
      const r = items[i], m = r.m, left = r.X - m.hx - m.xl, top = r.Y - m.hy;
      if (!r.vis || x < left || y < top || x > left + m.w + m.xr || y > top + m.h) continue;
      if (m.kind === 'T' || this.opaque(r, x - left, y - top)) return r;
    }
    return null;
  }
  opaque(r, x, y) {
    const m = r.m, img = this.media && this.media.images.get(m.gif);
    if (x >= m.w || y >= m.h || !img || !img.ok) return false;
    const k = img.mask(), sx = r.frame * m.w + x;
    return !k || (sx < k.w && y < k.h && k.a[y * k.w + sx] > 0);
  }

  line(tick) {
    const items = this.items().map(r => `{"index":${r.m.index},"name":${JSON.stringify(r.m.name)},"x":${r.X - r.m.hx},` +
      `"y":${r.Y - r.m.hy},"visible":${r.vis},"anim":${r.m.kind === 'G' ? r.frame : 0}}`);
    return `{"tick":${tick},"scene":${this.si},"frame":${this.frame},"items":[${items}],` +
      `"sound":${JSON.stringify(this.sounds)},"url":${JSON.stringify(this.urls)}}`;
  }
}

function draw(ctx, eng, W, H) {
  const sc = eng.scene, B = sc.border, images = eng.media.images, bg = !eng.hideBg && sc.bg && images.get(sc.bg);
  ctx.save();
  ctx.imageSmoothingEnabled = false;
  ctx.beginPath();
  if (W > 2 * B && H > 2 * B) ctx.rect(B, B, W - 2 * B, H - 2 * B);
  ctx.clip();
  ctx.fillStyle = css(eng.color);
  ctx.fillRect(0, 0, W, H);
  if (bg && bg.ok) {
    const i = bg.img, bw = i.naturalWidth, bh = i.naturalHeight;
    if (!sc.tile) ctx.drawImage(i, tdiv(W - bw, 2), tdiv(H - bh, 2));
    else for (let y = 0; y < H; y += bh) for (let x = 0; x < W; x += bw) ctx.drawImage(i, x, y);
  }
  for (const r of eng.items()) {
    const m = r.m, x = r.X - m.hx, y = r.Y - m.hy, g = images.get(m.gif);
    if (!r.vis) continue;
    if (m.kind === 'T') drawText(ctx, r, x, y);
    else if (g && g.ok && m.w && m.h) ctx.drawImage(g.img, r.frame * m.w, 0, m.w, m.h, x, y, m.w, m.h);
  }
  ctx.restore();
  ctx.fillStyle = css(sc.borderColor);
  if (B > 0 && (tdiv(W, 2) < B || tdiv(H, 2) < B)) ctx.fillRect(0, 0, W, H);
  else for (let k = 0, w = W, h = H; k < B; k++, w -= 2, h -= 2) {
    ctx.fillRect(k, k, w, 1); ctx.fillRect(k, k + h - 1, w, 1);
    ctx.fillRect(k, k, 1, h); ctx.fillRect(k + w - 1, k, 1, h);
  }
}

// Character by character, each on its font's ascent, the pen moving by the rounded advance.
function drawText(ctx, r, left, top) {
  const m = r.m, fx = m.fx, lines = m.lines, s = fx.zoom ? r.zoom : m.points, base = face(m, s), lh = base.h;
  let y = top, n = 0;
  if (fx.zoom) y += roundDiv((M.floor(m.h / lines.length) - lh) * lines.length, 2);
  ctx.textBaseline = 'alphabetic';
  ctx.textAlign = 'left';
  ctx.fillStyle = css(m.color);
  for (let li = 0; li < lines.length; li++, y += lh) {
    const line = lines[li];
    let pen = left + (!line ? 0 : fx.zoom ? roundDiv(m.w - lineWidth(base, line, m.spacing), 2) : m.offsets[li]), k = 0;
    for (const ch of line) {
      k++; n++;
      if (fx.type && n > r.estep) return;
      let dy = 0, size = s;
      const dx = fx.bungee ? k * r.bstep : 0;
      if (fx.wave) {
        if (n === r.estep - 1 || n === r.estep + 1) size = 2 * s;
        else if (n === r.estep) size = 3 * s;
        dy = -2 * (tdiv(size, 2) - tdiv(s, 2));
      }
      if (fx.blink) {
        const c = fmix(m.hash ^ M.imul(r.etime, 0x9E3779B1) ^ M.imul(n, 0x85EBCA77));
        ctx.fillStyle = css((c & 255) << 16 | c & 0xff00 | c >> 16 & 255);
      }
      const f = size === s ? base : face(m, size);
      ctx.font = f.font;
      ctx.fillText(ch, pen + dx, y + dy + f.asc);
      pen += dx + advance(f, ch) + m.spacing;
    }
  }
}

function loadMedia(card, base) {
  const images = new Map(), sounds = new Map(), waits = [];
  const names = new Set(card.scenes.map(s => s.bg));
  for (const m of card.items) {
    names.add(m.gif);
    for (const ev of m.events.concat({ acts: m.user || [] }))
      for (const a of ev.acts) if (a.code === 6 && a.play && !sounds.has(a.sound)) {
        const e = {};
        sounds.set(a.sound, e);
        waits.push(fetch(new URL(a.sound, base)).then(r => r.ok ? r.arrayBuffer() : Promise.reject(Error('HTTP ' + r.status)))
          .then(b => { e.data = decodeAu(b); }).catch(err => warn(`cannot load ${a.sound}: ${err.message}`)));
      }
  }
  for (const name of names) {
    if (!name) continue;
    const e = { img: new Image() }, img = e.img;
    e.mask = () => {
      if (e.k === undefined) {
        e.k = null;
        try {
          const c = document.createElement('canvas'), w = c.width = img.naturalWidth, h = c.height = img.naturalHeight;
          const x = c.getContext('2d', { willReadFrequently: true });
          x.drawImage(img, 0, 0);
          const d = x.getImageData(0, 0, w, h).data, a = new Uint8Array(w * h);
          for (let i = 0; i < a.length; i++) a[i] = d[4 * i + 3];
          e.k = { w, h, a };
        } catch (err) { /* a page read from disk: the whole rectangle takes clicks */ }
      }
      return e.k;
    };
    waits.push(new Promise(done => {
      img.onload = () => { e.ok = img.naturalWidth > 0 && img.naturalHeight > 0; done(); };
      img.onerror = () => { warn('cannot load ' + name); done(); };
    }));
    img.src = new URL(name, base).href;
    images.set(name, e);
  }
  return { images, sounds, ready: Promise.all(waits) };
}

// Sun audio: mu-law, A-law or linear.
function decodeAu(buf) {
  const v = new DataView(buf);
  if (buf.byteLength < 24 || v.getUint32(0) !== 0x2e736e64) throw Error('not Sun audio');
  const [off, size, enc, rate, chans] = [4, 8, 12, 16, 20].map(i => v.getUint32(i)), ch = max(1, chans);
  const end = M.min(buf.byteLength, size === 0xffffffff ? buf.byteLength : off + size), bytes = { 1: 1, 2: 1, 3: 2, 27: 1 }[enc];
  if (!bytes || off > end || ch > 8 || rate < 3000 || rate > 384000) throw Error('unsupported Sun audio');
  const n = M.floor((end - off) / bytes / ch), out = [];
  for (let c = 0; c < ch; c++) out.push(new Float32Array(n));
  for (let i = 0, p = off; i < n; i++) for (let c = 0; c < ch; c++, p += bytes) {
    let x;
    if (enc === 3) x = v.getInt16(p);
    else if (enc === 2) x = v.getInt8(p) * 256;
    else if (enc === 1) {
      const u = ~v.getUint8(p) & 255, t = (((u & 15) << 3) + 132) << (u >> 4 & 7);
      x = u & 128 ? 132 - t : t - 132;
    } else {
      const a = v.getUint8(p) ^ 0x55, e = a >> 4 & 7, t = e ? ((a & 15) << 4) + 264 << e - 1 : ((a & 15) << 4) + 8;
      x = a & 128 ? t : -t;
    }
    out[c][i] = x / 32768;
  }
  return { rate, out };
}

// One sound at a time. Browsers allow sound after the first interaction: a looping sound
// asked for before then starts at it, a short one stays silent.
let audioCtx = null, unlocked = false;
const audibles = new Set();
function unlockAudio() {
  unlocked = true;
  try {
    const A = window.AudioContext || window.webkitAudioContext;
    if (!audioCtx && A) audioCtx = new A();
    if (audioCtx && audioCtx.state !== 'running') audioCtx.resume().then(() => audibles.forEach(s => s.resume()), () => {});
  } catch (e) { /* no sound here */ }
}
for (const ev of ['pointerdown', 'keydown', 'touchend']) document.addEventListener(ev, unlockAudio, true);

class Sound {
  constructor(media) { this.media = media; audibles.add(this); }
  play(name, loop) {
    this.stop();
    if (unlocked || loop) { this.want = { name, loop, at: Date.now() }; this.resume(); }
  }
  resume() {
    const w = this.want, e = w && this.media.sounds.get(w.name);
    if (!e || !e.data || this.src || !audioCtx || audioCtx.state !== 'running') return;
    if (!w.loop && Date.now() - w.at > 1000) return;
    try {
      if (!e.buf) {
        const d = e.data;
        e.buf = audioCtx.createBuffer(d.out.length, d.out[0].length || 1, d.rate);
        d.out.forEach((x, c) => e.buf.copyToChannel(x, c));
      }
      const s = this.src = audioCtx.createBufferSource();
      s.buffer = e.buf; s.loop = w.loop;
      s.connect(audioCtx.destination);
      s.onended = () => { if (this.src === s) this.src = this.want = null; };
      s.start();
    } catch (err) { warn('cannot play ' + w.name); }
  }
  stop() {
    this.want = null;
    try { if (this.src) this.src.stop(); } catch (e) { /* it had ended */ }
    this.src = null;
  }
  dispose() { this.stop(); audibles.delete(this); }
}

// A relative address is the page's; an absolute one without a scheme a web address.
// Only web and mail addresses open. The scheme is decided on the address the browser itself
// would parse: it drops control characters, tabs and line breaks, so "java<TAB>script:" is a
// script; and a relative address takes the page's scheme.
function openUrl(a, base) {
  let href = a.url.replace(/[\u0000-\u001f\u007f]/g, '').trim();
  if (!href) return;
  if (!a.relative && !/^[a-z][a-z0-9+.-]*:/i.test(href)) href = 'https://' + href.replace(/^\/+/, '');
  let u;
  try { u = new URL(href, base); } catch (e) { return warn('bad address ' + JSON.stringify(href)); }
  if (!/^(https?|mailto):$/.test(u.protocol)) return warn('refused to open ' + JSON.stringify(href));
  href = u.href;
  const target = a.frame || '_self';
  window.open(href, target, target === '_blank' ? 'noopener' : undefined);
}

class Player {
  constructor(cardText, o = {}) {
    const W = this.width = o.width > 0 ? o.width | 0 : 468, H = this.height = o.height > 0 ? o.height | 0 : 120;
    const cv = this.canvas = document.createElement('canvas'), k = this.scale = o.scale || max(1, M.round(window.devicePixelRatio || 1));
    this.base = o.base || document.baseURI;
    this.ticks = 0;
    cv.width = W * k; cv.height = H * k;
    cv.style.cssText = `display:block;width:${W}px;height:${H}px`;
    this.ctx = cv.getContext('2d');
    this.ready = Promise.resolve(this);
    try {
      prepare(this.card = parseCard(cardText));
      this.media = loadMedia(this.card, this.base);
      this.sound = new Sound(this.media);
      this.engine = new Engine(this.card, {
        play: (name, loop) => this.sound.play(name, loop), stop: () => this.sound.stop(), url: a => openUrl(a, this.base),
      }, this.media);
      this.engine.start();
    } catch (e) {
      this.fail(e);
      return;
    }
    const at = e => {
      const b = cv.getBoundingClientRect();
      return [M.floor((e.clientX - b.left) * W / (b.width || 1)), M.floor((e.clientY - b.top) * H / (b.height || 1))];
    };
    cv.addEventListener('pointerup', e => {
      if (e.button) return;
      unlockAudio();
      this.click(...at(e));
      this.hover();
    });
    cv.addEventListener('pointermove', e => { this.mouse = at(e); this.hover(); });
    cv.addEventListener('pointerleave', () => { this.mouse = null; this.hover(); });
    let timer;
    this.ready = Promise.race([this.media.ready, new Promise(r => { timer = setTimeout(r, o.wait || 4000); })])
      .then(() => { clearTimeout(timer); return this; });
    this.render();
    if (o.autoplay !== false) this.ready.then(() => { if (!this.paused) this.play(); });
  }
  guard(fn) {
    if (this.error) return;
    try { fn(); } catch (e) { this.fail(e); }
  }
  fail(e) {
    this.error = e.message || String(e);
    this.pause();
    if (this.sound) this.sound.dispose();
    console.error('Kavelins: this Kavelin cannot be played: ' + this.error);
    const c = this.ctx, W = this.width, H = this.height;
    c.setTransform(this.scale, 0, 0, this.scale, 0, 0);
    c.fillStyle = '#eee'; c.fillRect(0, 0, W, H);
    c.fillStyle = '#444'; c.font = '12px sans-serif'; c.textAlign = 'center'; c.textBaseline = 'middle';
    c.fillText('This Kavelin cannot be played.', W / 2, H / 2, W - 4);
  }
  hover() {
    this.guard(() => {
      const r = this.mouse && this.engine.itemAt(...this.mouse);
      this.canvas.style.cursor = r && r.m.user && r.m.user.length ? 'pointer' : '';
    });
  }
  render() {
    this.guard(() => {
      this.ctx.setTransform(this.scale, 0, 0, this.scale, 0, 0);
      draw(this.ctx, this.engine, this.width, this.height);
    });
  }
  // 40 ms a frame; frames missed are skipped, as a timer does.
  play() {
    if (this.error || this.raf) return;
    this.paused = false;
    let last = performance.now(), acc = 0;
    const frame = now => {
      this.raf = requestAnimationFrame(frame);
      acc += M.min(now - last, 1000);
      last = now;
      let n = 0;
      for (; acc >= TICK && n < 5; n++, acc -= TICK) this.guard(() => { this.engine.tick(); this.ticks++; });
      if (acc >= TICK) acc = 0;
      if (n) { this.render(); if (this.mouse) this.hover(); }
    };
    this.raf = requestAnimationFrame(frame);
  }
  // The test interface: deterministic stepping, clicks and traces.
  pause() { this.paused = true; cancelAnimationFrame(this.raf); this.raf = 0; }
  restart() { this.guard(() => { this.engine.start(); this.ticks = 0; }); this.render(); return this.state(); }
  step(n = 1) {
    this.pause();
    for (let i = 0; i < n; i++) this.guard(() => { this.engine.tick(); this.ticks++; });
    this.render();
    return this.state();
  }
  click(x, y) { this.guard(() => this.engine.click(x | 0, y | 0)); this.render(); return this.state(); }
  state() {
    if (this.error) return { error: this.error };
    const e = this.engine, s = JSON.parse(e.line(this.ticks));
    return Object.assign(s, { color: css(e.color), background: !e.hideBg, playing: !this.paused });
  }
  // As `kavelins-cli play --trace`, silent: ticks 0 to n, clicks "X,Y@T" after tick T; `each`
  // gets every line, its tick and a function drawing that tick.
  trace(n, clicks = [], each) {
    const lines = [];
    if (this.error) return lines;
    const e = new Engine(this.card, null, this.media), cs = clicks.map(c => {
      const m = /^(-?\d+),(-?\d+)@(\d+)$/.exec(c && c.x !== undefined ? `${c.x},${c.y}@${c.tick}` : String(c));
      return m && m.slice(1).map(Number);
    }).filter(Boolean);
    try {
      e.start();
      for (let t = 0; t <= n; t++) {
        if (t) e.tick();
        let sounds = e.sounds, urls = e.urls;
        for (const c of cs) if (c[2] === t) { e.click(c[0], c[1]); sounds = sounds.concat(e.sounds); urls = urls.concat(e.urls); }
        e.sounds = sounds; e.urls = urls;
        lines.push(e.line(t));
        if (each) each(lines[t], t, ctx => draw(ctx, e, this.width, this.height));
      }
    } catch (err) {
      console.error(`Kavelins: the trace stopped at tick ${lines.length}: ${err.message}`);
    }
    return lines;
  }
  destroy() {
    this.pause();
    if (this.sound) this.sound.dispose();
    this.error = this.error || 'destroyed';
  }
}

// Each <param name="Card">: its element gives way to a canvas.
const api = window.kavelins = window.kavelins || { players: [] };
Object.assign(api, {
  Player, decodeAu,
  mount(cardText, parent, opts) {
    const p = new Player(cardText, opts);
    if (parent) parent.appendChild(p.canvas);
    return p;
  },
});
function boot() {
  for (const param of document.querySelectorAll('param')) {
    if ((param.getAttribute('name') || '').trim().toLowerCase() !== 'card' || param.dataset.kavelin) continue;
    param.dataset.kavelin = 1;
    const host = param.parentElement, num = a => parseInt(host.getAttribute(a), 10);
    try {
      const p = new Player(param.getAttribute('value') || '', Object.assign({ width: num('width'), height: num('height') }, window.kavelinsOptions));
      p.canvas.className = host.className;
      (host === document.body ? param : host).replaceWith(p.canvas);
      api.players.push(p);
    } catch (e) {
      console.error('Kavelins: ' + e.message);
    }
  }
}
if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', boot);
else boot();
})();
