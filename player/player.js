// Kavelins browser player: finds the card of every Kavelin on the page and plays it on a canvas,
// frame for frame as the editor's live playback does.
(function () {
'use strict';
const TICK = 40, FOREVER = 2147483647, U32 = 4294967296;
const tdiv = (a, b) => Math.trunc(a / b);
const i16 = v => v < -32768 ? -32768 : v > 32767 ? 32767 : v;
const u16 = t => Math.floor((((t % U32) + U32) % U32) / 65536);

function isqrt(n) {
  if (n <= 0) return 0;
  let r = Math.floor(Math.sqrt(n));
  while (r * r > n) r--;
  while ((r + 1) * (r + 1) <= n) r++;
  return r;
}
function roundDiv(num, den) { // nearest integer, halves to even
  let q = Math.floor(num / den);
  const r = num - q * den;
  if (2 * r > den || (2 * r === den && q % 2 !== 0)) q++;
  return q;
}
function roundEven(v) {
  const f = Math.floor(v), d = v - f;
  return d > 0.5 || (d === 0.5 && f % 2 !== 0) ? f + 1 : f;
}
const pixelSize = pt => roundDiv(pt * 96, 72);
function pointsOf(px) { // the point size the editor had for a pixel size
  const g = Math.floor(px * 3 / 4);
  for (let s = Math.max(1, g - 1); s <= g + 2; s++) if (pixelSize(s) === px) return s;
  return Math.max(1, Math.round(px * 3 / 4));
}
const css = c => '#' + (0x1000000 | c).toString(16).slice(1);      // card colour, red high
const docCss = c => css((c & 255) << 16 | c & 0xff00 | c >> 16 & 255); // document colour, red low
function fmix(h) {
  h ^= h >>> 16; h = Math.imul(h, 0x85EBCA6B); h ^= h >>> 13; h = Math.imul(h, 0xC2B2AE35);
  return (h ^ h >>> 16) >>> 0;
}

// ---------------------------------------------------------------------------------------------
// The card string: tokens separated by ';', with '"' written "/q", ';' "/c" and a '/' that
// would start one of those "/!".
class CardError extends Error {}
const unescapeToken = t => t.indexOf('/') < 0 ? t : t.replace(/\/([qc!])/g, (m, c) => c === 'q' ? '"' : c === 'c' ? ';' : '/');

function parseCard(text) {
  if (typeof text !== 'string' || !text) throw new CardError('token 0: the card is empty');
  const tok = text.split(';');
  let pos = 0, nextId = 0;
  const fail = (what, at = pos - 1) => {
    throw new CardError(`token ${at}${at < tok.length ? ' ("' + tok[at].slice(0, 24) + '")' : ''}: ${what}`);
  };
  const raw = () => pos < tok.length ? tok[pos++] : fail('the card ends too early', pos);
  const str = () => unescapeToken(raw());
  const int = (lo = -2147483648, hi = 2147483647) => {
    const s = raw();
    if (!/^-?\d{1,10}$/.test(s)) fail('a whole number was expected');
    const v = +s;
    if (v < lo || v > hi) fail(`the number must lie in ${lo} .. ${hi}`);
    return v;
  };
  const bool = () => int() !== 0;
  const chr = c => { if (raw() !== c) fail(`"${c}" was expected`); };
  const header = str();
  const card = { base: header.replace(/\/ver\d*$/, ''), scenes: [], items: [] };
  const nScenes = int(1, tok.length);

  function item(sc, owner, byUser, depth) {
    if (depth > 16) fail('items nested too deeply', pos);
    const kind = raw();
    if (kind !== 'G' && kind !== 'T') fail('an item ("G" or "T") was expected');
    const m = { id: nextId++, kind, name: str(), owner, byUser, events: [], user: null };
    const index = int(0, sc.items.length - 1);
    if (sc.items[index]) fail('two items have this index');
    sc.items[m.index = index] = m;
    card.items.push(m);
    m.speed = int(-99999, 99999);
    const n = 2 * int(0, 1e6) + 1;
    m.pts = [];
    for (let i = 0; i < 2 * n; i++) m.pts.push(int(-1e6, 1e6));
    const b = int(-1, 1);
    m.type = b > 0 ? 2 : 0;
    m.repeat = b < 0 ? 0 : -1;
    const tempo = int();
    for (let e = int(0, 1e6); e > 0; e--) {
      const t = int(-1, 65535), acts = [];
      for (let k = int(0, 1e6); k > 0; k--) acts.push(action(sc, m, t < 0, depth));
      if (t < 0) m.user = (m.user || []).concat(acts);
      else m.events.push({ time: t * 65536, acts });
    }
    m.events.sort((a, c) => a.time - c.time);
    if (kind === 'G') {
      m.gif = str(); int(); int();
      m.w = int(0, 32767); m.h = int(0, 32767);
      const f = raw();
      if (!/^\d{1,6}(\.\d+)?$/.test(f)) fail('a frame count was expected');
      m.frames = Math.floor(+f);
      m.once = +f - m.frames > 0.05;
      m.tempo = Math.max(1, tempo);
    } else {
      m.lines = []; m.offsets = [];
      for (let l = int(0, 1e5); l > 0; l--) {
        const line = str();
        m.lines.push(line === ' ' ? '' : line); // an empty line is written as one blank
        m.offsets.push(int(-1e6, 1e6));
      }
      m.color = int() & 0xffffff; m.font = str(); m.px = int(0, 2000); m.style = int(); m.spacing = int(0, 1000);
      m.fx = { blink: bool(), wave: bool(), bungee: bool(), type: bool(), zoom: bool() };
      m.on = m.fx.blink || m.fx.wave || m.fx.bungee || m.fx.type || m.fx.zoom;
      m.lh = int();
      m.delay = Math.max(1, tempo);
    }
    return m;
  }

  function action(sc, owner, user, depth) {
    chr('A');
    const a = { code: int(1, 8), owner };
    switch (a.code) {
      case 1: case 2: int(); int(); int(); a.item = item(sc, a, user, depth + 1); break;
      case 3: case 4: a.on = bool(); a.target = int(); int(); break;
      case 5: int(); a.color = int() & 0xffffff; int(); break;
      case 6: a.play = bool(); a.loop = bool(); a.sound = str(); break;
      case 7: int(); a.scene = int(); int(); break;
      default: {
        a.relative = bool();
        const n = int(0, 1e7), s = str();
        a.url = s.slice(0, n); a.frame = s.slice(n);
        if (!n && s === '0') a.frame = '';
      }
    }
    return a;
  }

  for (let i = 0; i < nScenes; i++) {
    chr('S');
    const sc = { name: str(), color: int() & 0xffffff };
    const bg = str();
    sc.bg = bg === '0' ? null : bg;
    sc.tile = int() !== 0;
    sc.borderColor = int() & 0xffffff;
    sc.border = int(0, 1e5);
    sc.items = new Array(int(0, tok.length)).fill(null);
    for (let k = int(0, sc.items.length); k > 0; k--) item(sc, null, false, 0);
    // The export adds a placeholder image "Dummy" on top of every scene; the editor has none.
    const last = sc.items[sc.items.length - 1];
    if (last && !last.owner && last.kind === 'G' && last.name === 'Dummy') sc.items[sc.items.length - 1] = null;
    card.scenes.push(sc);
  }
  if (pos < tok.length) console.warn(`Kavelins: ${tok.length - pos} token(s) after the last scene ignored (token ${pos})`);
  return card;
}

// ---------------------------------------------------------------------------------------------
// Text metrics: the fonts of the player's three font names, with the tables of the export.
const FAMILIES = {
  timesroman: '"Liberation Serif", "Times New Roman", Times, serif',
  helvetica: '"Liberation Sans", Arial, Helvetica, sans-serif',
  courier: '"Liberation Mono", "Courier New", Courier, monospace',
};
let measureCtx = null;
function measurer() {
  if (!measureCtx) measureCtx = document.createElement('canvas').getContext('2d');
  return measureCtx;
}
function table(font) {
  const tables = window.KavelinsFontMetrics || {}, k = Object.keys(tables).find(n => n.toLowerCase() === font.toLowerCase());
  return k ? tables[k] : null;
}
const faces = new Map();
function face(m, points) {
  const px = Math.max(1, pixelSize(points)), key = m.font + '|' + m.style + '|' + px;
  let f = faces.get(key);
  if (f) return f;
  const t = table(m.font);
  const fam = FAMILIES[m.font.toLowerCase()] || (t ? `"${t.family}", ` : '') + JSON.stringify(m.font) + ', sans-serif';
  f = { font: `${m.style & 2 ? 'italic ' : ''}${m.style & 1 ? 'bold ' : ''}${px}px ${fam}`, adv: new Map() };
  if (t && px <= 270) {
    f.asc = t.ascent[px - 1]; f.h = t.height[px - 1];
  } else {
    const c = measurer();
    c.font = f.font;
    const mm = c.measureText('Wg');
    f.asc = roundEven(mm.fontBoundingBoxAscent || px * 0.9);
    f.h = roundEven((mm.fontBoundingBoxAscent + mm.fontBoundingBoxDescent) || px * 1.15);
  }
  if (faces.size > 2000) faces.clear();
  faces.set(key, f);
  return f;
}
function advance(f, ch) {
  let w = f.adv.get(ch);
  if (w === undefined) {
    const c = measurer();
    c.font = f.font;
    f.adv.set(ch, w = roundEven(c.measureText(ch).width));
  }
  return w;
}
function lineWidth(f, line, spacing) {
  const c = measurer();
  c.font = f.font;
  return roundEven(c.measureText(line).width) + ([...line].length - 1) * spacing;
}

// Layout of a text item and the motion path of every item. The card gives the path as the
// graphic's top-left corner (a text's first baseline); the editor moves the graphic's centre and
// truncates on that, so the points go back to the centre first.
function prepare(card) {
  for (const m of card.items) {
    let asc = 0;
    if (m.kind === 'T') {
      m.points = pointsOf(m.px);
      const f = face(m, m.points), c = measurer();
      let w = 0, h = 0, left = 0, widest = 0;
      for (const line of m.lines) {
        h += f.h;
        if (!line) continue;
        const chars = [...line];
        w = Math.max(w, lineWidth(f, line, m.spacing));
        let sum = (chars.length - 1) * m.spacing;
        for (const ch of chars) sum += advance(f, ch);
        widest = Math.max(widest, sum);
        c.font = f.font;
        left = Math.max(left, roundEven(c.measureText(chars[0]).actualBoundingBoxLeft || 0));
      }
      m.w = w; m.h = h; m.xl = left; m.xr = Math.max(0, widest - w);
      // The export raised the points by the font's ascent at that size (the table's value).
      const t = table(m.font);
      if (m.px >= 1 && m.px <= 270 && (t || FAMILIES[m.font.toLowerCase()])) asc = t ? t.ascent[m.px - 1] : f.asc;
      let hash = 2166136261;
      for (const line of m.lines) {
        for (let i = 0; i < line.length; i++) hash = Math.imul(hash ^ line.charCodeAt(i), 16777619);
        hash = Math.imul(hash ^ 10, 16777619);
      }
      m.hash = hash >>> 0;
    } else m.xl = m.xr = 0;
    m.hx = m.w >> 1; m.hy = m.h >> 1;
    const p = [];
    for (let i = 0; i < m.pts.length; i += 2) p.push([i16(m.pts[i] + m.hx), i16(m.pts[i + 1] + m.hy - asc)]);
    const path = m.path = { x0: p[0][0], y0: p[0][1], has: p.length >= 2, sx: [], sy: [], len: [], step: m.speed * 256 };
    for (let k = 0; 2 * k + 2 < p.length; k++)
      for (let i = k ? 1 : 0; i <= 12; i++) {
        const w0 = (12 - i) * (12 - i), w1 = 2 * i * (12 - i), w2 = i * i, a = p[2 * k], b = p[2 * k + 1], c = p[2 * k + 2];
        path.sx.push(tdiv(w0 * a[0] + w1 * b[0] + w2 * c[0], 144));
        path.sy.push(tdiv(w0 * a[1] + w1 * b[1] + w2 * c[1], 144));
      }
    let total = 0;
    for (let i = 0; i < path.sx.length; i++) {
      if (i) {
        const dx = path.sx[i] - path.sx[i - 1], dy = path.sy[i] - path.sy[i - 1];
        total = Math.min(total + isqrt(65536 * (dx * dx + dy * dy)), FOREVER);
      }
      path.len.push(total);
    }
    path.length = total;
  }
}

// Where an item is on its path `frame` frames after its start.
function place(m, frame) {
  const p = m.path, r = { x: p.x0, y: p.y0, s: 0, fwd: true, cyc: 0, fin: false };
  const step = p.step, cycle = p.length, n = p.sx.length;
  if (!n || step <= 0 || cycle <= 0) return r;
  const last = n - 1, d = Math.max(frame, 0) * step;
  r.cyc = Math.floor(d / cycle);
  const c = d % cycle;
  let pause = c > p.length;
  if (m.repeat >= 0 && m.repeat < r.cyc) { r.cyc = m.repeat; r.fin = pause = true; }
  r.fwd = !(m.type === 2 && r.cyc % 2 !== 0);
  const at = i => { r.s = i; r.x = p.sx[i]; r.y = p.sy[i]; };
  if (pause) {
    at(r.fwd && m.type !== 1 ? last : 0);
  } else if (r.fwd) {
    let lo = 0, hi = last; // the last sample whose length is at most c
    while (lo < hi) { const mid = (lo + hi + 1) >> 1; if (p.len[mid] <= c) lo = mid; else hi = mid - 1; }
    at(lo);
    const rest = c - p.len[lo];
    if (rest > 0 && lo < last) {
      const dx = p.sx[lo + 1] - p.sx[lo], dy = p.sy[lo + 1] - p.sy[lo], a = isqrt(dx * dx + dy * dy);
      if (a) { r.x += tdiv(tdiv(dx * rest, a), 256); r.y += tdiv(tdiv(dy * rest, a), 256); }
    }
  } else {
    const s = p.length - c;
    let lo = 0, hi = last; // the first sample whose length is at least s
    while (lo < hi) { const mid = (lo + hi) >> 1; if (p.len[mid] >= s) hi = mid; else lo = mid + 1; }
    at(lo);
    const rest = p.len[lo] - s;
    if (rest !== 0 && lo > 0) {
      const dx = p.sx[lo - 1] - p.sx[lo], dy = p.sy[lo - 1] - p.sy[lo], a = isqrt(dx * dx + dy * dy);
      if (a) { r.x += tdiv(tdiv(dx * rest, a), 256); r.y += tdiv(tdiv(dy * rest, a), 256); }
    }
  }
  return r;
}

// ---------------------------------------------------------------------------------------------
// The frame clock: scenes, items, events and actions. `out` receives sounds and pages (live
// play); without it the engine only notes them, which is what trace() wants.
class Engine {
  constructor(card, out) {
    this.card = card; this.out = out;
    this.rt = card.items.map(m => ({
      m, X: m.path.x0, Y: m.path.y0, vis: false, visFire: false, active: false, start: 0, saved: 0,
      fin: false, frozen: false, freeze: 0, animOff: 0, offX: 0, offY: 0, s: 0, fwd: true, cyc: 0,
      frame: 0, end: 0, zoom: m.points || 1, estep: 1, bstep: 1, etime: 0,
    }));
    this.si = 0; this.frame = 0; this.pending = -1; this.playing = false;
    this.color = 0; this.hideBg = false; this.sounds = []; this.urls = [];
    this.soundAction = null; this.soundName = null;
  }
  get scene() { return this.card.scenes[this.si]; }
  items() {
    const c = this.cache || (this.cache = []);
    return c[this.si] || (c[this.si] = this.scene.items.filter(Boolean).map(m => this.rt[m.id]));
  }
  resetStage() { this.color = this.scene.color; this.hideBg = false; }

  reset(r) {
    const m = r.m, p = m.path;
    r.frame = 0; r.cyc = 0; r.s = 0; r.fwd = true;
    r.end = !p.has ? 0 : m.repeat === -1 ? FOREVER : p.step > 0 ? (tdiv((m.repeat + 1) * p.length, p.step) + 1) * 65536 : 0;
    r.X = p.x0; r.Y = p.y0; r.offX = r.offY = 0;
    r.active = !m.owner; r.saved = r.start; r.start = 0;
    r.vis = r.active; r.fin = r.frozen = false; r.animOff = r.freeze = 0;
  }

  advance(r, frame) {
    const a = frame - r.start, m = r.m;
    if (a < 0 || !r.active) return;
    if (m.kind === 'G') {
      if (m.frames) {
        const t = r.frozen ? r.freeze : a - r.animOff, steps = tdiv(Math.max(0, t), m.tempo);
        r.frame = m.once && steps >= m.frames ? m.frames - 1 : steps % m.frames;
      }
    } else if (m.on) {
      const d = tdiv(r.etime = a, m.delay);
      if (m.fx.bungee) { const c = d % 60; r.bstep = c <= 29 ? c + 1 : 61 - c; }
      if (m.fx.type || m.fx.wave) r.estep = d + 1;
      if (m.fx.zoom) {
        const period = 10 * m.delay;
        let k = a % period;
        if (2 * k > period) k = period - k;
        r.zoom = Math.max(1, roundDiv(2 * k * m.points, period));
      }
    }
    if (r.fin || !m.path.has) return;
    const pl = place(m, a);
    r.s = pl.s; r.fwd = pl.fwd; r.cyc = pl.cyc; r.fin = pl.fin;
    r.X = pl.x + r.offX; r.Y = pl.y + r.offY;
  }

  fire(r, ev, at, live) {
    r.visFire = r.vis;
    for (const a of ev.acts) this.act(a, at, live);
  }

  // The events due at `frame`, once per pass of the path (mirrored on the way back of Back And
  // Forth), then those beyond the end of a path that stops, on the item's time line.
  due(r, frame, live) {
    if (!r.active || frame < r.start) return;
    const m = r.m, evs = m.events, n = evs.length, a = frame - r.start;
    if (!n) return;
    let s = r.start * 65536;
    const step = m.path.step, C = m.path.length, E = r.end, back = m.type === 2;
    const fire = (i, at) => this.fire(r, evs[i], at, live);
    if (m.path.has && step > 0 && C > 0) {
      const G = Math.floor(C / step) * 65536, cyc = Math.floor(a * step / C);
      const f = Math.floor((a * step) % C / step);
      r.cyc = cyc;
      const h = tdiv(((a - 1) * step) % C, step) * 65536;
      if (live) s += cyc * G;
      else {
        for (let c = 0; c < cyc; c++) {
          if (!(back && c % 2 === 1)) {
            for (let i = 0; i < n && evs[i].time <= E; i++) fire(i, s + evs[i].time);
          } else {
            for (let i = n - 1; i >= 0; i--) if (evs[i].time <= E) fire(i, s + G - evs[i].time);
          }
          s += G;
        }
      }
      const hh = live ? h : 0, fwd = !(back && cyc % 2 === 1);
      if (m.repeat === -1 || C >= a * step) {
        const F = f * 65536, prev = cyc > 0 ? s - G : s;
        if (fwd) {
          if (live && !back && F < hh) for (let i = 0; i < n; i++) if (evs[i].time > hh) fire(i, prev + evs[i].time);
          for (let i = 0; i < n; i++) {
            const t = evs[i].time;
            if (t > F) break;
            if (t < hh || (t === hh && hh > 0)) continue;
            if (live && t === 0 && a === 1 && r.start === 0) continue;
            fire(i, s + t);
          }
        } else {
          if (live && back && F < hh) for (let i = n - 1; i >= 0; i--) if (evs[i].time >= hh) fire(i, prev + evs[i].time);
          for (let i = n - 1; i >= 0; i--) {
            const t = evs[i].time;
            if (t < G - F) break;
            if (t < G - hh) fire(i, s + G - t);
          }
        }
      }
    }
    if (E !== FOREVER) {
      const t = a * 65536, p = live ? t - 65536 : 0;
      for (let i = 0; i < n; i++) {
        const et = evs[i].time;
        if (et > t) break;
        if (et < p || et < E || (et === p && p > 0)) continue;
        if (live && et === 0 && t > 0 && r.start === 0) continue;
        fire(i, et + r.start * 65536);
      }
    }
  }

  target(i) { const m = this.scene.items[i]; return m ? this.rt[m.id] : null; }

  act(a, at, live) {
    const own = this.rt[a.owner.id];
    if (!own.visFire) return;
    const f = u16(at);
    switch (a.code) {
      case 1: case 2: {
        const r = this.rt[a.item.id];
        if (a.code === 1 && a.item.byUser) {
          r.offX = own.X - a.item.path.x0; r.offY = own.Y - a.item.path.y0;
          r.X = own.X; r.Y = own.Y;
        }
        if (!r.active) { r.active = true; r.start = f; }
        if (a.code === 1) own.vis = false;
        r.vis = true;
        break;
      }
      case 3: {
        const r = this.target(a.target);
        if (r) r.vis = a.on; else if (a.target === -1) this.hideBg = !a.on;
        break;
      }
      case 4: {
        const r = this.target(a.target);
        if (!r) break;
        if (!a.on) {
          r.frozen = true;
          if (r.freeze === 0) r.freeze = f - r.start;
        } else if (r.frozen) {
          r.frozen = false; r.animOff = f - r.start - r.freeze; r.freeze = 0;
        }
        break;
      }
      case 5: this.color = a.color; break;
      case 6:
        if (!live) break;
        if (a.play) {
          // A looping sound already started by this action plays on.
          if (!a.loop || this.soundAction !== a) {
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
      case 7: if (live && this.card.scenes[a.scene]) this.pending = a.scene; break;
      default:
        if (!live) break;
        this.urls.push(a.url + ' ' + a.frame + (a.relative ? ' relative' : ''));
        if (this.out) this.out.url(a);
    }
  }

  start() {
    this.si = 0; this.soundAction = null; this.soundName = null;
    this.sounds = []; this.urls = []; this.frame = 0; this.pending = -1;
    this.resetStage();
    const items = this.items();
    for (const r of items) { this.reset(r); this.advance(r, 0); }
    this.playing = true;
    for (const r of items) this.due(r, 0, true);
    if (this.pending >= 0) this.switchScene();
  }

  tick() {
    if (!this.playing) return;
    this.sounds = []; this.urls = [];
    this.frame++;
    const items = this.items();
    for (const r of items) this.due(r, this.frame, true);
    if (this.pending >= 0) return this.switchScene();
    for (const r of items) if (r.active) this.advance(r, this.frame);
  }

  switchScene() {
    this.si = this.pending; this.pending = -1; this.frame = 0;
    this.resetStage();
    const items = this.items();
    for (const r of items) { this.reset(r); this.advance(r, 0); }
    for (const r of items) this.due(r, 0, true);
  }

  click(x, y) {
    if (!this.playing) return;
    this.sounds = []; this.urls = [];
    const r = this.itemAt(x, y);
    if (r && r.m.user) {
      r.visFire = r.vis;
      for (const a of r.m.user) this.act(a, this.frame * 65536, true);
    }
    if (this.pending >= 0) this.switchScene();
  }

  box(r) {
    const left = r.X - r.m.hx - r.m.xl, top = r.Y - r.m.hy;
    return [left, top, left + r.m.w + r.m.xr, top + r.m.h];
  }

  // The topmost visible item whose graphic is opaque at the point.
  itemAt(x, y) {
    const items = this.items();
    for (let i = items.length - 1; i >= 0; i--) {
      const r = items[i];
      if (!r.vis) continue;
      const b = this.box(r);
      if (x < b[0] || x > b[2] || y < b[1] || y > b[3]) continue;
      if (r.m.kind === 'T' || this.opaque(r, x - b[0], y - b[1])) return r;
    }
    return null;
  }

  opaque(r, x, y) {
    const m = r.m;
    if (x >= m.w || y >= m.h) return false;
    const img = this.media && this.media.images.get(m.gif);
    if (!img || !img.ok) return false;
    const mask = img.mask();
    if (!mask) return true;
    const sx = r.frame * m.w + x;
    return sx < mask.w && y < mask.h && mask.a[y * mask.w + sx] > 0;
  }

  line(tick) {
    const items = this.items().map(r => `{"index":${r.m.index},"name":${JSON.stringify(r.m.name)},"x":${r.X - r.m.hx},` +
      `"y":${r.Y - r.m.hy},"visible":${r.vis},"anim":${r.m.kind === 'G' ? r.frame : 0}}`);
    return `{"tick":${tick},"scene":${this.si},"frame":${this.frame},"items":[${items}],` +
      `"sound":${JSON.stringify(this.sounds)},"url":${JSON.stringify(this.urls)}}`;
  }
}

// ---------------------------------------------------------------------------------------------
// Drawing a frame: background, items in z-order, border.
function draw(ctx, eng, W, H) {
  const sc = eng.scene, B = sc.border, media = eng.media;
  ctx.save();
  ctx.imageSmoothingEnabled = false;
  ctx.beginPath();
  if (W - 2 * B > 0 && H - 2 * B > 0) ctx.rect(B, B, W - 2 * B, H - 2 * B);
  ctx.clip();
  ctx.fillStyle = css(eng.color);
  ctx.fillRect(0, 0, W, H);
  const bg = !eng.hideBg && sc.bg && media && media.images.get(sc.bg);
  if (bg && bg.ok) {
    const bw = bg.img.naturalWidth, bh = bg.img.naturalHeight;
    if (!sc.tile) ctx.drawImage(bg.img, tdiv(W - bw, 2), tdiv(H - bh, 2));
    else if (bw > 0 && bh > 0) for (let y = 0; y < H; y += bh) for (let x = 0; x < W; x += bw) ctx.drawImage(bg.img, x, y);
  }
  for (const r of eng.items()) {
    if (!r.vis) continue;
    const m = r.m, x = r.X - m.hx, y = r.Y - m.hy;
    if (m.kind === 'T') { drawText(ctx, r, x, y); continue; }
    const g = media && media.images.get(m.gif);
    if (g && g.ok && m.w > 0 && m.h > 0) ctx.drawImage(g.img, r.frame * m.w, 0, m.w, m.h, x, y, m.w, m.h);
  }
  ctx.restore();
  if (B > 0) {
    ctx.fillStyle = css(sc.borderColor);
    if (tdiv(W, 2) >= B && tdiv(H, 2) >= B) {
      for (let k = 0; k < B; k++) {
        const w = W - 2 * k, h = H - 2 * k;
        ctx.fillRect(k, k, w, 1); ctx.fillRect(k, k + h - 1, w, 1);
        ctx.fillRect(k, k, 1, h); ctx.fillRect(k + w - 1, k, 1, h);
      }
    } else ctx.fillRect(0, 0, W, H);
  }
}

// Characters one by one: each with its baseline at the top of its line plus its font's ascent,
// the pen moving on by the rounded advance plus the spacing; effects as the editor draws them.
function drawText(ctx, r, left, top) {
  const m = r.m, fx = m.fx, lines = m.lines;
  if (!lines.length) return;
  const s = fx.zoom ? r.zoom : m.points, base = face(m, s), lh = base.h;
  let y = top, n = 0;
  if (fx.zoom) y += roundDiv((Math.floor(m.h / lines.length) - lh) * lines.length, 2);
  ctx.textBaseline = 'alphabetic';
  ctx.textAlign = 'left';
  ctx.fillStyle = css(m.color);
  for (let li = 0; li < lines.length; li++) {
    const line = lines[li];
    if (!line) { y += lh; continue; }
    let pen = left + (fx.zoom ? roundDiv(m.w - lineWidth(base, line, m.spacing), 2) : m.offsets[li]), k = 0;
    for (const ch of line) {
      k++; n++;
      if (fx.type && n > r.estep) return;
      let dx = 0, dy = 0, size = s;
      if (fx.wave) {
        if (n === r.estep - 1 || n === r.estep + 1) size = 2 * s;
        else if (n === r.estep) size = 3 * s;
        dy = -2 * (tdiv(size, 2) - tdiv(s, 2));
      }
      if (fx.bungee) dx = k * r.bstep;
      if (fx.blink) {
        const h = fmix(m.hash ^ Math.imul(r.etime, 0x9E3779B1) ^ Math.imul(n, 0x85EBCA77));
        ctx.fillStyle = docCss(h & 0xffffff);
      }
      const f = size === s ? base : face(m, size);
      ctx.font = f.font;
      ctx.fillText(ch, pen + dx, y + dy + f.asc);
      pen += dx + advance(f, ch) + m.spacing;
    }
    y += lh;
  }
}

// ---------------------------------------------------------------------------------------------
// Media: GIFs (strips cut into frames by the item's frame size) and Sun audio sounds.
function loadMedia(card, base) {
  const images = new Map(), sounds = new Map(), waits = [];
  const names = new Set(card.scenes.map(s => s.bg).filter(Boolean));
  for (const m of card.items) if (m.kind === 'G' && m.gif) names.add(m.gif);
  for (const name of names) {
    const e = { img: new Image(), ok: false, m: undefined };
    e.mask = () => {
      if (e.m === undefined) {
        e.m = null;
        try {
          const c = document.createElement('canvas'), w = c.width = e.img.naturalWidth, h = c.height = e.img.naturalHeight;
          const x = c.getContext('2d', { willReadFrequently: true });
          x.drawImage(e.img, 0, 0);
          const d = x.getImageData(0, 0, w, h).data, a = new Uint8Array(w * h);
          for (let i = 0; i < a.length; i++) a[i] = d[4 * i + 3];
          e.m = { w, h, a };
        } catch (err) { /* a page read from disk: hit the whole rectangle */ }
      }
      return e.m;
    };
    waits.push(new Promise(done => {
      e.img.onload = () => { e.ok = e.img.naturalWidth > 0; done(); };
      e.img.onerror = () => { console.warn('Kavelins: cannot load ' + name); done(); };
    }));
    e.img.src = new URL(name, base).href;
    images.set(name, e);
  }
  for (const m of card.items) for (const ev of m.events.concat(m.user ? [{ acts: m.user }] : []))
    for (const a of ev.acts) if (a.code === 6 && a.sound && !sounds.has(a.sound)) {
      const e = { buf: null, data: null };
      sounds.set(a.sound, e);
      waits.push(fetch(new URL(a.sound, base).href)
        .then(r => r.ok ? r.arrayBuffer() : Promise.reject(new Error('HTTP ' + r.status)))
        .then(b => { e.data = decodeAu(b); })
        .catch(err => console.warn(`Kavelins: cannot load ${a.sound}: ${err.message}`)));
    }
  return { images, sounds, ready: Promise.all(waits) };
}

// Sun audio: a big-endian header, then mu-law, A-law or linear samples.
function decodeAu(buf) {
  const v = new DataView(buf);
  if (buf.byteLength < 24 || v.getUint32(0) !== 0x2e736e64) throw new Error('not Sun audio');
  const off = v.getUint32(4), size = v.getUint32(8), enc = v.getUint32(12), rate = v.getUint32(16), ch = Math.max(1, v.getUint32(20));
  const end = Math.min(buf.byteLength, size === 0xffffffff ? buf.byteLength : off + size);
  const bytes = { 1: 1, 2: 1, 3: 2, 27: 1 }[enc];
  if (!bytes || off > end || ch > 8 || rate < 3000 || rate > 384000) throw new Error('unsupported Sun audio');
  const n = Math.floor((end - off) / bytes / ch), out = [];
  for (let c = 0; c < ch; c++) out.push(new Float32Array(n));
  for (let i = 0, p = off; i < n; i++) for (let c = 0; c < ch; c++, p += bytes) {
    let x;
    if (enc === 3) x = v.getInt16(p) / 32768;
    else if (enc === 2) x = v.getInt8(p) / 128;
    else {
      const u = ~v.getUint8(p) & 255;
      if (enc === 1) {
        const t = (((u & 15) << 3) + 132) << ((u >> 4) & 7);
        x = (u & 128 ? 132 - t : t - 132) / 32768;
      } else {
        const a = (u ^ 0xff ^ 0x55) & 255, e = (a >> 4) & 7;
        let t = (a & 15) << 4;
        t = e ? (t + 264) << (e - 1) : t + 8;
        x = (a & 128 ? t : -t) / 32768;
      }
    }
    out[c][i] = x;
  }
  return { rate, out };
}

// One sound at a time per Kavelin; a new one stops the one playing. Browsers start sound only
// after the visitor has interacted with the page: a looping sound asked for before then
// starts at the first interaction.
let audioCtx = null;
const audibles = new Set();
function unlockAudio() {
  try {
    if (!audioCtx) { const A = window.AudioContext || window.webkitAudioContext; if (A) audioCtx = new A(); }
    if (audioCtx && audioCtx.state !== 'running') audioCtx.resume().then(() => { for (const s of audibles) s.resume(); }, () => {});
  } catch (e) { /* no sound here */ }
}
for (const ev of ['pointerdown', 'keydown', 'touchend']) document.addEventListener(ev, unlockAudio, true);

class Sound {
  constructor(media) { this.media = media; this.src = null; this.want = null; audibles.add(this); }
  play(name, loop) {
    this.stop();
    this.want = { name, loop, at: Date.now() };
    this.resume();
  }
  resume() {
    const w = this.want, e = w && this.media.sounds.get(w.name);
    if (!w || this.src || !e || !e.data || !audioCtx || audioCtx.state !== 'running') return;
    if (!w.loop && Date.now() - w.at > 1000) return; // a short sound asked for long ago stays silent
    try {
      if (!e.buf) {
        e.buf = audioCtx.createBuffer(e.data.out.length, e.data.out[0].length || 1, e.data.rate);
        e.data.out.forEach((d, c) => e.buf.copyToChannel(d, c));
      }
      const s = this.src = audioCtx.createBufferSource();
      s.buffer = e.buf; s.loop = w.loop;
      s.connect(audioCtx.destination);
      s.onended = () => { if (this.src === s) { this.src = null; this.want = null; } };
      s.start();
    } catch (err) { console.warn('Kavelins: cannot play ' + w.name); }
  }
  stop() {
    this.want = null;
    if (this.src) { try { this.src.stop(); } catch (e) { /* already ended */ } this.src = null; }
  }
  dispose() { this.stop(); audibles.delete(this); }
}

// ---------------------------------------------------------------------------------------------
const UNSAFE_URL = /^\s*(javascript|data|vbscript|blob|file):/i;
function openUrl(a, base) {
  if (!a.url) return;
  let href = a.url.trim();
  if (UNSAFE_URL.test(href)) return console.warn('Kavelins: refused to open ' + href);
  // A relative address is relative to the page; an absolute one without a scheme is a web address.
  if (!a.relative && !/^[a-z][a-z0-9+.-]*:/i.test(href)) href = 'http://' + href.replace(/^\/+/, '');
  try { href = new URL(href, base).href; } catch (e) { return console.warn('Kavelins: bad address ' + a.url); }
  const target = a.frame || '_self';
  window.open(href, target, target === '_blank' ? 'noopener' : undefined);
}

function parseClicks(clicks) {
  return (clicks || []).map(c => {
    if (typeof c === 'string') { const m = /^(-?\d+),(-?\d+)@(\d+)$/.exec(c.trim()); return m && { x: +m[1], y: +m[2], tick: +m[3] }; }
    return c && { x: c.x | 0, y: c.y | 0, tick: c.tick | 0 };
  }).filter(Boolean);
}

class Player {
  constructor(cardText, opts) {
    const o = opts || {};
    this.width = Math.max(1, o.width | 0 || 468);
    this.height = Math.max(1, o.height | 0 || 120);
    this.base = o.base || document.baseURI;
    this.error = null; this.ticks = 0; this.raf = 0; this.paused = false; this.mouse = null;
    const cv = this.canvas = document.createElement('canvas');
    const k = Math.max(1, Math.round(window.devicePixelRatio || 1));
    this.scale = o.scale || k;
    cv.width = this.width * this.scale; cv.height = this.height * this.scale;
    cv.style.width = this.width + 'px'; cv.style.height = this.height + 'px';
    cv.style.display = 'block';
    this.ctx = cv.getContext('2d');
    try {
      this.card = parseCard(cardText);
      prepare(this.card);
    } catch (e) {
      this.fail(e);
      this.ready = Promise.resolve(this);
      return;
    }
    this.media = loadMedia(this.card, this.base);
    this.sound = new Sound(this.media);
    const out = {
      play: (name, loop) => this.sound.play(name, loop),
      stop: () => this.sound.stop(),
      url: a => openUrl(a, this.base),
    };
    this.engine = this.newEngine(out);
    this.engine.start();
    cv.addEventListener('pointerup', e => this.guard(() => {
      if (e.button !== 0) return;
      unlockAudio();
      const p = this.stagePoint(e);
      this.engine.click(p[0], p[1]);
      this.render();
      this.hover();
    }));
    cv.addEventListener('pointermove', e => { this.mouse = this.stagePoint(e); this.guard(() => this.hover()); });
    cv.addEventListener('pointerleave', () => { this.mouse = null; cv.style.cursor = ''; });
    let timer;
    this.ready = Promise.race([this.media.ready, new Promise(r => { timer = setTimeout(r, o.wait || 4000); })])
      .then(() => { clearTimeout(timer); return this; });
    this.render();
    if (o.autoplay !== false) this.ready.then(() => { if (!this.paused) this.play(); });
  }
  newEngine(out) { const e = new Engine(this.card, out); e.media = this.media; return e; }
  stagePoint(e) {
    const b = this.canvas.getBoundingClientRect();
    return [Math.floor((e.clientX - b.left) * this.width / (b.width || 1)), Math.floor((e.clientY - b.top) * this.height / (b.height || 1))];
  }
  hover() {
    const r = this.mouse && this.engine.itemAt(this.mouse[0], this.mouse[1]);
    this.canvas.style.cursor = r && r.m.user && r.m.user.length ? 'pointer' : '';
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
  render() {
    this.guard(() => {
      this.ctx.setTransform(this.scale, 0, 0, this.scale, 0, 0);
      draw(this.ctx, this.engine, this.width, this.height);
    });
  }
  play() {
    if (this.error || this.raf) return;
    this.paused = false;
    let last = performance.now(), acc = 0;
    const frame = now => {
      this.raf = requestAnimationFrame(frame);
      acc += Math.min(now - last, 1000); last = now;
      let n = 0;
      while (acc >= TICK && n < 5) { acc -= TICK; n++; this.guard(() => { this.engine.tick(); this.ticks++; }); }
      if (acc >= TICK) acc = 0; // the clock skips ticks it could not keep up with, as a timer does
      if (n) { this.render(); if (this.mouse) this.guard(() => this.hover()); }
    };
    this.raf = requestAnimationFrame(frame);
  }
  // The test interface: deterministic stepping, clicks and traces.
  restart() { this.guard(() => { this.engine.start(); this.ticks = 0; }); this.render(); return this.state(); }
  pause() { this.paused = true; if (this.raf) cancelAnimationFrame(this.raf); this.raf = 0; }
  step(n) {
    this.pause();
    for (let i = 0; i < (n === undefined ? 1 : n); i++) this.guard(() => { this.engine.tick(); this.ticks++; });
    this.render();
    return this.state();
  }
  click(x, y) { this.guard(() => this.engine.click(x | 0, y | 0)); this.render(); return this.state(); }
  state() {
    if (this.error) return { error: this.error };
    const s = JSON.parse(this.engine.line(this.ticks));
    s.color = css(this.engine.color); s.background = !this.engine.hideBg; s.playing = !this.paused;
    return s;
  }
  // Plays the Kavelin from its start without sound or pages, as `kavelins-cli play --trace`
  // does: one line per tick from 0 to n, clicks "X,Y@T" right after tick T. `each` (optional)
  // is called with every line, its tick and a function that draws that tick on a 2D context.
  trace(n, clicks, each) {
    if (this.error) return [];
    const eng = this.newEngine(null), lines = [], cs = parseClicks(clicks);
    try {
      eng.start();
      for (let t = 0; t <= n; t++) {
        if (t > 0) eng.tick();
        let sounds = eng.sounds, urls = eng.urls;
        for (const c of cs) if (c.tick === t) { eng.click(c.x, c.y); sounds = sounds.concat(eng.sounds); urls = urls.concat(eng.urls); }
        eng.sounds = sounds; eng.urls = urls;
        const line = eng.line(t);
        lines.push(line);
        if (each) each(line, t, ctx => draw(ctx, eng, this.width, this.height));
      }
    } catch (e) {
      console.error('Kavelins: trace stopped at tick ' + lines.length + ': ' + e.message);
    }
    return lines;
  }
  destroy() {
    this.pause();
    if (this.sound) this.sound.dispose();
    this.error = this.error || 'destroyed';
  }
}

// Every card on the page: the element holding <param name="Card"> gives way to the canvas.
const api = window.kavelins = window.kavelins || { players: [] };
api.Player = Player;
api.parse = text => { const c = parseCard(text); prepare(c); return c; };
api.mount = (cardText, parent, opts) => {
  const p = new Player(cardText, opts);
  if (parent) parent.appendChild(p.canvas);
  return p;
};
function boot() {
  for (const param of document.querySelectorAll('param')) {
    if ((param.getAttribute('name') || '').trim().toLowerCase() !== 'card' || param.dataset.kavelin) continue;
    param.dataset.kavelin = '1';
    const host = param.parentElement || document.body;
    const num = a => parseInt(host.getAttribute && host.getAttribute(a), 10) || 0;
    let p;
    try {
      p = new Player(param.getAttribute('value') || '', Object.assign({ width: num('width'), height: num('height') }, window.kavelinsOptions));
    } catch (e) {
      console.error('Kavelins: ' + e.message);
      continue;
    }
    p.canvas.className = host.className || '';
    if (host !== document.body && host.parentNode) host.parentNode.replaceChild(p.canvas, host);
    else document.body.appendChild(p.canvas);
    api.players.push(p);
  }
}
if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', boot);
else boot();
})();
