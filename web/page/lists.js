// One list per layer: every picture of the layer's archive with its number, name and
// thumbnail. The thumbnails are made by the worker a few at a time, the rows in view first, and
// drawn as they arrive, so the page keeps answering while a list fills.
import { format, plain, tr } from './texts.js';

// Thumbnails a call: the first few rows come at once, later calls take more so that the
// worker and the page hand over less often. Two calls are under way at a time, so that the
// worker never waits for the page to draw an answer.
const FirstBatch = 8;
const Batch = 48;
const InFlight = 2;
const RowsAtOnce = 100;
const LayerTitles = ['壁紙', '背景', 'ｷｬﾗ'];
const StepTexts = [['前の壁紙(&T)', '次の壁紙(&V)'], ['前の背景(&B)', '次の背景(&F)'],
  ['前のｷｬﾗ(&P)', '次のｷｬﾗ(&N)']];

export class PictureList {
  // commands: { show(layer, index), step(layer, next), exportArchive(layer), reasonText(error) }
  constructor(layer, template, bridge, commands) {
    this.layer = layer;
    this.bridge = bridge;
    this.commands = commands;
    this.element = template.content.firstElementChild.cloneNode(true);
    this.element.dataset.layer = String(layer);
    this.list = this.element.querySelector('.pictures');
    this.archiveLabel = this.element.querySelector('.archive');
    this.exportButton = this.element.querySelector('.export');
    this.rows = [];
    this.names = [];
    this.urls = []; // the thumbnails' object URLs, let go with their rows
    this.source = null; // { id, layer, file } for the worker
    this.marked = -1;
    this.generation = 0;
    this.visible = new Set();
    this.observer = new IntersectionObserver((entries) => {
      for (const e of entries) {
        const index = Number(e.target.dataset.index);
        if (e.isIntersecting) this.visible.add(index);
        else this.visible.delete(index);
      }
    }, { root: this.list });
    this.element.querySelector('.prev').addEventListener('click', () => commands.step(layer, false));
    this.element.querySelector('.next').addEventListener('click', () => commands.step(layer, true));
    this.exportButton.addEventListener('click', () => commands.exportArchive(layer));
    this.list.addEventListener('click', (event) => {
      const row = event.target.closest('li');
      if (row) commands.show(layer, Number(row.dataset.index));
    });
    this.retranslate();
  }

  retranslate() {
    this.element.querySelector('.layer-name').textContent = tr(LayerTitles[this.layer]);
    const [prev, next] = StepTexts[this.layer];
    for (const [button, caption] of [['.prev', prev], ['.next', next]]) {
      const element = this.element.querySelector(button);
      element.title = plain(tr(caption));
      element.setAttribute('aria-label', element.title);
    }
    this.exportButton.textContent = plain(tr(this.exportButton.dataset.export));
  }

  // A new archive for the layer: rows for its pictures, thumbnails to come.
  setArchive(source, names) {
    ++this.generation;
    this.source = source;
    this.marked = -1;
    this.visible.clear();
    this.observer.disconnect();
    this.archiveLabel.textContent = source.file.name;
    this.exportButton.disabled = names.length === 0;
    this.names = names;
    this.rows = [];
    this.list.replaceChildren();
    for (const url of this.urls) URL.revokeObjectURL(url);
    this.urls = [];
    this.addRows(this.generation);
    this.fill(this.generation);
  }

  // Makes the next rows; the rest follow in later tasks, so that no task makes all 500.
  addRows(generation) {
    if (generation !== this.generation) return;
    const model = document.createElement('li');
    model.className = 'waiting';
    model.append(Object.assign(document.createElement('img'), { width: 0, height: 0, alt: '' }),
      document.createElement('span'));
    const start = this.rows.length;
    const end = Math.min(this.names.length, start + RowsAtOnce);
    const made = [];
    for (let index = start; index < end; ++index) {
      const row = model.cloneNode(true);
      row.dataset.index = String(index);
      row.lastChild.textContent = `${index}: ${this.names[index]}`;
      made.push(row);
    }
    this.list.append(...made);
    this.rows.push(...made);
    for (const row of made) this.observer.observe(row);
    if (this.marked >= start && this.marked < end) {
      const index = this.marked;
      this.marked = -1;
      this.mark(index, this.markFailure);
    }
    if (end < this.names.length) setTimeout(() => this.addRows(generation));
  }

  // Marks the picture the screen shows and brings it into view; only a change moves the list,
  // so that it stays where it was scrolled. failure: the reason it could not be shown.
  mark(index, failure = '') {
    const row = this.rows[index];
    this.markFailure = failure; // for a row still to be made
    if (row) {
      row.classList.toggle('unshown', Boolean(failure));
      if (failure) row.title = failure;
    }
    if (index === this.marked) return;
    this.rows[this.marked]?.classList.remove('shown');
    this.rows[this.marked]?.removeAttribute('aria-current');
    this.marked = index;
    if (!row) return;
    row.classList.add('shown');
    row.setAttribute('aria-current', 'true');
    // Only the list scrolls, never the page around it; at the next frame, whose layout the
    // row's place needs anyway, rather than forcing one in the middle of a command.
    requestAnimationFrame(() => {
      if (this.marked !== index || this.rows[index] !== row) return;
      const top = row.offsetTop;
      const list = this.list;
      if (top < list.scrollTop) list.scrollTop = top;
      else if (top + row.offsetHeight > list.scrollTop + list.clientHeight)
        list.scrollTop = top + row.offsetHeight - list.clientHeight;
    });
  }

  // Picks up to size rows without a thumbnail, those in view first.
  nextBatch(size) {
    const waiting = (i) => this.rows[i]?.classList.contains('waiting');
    const batch = [...this.visible].filter(waiting).sort((a, b) => a - b).slice(0, size);
    for (let i = 0; batch.length < size && i < this.rows.length; ++i)
      if (waiting(i) && !batch.includes(i)) batch.push(i);
    return batch;
  }

  async fill(generation) {
    const calls = [];
    for (let size = FirstBatch; generation === this.generation; size = Batch) {
      const indices = this.nextBatch(size);
      if (indices.length === 0) {
        if (this.rows.length === this.names.length) break;
        await new Promise((resolve) => setTimeout(resolve)); // rows still to be made
        continue;
      }
      for (const i of indices) this.rows[i].classList.replace('waiting', 'asked');
      calls.push(this.ask(indices, generation));
      if (calls.length >= InFlight) await calls.shift();
    }
    await Promise.all(calls);
  }

  async ask(indices, generation) {
    let made;
    try {
      made = await this.bridge.call('thumbnails', { source: this.source, indices });
    } catch (e) {
      made = indices.map((index) => ({ index, failed: String(e?.message ?? e) }));
    }
    if (generation !== this.generation) return;
    for (const t of made) this.draw(t);
  }

  draw({ index, width, height, png, error, failed }) {
    const row = this.rows[index];
    row.classList.remove('asked');
    const reason = failed ?? (error ? this.commands.reasonText(error) : '');
    if (reason) {
      row.classList.add('failed');
      row.title = format(tr('%1: %2'), index, reason);
      return;
    }
    const thumb = row.firstElementChild;
    thumb.width = width;
    thumb.height = height;
    if (png) {
      thumb.src = URL.createObjectURL(png);
      this.urls.push(thumb.src);
    }
    row.classList.add('made');
  }
}
