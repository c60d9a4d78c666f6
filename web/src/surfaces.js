// The drawing surfaces of a run: the graphics window's canvas and the off-screen pictures, drawn with the 2D
// canvas as the program's graphics calls ask. Colours come as 0x00BBGGRR.
import {decode} from './cp1252.js';

// Codes that come from the module as numbers (JsFill and JsSystemColour in platform/web/web_imports.h).
export const FILL = Object.freeze({SOLID: 0, HATCH: 1, HOLLOW: 2});
export const SYSTEM_COLOUR = Object.freeze({WINDOW_TEXT: 0, BUTTON_FACE: 1});
const SYSTEM_COLOURS = {[SYSTEM_COLOUR.WINDOW_TEXT]: 0x000000, [SYSTEM_COLOUR.BUTTON_FACE]: 0xf0f0f0};

export function css(colour) {
  return `rgb(${colour & 255},${(colour >>> 8) & 255},${(colour >>> 16) & 255})`;
}

// The faces scripts name, with the free fonts of the same measures after them.
const FACES = {
  'arial': "Arial, 'Liberation Sans', Helvetica, sans-serif",
  'times new roman': "'Times New Roman', 'Liberation Serif', Times, serif",
  'courier new': "'Courier New', 'Liberation Mono', Courier, monospace",
};
const SYSTEM_FONT = "bold 16px 'Liberation Sans', Arial, sans-serif";

function family(face) {
  const known = FACES[face.toLowerCase()];
  return known ?? `'${face.replace(/'/g, '')}', 'Liberation Sans', Arial, sans-serif`;
}

// Six hatches as Windows draws them: 8 x 8 cells with lines in the brush colour.
function hatchPattern(ctx, hatch, colour, background, transparent) {
  const cell = document.createElement('canvas');
  cell.width = cell.height = 8;
  const c = cell.getContext('2d');
  if (!transparent) {
    c.fillStyle = css(background);
    c.fillRect(0, 0, 8, 8);
  }
  c.fillStyle = css(colour);
  for (let i = 0; i < 8; ++i) {
    if (hatch === 0 || hatch === 4) c.fillRect(i, 7, 1, 1);
    if (hatch === 1 || hatch === 4) c.fillRect(7, i, 1, 1);
    if (hatch === 2 || hatch === 5) c.fillRect(i, 7 - i, 1, 1);
    if (hatch === 3 || hatch === 5) c.fillRect(i, i, 1, 1);
  }
  return ctx.createPattern(cell, 'repeat');
}

// Windows draws shapes without anti-aliasing: a pixel is painted or not. The canvas' shape is drawn apart
// and each of its pixels kept whole when at least half covered, or dropped. Only the part of the shape's
// box that lies on the surface is drawn: a shape far larger than the surface costs no more than the surface.
function crisp(ctx, shapeLeft, shapeTop, shapeWidth, shapeHeight, draw) {
  const left = Math.max(shapeLeft, 0), top = Math.max(shapeTop, 0);
  const width = Math.min(shapeLeft + shapeWidth, ctx.canvas.width) - left;
  const height = Math.min(shapeTop + shapeHeight, ctx.canvas.height) - top;
  if (width <= 0 || height <= 0) return;
  const scratch = document.createElement('canvas');
  scratch.width = width;
  scratch.height = height;
  const c = scratch.getContext('2d', {willReadFrequently: true});
  c.translate(-left, -top);
  draw(c);
  const image = c.getImageData(0, 0, width, height);
  const d = image.data;
  for (let i = 3; i < d.length; i += 4) d[i] = d[i] >= 128 ? 255 : 0;
  c.putImageData(image, 0, 0);
  ctx.drawImage(scratch, left, top);
}

// The pixels of a thin line from (x1, y1) towards (x2, y2), its end excluded, as Bresenham's walk gives them,
// walked only where they can fall on a width x height surface: a line thousands of times longer than the
// surface costs no more than one across it. After k steps along the longer axis, the walk has moved
// floor((2 k minor + major - 1) / (2 major)) steps along the other, so it starts at the surface's edge in the
// state it would have reached there.
export function thinLine(x1, y1, x2, y2, width, height, plot) {
  const dx = Math.abs(x2 - x1), dy = Math.abs(y2 - y1), sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  const n = Math.max(dx, dy);
  if (n === 0) return;
  const shallow = dx >= dy;
  const [start, step, size] = shallow ? [x1, sx, width] : [y1, sy, height];
  const from = Math.max(step > 0 ? -start : start - (size - 1), 0);
  const to = Math.min(step > 0 ? size - 1 - start : start, n - 1);
  if (from > to) return;
  // Past 2^53 a product loses digits, so the jump is computed in whole numbers of any size.
  const major = BigInt(n), minor = BigInt(shallow ? dy : dx), k = BigInt(from);
  const moved = (2n * k * minor + major - 1n) / (2n * major);
  let x = x1 + sx * (shallow ? from : Number(moved)), y = y1 + sy * (shallow ? Number(moved) : from);
  let err = Number(BigInt(dx - dy) + (shallow ? moved * BigInt(dx) - k * BigInt(dy) : k * BigInt(dx) - moved * BigInt(dy)));
  for (let i = from; i <= to; ++i) {
    if (x >= 0 && y >= 0 && x < width && y < height) plot(x, y);
    const e2 = 2 * err;
    if (e2 > -dy) { err -= dy; x += sx; }
    if (e2 < dx) { err += dx; y += sy; }
  }
}

export class Surfaces {
  // openWindowCanvas(width, height) gives the page's canvas for the graphics window.
  constructor(openWindowCanvas) {
    this.openWindowCanvas = openWindowCanvas;
    this.list = new Map();
    this.next = 1;
    this.advances = new Map();
    this.fontMetrics = new Map();
  }

  add(canvas) {
    const id = this.next++;
    const ctx = canvas.getContext('2d', {willReadFrequently: true});
    this.list.set(id, {canvas, ctx, font: SYSTEM_FONT, text: null, extra: 0, breaks: 0});
    return id;
  }
  get(id) {
    return this.list.get(id);
  }

  systemColour(which) {
    return SYSTEM_COLOURS[which] ?? 0;
  }
  openWindow(width, height) {
    const canvas = this.openWindowCanvas(width, height);
    return this.add(canvas);
  }
  createPicture(width, height) {
    if (width <= 0 || height <= 0 || width * height > 64e6) return 0;
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    return this.add(canvas);
  }
  discard(id) {
    this.list.delete(id);
  }
  fill(id, width, height, colour) {
    const s = this.get(id);
    if (!s) return;
    s.ctx.fillStyle = css(colour);
    s.ctx.fillRect(0, 0, width, height);
  }
  show(picture, window, width, height) {
    const p = this.get(picture), w = this.get(window);
    if (!p || !w || width <= 0 || height <= 0) return;
    w.ctx.clearRect(0, 0, width, height);
    w.ctx.drawImage(p.canvas, 0, 0, width, height, 0, 0, width, height);
  }
  pixels(id, width, height) {
    const s = this.get(id);
    const out = new Uint32Array(width * height);
    if (!s) return out;
    const data = new Uint32Array(s.ctx.getImageData(0, 0, width, height).data.buffer);
    for (let i = 0; i < out.length; ++i) out[i] = data[i] & 0xffffff;  // RGBA bytes read as 0xAABBGGRR
    return out;
  }

  // Thin lines pixel by pixel, as Windows draws them, without the end point; wider ones with round ends.
  line(id, x1, y1, x2, y2, colour, penWidth) {
    const s = this.get(id);
    if (!s) return;
    const ctx = s.ctx;
    if (penWidth > 1) {
      const o = penWidth % 2 ? 0.5 : 0;
      crisp(ctx, Math.min(x1, x2) - penWidth, Math.min(y1, y2) - penWidth, Math.abs(x2 - x1) + 2 * penWidth + 1,
            Math.abs(y2 - y1) + 2 * penWidth + 1, (c) => {
              c.strokeStyle = css(colour);
              c.lineWidth = penWidth;
              c.lineCap = 'round';
              c.beginPath();
              c.moveTo(x1 + o, y1 + o);
              c.lineTo(x2 + o, y2 + o);
              c.stroke();
            });
      return;
    }
    ctx.fillStyle = css(colour);
    thinLine(x1, y1, x2, y2, ctx.canvas.width, ctx.canvas.height, (x, y) => ctx.fillRect(x, y, 1, 1));
  }
  setPixel(id, x, y, colour) {
    const s = this.get(id);
    if (!s) return;
    s.ctx.fillStyle = css(colour);
    s.ctx.fillRect(x, y, 1, 1);
  }
  // A box from left, top to right - 1, bottom - 1 with corners rounded by a cornerWidth x cornerHeight
  // ellipse; an ellipse when those are the box's own size. Filled first, then outlined with the pen.
  roundBox(id, box, cornerWidth, cornerHeight, outline, penWidth, fill, background, transparent) {
    const s = this.get(id);
    if (!s) return;
    const ctx = s.ctx;
    const w = box.right - box.left - 1, h = box.bottom - box.top - 1;
    if (w <= 0 || h <= 0) return;
    const pen = Math.max(penWidth, 1);
    const fillStyle = fill.kind === FILL.SOLID ? css(fill.colour)
                    : fill.kind === FILL.HATCH ? hatchPattern(ctx, fill.hatch, fill.colour, background, transparent)
                    : null;
    if (pen === 1 && (cornerWidth <= 0 || cornerHeight <= 0)) {
      // A plain box with a thin pen, pixel by pixel: the outline on its first and last rows and columns.
      const {left, top, right, bottom} = box;
      if (fillStyle) {
        ctx.fillStyle = fillStyle;
        ctx.fillRect(left + 1, top + 1, right - left - 2, bottom - top - 2);
      }
      ctx.fillStyle = css(outline);
      ctx.fillRect(left, top, right - left, 1);
      ctx.fillRect(left, bottom - 1, right - left, 1);
      ctx.fillRect(left, top, 1, bottom - top);
      ctx.fillRect(right - 1, top, 1, bottom - top);
      return;
    }
    // An odd pen is centred on the pixels' middles, an even one on their edges, so that it covers whole pixels.
    const o = pen % 2 ? 0.5 : 0;
    const path = new Path2D();
    const rx = Math.min(cornerWidth / 2, w / 2), ry = Math.min(cornerHeight / 2, h / 2);
    if (rx >= w / 2 && ry >= h / 2) {
      path.ellipse(box.left + o + w / 2, box.top + o + h / 2, w / 2, h / 2, 0, 0, 2 * Math.PI);
    } else if (rx <= 0 || ry <= 0) {
      path.rect(box.left + o, box.top + o, w, h);
    } else {
      path.roundRect(box.left + o, box.top + o, w, h, [{x: rx, y: ry}]);
    }
    const [x, y, cw, ch] = [box.left - pen, box.top - pen, w + 2 * pen + 2, h + 2 * pen + 2];
    if (fillStyle) {
      crisp(ctx, x, y, cw, ch, (c) => {
        // The scratch canvas is moved so that a hatch lines up with the surface's own origin, as on Windows.
        c.fillStyle = fillStyle;
        c.fill(path);
      });
    }
    crisp(ctx, x, y, cw, ch, (c) => {
      c.strokeStyle = css(outline);
      c.lineWidth = pen;
      c.stroke(path);
    });
  }

  textState(id, t) {
    const s = this.get(id);
    if (!s) return;
    s.text = t;
    if (t.face.length === 0) {
      s.font = SYSTEM_FONT;
    } else {
      // A negative height measures the letters (the em); a positive one the whole cell.
      const px = t.height < 0 ? -t.height : Math.max(1, Math.round(t.height * 0.86));
      s.font = `${t.italic ? 'italic ' : ''}${t.weight} ${px || 13}px ${family(decode(t.face))}`;
    }
    // Text blocks measure word after word in one font: the canvas parses a font only when it changes.
    if (s.applied !== s.font) {
      s.ctx.font = s.font;
      s.applied = s.font;
    }
  }
  // A font's ascent and descent, measured once: every line of a text block asks again.
  metrics(s) {
    let m = this.fontMetrics.get(s.font);
    if (m === undefined) {
      const box = s.ctx.measureText('Hg');
      m = {ascent: Math.round(box.fontBoundingBoxAscent), descent: Math.round(box.fontBoundingBoxDescent)};
      this.fontMetrics.set(s.font, m);
    }
    return m;
  }
  // Windows advances each character by a whole number of pixels, without kerning; so does the page, so that
  // measuring and drawing agree with each other and with KAL.exe's line breaks.
  advance(s, ch) {
    const key = `${s.font}\u0000${ch}`;
    let a = this.advances.get(key);
    if (a === undefined) {
      a = Math.round(s.ctx.measureText(ch).width);
      this.advances.set(key, a);
    }
    return a;
  }
  width(s, text) {
    let w = 0;
    for (const ch of text) w += this.advance(s, ch);
    return w;
  }
  // A justified line spreads `extra` pixels over its spaces, the first ones getting one more.
  text(id, x, y, bytes, extra = 0) {
    const s = this.get(id);
    if (!s || !s.text) return;
    const ctx = s.ctx, t = s.text, text = decode(bytes);
    const {ascent, descent} = this.metrics(s);
    const spaces = (text.match(/ /g) || []).length;
    const justify = extra !== 0 && spaces > 0;
    const width = this.width(s, text) + (justify ? extra : 0);
    // Text that cannot reach the surface, whatever its angle, is not drawn at all.
    const reach = width + ascent + descent;
    if (x + reach < 0 || y + reach < 0 || x - reach > s.canvas.width || y - reach > s.canvas.height) return;
    ctx.save();
    ctx.translate(x, y);
    if (t.escapement) ctx.rotate(-t.escapement * Math.PI / 1800);
    if (!t.transparent) {
      ctx.fillStyle = css(t.background);
      ctx.fillRect(0, 0, width, ascent + descent);
    }
    ctx.fillStyle = css(t.foreground);
    ctx.textBaseline = 'alphabetic';
    let at = 0, space = 0;
    for (const ch of text) {
      if (ch !== ' ') ctx.fillText(ch, at, ascent);
      at += this.advance(s, ch);
      if (ch === ' ' && justify) at += Math.floor(extra / spaces) + (space++ < extra % spaces ? 1 : 0);
    }
    const stroke = Math.max(1, Math.round((ascent + descent) / 14));
    if (t.underline) ctx.fillRect(0, ascent + 1, width, stroke);
    if (t.strikeOut) ctx.fillRect(0, Math.round(ascent * 0.65), width, stroke);
    ctx.restore();
  }
  textWidth(id, bytes) {
    const s = this.get(id);
    return s ? this.width(s, decode(bytes)) : 0;
  }
  textFit(id, bytes, maxWidth) {
    const s = this.get(id);
    const text = decode(bytes);
    if (!s) return text.length;
    let fit = 0, w = 0;
    while (fit < text.length && (w += this.advance(s, text[fit])) <= maxWidth) ++fit;
    return fit;
  }
  lineHeight(id) {
    const s = this.get(id);
    if (!s) return 0;
    const {ascent, descent} = this.metrics(s);
    return ascent + descent;
  }
  async drawBitmap(id, bytes, x, y, width, height) {
    const s = this.get(id);
    if (!s) return 0;
    try {
      const image = await createImageBitmap(new Blob([bytes], {type: 'image/bmp'}));
      s.ctx.imageSmoothingEnabled = false;
      s.ctx.drawImage(image, x, y, width || image.width, height || image.height);
      return 1;
    } catch {
      return 0;
    }
  }
}
