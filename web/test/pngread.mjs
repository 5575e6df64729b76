// Reads the 8-bit PNG files the tests compare (palette or RGB, not interlaced): size, palette,
// transparency and the pixels after unfiltering, so that files from different encoders can be
// held against each other sample by sample.
import { unzlibSync } from 'fflate';

const paeth = (a, b, c) => {
  const p = a + b - c;
  const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
};

export function readPng(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const png = { palette: null, transparency: null };
  const idat = [];
  for (let at = 8; at < bytes.length;) {
    const length = view.getUint32(at);
    const type = String.fromCharCode(...bytes.subarray(at + 4, at + 8));
    const data = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      png.width = view.getUint32(at + 8);
      png.height = view.getUint32(at + 12);
      png.depth = data[8];
      png.colourType = data[9];
      png.interlace = data[12];
    } else if (type === 'PLTE') png.palette = Buffer.from(data);
    else if (type === 'tRNS') png.transparency = Buffer.from(data);
    else if (type === 'IDAT') idat.push(data);
    at += 12 + length;
  }
  if (png.depth !== 8 || png.interlace !== 0 || ![2, 3].includes(png.colourType))
    throw new Error(`unexpected PNG form: depth ${png.depth}, colour type ${png.colourType}`);
  const bpp = png.colourType === 2 ? 3 : 1;
  const stride = png.width * bpp;
  const raw = unzlibSync(Buffer.concat(idat));
  const out = Buffer.alloc(stride * png.height);
  for (let y = 0; y < png.height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= bpp ? out[y * stride + x - bpp] : 0;
      const b = y > 0 ? out[(y - 1) * stride + x] : 0;
      const c = x >= bpp && y > 0 ? out[(y - 1) * stride + x - bpp] : 0;
      const predict = [0, a, b, (a + b) >> 1, paeth(a, b, c)][filter];
      out[y * stride + x] = (line[x] + predict) & 0xff;
    }
  }
  png.pixels = out;
  return png;
}

// The RGB samples of an RGBA buffer.
export function rgbOf(rgba) {
  const rgb = Buffer.alloc((rgba.length / 4) * 3);
  for (let i = 0, o = 0; i < rgba.length; i += 4, o += 3) rgba.copy(rgb, o, i, i + 3);
  return rgb;
}
