// Turns an SVG path of the icon font's 960-unit box (viewBox 0 -960 960 960,
// y down) into the program's outline text: absolute M, L, Q and Z only, y up,
// every pair or quadruple with its own letter, numbers with at most one
// decimal. Throws on anything the outline text cannot hold (arcs, cubics, a
// point outside the box), so a new glyph can never be converted silently wrong.

const NUMBER = /[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?/y;
const COMMAND = /[MmLlHhVvQqTtZzCcSsAa]/y;
const SEPARATOR = /[\s,]*/y;

// Coordinates are kept as integers in units of 1/10000 so that relative
// steps add up exactly; only the written numbers are rounded.
const UNIT = 10000;

function tokenize(d) {
  const tokens = [];
  let i = 0;
  while (true) {
    SEPARATOR.lastIndex = i;
    SEPARATOR.exec(d);
    i = SEPARATOR.lastIndex;
    if (i >= d.length) return tokens;
    COMMAND.lastIndex = i;
    let m = COMMAND.exec(d);
    if (m) {
      tokens.push(m[0]);
      i = COMMAND.lastIndex;
      continue;
    }
    NUMBER.lastIndex = i;
    m = NUMBER.exec(d);
    if (!m) throw new Error(`unexpected character at ${i} in path: ${d.slice(i, i + 12)}`);
    tokens.push(Math.round(parseFloat(m[0]) * UNIT));
    i = NUMBER.lastIndex;
  }
}

// One decimal, halves away from zero; no ".0", no "-0".
function write(units) {
  const sign = units < 0 ? -1 : 1;
  const tenths = sign * Math.floor((Math.abs(units) + UNIT / 20) / (UNIT / 10));
  if (tenths === 0) return '0';
  const whole = Math.trunc(tenths / 10);
  const digit = Math.abs(tenths % 10);
  const head = tenths < 0 && whole === 0 ? '-0' : String(whole);
  return digit === 0 ? head : `${head}.${digit}`;
}

const ARITY = { M: 2, L: 2, H: 1, V: 1, Q: 4, T: 2, Z: 0 };

export function svgPathToOutline(d) {
  const tokens = tokenize(d);
  const out = [];
  let cx = 0, cy = 0;          // current point, SVG units
  let sx = 0, sy = 0;          // start of the subpath
  let qx = null, qy = null;    // control point of the last Q or T
  let i = 0;
  let command = null;

  const point = (x, y) => {
    const ox = x, oy = -y;
    if (ox < 0 || ox > 960 * UNIT || oy < 0 || oy > 960 * UNIT)
      throw new Error(`point ${x / UNIT},${y / UNIT} lies outside the 960 box`);
    return `${write(ox)} ${write(oy)}`;
  };

  while (i < tokens.length) {
    if (typeof tokens[i] === 'string') {
      command = tokens[i++];
    } else if (command === null || command === 'Z' || command === 'z') {
      throw new Error('a number where a command is expected');
    } else if (command === 'M') {
      command = 'L';  // further pairs after a move are lines
    } else if (command === 'm') {
      command = 'l';
    }
    const upper = command.toUpperCase();
    if (!(upper in ARITY)) throw new Error(`command ${command} has no outline form`);
    const relative = command !== upper;
    const n = ARITY[upper];
    const args = tokens.slice(i, i + n);
    if (args.length < n || args.some((t) => typeof t !== 'number'))
      throw new Error(`command ${command} lacks its numbers`);
    i += n;
    const ox = relative ? cx : 0, oy = relative ? cy : 0;
    let lastControl = false;
    switch (upper) {
      case 'M':
        cx = ox + args[0]; cy = oy + args[1];
        sx = cx; sy = cy;
        out.push(`M${point(cx, cy)}`);
        break;
      case 'L':
        cx = ox + args[0]; cy = oy + args[1];
        out.push(`L${point(cx, cy)}`);
        break;
      case 'H':
        cx = (relative ? cx : 0) + args[0];
        out.push(`L${point(cx, cy)}`);
        break;
      case 'V':
        cy = (relative ? cy : 0) + args[0];
        out.push(`L${point(cx, cy)}`);
        break;
      case 'Q': {
        const x1 = ox + args[0], y1 = oy + args[1];
        cx = ox + args[2]; cy = oy + args[3];
        qx = x1; qy = y1; lastControl = true;
        out.push(`Q${point(x1, y1)} ${point(cx, cy)}`);
        break;
      }
      case 'T': {
        // The control point mirrors the last one through the current point;
        // after anything but Q or T it is the current point itself.
        const x1 = qx === null ? cx : 2 * cx - qx;
        const y1 = qy === null ? cy : 2 * cy - qy;
        cx = ox + args[0]; cy = oy + args[1];
        qx = x1; qy = y1; lastControl = true;
        out.push(`Q${point(x1, y1)} ${point(cx, cy)}`);
        break;
      }
      case 'Z':
        cx = sx; cy = sy;
        out.push('Z');
        break;
    }
    if (!lastControl) { qx = null; qy = null; }
  }
  const text = out.join('');
  if (text && !text.endsWith('Z')) throw new Error('the outline does not end with a close');
  return text;
}
