// The page's worker: reads archives apart from the compositor, for thumbnails in the lists and
// for whole archives exported as one zip of PNG files named as velmora-cli export names them.
import VelmoraCore from './velmora-core.js';
import { indexedPng } from './png.js';
import { Zip, ZipPassThrough } from './vendor/fflate.js';

const core = VelmoraCore();
const archives = new Map(); // archive id -> { archive, mount }

// The engine's archive object for a file the page sent, made once per id.
async function archiveOf({ id, layer, file }) {
  const known = archives.get(id);
  if (known) return known.archive;
  const m = await core;
  // The file read whole into the worker's memory file system: WORKERFS would spare the copy but
  // reads every window of the engine's file through FileReaderSync, which made thumbnails
  // seventeen times as slow.
  const mount = `/archive-${id}`;
  m.FS.mkdir(mount);
  m.FS.writeFile(`${mount}/${file.name}`, new Uint8Array(await file.arrayBuffer()), { canOwn: true });
  const archive = new m.Archive(layer, `${mount}/${file.name}`);
  archives.set(id, { archive, mount });
  return archive;
}

// Lets go of archives the page no longer shows.
async function forget({ keep }) {
  const m = await core;
  for (const [id, { archive, mount }] of archives) {
    if (keep.includes(id)) continue;
    archive.delete();
    for (const name of m.FS.readdir(mount)) if (name !== '.' && name !== '..') m.FS.unlink(`${mount}/${name}`);
    m.FS.rmdir(mount);
    archives.delete(id);
  }
}

// Thumbnails as PNG files ready to show: the page's thread only hands them to <img> elements,
// which, unlike canvases, cost the page no compositing layer each.
async function thumbnails({ source, indices }) {
  const archive = await archiveOf(source);
  const made = await Promise.all(indices.map(async (index) => {
    const { rgba, width, height, error } = archive.thumbnail(index);
    let png = null;
    if (width > 0 && height > 0) {
      const canvas = new OffscreenCanvas(width, height);
      canvas.getContext('2d').putImageData(new ImageData(rgba, width, height), 0, 0);
      png = await canvas.convertToBlob({ type: 'image/png' });
    }
    return { index, width, height, error, png };
  }));
  return { result: made };
}

// Every picture of the archive into one zip; the pictures that cannot be read are listed.
async function exportZip({ source }, post) {
  const archive = await archiveOf(source);
  const count = archive.count();
  const parts = [];
  const zip = new Zip((error, data) => {
    if (error) throw error;
    parts.push(data);
  });
  const failures = [];
  let written = 0;
  let reported = 0;
  for (let index = 0; index < count; ++index) {
    const p = archive.exportPicture(index);
    if (p.indices) {
      // PNG data is deflated already: the zip stores it as it is.
      const entry = new ZipPassThrough(`${p.stem}.png`);
      zip.add(entry);
      entry.push(indexedPng(p), true);
      ++written;
    } else {
      failures.push({ index, error: p.error, outside: p.outside, failure: p.failure });
    }
    const now = performance.now();
    if (now - reported > 50 || index + 1 === count) {
      reported = now;
      post({ done: index + 1, total: count });
    }
  }
  zip.end();
  const blob = new Blob(parts, { type: 'application/zip' });
  return { result: { blob, written, total: count, failures } };
}

const methods = { thumbnails, exportZip, forget };

// One call at a time, in the order they came.
let queue = Promise.resolve();
self.onmessage = ({ data: { id, method, args } }) => {
  queue = queue.then(async () => {
    try {
      const { result, transfer = [] } =
        (await methods[method](args, (progress) => self.postMessage({ id, progress }))) ?? {};
      self.postMessage({ id, result }, transfer);
    } catch (e) {
      self.postMessage({ id, error: String(e?.message ?? e) });
    }
  });
};
