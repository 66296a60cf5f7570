// Reads a 640 x 400 picture of the game back as glyphs, with the game's own
// font sheet: each 8 x 8 cell is split into at most two EGA colours and the
// ink's mask is looked up among the sheet's glyphs.
import { readFileSync } from 'node:fs';

const PALETTE = [
  [0, 0, 0], [0, 0, 170], [0, 170, 0], [0, 170, 170],
  [170, 0, 0], [170, 0, 170], [170, 85, 0], [170, 170, 170],
  [85, 85, 85], [85, 85, 255], [85, 255, 85], [85, 255, 255],
  [255, 85, 85], [255, 85, 255], [255, 255, 85], [255, 255, 255],
];
export const EGA = Object.fromEntries(['Black', 'Blue', 'Green', 'Cyan', 'Red', 'Magenta', 'Brown',
  'LightGray', 'DarkGray', 'LightBlue', 'LightGreen', 'LightCyan', 'LightRed', 'LightMagenta',
  'Yellow', 'White'].map((name, i) => [name, i]));
const PALETTE_INDEX = new Map(PALETTE.map(([r, g, b], i) => [(r << 16) | (g << 8) | b, i]));

// Ink masks as 64-bit BigInts (bit dy * 8 + dx), and the code each mask reads
// as; where glyphs share a mask the printable ASCII one wins.
export function loadSheet(path) {
  const bmp = readFileSync(path);
  if (bmp.length < 54 || bmp.toString('latin1', 0, 2) !== 'BM') throw new Error(`${path} is not a BMP file`);
  const offset = bmp.readUInt32LE(10);
  const width = bmp.readInt32LE(18);
  const rawHeight = bmp.readInt32LE(22);
  const bits = bmp.readUInt16LE(28);
  const height = Math.abs(rawHeight);
  if (width !== 128 || height !== 128 || (bits !== 24 && bits !== 32)) {
    throw new Error(`${path}: expected a 128 x 128 BMP of 24 or 32 bits, found ${width} x ${height} x ${bits}`);
  }
  const stride = Math.ceil((width * bits) / 32) * 4;
  const masks = new Array(256).fill(0n);
  for (let y = 0; y < height; ++y) {
    const row = offset + stride * (rawHeight > 0 ? height - 1 - y : y);
    for (let x = 0; x < width; ++x) {
      const p = row + x * (bits / 8);
      if (!(bmp[p + 2] === 128 && bmp[p + 1] === 0 && bmp[p] === 128)) {
        masks[(y >> 3) * 16 + (x >> 3)] |= 1n << BigInt((y % 8) * 8 + (x % 8));
      }
    }
  }
  const byMask = new Map();
  const printable = (c) => c >= 32 && c < 127;
  masks.forEach((m, code) => {
    const known = byMask.get(m);
    if (known === undefined || (printable(code) && !printable(known))) byMask.set(m, code);
  });
  return { masks, byMask };
}

// A screen from RGBA (canvas ImageData) or RGB pixels: the EGA index of every
// pixel (-1 off the palette), then glyph readings per cell.
export class Screen {
  constructor(sheet, pixels, width = 640, height = 400, channels = 4) {
    this.sheet = sheet;
    this.width = width;
    this.height = height;
    this.colours = new Int8Array(width * height);
    for (let i = 0; i < width * height; ++i) {
      const p = i * channels;
      const key = (pixels[p] << 16) | (pixels[p + 1] << 8) | pixels[p + 2];
      this.colours[i] = PALETTE_INDEX.has(key) ? PALETTE_INDEX.get(key) : -1;
    }
  }

  // { code, ink, paper } of the 8 x 8 block at pixel (x, y); code -1 when no
  // glyph of the sheet matches.
  at(x, y) {
    const colours = [];
    const masks = [0n, 0n];
    const counts = [0, 0];
    for (let dy = 0; dy < 8; ++dy) {
      for (let dx = 0; dx < 8; ++dx) {
        const c = this.colours[(y + dy) * this.width + x + dx];
        if (c < 0) return { code: -1, ink: -1, paper: -1 };
        let slot = colours.indexOf(c);
        if (slot < 0) {
          if (colours.length === 2) return { code: -1, ink: -1, paper: -1 };
          slot = colours.push(c) - 1;
        }
        ++counts[slot];
        masks[slot] |= 1n << BigInt(dy * 8 + dx);
      }
    }
    const code = (m) => (this.sheet.byMask.has(m) ? this.sheet.byMask.get(m) : -1);
    if (colours.length === 1) {
      return colours[0] === EGA.Black ? { code: code(0n), ink: -1, paper: EGA.Black }
        : { code: code(0xffffffffffffffffn), ink: colours[0], paper: EGA.Black };
    }
    // Ink on black paper first, else the colour with fewer pixels as the ink.
    let first = counts[0] <= counts[1] ? 0 : 1;
    if (colours[0] === EGA.Black) first = 1;
    else if (colours[1] === EGA.Black) first = 0;
    for (const slot of [first, 1 - first]) {
      const c = code(masks[slot]);
      if (c >= 0) return { code: c, ink: colours[slot], paper: colours[1 - slot] };
    }
    return { code: -1, ink: -1, paper: -1 };
  }

  cell(column, row) {
    return this.at(column * 8, row * 8);
  }

  // Where `text` is drawn in `ink` (any ink when omitted), also off the
  // 8-pixel grid, as the centred menu lines are; null when nowhere.
  find(text, ink = -1) {
    const bits = [...text].map((ch) => {
      const m = this.sheet.masks[ch.charCodeAt(0)];
      return Array.from({ length: 64 }, (_, b) => Number((m >> BigInt(b)) & 1n));
    });
    const lead = bits.findIndex((b) => b.includes(1));
    if (lead < 0) return null;
    const bit = bits[lead].indexOf(1);
    for (let y = 0; y + 8 <= this.height; ++y) {
      for (let x = 0; x + 8 * bits.length <= this.width; ++x) {
        const colour = this.colours[(y + (bit >> 3)) * this.width + x + 8 * lead + (bit & 7)];
        if (colour < 0 || (ink >= 0 && colour !== ink)) continue;
        if (this.drawn(x + 8 * lead, y, bits[lead], colour)
            && bits.every((b, i) => this.drawn(x + 8 * i, y, b, colour))) return { x, y, ink: colour };
      }
    }
    return null;
  }

  drawn(x, y, bits, ink) {
    for (let b = 0; b < 64; ++b) {
      if ((this.colours[(y + (b >> 3)) * this.width + x + (b & 7)] === ink) !== (bits[b] === 1)) return false;
    }
    return true;
  }

  // The whole screen as 50 lines of 80 characters, for failure messages.
  dump() {
    const lines = [];
    for (let row = 0; row * 8 + 8 <= this.height; ++row) {
      let line = '';
      for (let col = 0; col * 8 + 8 <= this.width; ++col) {
        const c = this.cell(col, row).code;
        line += c < 0 ? '?' : c === 0 || c === 32 || c === 255 ? ' ' : c > 32 && c < 127
          ? String.fromCharCode(c) : c >= 179 && c <= 218 ? '+' : c >= 219 && c <= 223 ? '#' : '~';
      }
      lines.push(line);
    }
    return lines.join('\n');
  }
}
