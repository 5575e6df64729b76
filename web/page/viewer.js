// What the desktop's main window does with the compositor, for the page: opening archives by
// name, stepping, the caption and the status line. It only asks the engine (core.Screen) and
// builds texts; drawing and input belong to main.js.
import { format, tr } from './texts.js';

export const LayerCount = 3;
export const AppTitle = 'Velmora Viewer';

const shiftJis = new TextDecoder('shift_jis');
// Engine texts are code page 932 bytes.
export function decode(bytes) {
  return shiftJis.decode(bytes);
}

// The engine's reason for a failed load, in words (the kinds of VLM::TFailure).
export function reasonText(error) {
  const detail = String(error.detail);
  switch (error.kind) {
    case 1: return tr('not an archive name of this kind');
    case 2: return format(tr('no picture %1 in this archive'), detail);
    case 3: return tr('not a regular file');
    case 4: return format(tr('cannot open (%1)'), error.text.replace(/^cannot open \((.*)\)$/, '$1'));
    case 5: return tr('no picture record found - not an archive of this kind');
    case 6: return format(tr('record cut short at byte %1'), detail);
    case 7: return tr('header field out of range');
    case 8: return format(tr('too large (limit %1)'), detail);
    case 9: return format(tr('element %1 outside its picture'), detail);
    case 10: return tr('out of memory');
    default: return tr('unknown failure');
  }
}

// A command the engine could not finish, as the desktop's error box words it.
export function failureText(failure, characterArchive) {
  switch (failure.kind) {
    case 'outside':
      return format(
        tr('%1, picture %2: element %3 reaches outside the composed picture, so the character cannot be shown whole.'),
        characterArchive || tr('The character archive'), failure.picture, failure.element);
    case 'memory':
      return tr('Out of memory: the command was left unfinished.');
    default:
      return failure.text?.length
        ? format(tr('The command failed: %1'), decode(failure.text))
        : tr('The command failed for an unknown reason.');
  }
}

// The file-name part of a path.
export function baseName(path) {
  return path.slice(path.lastIndexOf('/') + 1);
}

export class Viewer {
  constructor(core) {
    this.core = core;
    this.screen = new core.Screen();
    this.indices = [-1, -1, -1]; // what each layer's steps go on from
    this.lastLayer = -1; // the layer the last command drew: its failure leads the status line
    this.notes = []; // problems of the last command, status line first
  }

  layer(k) {
    return this.screen.layer(k);
  }

  name(k, index) {
    return decode(this.screen.name(k, index));
  }

  // The names of all pictures of a layer's archive, in one call into the engine.
  names(k) {
    const names = decode(this.screen.names(k)).split('\0');
    names.pop(); // after the last name's end
    return names;
  }

  // Runs an engine command; what stops it goes into the notes.
  run(command) {
    let failure;
    try {
      failure = command();
    } catch (e) {
      failure = { kind: 'other', text: new TextEncoder().encode(String(e?.message ?? e)) };
    }
    if (failure) this.notes.push(failureText(failure, baseName(this.layer(2).fileName)));
  }

  // Archives already in the engine's file system, in the order wallpapers, backgrounds,
  // characters; problems (files of no known name) become notes.
  open(archives, problems = []) {
    this.notes = [...problems];
    for (const { layer, path } of [...archives].sort((a, b) => a.layer - b.layer)) {
      this.lastLayer = layer;
      this.indices[layer] = 0;
      this.run(() => this.screen.open(layer, path));
    }
  }

  // Next or previous picture of a layer, wrapping at both ends.
  step(k, next) {
    this.lastLayer = k;
    this.notes = [];
    const n = this.layer(k).count;
    let i = this.indices[k] + (next ? 1 : -1);
    if (i >= n) i = 0;
    if (i < 0) i = n - 1;
    this.indices[k] = i;
    this.run(() => this.screen.draw(k, i));
  }

  show(k, index) {
    this.lastLayer = k;
    this.notes = [];
    this.indices[k] = index;
    this.run(() => this.screen.draw(k, index));
  }

  reset() {
    this.notes = [];
    for (let k = 0; k < LayerCount; ++k) {
      this.indices[k] = 0;
      this.run(() => this.screen.draw(k, 0));
    }
  }

  drawElement(element) {
    this.run(() => this.screen.drawElement(element));
  }

  // "Velmora Viewer W/N B/N C/N", "-" for a layer that shows nothing. A layer that shows
  // nothing keeps the index it tried, so that the next step goes on from there.
  caption() {
    let title = AppTitle;
    for (let k = 0; k < LayerCount; ++k) {
      const l = this.layer(k);
      if (l.loaded) this.indices[k] = l.current;
      title += ` ${l.current < 0 ? '-' : l.current}/${l.count}`;
    }
    return title;
  }

  // What the status line says: the pixel under the pointer, the problems of the last command,
  // the failures of the layers (the last command's first), the names of the pictures shown.
  status(pixel = '') {
    const failures = [];
    const names = [];
    for (let k = 0; k < LayerCount; ++k) {
      const l = this.layer(k);
      if (!l.fileName) continue;
      if (l.error) {
        const archive = baseName(l.fileName);
        const failure = l.drawn < 0
          ? format(tr('%1: %2'), archive, reasonText(l.error))
          : format(tr('%1, picture %2: %3'), archive, l.drawn, reasonText(l.error));
        if (k === this.lastLayer) failures.unshift(failure);
        else failures.push(failure);
      }
      if (l.loaded) names.push(this.name(k, l.current));
    }
    const parts = [...this.notes, ...failures, ...names];
    if (pixel) parts.unshift(pixel);
    return parts.length ? parts.join('  |  ') : tr('Open: the file button, or drop archives here');
  }

  // The pixel (x, y) of the composed picture as the desktop's status line tells it.
  pixelText(x, y) {
    const s = this.screen.pixelAt(x, y);
    const at = `(${x}, ${y})`;
    if (s.layer === 'nothing') return format(tr('%1 nothing'), at);
    const layer = s.layer === 'element' ? format(tr('character element %1'), s.element) : tr(s.layer);
    const channel = (shift) => {
      const c = (s.colour >> shift) & 31;
      return (c << 3) | (c >> 2);
    };
    return format(tr('%1 %2, index %3, 0x%4 = RGB(%5,%6,%7)'), at, layer, s.index,
      s.colour.toString(16).toUpperCase().padStart(4, '0'), channel(10), channel(5), channel(0));
  }

  // "wp003-bg012-ch045.png" for the pictures shown.
  pictureFileName() {
    const parts = ['wp', 'bg', 'ch']
      .map((prefix, k) => [prefix, this.layer(k).current])
      .filter(([, shown]) => shown >= 0)
      .map(([prefix, shown]) => prefix + String(shown).padStart(3, '0'));
    return (parts.length ? parts.join('-') : 'velmora') + '.png';
  }

  // The character's groups of alternative elements as the tools window shows them: runs of
  // neighbouring elements with one rectangle, each with the element shown in it (-1: none).
  elementGroups() {
    const { elements, shown } = this.screen.elements();
    const groups = [];
    elements.forEach((e, i) => {
      if (i === 0 || !e.sameAsPrevious) groups.push({ first: i, count: 1, left: e.left, top: e.top });
      else ++groups[groups.length - 1].count;
    });
    for (const g of groups) {
      g.chosen = -1;
      for (const s of shown) if (s >= g.first && s < g.first + g.count) g.chosen = Math.max(g.chosen, s);
    }
    return groups;
  }
}
