// The page: loads the engine, takes archives from the file button and from drops, turns keys
// and buttons into the viewer's commands and shows what the engine composed. Reading the files
// happens here, in the browser; nothing is sent anywhere.
import VelmoraCore from './velmora-core.js';
import { WorkerBridge } from './bridge.js';
import { PictureList } from './lists.js';
import { rgbPng } from './png.js';
import { browserLanguage, currentLanguage, format, plain, setLanguage, tr } from './texts.js';
import { LayerCount, Viewer, reasonText } from './viewer.js';

const Width = 320;
const Height = 224;
const MaxZoom = 8;
const LanguageKey = 'velmora.language';
const ListedFailures = 8; // pictures an export names in the status line; the rest are counted

const $ = (selector) => document.querySelector(selector);
const canvas = $('#screen');
const context = canvas.getContext('2d');
const status = $('#status');
const fileInput = $('#files');

let viewer = null;
let zoom = 1;
let pointer = null; // the picture pixel under the pointer, or null
let nextArchiveId = 1;
const sources = [null, null, null]; // per layer: { id, layer, file } of the open archive
const thumbnailBridge = new WorkerBridge(new URL('./worker.js', import.meta.url));
const exportBridge = new WorkerBridge(new URL('./worker.js', import.meta.url));
const readerBridge = new WorkerBridge(new URL('./reader.js', import.meta.url));
let lists = [];

// ---- Showing ---------------------------------------------------------------------------------

// The composed picture, then the caption: the title changes only once the canvas shows the
// picture it names.
function render() {
  context.putImageData(new ImageData(viewer.screen.pixels(), Width, Height), 0, 0);
  document.title = viewer.caption();
  showStatus();
  for (let k = 0; k < LayerCount; ++k) {
    const l = viewer.layer(k);
    const tried = l.error ? l.drawn : l.current;
    lists[k]?.mark(tried, l.error ? reasonText(l.error) : '');
  }
  showElements();
}

function showStatus() {
  const text = viewer ? viewer.status(pointer ? viewer.pixelText(pointer.x, pointer.y) : '') : '';
  status.textContent = text;
  status.title = text;
}

// The character's groups of alternatives, as the tools window lists them; made anew only when
// the character or its shown elements changed.
let shownGroups = '';
function showElements() {
  const groups = viewer.layer(2).loaded ? viewer.elementGroups() : [];
  const key = `${viewer.layer(2).current}:${currentLanguage()}:${JSON.stringify(groups)}`;
  if (key === shownGroups) return;
  shownGroups = key;
  $('#elements').hidden = groups.length === 0;
  const boxes = groups.map((g, n) => {
    const box = document.createElement('label');
    box.className = 'group-box';
    const caption = document.createElement('span');
    caption.textContent = `${n}. (${g.left},${g.top})`;
    const list = document.createElement('select');
    list.size = Math.min(Math.max(g.count, 2), 8);
    list.disabled = g.count < 2; // a group of one element has nothing to choose
    for (let e = g.first; e < g.first + g.count; ++e)
      list.add(new Option(String(e).padStart(2, '0'), String(e), false, e === g.chosen));
    list.addEventListener('change', () => {
      const e = Number(list.value);
      // Element 0 is the base picture: its row never swaps anything.
      if (e > 0) command(() => viewer.drawElement(e));
    });
    box.append(caption, list);
    return box;
  });
  $('#groups').replaceChildren(...boxes);
}

// Runs a command and shows its outcome; a failure of the page itself is told, never thrown on.
function command(run) {
  if (!viewer) return;
  const start = performance.now();
  try {
    run();
  } catch (e) {
    viewer.notes.push(format(tr('The command failed: %1'), String(e?.message ?? e)));
  }
  render();
  // Shows in the browser's performance tools, and the benchmarks observe it; one is kept.
  performance.clearMeasures('velmora-command');
  performance.measure('velmora-command', { start });
}

// ---- Zoom ------------------------------------------------------------------------------------

// Zoom z makes every picture pixel a block of round(z x devicePixelRatio) device pixels,
// at least one, so that no picture pixel is split between device pixels.
function applyZoom(z) {
  zoom = Math.min(Math.max(z, 1), MaxZoom);
  const dpr = window.devicePixelRatio || 1;
  const block = Math.max(1, Math.round(zoom * dpr));
  canvas.style.width = `${(Width * block) / dpr}px`;
  canvas.style.height = `${(Height * block) / dpr}px`;
  $('#zoom').value = `${zoom}×`;
}

function watchPixelRatio() {
  matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener('change', () => {
    applyZoom(zoom);
    watchPixelRatio();
  }, { once: true });
}

// ---- Opening ---------------------------------------------------------------------------------

// Files chosen or dropped: each goes to the layer its name says, in any letter case.
async function openFiles(files) {
  if (!viewer || files.length === 0) return;
  const problems = [];
  const archives = [];
  for (const file of files) {
    const layer = viewer.core.layerOf(file.name);
    if (layer < 0) {
      problems.push(format(tr('%1: not an archive the viewer knows by name (EYECATCH.ALL, WPALL1.ALL, WPALL2.ALL, WPALL3.ALL, NBGFILE1.ALL, NCDAT.ALL)'), file.name));
      continue;
    }
    let bytes;
    try {
      bytes = new Uint8Array(await readerBridge.call('read', { file }));
    } catch (e) {
      problems.push(format(tr('%1: the file could not be read (%2)'), file.name, e?.message ?? e));
      continue;
    }
    archives.push({ layer, file, path: store(layer, file.name, bytes) });
  }
  command(() => viewer.open(archives, problems));
  canvas.focus({ preventScroll: true });
  // The lists in a task of their own: the picture shows first, and no task does both.
  await new Promise((resolve) => setTimeout(resolve));
  for (const { layer, file } of archives) {
    sources[layer] = { id: nextArchiveId++, layer, file };
    lists[layer].setArchive(sources[layer], viewer.names(layer));
  }
  if (archives.length) render();
  if (thumbnailBridge.running())
    thumbnailBridge.call('forget', { keep: sources.filter(Boolean).map((s) => s.id) }).catch(() => {});
}

// Puts an archive into the engine's file system under its own name, one folder a layer; the
// layer's last archive goes, so that memory holds one archive a layer.
function store(layer, name, bytes) {
  const { FS } = viewer.core;
  const folder = `/archives/${layer}`;
  for (const old of FS.readdir(folder)) if (old !== '.' && old !== '..') FS.unlink(`${folder}/${old}`);
  const path = `${folder}/${name}`;
  FS.writeFile(path, bytes, { canOwn: true });
  return path;
}

// ---- Saving and exporting --------------------------------------------------------------------

function download(blob, name) {
  const url = URL.createObjectURL(blob);
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

// The composed picture at the page's zoom, as the desktop saves it.
function savePicture() {
  if (!viewer) return;
  const png = rgbPng(Width, Height, viewer.screen.pixels(), zoom);
  const name = viewer.pictureFileName();
  download(new Blob([png], { type: 'image/png' }), name);
  viewer.notes = [format(tr('Saved %1 (%2 x %3).'), name, Width * zoom, Height * zoom)];
  showStatus();
}

// Every picture of a layer's archive as one zip, made by the worker; the dialog shows how far
// it got and can cancel it.
async function exportArchive(layer) {
  const source = sources[layer];
  if (!source) return;
  const dialog = $('#export-dialog');
  const progress = $('#export-progress');
  const count = $('#export-count');
  const controller = new AbortController();
  $('#export-title').textContent = format(tr('Exporting %1'), source.file.name);
  progress.value = 0;
  count.textContent = '';
  $('#export-cancel').onclick = () => controller.abort();
  dialog.oncancel = () => controller.abort(); // Esc
  dialog.showModal();
  const zipName = `${source.file.name.replace(/\.[^.]*$/, '')}.zip`;
  try {
    const report = await exportBridge.call('exportZip', { source }, {
      signal: controller.signal,
      onProgress: ({ done, total }) => {
        progress.max = total;
        progress.value = done;
        count.textContent = format(tr('%1 of %2 pictures'), done, total);
      },
    });
    // A zip without a picture is not worth a download.
    if (report.written > 0) download(report.blob, zipName);
    const lines = [format(tr('%1: %2 of %3 pictures written into %4.'), source.file.name,
      report.written, report.total, report.written > 0 ? zipName : '-')];
    const failures = report.failures;
    if (failures.length) lines.push(tr('Not written:'), ...failures.slice(0, ListedFailures).map(exportFailureText));
    if (failures.length > ListedFailures)
      lines.push(format(tr('... and %1 more.'), failures.length - ListedFailures));
    viewer.notes = [lines.join(' ')];
  } catch (e) {
    viewer.notes = [controller.signal.aborted ? tr('Cancelled: nothing was written.')
      : format(tr('The export failed: %1'), e?.message ?? e)];
  } finally {
    dialog.close();
  }
  showStatus();
}

function exportFailureText({ index, error, outside }) {
  const reason = error ? reasonText(error)
    : outside !== undefined ? format(tr('element %1 reaches outside the picture'), outside)
    : tr('unknown failure');
  return format(tr('picture %1: %2'), index, reason);
}

// ---- Input -----------------------------------------------------------------------------------

const commands = {
  reset: () => command(() => viewer.reset()),
  zoomIn: () => applyZoom(zoom + 1),
  zoomOut: () => applyZoom(zoom - 1),
  zoomReset: () => applyZoom(1),
  save: savePicture,
};

// The desktop's plain keys; the browser keeps Ctrl+N, Ctrl+W and Ctrl+T for itself.
const Keys = {
  ArrowRight: () => command(() => viewer.step(2, true)),
  ArrowLeft: () => command(() => viewer.step(2, false)),
  ArrowDown: () => command(() => viewer.step(1, true)),
  ArrowUp: () => command(() => viewer.step(1, false)),
  PageDown: () => command(() => viewer.step(0, true)),
  PageUp: () => command(() => viewer.step(0, false)),
  Home: commands.reset,
  '+': commands.zoomIn,
  '=': commands.zoomIn,
  '-': commands.zoomOut,
  '0': commands.zoomReset,
};

// Lists and fields keep their own keys.
function ownsKeys(target) {
  return target instanceof HTMLSelectElement || target instanceof HTMLTextAreaElement ||
    (target instanceof HTMLInputElement && target.type !== 'file') || target?.isContentEditable;
}

function onKey(event) {
  if (event.ctrlKey || event.altKey || event.metaKey || ownsKeys(event.target)) return;
  const action = Keys[event.key];
  if (!action || !viewer || $('#export-dialog').open) return;
  event.preventDefault();
  action();
}

function onPointer(event) {
  const box = canvas.getBoundingClientRect();
  const x = Math.floor(((event.clientX - box.left) / box.width) * Width);
  const y = Math.floor(((event.clientY - box.top) / box.height) * Height);
  pointer = x >= 0 && y >= 0 && x < Width && y < Height ? { x, y } : null;
  showStatus();
}

function wireInput() {
  document.addEventListener('keydown', onKey);
  for (const button of document.querySelectorAll('[data-command]'))
    button.addEventListener('click', () => commands[button.dataset.command]());
  fileInput.addEventListener('change', () => {
    openFiles([...fileInput.files]);
    fileInput.value = '';
  });
  document.addEventListener('dragover', (event) => {
    if (event.dataTransfer?.types.includes('Files')) event.preventDefault();
  });
  document.addEventListener('drop', (event) => {
    if (!event.dataTransfer?.files.length) return;
    event.preventDefault();
    openFiles([...event.dataTransfer.files]);
  });
  canvas.addEventListener('pointermove', onPointer);
  canvas.addEventListener('pointerleave', () => {
    pointer = null;
    showStatus();
  });
  $('#language').addEventListener('change', (event) => {
    localStorage.setItem(LanguageKey, event.target.value);
    translate(event.target.value);
  });
}

// ---- Language --------------------------------------------------------------------------------

function translate(lang) {
  setLanguage(lang);
  $('#language').value = currentLanguage();
  for (const element of document.querySelectorAll('[data-text]'))
    element.textContent = plain(tr(element.dataset.text));
  for (const element of document.querySelectorAll('[data-key]')) {
    const caption = element.textContent.trim();
    element.title = caption === element.dataset.key || element.getAttribute('aria-label')
      ? element.dataset.key : `${caption} (${element.dataset.key})`;
  }
  for (const list of lists) list.retranslate();
  if (viewer) render();
  else status.textContent = tr('Loading the engine…');
}

// ---- Start -----------------------------------------------------------------------------------

async function start() {
  translate(localStorage.getItem(LanguageKey) ?? browserLanguage());
  applyZoom(1);
  watchPixelRatio();
  context.fillRect(0, 0, Width, Height);
  const template = $('#layer-template');
  lists = [0, 1, 2].map((k) => new PictureList(k, template, thumbnailBridge, {
    show: (layer, index) => command(() => viewer.show(layer, index)),
    step: (layer, next) => command(() => viewer.step(layer, next)),
    exportArchive,
    reasonText,
  }));
  $('#layers').append(...lists.map((l) => l.element));
  wireInput();
  try {
    const core = await VelmoraCore();
    for (let k = 0; k < LayerCount; ++k) core.FS.mkdirTree(`/archives/${k}`);
    viewer = new Viewer(core);
  } catch (e) {
    status.textContent = format(tr('The engine could not be loaded: %1'), e?.message ?? e);
    return;
  }
  fileInput.disabled = false;
  render();
  document.body.classList.add('ready');
  performance.mark('velmora-ready');
  // Offline from now on, where the browser allows service workers (https, or this machine).
  navigator.serviceWorker?.register('./sw.js').catch(() => {});
}

start();

