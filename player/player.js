// Kavelins browser player: finds the card of every Kavelin on the page and plays it on a canvas,
// frame for frame as the editor's live playback does.
(function () {
'use strict';
const TICK_MS = 40;                  // 25 frames a second, as the editor's timer
const EARLY_MS = 2;                  // a frame drawn this early still ticks; the next waits longer
const FOREVER = 2147483647;          // the largest whole number of the card
const FRAME_UNIT = 65536;            // event times are stored in 1/65536 frames
const DEFAULT_PLAY_SECONDS = 30;     // animation stops by itself after this, unless asked to play on
const max = Math.max, min = Math.min;

const truncDiv = (a, b) => Math.trunc(a / b);   // C's integer division
const clampShort = v => v < -32768 ? -32768 : v > 32767 ? 32767 : v;

function integerSqrt(n) {
  if (n <= 0) return 0;
  let root = Math.floor(Math.sqrt(n));
  while (root * root > n) root--;
  while ((root + 1) * (root + 1) <= n) root++;
  return root;
}
function roundDiv(numerator, denominator) { // nearest integer, halves to even
  let quotient = Math.floor(numerator / denominator);
  const rest = numerator - quotient * denominator;
  if (2 * rest > denominator || (2 * rest === denominator && quotient % 2)) quotient++;
  return quotient;
}
function roundEven(value) {
  const whole = Math.floor(value), fraction = value - whole;
  return fraction > 0.5 || (fraction === 0.5 && whole % 2) ? whole + 1 : whole;
}
const pixelSizeOf = points => roundDiv(points * 96, 72);
function pointsOf(pixels) { // the point size that gave this pixel size
  const guess = Math.floor(pixels * 3 / 4);
  for (let size = max(1, guess - 1); size <= guess + 2; size++) {
    if (pixelSizeOf(size) === pixels) return size;
  }
  return max(1, Math.round(pixels * 3 / 4));
}
const cssColour = c => '#' + (0x1000000 | c).toString(16).slice(1); // card colours: red in the high byte
function mixBits(hash) {   // the finishing step of MurmurHash3: every input bit moves every output bit
  hash ^= hash >>> 16; hash = Math.imul(hash, 0x85EBCA6B);
  hash ^= hash >>> 13; hash = Math.imul(hash, 0xC2B2AE35);
  return hash ^ hash >>> 16;
}
const warn = message => console.warn('Kavelins: ' + message);
const takesClicks = item => !!(item.clickActions && item.clickActions.length);

// The card: tokens between ';'; '"' is written "/q", ';' "/c", a '/' before q, c or ! "/!".
const unescapeToken = token => token.indexOf('/') < 0 ? token
  : token.replace(/\/([qc!])/g, (all, c) => c === 'q' ? '"' : c === 'c' ? ';' : '/');

const PATH_ONE_WAY = 0, PATH_LOOP = 1, PATH_BACK_AND_FORTH = 2;
const ACTION = { REPLACE: 1, ADD: 2, SHOW: 3, ANIMATE: 4, COLOUR: 5, SOUND: 6, SCENE: 7, URL: 8 };

function parseCard(text) {
  if (typeof text !== 'string' || !text) throw new Error('token 0: the card is empty');
  const tokens = text.split(';'), card = { scenes: [], items: [] };
  let pos = 0;
  const fail = (what, at = pos - 1) => {
    const shown = at < tokens.length ? ` ("${tokens[at].slice(0, 24)}")` : '';
    throw new Error(`token ${at}${shown}: ${what}`);
  };
  const rawToken = () => pos < tokens.length ? tokens[pos++] : fail('the card ends too early', pos);
  const textToken = () => unescapeToken(rawToken());
  const wholeNumber = (low = -2147483648, high = 2147483647) => {
    const token = rawToken(), value = +token;
    if (!/^-?\d{1,10}$/.test(token)) fail('a whole number was expected');
    if (value < low || value > high) fail(`the number must lie in ${low} .. ${high}`);
    return value;
  };
  const unused = wholeNumber;           // a value the writer fills in that playing does not need
  const flag = () => wholeNumber() !== 0, colour = () => wholeNumber() & 0xffffff;
  const expect = c => rawToken() === c || fail(`"${c}" was expected`);

  function readItem(scene, owner, addedByClick, depth) {
    if (depth > 16) fail('items nested too deeply', pos);
    const kind = rawToken();
    if (kind !== 'G' && kind !== 'T') fail('an item ("G" or "T") was expected');
    const item = {
      id: card.items.length, kind, name: textToken(), owner, addedByClick, events: [], clickActions: null,
    };
    const index = wholeNumber(0, scene.items.length - 1);
    if (scene.items[index]) fail('two items have this index');
    scene.items[item.index = index] = item;
    card.items.push(item);
    item.speed = wholeNumber(-99999, 99999);
    item.pathNumbers = [];   // x, y of the start and of two points for each curve segment
    for (let n = 4 * wholeNumber(0, 1e6) + 2; n > 0; n--) item.pathNumbers.push(wholeNumber(-1e6, 1e6));
    const bounce = wholeNumber(-1, 1), tempo = wholeNumber();
    // Refined by the card's item group, when it has one.
    item.pathType = bounce > 0 ? PATH_BACK_AND_FORTH : PATH_ONE_WAY;
    item.repeat = bounce < 0 ? 0 : -1;
    item.endPause = 0;
    for (let events = wholeNumber(0, 1e6); events > 0; events--) {
      const time = wholeNumber(-1, 65535), actions = [];   // -1: the click event
      for (let n = wholeNumber(0, 1e6); n > 0; n--) actions.push(readAction(scene, item, time < 0, depth));
      if (time < 0) item.clickActions = (item.clickActions || []).concat(actions);
      else item.events.push({ time: time * FRAME_UNIT, actions });
    }
    if (kind === 'G') {
      item.gif = textToken();
      unused(); unused();
      item.width = wholeNumber(0, 32767); item.height = wholeNumber(0, 32767);
      const frames = rawToken();
      if (!/^\d{1,6}(\.\d+)?$/.test(frames)) fail('a frame count was expected');
      item.frames = Math.floor(+frames);
      item.stripPlays = +frames - item.frames > 0.05 ? 1 : 0; // "12.1": the strip plays once
      item.stripTempo = max(1, tempo);
    } else {
      item.lines = []; item.lineOffsets = [];
      for (let n = wholeNumber(0, 1e5); n > 0; n--) {
        const line = textToken();
        item.lines.push(line === ' ' ? '' : line); // an empty line is written as one blank
        item.lineOffsets.push(wholeNumber(-1e6, 1e6));
      }
      item.colour = colour(); item.font = textToken(); item.pixelSize = wholeNumber(0, 2000);
      item.style = wholeNumber(); item.spacing = wholeNumber(0, 1000);
      const effects = item.effects = {};
      for (const name of ['blink', 'wave', 'bungee', 'type', 'zoom'])
        item.hasEffects = (effects[name] = flag()) || item.hasEffects;
      unused();   // the font's line height, which the export's font tables give as well
      item.effectDelay = max(1, tempo);
    }
    return item;
  }

  function readAction(scene, owner, byClick, depth) {
    expect('A');
    const action = { code: wholeNumber(1, 8), owner };
    switch (action.code) {
      case ACTION.REPLACE: case ACTION.ADD:
        unused(); unused(); unused();
        action.item = readItem(scene, action, byClick, depth + 1);
        break;
      case ACTION.SHOW: case ACTION.ANIMATE:
        action.on = flag(); action.target = wholeNumber(); unused();
        break;
      case ACTION.COLOUR: unused(); action.colour = colour(); unused(); break;
      case ACTION.SOUND: action.play = flag(); action.loop = flag(); action.sound = textToken(); break;
      case ACTION.SCENE: unused(); action.scene = wholeNumber(); unused(); break;
      default: {
        action.relative = flag();
        // One token holds the address and the frame; the count says where the address ends.
        const length = wholeNumber(0, 1e7), both = textToken();
        action.url = both.slice(0, length);
        action.frame = length || both !== '0' ? both.slice(length) : '';
      }
    }
    return action;
  }

  card.base = textToken().replace(/\/ver\d*$/, '');
  for (let n = wholeNumber(1, tokens.length); n > 0; n--) {
    expect('S');
    const scene = { name: textToken(), colour: colour() }, background = textToken();
    scene.bg = background === '0' ? null : background;
    scene.tile = flag(); scene.borderColour = colour(); scene.border = wholeNumber(0, 1e5);
    const items = scene.items = new Array(wholeNumber(0, tokens.length)).fill(null);
    for (let k = wholeNumber(0, items.length); k > 0; k--) readItem(scene, null, false, 0);
    // The export's placeholder "Dummy", unknown to the editor.
    const last = items[items.length - 1];
    if (last && !last.owner && last.kind === 'G' && last.name === 'Dummy') items[items.length - 1] = null;
    card.scenes.push(scene);
  }
  if (pos < tokens.length && tokens[pos] === 'X') readItemGroup();
  if (pos < tokens.length) {
    warn(`${tokens.length - pos} token(s) after the last scene ignored (token ${pos})`);
  }
  for (const item of card.items) item.events.sort((a, b) => a.time - b.time);
  return card;

  // The group after the scenes: what the original records cannot say, item by item.
  function readItemGroup() {
    pos++;
    if (wholeNumber() !== 1) return void warn('item group of an unknown format ignored');
    if (wholeNumber(0, 1e7) !== card.items.length) fail('the item group does not match the items');
    for (const item of card.items) {
      item.pathType = wholeNumber(0, 2); item.repeat = wholeNumber();
      item.endPause = wholeNumber(-99999, 99999);
      const plays = wholeNumber(0);
      if (item.kind === 'G') item.stripPlays = plays;
      if (wholeNumber(0, 1e6) !== item.events.length) fail('the item group does not match the events');
      for (const event of item.events) event.time = wholeNumber(0, 4294967295);
    }
  }
}

// Text in the card's three fonts, measured by the export's tables (fontmetrics.js).
const FAMILIES = {
  timesroman: '"Liberation Serif","Times New Roman",Times,serif',
  helvetica: '"Liberation Sans",Arial,Helvetica,sans-serif',
  courier: '"Liberation Mono","Courier New",Courier,monospace',
};
let measureContext;
function measure(font, text) {
  const context = measureContext || (measureContext = document.createElement('canvas').getContext('2d'));
  context.font = font;
  return context.measureText(text);
}
function fontTable(font) {
  const tables = window.KavelinsFontMetrics || {};
  const key = Object.keys(tables).find(name => name.toLowerCase() === font.toLowerCase());
  return key && tables[key];
}
const faces = new Map();
function faceOf(item, points) {
  const pixels = max(1, pixelSizeOf(points)), key = item.font + '|' + item.style + '|' + pixels;
  let face = faces.get(key);
  if (face) return face;
  const table = fontTable(item.font);
  const family = FAMILIES[item.font.toLowerCase()]
    || (table ? `"${table.family}",` : '') + JSON.stringify(item.font) + ',sans-serif';
  const slant = item.style & 2 ? 'italic ' : '', weight = item.style & 1 ? 'bold ' : '';
  face = { font: `${slant}${weight}${pixels}px ${family}`, advances: new Map() };
  if (table && pixels <= 270) {
    face.ascent = table.ascent[pixels - 1]; face.lineHeight = table.height[pixels - 1];
  } else {
    const metrics = measure(face.font, 'Wg');
    face.ascent = roundEven(metrics.fontBoundingBoxAscent || pixels * 0.9);
    const fontHeight = metrics.fontBoundingBoxAscent + metrics.fontBoundingBoxDescent;
    face.lineHeight = roundEven(fontHeight || pixels * 1.15);
  }
  if (faces.size > 2000) faces.clear();
  faces.set(key, face);
  return face;
}
function advanceOf(face, character) {
  let width = face.advances.get(character);
  if (width === undefined) {
    width = roundEven(measure(face.font, character).width);
    face.advances.set(character, width);
  }
  return width;
}
// A line's width, measured once a face (Zoom centres its lines every frame).
function lineWidth(face, line, spacing) {
  const widths = face.lineWidths || (face.lineWidths = new Map());
  let width = widths.get(line);
  if (width === undefined) {
    if (widths.size > 200) widths.clear();
    widths.set(line, width = roundEven(measure(face.font, line).width));
  }
  return width + ([...line].length - 1) * spacing;
}

// Layout and paths. The card's points are top-left corners (a text's first baseline); the
// editor moves and truncates the centre, so the points go back to the centre.
function prepare(card) {
  for (const item of card.items) {
    let ascent = 0;
    item.inkLeft = item.inkRight = 0;
    if (item.kind === 'T') layOutText(item);
    if (item.kind === 'T' && item.pixelSize >= 1 && item.pixelSize <= 270) {
      const table = fontTable(item.font);
      if (table) ascent = table.ascent[item.pixelSize - 1];
      else if (FAMILIES[item.font.toLowerCase()]) ascent = faceOf(item, item.pointSize).ascent;
    }
    item.halfWidth = item.width >> 1; item.halfHeight = item.height >> 1;
    const points = [], numbers = item.pathNumbers;
    for (let i = 0; i < numbers.length; i += 2)
      points.push([clampShort(numbers[i] + item.halfWidth),
        clampShort(numbers[i + 1] + item.halfHeight - ascent)]);
    item.path = samplePath(points, item);
  }
}

function layOutText(item) {
  const face = faceOf(item, item.pointSize = pointsOf(item.pixelSize));
  let width = 0, height = 0, widest = 0, hash = 2166136261;
  for (const line of item.lines) {
    for (let i = 0; i < line.length; i++) hash = Math.imul(hash ^ line.charCodeAt(i), 16777619);
    hash = Math.imul(hash ^ 10, 16777619);
    height += face.lineHeight;
    if (!line) continue;
    const characters = [...line];
    width = max(width, lineWidth(face, line, item.spacing));
    // Drawn character by character, a line can be wider than measured as a whole.
    let sum = (characters.length - 1) * item.spacing;
    for (const character of characters) sum += advanceOf(face, character);
    widest = max(widest, sum);
    const overhang = measure(face.font, characters[0]).actualBoundingBoxLeft || 0;
    item.inkLeft = max(item.inkLeft, roundEven(overhang));
  }
  item.width = width; item.height = height; item.inkRight = max(0, widest - width); item.textHash = hash;
}

// 13 samples a curve segment, ((12-i)² P0 + 2i(12-i) P1 + i² P2) / 144 truncated; lengths in
// 1/256 px. `cycle` is one pass plus the end pause, in the same unit.
function samplePath(points, item) {
  const path = { startX: points[0][0], startY: points[0][1], moves: points.length > 1,
    xs: [], ys: [], lengths: [], step: item.speed * 256 };
  for (let segment = 0; 2 * segment + 2 < points.length; segment++) {
    const from = points[2 * segment], control = points[2 * segment + 1], to = points[2 * segment + 2];
    for (let i = segment ? 1 : 0; i <= 12; i++) {
      const w0 = (12 - i) * (12 - i), w1 = 2 * i * (12 - i), w2 = i * i;
      path.xs.push(truncDiv(w0 * from[0] + w1 * control[0] + w2 * to[0], 144));
      path.ys.push(truncDiv(w0 * from[1] + w1 * control[1] + w2 * to[1], 144));
    }
  }
  let total = 0;
  path.xs.forEach((x, i) => {
    if (i) {
      const dx = x - path.xs[i - 1], dy = path.ys[i] - path.ys[i - 1];
      total = min(total + integerSqrt(65536 * (dx ** 2 + dy ** 2)), FOREVER);
    }
    path.lengths.push(total);
  });
  path.length = total;
  path.cycle = min(max(total + item.endPause * path.step, -FOREVER), FOREVER * 4);
  return path;
}

// Where an item is `age` frames after its start; `finished` once a motion that stops is over.
function placeAt(item, age) {
  const path = item.path, place = { x: path.startX, y: path.startY, finished: false };
  const step = path.step, cycle = path.cycle, length = path.length, last = path.xs.length - 1;
  if (last < 0 || step <= 0 || cycle <= 0) return place;
  const distance = max(age, 0) * step, along = distance % cycle;
  let cycles = Math.floor(distance / cycle), pausing = along > length;
  if (item.repeat >= 0 && item.repeat < cycles) { cycles = item.repeat; place.finished = pausing = true; }
  const forward = !(item.pathType === PATH_BACK_AND_FORTH && cycles % 2);
  // At sample i, `rest` (1/256 px) of the way towards sample j.
  const at = (i, j, rest) => {
    place.x = path.xs[i]; place.y = path.ys[i];
    const dx = path.xs[j] - place.x, dy = path.ys[j] - place.y, span = integerSqrt(dx * dx + dy * dy);
    if (rest && span) {
      place.x += truncDiv(truncDiv(dx * rest, span), 256);
      place.y += truncDiv(truncDiv(dy * rest, span), 256);
    }
  };
  let low = 0, high = last;
  if (pausing) at(forward && item.pathType !== PATH_LOOP ? last : 0, 0, 0);
  else if (forward) {
    while (low < high) {
      const mid = (low + high + 1) >> 1;
      if (path.lengths[mid] <= along) low = mid; else high = mid - 1;
    }
    at(low, low + 1, low < last ? along - path.lengths[low] : 0);
  } else { // the way back
    const back = length - along;
    while (low < high) {
      const mid = (low + high) >> 1;
      if (path.lengths[mid] >= back) high = mid; else low = mid + 1;
    }
    at(low, low - 1, low > 0 ? path.lengths[low] - back : 0);
  }
  return place;
}

// When a timed event fires, as the editor decides it: the first tick after `after` at which the
// item is at the event's place, or null for never.
// - A moving item fires once a pass, at the first tick at which it has reached or passed the
//   place, from the event's own time on (an event stored beyond one pass waits for its time).
// - Back And Forth visits each place twice a round trip, on the way back at the mirrored
//   place; a turning point (the start, the far end) counts as one visit.
// - Items that do not move, and past the end of a motion that stops, fire on the time line:
//   once, at the event's own time rounded up to a tick.
// Everything is measured in runs, distance (1/256 px) x 65536, so that time x step is exact;
// BigInt because runs outgrow doubles. `kind` and `key` order events due at the same tick.
function nextFiring(item, time, after) {
  const path = item.path, step = path.step, cycle = path.cycle, big = BigInt, stops = item.repeat >= 0;
  const onTimeLine = () => {
    const tick = Math.floor((time + 65535) / FRAME_UNIT);
    return tick > after ? { tick, kind: 1, key: big(time) } : null;
  };
  if (!path.xs.length || step <= 0 || cycle <= 0) return onTimeLine();
  const runsPerTick = big(step) * 65536n, eventRun = big(time) * big(step), cycleRuns = big(cycle) * 65536n;
  const endRun = stops ? (big(item.repeat) + 1n) * cycleRuns : 0n;
  if (stops && eventRun > endRun) return onTimeLine();
  const lengthRuns = big(min(max(path.length, 0), cycle)) * 65536n;
  const earliest = big(after) * runsPerTick + 1n, from = earliest > eventRun ? earliest : eventRun;
  // The first run from `from` on that is `offset` modulo `period`.
  const firstFrom = (offset, period) => from + ((offset - from) % period + period) % period;
  let best = -1n;
  const consider = run => { if (best < 0n || run < best) best = run; };
  if (item.pathType !== PATH_BACK_AND_FORTH) consider(firstFrom(eventRun % cycleRuns, cycleRuns));
  else { // a round trip is two cycles; a turning point is one visit
    const period = 2n * cycleRuns, offset = eventRun % period;
    const place = offset < cycleRuns ? offset
      : offset - cycleRuns <= lengthRuns ? lengthRuns - (offset - cycleRuns) : 0n;
    if (place > 0n) consider(firstFrom(place, period)); else if (from <= 0n) consider(0n);
    if (place < lengthRuns) consider(firstFrom(cycleRuns + lengthRuns - place, period));
  }
  if (best < 0n || (stops && best > endRun)) return null;
  return { tick: Number((best + runsPerTick - 1n) / runsPerTick), kind: 0, key: best };
}
const firesEarlier = (x, y) =>
  x.tick - y.tick || x.kind - y.kind || (x.key < y.key ? -1 : x.key > y.key ? 1 : 0);

// The frame clock. `output` gets sounds and pages; without it they are only noted (trace()).
class Engine {
  constructor(card, output, media) {
    this.card = card; this.output = output; this.media = media;
    this.states = card.items.map(item => ({
      item, centreX: item.path.startX, centreY: item.path.startY, start: 0, stripFrame: 0,
      zoomPoints: item.pointSize, effectStep: 1, bungeeStep: 1, effectTime: 0,
    }));
    this.sceneIndex = 0; this.sceneStates = [];
  }
  get scene() { return this.card.scenes[this.sceneIndex]; }
  // The states of the scene's items in drawing order.
  items() {
    return this.sceneStates[this.sceneIndex]
      || (this.sceneStates[this.sceneIndex] =
        this.scene.items.filter(Boolean).map(item => this.states[item.id]));
  }

  reset(state) {
    const item = state.item, path = item.path;
    state.firedThrough = -1; state.nextFirings = [];
    state.centreX = path.startX; state.centreY = path.startY;
    state.offsetX = state.offsetY = state.stripFrame = state.start = 0;
    state.animationOffset = state.frozenAge = 0;
    state.visible = state.active = !item.owner;   // added items wait for their action
    state.finished = state.frozen = false;
  }

  advance(state, frame) {
    const age = frame - state.start, item = state.item;
    if (age < 0 || !state.active) return;
    if (item.kind === 'G') {
      if (item.frames) {
        const shown = state.frozen ? state.frozenAge : age - state.animationOffset;
        const steps = truncDiv(max(0, shown), item.stripTempo);
        state.stripFrame = item.stripPlays && steps >= item.stripPlays * item.frames ? item.frames - 1
          : steps % item.frames;
      }
    } else if (item.hasEffects) {
      const effects = item.effects, delay = item.effectDelay;
      const steps = truncDiv(state.effectTime = age, delay);
      const zoomPeriod = 10 * delay;
      if (effects.bungee) { // out over 30 steps and back over 30
        const phase = steps % 60;
        state.bungeeStep = phase < 30 ? phase + 1 : 61 - phase;
      }
      if (effects.type || effects.wave) state.effectStep = steps + 1;
      if (effects.zoom) {
        let phase = age % zoomPeriod;   // growing for half the period, shrinking for the other
        if (2 * phase > zoomPeriod) phase = zoomPeriod - phase;
        state.zoomPoints = max(1, roundDiv(2 * phase * item.pointSize, zoomPeriod));
      }
    }
    if (state.finished || !item.path.moves) return;
    const place = placeAt(item, age);
    state.finished = place.finished;
    state.centreX = place.x + state.offsetX; state.centreY = place.y + state.offsetY;
  }

  // Timed events: every event due since the last call, each once, in the order the item
  // passed them. The next firing of each event is kept until it is due.
  fireDue(state, frame) {
    const item = state.item, events = item.events, age = frame - state.start, after = state.firedThrough;
    if (!state.active || age < 0 || age <= after) return;
    state.firedThrough = age;
    const dueNow = [];
    for (let i = 0; i < events.length; i++) {
      let firing = state.nextFirings[i];
      if (firing === undefined) firing = state.nextFirings[i] = nextFiring(item, events[i].time, after);
      if (firing && firing.tick <= age) { dueNow.push([firing, i]); state.nextFirings[i] = undefined; }
    }
    dueNow.sort((x, y) => firesEarlier(x[0], y[0]) || x[1] - y[1]);
    for (const [, i] of dueNow) {
      state.visibleAtFire = state.visible;
      for (const action of events[i].actions) this.act(action, frame);
    }
  }

  target(index) { const item = this.scene.items[index]; return item && this.states[item.id]; }

  act(action, frame) {
    const owner = this.states[action.owner.id];
    if (!owner.visibleAtFire) return;   // a hidden item's events do nothing
    let state;
    switch (action.code) {
      case ACTION.REPLACE: case ACTION.ADD:
        state = this.states[action.item.id];
        if (action.code === ACTION.REPLACE && action.item.addedByClick) {
          state.offsetX = owner.centreX - action.item.path.startX;
          state.offsetY = owner.centreY - action.item.path.startY;
          state.centreX = owner.centreX; state.centreY = owner.centreY;
        }
        if (!state.active) { state.active = true; state.start = frame; }
        if (action.code === ACTION.REPLACE) owner.visible = false;
        state.visible = true;
        break;
      case ACTION.SHOW:
        if ((state = this.target(action.target))) state.visible = action.on;
        else if (action.target === -1) this.hideBackground = !action.on;
        break;
      case ACTION.ANIMATE:
        if (!(state = this.target(action.target))) break;
        if (!action.on) {
          state.frozen = true;
          if (!state.frozenAge) state.frozenAge = frame - state.start;
        } else if (state.frozen) {
          state.frozen = false;
          state.animationOffset = frame - state.start - state.frozenAge;
          state.frozenAge = 0;
        }
        break;
      case ACTION.COLOUR: this.colour = action.colour; break;
      case ACTION.SOUND:
        if (action.play) {
          if (!action.loop || this.soundAction !== action) { // its own looping sound plays on
            this.sounds.push('start ' + action.sound + (action.loop ? ' loop' : ''));
            if (this.output) this.output.play(action.sound, action.loop);
          }
          this.soundAction = action; this.soundName = action.sound;
        } else if (this.soundName === action.sound) {
          this.sounds.push('stop ' + action.sound);
          if (this.output) this.output.stop();
          this.soundAction = null;
        }
        break;
      case ACTION.SCENE: if (this.card.scenes[action.scene]) this.pendingScene = action.scene; break;
      default:
        this.urls.push(action.url + ' ' + action.frame + (action.relative ? ' relative' : ''));
        if (this.output) this.output.url(action);
    }
  }

  begin() {
    this.frame = 0; this.pendingScene = -1; this.colour = this.scene.colour; this.hideBackground = false;
    const items = this.items();
    for (const state of items) this.reset(state);
    for (const state of items) this.fireDue(state, 0);
    for (const state of items) this.advance(state, 0);
  }
  start() {
    this.sceneIndex = 0; this.soundAction = this.soundName = null; this.sounds = []; this.urls = [];
    this.loops = 0;   // times a go-to came back to the first scene
    this.begin();
    if (this.pendingScene >= 0) this.switchScene();
  }
  // A looping sound plays on into the next scene, as in the editor.
  switchScene() { // a go-to at its frame 0 waits a tick
    if (this.pendingScene === 0 && this.sceneIndex !== 0) this.loops++;
    this.sceneIndex = this.pendingScene; this.begin();
  }
  tick() {
    this.sounds = []; this.urls = [];
    const items = this.items(), frame = ++this.frame;
    for (const state of items) this.fireDue(state, frame);
    if (this.pendingScene >= 0) return this.switchScene();
    for (const state of items) this.advance(state, frame);
  }
  click(x, y) { this.clickItem(this.itemAt(x, y)); }
  clickItem(state) {
    this.sounds = []; this.urls = [];
    if (state && state.item.clickActions) {
      state.visibleAtFire = state.visible;
      this.clicking = true;
      try {
        for (const action of state.item.clickActions) this.act(action, this.frame);
      } finally {
        this.clicking = false;
      }
    }
    if (this.pendingScene >= 0) this.switchScene();
  }
  // The first visible item that takes clicks: what the keyboard clicks.
  firstClickable() {
    return this.items().find(state => state.visible && takesClicks(state.item));
  }

  // The topmost visible item opaque at the point (a text: its box).
  itemAt(x, y) {
    const items = this.items();
    for (let i = items.length - 1; i >= 0; i--) {
      const state = items[i], item = state.item;
      const left = state.centreX - item.halfWidth - item.inkLeft, top = state.centreY - item.halfHeight;
      const right = left + item.width + item.inkRight, bottom = top + item.height;
      if (!state.visible || x < left || y < top || x > right || y > bottom) continue;
      if (item.kind === 'T' || this.opaque(state, x - left, y - top)) return state;
    }
    return null;
  }
  opaque(state, x, y) {
    const item = state.item, image = this.media && this.media.images.get(item.gif);
    if (x >= item.width || y >= item.height || !image || !image.ok) return false;
    const mask = image.mask(), stripX = state.stripFrame * item.width + x;
    return !mask || (stripX < mask.width && y < mask.height && mask.alpha[y * mask.width + stripX] > 0);
  }

  line(tick) {
    const items = this.items().map(state => {
      const item = state.item;
      return `{"index":${item.index},"name":${JSON.stringify(item.name)},` +
        `"x":${state.centreX - item.halfWidth},` +
        `"y":${state.centreY - item.halfHeight},"visible":${state.visible},` +
        `"anim":${item.kind === 'G' ? state.stripFrame : 0}}`;
    });
    return `{"tick":${tick},"scene":${this.sceneIndex},"frame":${this.frame},"items":[${items}],` +
      `"sound":${JSON.stringify(this.sounds)},"url":${JSON.stringify(this.urls)}}`;
  }
}

// One frame on a context whose transform maps stage pixels. `smooth` filters pictures, for
// screens whose pixel ratio is not a whole number: at the 'medium' quality, which filters
// without overshoot in every engine ('high' is a sharpening filter in WebKit that rings, a
// light halo around every picture).
function draw(context, engine, width, height, smooth = false) {
  const scene = engine.scene, border = scene.border, images = engine.media.images;
  const background = !engine.hideBackground && scene.bg && images.get(scene.bg);
  context.save();
  context.imageSmoothingEnabled = smooth;
  if (smooth) context.imageSmoothingQuality = 'medium';
  context.beginPath();
  if (width > 2 * border && height > 2 * border) {
    context.rect(border, border, width - 2 * border, height - 2 * border);
  }
  context.clip();
  context.fillStyle = cssColour(engine.colour);
  context.fillRect(0, 0, width, height);
  if (background && background.ok) {
    const picture = background.img;
    const pictureWidth = picture.naturalWidth, pictureHeight = picture.naturalHeight;
    if (!scene.tile) {
      context.drawImage(picture, truncDiv(width - pictureWidth, 2), truncDiv(height - pictureHeight, 2));
    } else {
      for (let y = 0; y < height; y += pictureHeight)
        for (let x = 0; x < width; x += pictureWidth) context.drawImage(picture, x, y);
    }
  }
  for (const state of engine.items()) {
    const item = state.item, x = state.centreX - item.halfWidth, y = state.centreY - item.halfHeight;
    if (!state.visible) continue;
    const strip = images.get(item.gif);
    if (item.kind === 'T') drawText(context, state, x, y);
    else if (strip && strip.ok && item.width && item.height) {
      const w = item.width, h = item.height;
      context.drawImage(strip.img, state.stripFrame * w, 0, w, h, x, y, w, h);
    }
  }
  context.restore();
  context.fillStyle = cssColour(scene.borderColour);
  if (border > 0 && (truncDiv(width, 2) < border || truncDiv(height, 2) < border)) {
    context.fillRect(0, 0, width, height);
  }
  else for (let ring = 0, w = width, h = height; ring < border; ring++, w -= 2, h -= 2) { // line by line
    context.fillRect(ring, ring, w, 1); context.fillRect(ring, ring + h - 1, w, 1);
    context.fillRect(ring, ring, 1, h); context.fillRect(ring + w - 1, ring, 1, h);
  }
}

// Character by character, each on its font's ascent, the pen moving by the rounded advance.
function drawText(context, state, left, top) {
  const item = state.item, effects = item.effects, lines = item.lines;
  const points = effects.zoom ? state.zoomPoints : item.pointSize, face = faceOf(item, points);
  const lineHeight = face.lineHeight;
  let y = top, count = 0;
  if (effects.zoom) y += roundDiv((Math.floor(item.height / lines.length) - lineHeight) * lines.length, 2);
  context.textBaseline = 'alphabetic';
  context.textAlign = 'left';
  context.fillStyle = cssColour(item.colour);
  // Setting a font parses it again in some engines (Firefox, WebKit), however often it is the
  // same one: it is set only when it changes.
  let fontSet = null;
  for (let lineIndex = 0; lineIndex < lines.length; lineIndex++, y += lineHeight) {
    const line = lines[lineIndex];
    let pen = left, inLine = 0;
    if (line) {
      pen += effects.zoom ? roundDiv(item.width - lineWidth(face, line, item.spacing), 2)
        : item.lineOffsets[lineIndex];
    }
    for (const character of line) {
      inLine++; count++;
      if (effects.type && count > state.effectStep) return;   // not typed yet
      let rise = 0, size = points;
      const shift = effects.bungee ? inLine * state.bungeeStep : 0;
      if (effects.wave) {   // the wave's crest three times the size, its sides twice
        if (count === state.effectStep - 1 || count === state.effectStep + 1) size = 2 * points;
        else if (count === state.effectStep) size = 3 * points;
        rise = -2 * (truncDiv(size, 2) - truncDiv(points, 2));
      }
      if (effects.blink) {
        // A colour of its own for every character and every frame, the same in the editor.
        const time = Math.imul(state.effectTime, 0x9E3779B1), place = Math.imul(count, 0x85EBCA77);
        const bits = mixBits(item.textHash ^ time ^ place);
        context.fillStyle = cssColour((bits & 255) << 16 | bits & 0xff00 | bits >> 16 & 255);
      }
      const characterFace = size === points ? face : faceOf(item, size);
      if (fontSet !== characterFace.font) context.font = fontSet = characterFace.font;
      context.fillText(character, pen + shift, y + rise + characterFace.ascent);
      pen += shift + advanceOf(characterFace, character) + item.spacing;
    }
  }
}

// The ad package carries its sounds in a script of their own (window.KavelinsSounds, base64 by
// file name), since a sandboxed frame cannot fetch its server's files. The player asks for that
// script itself, after the first scene's pictures, so it never holds up the first frame.
let carriedSoundsScript = null;
function carriedSounds(source) {
  if (!source) return Promise.resolve(window.KavelinsSounds);
  if (!carriedSoundsScript) {
    carriedSoundsScript = new Promise(done => {
      const script = document.createElement('script');
      script.onload = script.onerror = () => done(window.KavelinsSounds);
      script.src = source;
      document.head.appendChild(script);
    });
  }
  return carriedSoundsScript;
}

// A sound's bytes: from the carried sounds when they hold it, else fetched beside the page.
function loadSound(name, base, soundsScript) {
  return carriedSounds(soundsScript && new URL(soundsScript, base).href).then(carried => {
    const text = carried && carried[name];
    if (typeof text === 'string') return Uint8Array.from(atob(text), c => c.charCodeAt(0)).buffer;
    return fetch(new URL(name, base))
      .then(response => response.ok ? response.arrayBuffer()
        : Promise.reject(Error('HTTP ' + response.status)));
  });
}

// Pictures of the first scene come first: the banner starts as soon as they are there, while
// sounds and later scenes go on loading (`ready` waits for everything). Sounds are asked for once
// the first scene's pictures are there, so they do not share the link with them.
function loadMedia(card, base, soundsScript) {
  const images = new Map(), sounds = new Map(), waits = [], firstWaits = [];
  const media = { images, sounds, onSound: null };
  const first = card.scenes[0] || { items: [] };
  const firstNames = new Set([first.bg, ...first.items.filter(Boolean).map(item => item.gif)]);
  const names = new Set(card.scenes.map(scene => scene.bg));
  for (const item of card.items) {
    names.add(item.gif);
    for (const event of item.events.concat({ actions: item.clickActions || [] }))
      for (const action of event.actions) {
        if (action.code !== ACTION.SOUND || !action.play || sounds.has(action.sound)) continue;
        sounds.set(action.sound, {});
      }
  }
  for (const name of names) {
    if (!name) continue;
    const entry = { img: new Image() }, picture = entry.img;
    // Which pixels take clicks, read once on the first click.
    entry.mask = () => {
      if (entry.alphaMask === undefined) {
        entry.alphaMask = null;
        try {
          const canvas = document.createElement('canvas');
          const width = canvas.width = picture.naturalWidth, height = canvas.height = picture.naturalHeight;
          const context = canvas.getContext('2d', { willReadFrequently: true });
          context.drawImage(picture, 0, 0);
          const pixels = context.getImageData(0, 0, width, height).data;
          const alpha = new Uint8Array(width * height);
          for (let i = 0; i < alpha.length; i++) alpha[i] = pixels[4 * i + 3];
          entry.alphaMask = { width, height, alpha };
        } catch (error) { /* a page read from disk: the whole rectangle takes clicks */ }
      }
      return entry.alphaMask;
    };
    const loaded = new Promise(done => {
      picture.onload = () => { entry.ok = picture.naturalWidth > 0 && picture.naturalHeight > 0; done(); };
      picture.onerror = () => { warn('cannot load ' + name); done(); };
    });
    waits.push(loaded);
    if (firstNames.has(name)) firstWaits.push(loaded);
    picture.src = new URL(name, base).href;
    images.set(name, entry);
  }
  media.first = Promise.all(firstWaits);
  waits.push(media.first.then(() => Promise.all([...sounds].map(([name, entry]) =>
    loadSound(name, base, soundsScript).then(bytes => {
      entry.data = decodeAu(bytes);
      if (media.onSound) media.onSound();   // a sound asked for while loading starts now
    }).catch(error => warn(`cannot load ${name}: ${error.message}`))))));
  media.ready = Promise.all(waits);
  return media;
}

// Sun audio: mu-law, A-law or linear.
function decodeAu(buffer) {
  const view = new DataView(buffer);
  if (buffer.byteLength < 24 || view.getUint32(0) !== 0x2e736e64) throw Error('not Sun audio');
  const [offset, size, encoding, rate, channelCount] = [4, 8, 12, 16, 20].map(i => view.getUint32(i));
  const channels = max(1, channelCount);
  const end = min(buffer.byteLength, size === 0xffffffff ? buffer.byteLength : offset + size);
  const bytes = { 1: 1, 2: 1, 3: 2, 27: 1 }[encoding];
  if (!bytes || offset > end || channels > 8 || rate < 3000 || rate > 384000) {
    throw Error('unsupported Sun audio');
  }
  const samples = Math.floor((end - offset) / bytes / channels), out = [];
  for (let channel = 0; channel < channels; channel++) out.push(new Float32Array(samples));
  for (let i = 0, at = offset; i < samples; i++) for (let channel = 0; channel < channels; channel++) {
    let value;
    if (encoding === 3) value = view.getInt16(at);
    else if (encoding === 2) value = view.getInt8(at) * 256;
    else if (encoding === 1) { // mu-law
      const code = ~view.getUint8(at) & 255, magnitude = (((code & 15) << 3) + 132) << (code >> 4 & 7);
      value = code & 128 ? 132 - magnitude : magnitude - 132;
    } else { // A-law
      const code = view.getUint8(at) ^ 0x55, exponent = code >> 4 & 7;
      const magnitude = exponent ? ((code & 15) << 4) + 264 << exponent - 1 : ((code & 15) << 4) + 8;
      value = code & 128 ? magnitude : -magnitude;
    }
    out[channel][i] = value / 32768;
    at += bytes;
  }
  return { rate, out };
}

// Browsers allow sound after the visitor's first interaction. The context is made then (made
// earlier it would only wait), and every sound asked for before starts as soon as it runs.
let audioContext = null;
let interacted = false;
const soundPlayers = new Set();
const startWaitingSounds = () => soundPlayers.forEach(sound => sound.resume());
function unlockAudio() {
  interacted = true;
  try {
    const AudioContextClass = window.AudioContext || window.webkitAudioContext;
    if (!audioContext && AudioContextClass) {
      audioContext = new AudioContextClass();
      if ('onstatechange' in audioContext) audioContext.onstatechange = startWaitingSounds;
    }
    if (!audioContext) return;
    if (audioContext.state !== 'running') audioContext.resume().then(startWaitingSounds, () => {});
    else startWaitingSounds();   // made during this interaction: running already
  } catch (error) { /* no sound here */ }
}
for (const type of ['pointerdown', 'keydown', 'touchend']) {
  document.addEventListener(type, unlockAudio, true);
}

// One sound at a time per Kavelin, as the editor plays them.
class Sound {
  constructor(media) {
    this.media = media; this.muted = false; this.held = false; soundPlayers.add(this);
    media.onSound = () => this.resume();
  }
  // A looping sound asked for before the first interaction starts at it; a short one only
  // within a second of being asked for.
  play(name, loop) {
    this.stop();
    if (interacted || loop) { this.wanted = { name, loop, at: Date.now() }; this.resume(); }
  }
  resume() {
    const wanted = this.wanted, entry = wanted && this.media.sounds.get(wanted.name);
    if (!entry || !entry.data || this.source || this.held) return;
    if (!audioContext || audioContext.state !== 'running') return;
    if (!wanted.loop && Date.now() - wanted.at > 1000) return;
    try {
      if (!entry.buffer) {
        const data = entry.data;
        entry.buffer = audioContext.createBuffer(data.out.length, data.out[0].length || 1, data.rate);
        data.out.forEach((samples, channel) => entry.buffer.copyToChannel(samples, channel));
      }
      if (!this.gain) {
        this.gain = audioContext.createGain();
        this.gain.gain.value = this.muted ? 0 : 1;
        this.gain.connect(audioContext.destination);
      }
      const source = this.source = audioContext.createBufferSource();
      source.buffer = entry.buffer; source.loop = wanted.loop;
      source.connect(this.gain);
      source.onended = () => { if (this.source === source) this.source = this.wanted = null; };
      source.start();
    } catch (error) { warn('cannot play ' + wanted.name); }
  }
  get playing() { return this.source && this.wanted ? this.wanted.name : null; }
  silence() {
    try { if (this.source) this.source.stop(); } catch (error) { /* it had ended */ }
    this.source = null;
  }
  stop() { this.wanted = null; this.silence(); }
  // While the Kavelin is paused or out of sight: a looping sound goes on when it plays again.
  hold(held) {
    this.held = held;
    if (!held) return this.resume();
    if (this.wanted && !this.wanted.loop) this.wanted = null;
    this.silence();
  }
  mute(muted) {
    this.muted = muted;
    if (this.gain) this.gain.gain.value = muted ? 0 : 1;
  }
  dispose() { this.stop(); soundPlayers.delete(this); }
}

// A relative address is the page's; an absolute one without a scheme a web address.
// Only web and mail addresses open. The scheme is decided on the address the browser itself
// would parse: it drops control characters, tabs and line breaks, so "java<TAB>script:" is a
// script; and a relative address takes the page's scheme.
function openUrl(action, base) {
  let href = action.url.replace(/[\u0000-\u001f\u007f]/g, '').trim();
  if (!href) return;
  if (!action.relative && !/^[a-z][a-z0-9+.-]*:/i.test(href)) href = 'https://' + href.replace(/^\/+/, '');
  let url;
  try { url = new URL(href, base); } catch (error) { return warn('bad address ' + JSON.stringify(href)); }
  if (!/^(https?|mailto):$/.test(url.protocol)) return warn('refused to open ' + JSON.stringify(href));
  href = url.href;
  const target = action.frame || '_self';
  window.open(href, target, target === '_blank' ? 'noopener' : undefined);
}

// An ad's exit: the first address opened by a click, in the order of the card. The ad server
// hands the address it counts clicks with as the page's "clickTag" (query string first, then
// window.clickTag); without one the stored address stays.
// The exit: the click action that opens the address the page names, else the first that opens one.
function exitActionOf(card, url) {
  let first = null;
  for (const item of card.items)
    for (const action of item.clickActions || [])
      if (action.code === ACTION.URL) {
        if (!url || action.url === url) return action;
        first = first || action;
      }
  return first;
}
function clickTag() {
  let tag = null;
  try { tag = new URLSearchParams(window.location.search).get('clickTag'); } catch (error) { /* no query */ }
  if (!tag && typeof window.clickTag === 'string') tag = window.clickTag;
  return tag && tag.trim() ? tag.trim() : null;
}

// The controls beside the banner: shown while the pointer is over it or the keyboard in it,
// outside the canvas so that they never change what it shows.
const STYLE = `
.kavelin-frame{position:relative;overflow:hidden}
.kavelin-frame>canvas{display:block}
.kavelin-frame>canvas:focus{outline:none}
.kavelin-frame>canvas:focus-visible{outline:3px solid #1a73e8;outline-offset:-3px}
.kavelin-controls{position:absolute;right:3px;bottom:3px;display:flex;gap:3px;
opacity:0;transition:opacity .15s}
.kavelin-frame:hover .kavelin-controls,.kavelin-frame:focus-within .kavelin-controls,
.kavelin-frame.kavelin-stopped .kavelin-controls{opacity:1}
.kavelin-frame.kavelin-ended canvas{visibility:hidden}
.kavelin-controls button{width:24px;height:24px;padding:3px;margin:0;border:1px solid #fff;border-radius:4px;
background:rgba(0,0,0,.7);color:#fff;cursor:pointer;line-height:0}
.kavelin-controls button:focus-visible{outline:2px solid #fff;box-shadow:0 0 0 4px #1a73e8}
.kavelin-controls svg{width:16px;height:16px;fill:currentColor}`;
const ICONS = {
  pause: '<path d="M3 2h4v12H3zM9 2h4v12H9z"/>',
  play: '<path d="M4 2l10 6-10 6z"/>',
  sound: '<path d="M2 6h3l4-4v12l-4-4H2zM11 5a4 4 0 010 6l-1-1a2.6 2.6 0 000-4z"/>',
  muted: '<path d="M2 6h3l4-4v12l-4-4H2zM10 6l1-1 1.5 1.5L14 5l1 1-1.5 1.5L15 9l-1 1-1.5-1.5L11 10l-1-1'
    + ' 1.5-1.5z"/>',
};
let styled = false;
function addStyle() {
  if (styled) return;
  styled = true;
  const style = document.createElement('style');
  style.textContent = STYLE;
  (document.head || document.documentElement).appendChild(style);
}
function controlButton(onPress) {
  const button = document.createElement('button');
  button.type = 'button';
  button.addEventListener('click', event => { event.stopPropagation(); onPress(); });
  return button;
}
function showControl(button, icon, label) {
  button.innerHTML = `<svg viewBox="0 0 16 16" aria-hidden="true">${ICONS[icon]}</svg>`;
  button.setAttribute('aria-label', label);
  button.title = label;
}

// What a screen reader says: the author's label, else the first scene's texts.
function labelOf(card, given) {
  if (given && given.trim()) return given.trim();
  const texts = [];
  for (const item of (card && card.scenes[0] ? card.scenes[0].items : [])) {
    if (item && item.kind === 'T' && !item.owner) texts.push(item.lines.join(' ').trim());
  }
  const said = texts.filter(Boolean).join(', ').replace(/\s+/g, ' ').slice(0, 200);
  return said || 'Animated banner';
}

const reducedMotion = window.matchMedia ? window.matchMedia('(prefers-reduced-motion: reduce)') : null;

class Player {
  constructor(cardText, options = {}) {
    const width = this.width = options.width > 0 ? options.width | 0 : 468;
    const height = this.height = options.height > 0 ? options.height | 0 : 120;
    this.fixedScale = options.scale > 0 ? options.scale : 0;
    this.base = options.base || document.baseURI;
    this.ticks = 0;
    const seconds = options.maxSeconds >= 0 ? options.maxSeconds : DEFAULT_PLAY_SECONDS;
    this.maxTicks = Math.round(seconds * 1000 / TICK_MS);   // 0: no limit
    this.maxLoops = options.maxLoops > 0 ? options.maxLoops | 0 : 0;   // 0: no limit
    this.onScreen = true;
    this.paused = true;   // until play(); `userPaused`: by the visitor; `stopped`: by the time limit
    const canvas = this.canvas = document.createElement('canvas');
    // Transparent until its first frame, whatever a screen makes of an empty canvas: the page's
    // backup image shows through.
    canvas.style.cssText = `display:block;width:${width}px;height:${height}px;opacity:0`;
    // Desynchronized: Chromium shows the canvas without a full commit of the page each frame,
    // which takes about a quarter off the main thread's work while a banner plays.
    this.context = canvas.getContext('2d', { desynchronized: true });
    this.element = document.createElement('div');
    this.element.className = 'kavelin-frame';
    this.element.style.cssText = `width:${width}px;height:${height}px`;
    this.element.appendChild(canvas);
    this.fitPixels();
    this.ready = Promise.resolve(this);
    try {
      prepare(this.card = parseCard(cardText));
      this.media = loadMedia(this.card, this.base, options.sounds);
      this.sound = new Sound(this.media);
      this.engine = new Engine(this.card, {
        play: (name, loop) => this.sound.play(name, loop), stop: () => this.sound.stop(),
        url: action => this.openPage(action),
      }, this.media);
      if (options.clickTag) this.exitAction = exitActionOf(this.card, options.exitUrl);
      this.engine.start();
    } catch (error) {
      this.fail(error);
      return;
    }
    this.clickable = this.card.items.some(takesClicks);
    canvas.setAttribute('role', this.clickable ? 'button' : 'img');
    canvas.setAttribute('aria-label', labelOf(this.card, options.label));
    if (this.clickable) canvas.tabIndex = 0;
    this.listen();
    let timer;
    const patience = new Promise(done => { timer = setTimeout(done, options.wait || 4000); });
    const firstReady = Promise.race([this.media.first, patience]).then(() => {
      this.firstShown = true;
      this.render();
    });
    this.ready = Promise.race([this.media.ready, patience])
      .then(() => firstReady).then(() => { clearTimeout(timer); this.render(); return this; });
    const autoplay = options.autoplay !== false;
    if (autoplay && reducedMotion && reducedMotion.matches) this.stopped = true;   // a still frame
    this.updateControls();
    if (autoplay && !this.stopped) firstReady.then(() => { if (!this.played) this.play(true); });
  }

  // Pointer, keyboard, controls, visibility and screen changes.
  listen() {
    const canvas = this.canvas, width = this.width, height = this.height;
    const stagePoint = event => {
      const box = canvas.getBoundingClientRect();
      return [Math.floor((event.clientX - box.left) * width / (box.width || 1)),
        Math.floor((event.clientY - box.top) * height / (box.height || 1))];
    };
    canvas.addEventListener('pointerup', event => {
      if (event.button) return;
      unlockAudio();
      this.click(...stagePoint(event));
      this.hover();
    });
    canvas.addEventListener('pointermove', event => { this.mouse = stagePoint(event); this.hover(); });
    canvas.addEventListener('pointerleave', () => { this.mouse = null; this.hover(); });
    canvas.addEventListener('keydown', event => {
      if ((event.key !== 'Enter' && event.key !== ' ') || event.repeat) return;
      event.preventDefault();   // Space would scroll the page
      this.pressKey();
    });
    this.element.addEventListener('keydown', event => {
      if (event.key !== 'Escape' || this.paused || this.stopped) return;
      this.userPause();
      event.stopPropagation();
    });
    const controls = this.controls = document.createElement('div');
    controls.className = 'kavelin-controls';
    this.pauseButton = controlButton(() => this.paused || this.stopped ? this.userPlay() : this.userPause());
    controls.appendChild(this.pauseButton);
    if (this.media.sounds.size) {
      this.muteButton = controlButton(() => { this.sound.mute(!this.sound.muted); this.updateControls(); });
      controls.appendChild(this.muteButton);
    }
    this.element.appendChild(controls);
    addStyle();
    if (window.IntersectionObserver) {
      this.observer = new IntersectionObserver(entries => {
        const entry = entries[entries.length - 1];
        this.setOnScreen(entry.isIntersecting);
      });
      this.observer.observe(this.element);
    }
    this.onVisibility = () => this.schedule();
    document.addEventListener('visibilitychange', this.onVisibility);
    this.onMotion = () => { if (reducedMotion.matches && !this.paused) this.userPause(); };
    if (reducedMotion && reducedMotion.addEventListener) {
      reducedMotion.addEventListener('change', this.onMotion);
    }
    if (!this.fixedScale) {
      this.watchPixelRatio();
      // A zoom also resizes the window; some browsers tell no more than that.
      this.onResize = () => this.followPixelRatio();
      window.addEventListener('resize', this.onResize);
    }
  }

  // The backing store has a pixel for every device pixel, also at ratios such as 1.25 or 1.5;
  // a ratio that changes (zoom, another screen) is followed.
  fitPixels() {
    const ratio = this.fixedScale || window.devicePixelRatio || 1;
    const backingWidth = max(1, Math.round(this.width * ratio));
    const backingHeight = max(1, Math.round(this.height * ratio));
    if (this.canvas.width !== backingWidth || this.canvas.height !== backingHeight) {
      this.canvas.width = backingWidth; this.canvas.height = backingHeight;
    }
    this.scaleX = backingWidth / this.width; this.scaleY = backingHeight / this.height;
    this.smooth = !Number.isInteger(this.scaleX) || !Number.isInteger(this.scaleY);
  }
  watchPixelRatio() {
    if (!window.matchMedia || this.error) return;
    const query = window.matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`);
    const changed = () => {
      query.removeEventListener('change', changed);
      if (this.error) return;
      this.followPixelRatio();
      this.watchPixelRatio();
    };
    query.addEventListener('change', changed);
    this.stopWatchingRatio = () => query.removeEventListener('change', changed);
  }

  followPixelRatio() {
    const width = this.canvas.width, height = this.canvas.height;
    this.fitPixels();
    if (this.canvas.width !== width || this.canvas.height !== height) this.render();
  }

  guard(work) {
    if (this.error) return;
    try { work(); } catch (error) { this.fail(error); }
  }
  fail(error) {
    this.error = error.message || String(error);
    this.pause();
    if (this.sound) this.sound.dispose();
    console.error('Kavelins: this Kavelin cannot be played: ' + this.error);
    const context = this.context, width = this.width, height = this.height;
    context.setTransform(this.scaleX, 0, 0, this.scaleY, 0, 0);
    context.fillStyle = '#eee'; context.fillRect(0, 0, width, height);
    context.fillStyle = '#444'; context.font = '12px sans-serif';
    context.textAlign = 'center'; context.textBaseline = 'middle';
    context.fillText('This Kavelin cannot be played.', width / 2, height / 2, width - 4);
    this.canvas.style.opacity = '';
    this.canvas.setAttribute('role', 'img');
    this.canvas.setAttribute('aria-label', 'This Kavelin cannot be played.');
    if (this.controls) this.controls.remove();
  }
  hover() {
    this.guard(() => {
      const state = this.mouse && this.engine.itemAt(...this.mouse);
      this.canvas.style.cursor = state && takesClicks(state.item) ? 'pointer' : '';
    });
  }
  render() {
    // Nothing is drawn before the first scene's pictures are there: the page's backup image
    // shows through instead of a half-drawn frame.
    if (!this.firstShown) return;
    this.guard(() => {
      this.context.setTransform(this.scaleX, 0, 0, this.scaleY, 0, 0);
      draw(this.context, this.engine, this.width, this.height, this.smooth);
      if (this.canvas.style.opacity) this.canvas.style.opacity = '';   // the first frame: shown
    });
  }

  // Enter or Space on the banner: a click on the centre of the first clickable item.
  pressKey() {
    this.guard(() => {
      const state = this.engine.firstClickable();
      if (!state) return;
      const item = state.item;
      const x = state.centreX - item.halfWidth + (item.width >> 1);
      const y = state.centreY - item.halfHeight + (item.height >> 1);
      if (this.engine.itemAt(x, y) === state) this.engine.click(x, y);
      else this.engine.clickItem(state);   // covered there, or transparent: the item all the same
    });
    this.render();
  }

  // The clock runs while playing, on screen and in a visible tab. It waits for the next tick
  // with a timer and draws in an animation frame, so nothing runs between ticks.
  running() {
    return !this.paused && !this.stopped && !this.error && this.onScreen
      && document.visibilityState !== 'hidden';
  }
  // Sound stops while the visitor has paused it or cannot see it, not while a test steps.
  silent() {
    return this.userPaused || this.stopped || !this.onScreen || document.visibilityState === 'hidden';
  }
  schedule() {
    if (this.sound) this.sound.hold(!!this.silent());
    if (!this.running()) return this.halt();
    if (this.timer || this.frameRequest) return;
    if (this.lastTime === undefined) { this.lastTime = performance.now(); this.owed = 0; }
    const wait = TICK_MS - EARLY_MS - this.owed - (performance.now() - this.lastTime);
    // The time of the call, not the frame's start, which can lie before the timer's end.
    const onFrame = () => { this.frameRequest = 0; this.onFrame(performance.now()); };
    if (wait > 1) {
      this.timer = setTimeout(() => {
        this.timer = 0;
        this.frameRequest = requestAnimationFrame(onFrame);
      }, Math.ceil(wait));   // timers cut fractions of a millisecond off
    } else this.frameRequest = requestAnimationFrame(onFrame);
  }
  halt() {
    clearTimeout(this.timer); cancelAnimationFrame(this.frameRequest);
    this.timer = this.frameRequest = 0;
    this.lastTime = undefined;   // playing again starts from the frame shown
  }
  // 40 ms a frame; frames missed are skipped, as a timer does.
  onFrame(now) {
    this.owed += min(now - this.lastTime, 1000);
    this.lastTime = now;
    let ticks = 0;
    for (; this.owed >= TICK_MS - EARLY_MS && ticks < 5; ticks++, this.owed -= TICK_MS) {
      this.guard(() => { this.engine.tick(); this.ticks++; });
      if (this.limited && this.maxTicks && ++this.playedTicks >= this.maxTicks) { this.stopped = true; break; }
      // After its last loop an ad stops on its backup image (the slot behind the canvas).
      if (this.limited && this.maxLoops && this.engine.loops - this.loopsAtPlay >= this.maxLoops) {
        this.stopped = this.ended = true; break;
      }
    }
    if (this.owed >= TICK_MS) this.owed = 0;
    if (ticks) { this.render(); if (this.mouse) this.hover(); }
    if (this.stopped) this.updateControls();
    this.schedule();
  }
  setOnScreen(visible) { this.onScreen = visible; this.schedule(); }

  // Playing by itself stops after the time limit; played by the visitor it plays on.
  play(byItself = false) {
    if (this.error) return;
    this.played = true;
    this.paused = this.userPaused = this.stopped = this.ended = false;
    this.limited = byItself && (this.maxTicks > 0 || this.maxLoops > 0);
    this.loopsAtPlay = this.engine.loops;
    this.playedTicks = 0;
    this.updateControls();
    this.schedule();
  }
  pause() {
    this.paused = this.played = true;
    this.schedule();
    this.updateControls();
  }
  userPlay() { unlockAudio(); this.play(false); }
  userPause() { this.userPaused = true; this.pause(); }
  updateControls() {
    if (!this.pauseButton) return;
    const still = this.paused || this.stopped || this.error;
    showControl(this.pauseButton, still ? 'play' : 'pause', still ? 'Play animation' : 'Pause animation');
    this.element.classList.toggle('kavelin-stopped', !!this.stopped);
    this.element.classList.toggle('kavelin-ended', !!this.ended);
    if (this.muteButton) {
      const muted = this.sound.muted;
      showControl(this.muteButton, muted ? 'muted' : 'sound', muted ? 'Turn sound on' : 'Turn sound off');
      this.muteButton.setAttribute('aria-pressed', String(muted));
    }
  }

  // The test interface: deterministic stepping, clicks and traces.
  restart() {
    this.guard(() => { this.engine.start(); this.ticks = 0; });
    this.render();
    return this.state();
  }
  step(count = 1) {
    this.pause();
    for (let i = 0; i < count; i++) this.guard(() => { this.engine.tick(); this.ticks++; });
    this.render();
    return this.state();
  }
  click(x, y) { this.guard(() => this.engine.click(x | 0, y | 0)); this.render(); return this.state(); }
  // Pages open as the card says; in an ad (data-click-tag) only from a click, and the exit goes
  // to the ad server's click tag in a new window.
  openPage(action) {
    if (this.exitAction === undefined) return openUrl(action, this.base);
    if (!this.engine.clicking) return warn('an ad opens pages only when clicked');
    if (!this.exitAction || action.url !== this.exitAction.url) return openUrl(action, this.base);
    const tag = clickTag();
    openUrl(tag ? { url: tag, relative: false, frame: '_blank' } : { ...action, frame: '_blank' }, this.base);
  }
  state() {
    if (this.error) return { error: this.error };
    const engine = this.engine, state = JSON.parse(engine.line(this.ticks));
    return Object.assign(state, {
      color: cssColour(engine.colour), background: !engine.hideBackground,
      playing: this.running(), paused: !!this.paused, stopped: !!this.stopped, ended: !!this.ended,
    });
  }
  // As `kavelins-cli play --trace`, silent: ticks 0 to n, clicks "X,Y@T" after tick T; `each`
  // gets every line, its tick and a function drawing that tick.
  trace(count, clicks = [], each) {
    const lines = [];
    if (this.error) return lines;
    const engine = new Engine(this.card, null, this.media);
    const parsedClicks = clicks.map(click => {
      const text = click && click.x !== undefined ? `${click.x},${click.y}@${click.tick}` : String(click);
      const match = /^(-?\d+),(-?\d+)@(\d+)$/.exec(text);
      return match && match.slice(1).map(Number);
    }).filter(Boolean);
    try {
      engine.start();
      for (let tick = 0; tick <= count; tick++) {
        if (tick) engine.tick();
        let sounds = engine.sounds, urls = engine.urls;
        for (const [x, y, at] of parsedClicks) {
          if (at !== tick) continue;
          engine.click(x, y);
          sounds = sounds.concat(engine.sounds); urls = urls.concat(engine.urls);
        }
        engine.sounds = sounds; engine.urls = urls;
        lines.push(engine.line(tick));
        if (each) each(lines[tick], tick, context => draw(context, engine, this.width, this.height));
      }
    } catch (error) {
      console.error(`Kavelins: the trace stopped at tick ${lines.length}: ${error.message}`);
    }
    return lines;
  }
  destroy() {
    this.pause();
    if (this.sound) this.sound.dispose();
    if (this.observer) this.observer.disconnect();
    if (this.stopWatchingRatio) this.stopWatchingRatio();
    if (this.onResize) window.removeEventListener('resize', this.onResize);
    if (this.onVisibility) document.removeEventListener('visibilitychange', this.onVisibility);
    if (this.onMotion && reducedMotion.removeEventListener) {
      reducedMotion.removeEventListener('change', this.onMotion);
    }
    this.error = this.error || 'destroyed';
  }
}

// The test interface (window.kavelins: the players, stepping, clicks, traces) is there only
// when the page asks for it: "?kavelins-test" in its address, or a data-kavelins-test
// attribute on the page's root element or on the player's script element.
const script = document.currentScript;
const testing = /[?&]kavelins-test(=|&|$)/.test(location.search)
  || document.documentElement.hasAttribute('data-kavelins-test')
  || !!(script && script.hasAttribute('data-kavelins-test'));
const players = [];
if (testing) {
  window.kavelins = {
    players, Player, decodeAu,
    mount(cardText, parent, options) {
      const player = new Player(cardText, options);
      if (parent) parent.appendChild(player.element);
      return player;
    },
  };
}

// Options of one Kavelin: the page's window.kavelinsOptions, then its element's attributes
// (aria-label or data-label, data-max-seconds, data-max-loops, data-sounds).
function optionsOf(host, param) {
  const number = name => parseInt(host.getAttribute(name), 10);
  const options = { width: number('width'), height: number('height'), ...window.kavelinsOptions };
  const label = host.getAttribute('aria-label') || host.getAttribute('data-label')
    || (param !== host && param.getAttribute('aria-label'));
  if (label) options.label = label;
  if (host.hasAttribute('data-click-tag')) {
    options.clickTag = true;
    const exit = host.getAttribute('data-click-tag');
    if (exit) options.exitUrl = exit;
  }
  const seconds = parseFloat(host.getAttribute('data-max-seconds'));
  if (seconds >= 0) options.maxSeconds = seconds;
  const loops = number('data-max-loops');
  if (loops > 0) options.maxLoops = loops;
  const sounds = host.getAttribute('data-sounds');
  if (sounds) options.sounds = sounds;
  return options;
}

// Each <param name="Card">: its element gives way to the banner.
function boot() {
  for (const param of document.querySelectorAll('param')) {
    const name = (param.getAttribute('name') || '').trim().toLowerCase();
    if (name !== 'card' || param.dataset.kavelin) continue;
    param.dataset.kavelin = 1;
    const host = param.parentElement;
    try {
      const player = new Player(param.getAttribute('value') || '', optionsOf(host, param));
      if (host.className) player.element.className += ' ' + host.className;
      (host === document.body ? param : host).replaceWith(player.element);
      players.push(player);
    } catch (error) {
      console.error('Kavelins: ' + error.message);
    }
  }
}
if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', boot);
else boot();
})();
