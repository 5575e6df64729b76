// PNG files made in the page (the engine's encoder needs zlib, which the wasm build lacks):
// 8-bit palette pictures as the command-line export writes them, and 24-bit RGB pictures.
// Readers see the same pixels and palette as in the command-line tool's files.
import { zlibSync } from './vendor/fflate.js';

const Signature = [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a];

const crcTable = new Uint32Array(256).map((_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});

function crc32(bytes) {
  let c = 0xffffffff;
  for (const b of bytes) c = crcTable[(c ^ b) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}

// One chunk: length, type, data, CRC of type and data.
function chunk(type, data) {
  const out = new Uint8Array(12 + data.length);
  const view = new DataView(out.buffer);
  view.setUint32(0, data.length);
  for (let i = 0; i < 4; ++i) out[4 + i] = type.charCodeAt(i);
  out.set(data, 8);
  view.setUint32(8 + data.length, crc32(out.subarray(4, 8 + data.length)));
  return out;
}

function header(width, height, colourType) {
  const data = new Uint8Array(13);
  const view = new DataView(data.buffer);
  view.setUint32(0, width);
  view.setUint32(4, height);
  data[8] = 8; // bits a sample
  data[9] = colourType; // 3 palette, 2 RGB; compression, filter, interlace 0
  return chunk('IHDR', data);
}

// The rows of rowBytes each, every one led by filter type filter: 0 none, 1 the difference
// from the sample bpp bytes to the left, 2 from the one above.
function filtered(pixels, rowBytes, height, bpp, filter) {
  const raw = new Uint8Array((rowBytes + 1) * height);
  for (let y = 0; y < height; ++y) {
    const row = pixels.subarray(y * rowBytes, (y + 1) * rowBytes);
    const out = raw.subarray(y * (rowBytes + 1) + 1, (y + 1) * (rowBytes + 1));
    raw[y * (rowBytes + 1)] = filter;
    if (filter === 0) {
      out.set(row);
    } else if (filter === 1) {
      for (let x = 0; x < rowBytes; ++x) out[x] = row[x] - (x >= bpp ? row[x - bpp] : 0);
    } else {
      const above = y > 0 ? pixels.subarray((y - 1) * rowBytes, y * rowBytes) : null;
      for (let x = 0; x < rowBytes; ++x) out[x] = row[x] - (above ? above[x] : 0);
    }
  }
  return raw;
}

// One filter for the whole picture, the one whose quick deflate is smallest (as the
// command-line export chooses), then deflated in earnest.
function imageData(pixels, rowBytes, height, bpp) {
  let best = null;
  for (const filter of [0, 1, 2]) {
    const raw = filtered(pixels, rowBytes, height, bpp, filter);
    const size = zlibSync(raw, { level: 1 }).length;
    if (!best || size < best.size) best = { raw, size };
  }
  return chunk('IDAT', zlibSync(best.raw, { level: 6 }));
}

function file(chunks) {
  const out = new Uint8Array(Signature.length + chunks.reduce((n, c) => n + c.length, 0));
  out.set(Signature);
  let at = Signature.length;
  for (const c of chunks) {
    out.set(c, at);
    at += c.length;
  }
  return out;
}

// A palette picture: indices one byte a pixel, palette 256 RGB triplets; entry 0 fully
// transparent when transparentZero is set.
export function indexedPng({ width, height, indices, palette, transparentZero }) {
  const chunks = [header(width, height, 3), chunk('PLTE', palette)];
  if (transparentZero) chunks.push(chunk('tRNS', new Uint8Array([0])));
  chunks.push(imageData(indices, width, height, 1), chunk('IEND', new Uint8Array(0)));
  return file(chunks);
}

// An RGB picture from RGBA pixels (alpha dropped), each pixel enlarged to scale x scale.
export function rgbPng(width, height, rgba, scale = 1) {
  const w = width * scale;
  const rgb = new Uint8Array(w * height * scale * 3);
  for (let y = 0; y < height * scale; ++y) {
    const from = Math.floor(y / scale) * width;
    for (let x = 0; x < w; ++x) {
      const s = (from + Math.floor(x / scale)) * 4;
      rgb.set(rgba.subarray(s, s + 3), (y * w + x) * 3);
    }
  }
  return file([header(w, height * scale, 2), imageData(rgb, w * 3, height * scale, 3),
    chunk('IEND', new Uint8Array(0))]);
}
