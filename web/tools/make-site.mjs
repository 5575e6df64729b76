// Puts the static site together: the page's own files, the WebAssembly module, the texts taken
// from the viewer's translations and the npm libraries the page loads.
//   node make-site.mjs --out DIR --core DIR_OF_velmora-core.js --version X.Y.Z
import { createHash } from 'node:crypto';
import { copyFileSync, mkdirSync, readdirSync, readFileSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

const web = join(dirname(fileURLToPath(import.meta.url)), '..');
const { values: args } = parseArgs({
  options: { out: { type: 'string' }, core: { type: 'string' }, version: { type: 'string' } },
});
if (!args.out || !args.core || !args.version) {
  console.error('usage: make-site.mjs --out DIR --core DIR --version X.Y.Z');
  process.exit(2);
}

const entities = { amp: '&', lt: '<', gt: '>', quot: '"', apos: "'" };
const unescape = (text) => text.replace(/&(amp|lt|gt|quot|apos);/g, (_, e) => entities[e]);

// source -> translation of one Qt Linguist file; unfinished entries are left out.
export function readTs(xml) {
  const texts = {};
  for (const [, body] of xml.matchAll(/<message>([\s\S]*?)<\/message>/g)) {
    const source = body.match(/<source>([\s\S]*?)<\/source>/);
    const translation = body.match(/<translation(?![^>]*unfinished)[^>]*>([\s\S]*?)<\/translation>/);
    if (source && translation) texts[unescape(source[1])] = unescape(translation[1]);
  }
  return texts;
}

const i18n = join(web, '..', 'app', 'i18n');
const qt = {
  en: readTs(readFileSync(join(i18n, 'velmora_en.ts'), 'utf8')),
  ja: readTs(readFileSync(join(i18n, 'velmora_ja.ts'), 'utf8')),
};

mkdirSync(join(args.out, 'vendor'), { recursive: true });
for (const name of readdirSync(join(web, 'page'))) {
  const text = readFileSync(join(web, 'page', name), 'utf8');
  writeFileSync(join(args.out, name), text.replaceAll('@VLM_VERSION@', args.version));
}
for (const name of ['velmora-core.js', 'velmora-core.wasm'])
  copyFileSync(join(args.core, name), join(args.out, name));
const fflate = join(web, 'node_modules', 'fflate', 'esm', 'browser.js');
try {
  copyFileSync(fflate, join(args.out, 'vendor', 'fflate.js'));
} catch {
  console.error(`make-site: ${fflate} is missing: run "npm ci" in web/ (scripts/setup does)`);
  process.exit(1);
}
const qtTexts = join(args.out, 'qt-texts.js');
writeFileSync(qtTexts,
  '// Made from app/i18n/*.ts by web/tools/make-site.mjs: the desktop viewer\'s texts.\n' +
  `export default ${JSON.stringify(qt, null, 1)};\n`);

// The service worker caches every file of the site under a name made of their content.
const files = readdirSync(args.out, { recursive: true, withFileTypes: true })
  .filter((f) => f.isFile() && f.name !== 'sw.js')
  .map((f) => join(f.parentPath ?? f.path, f.name).slice(args.out.length).replace(/^\/+/, ''))
  .sort();
const hash = createHash('sha256');
for (const f of files) hash.update(f).update(readFileSync(join(args.out, f)));
const sw = join(args.out, 'sw.js');
writeFileSync(sw, readFileSync(sw, 'utf8')
  .replace('@VLM_SITE_HASH@', hash.digest('hex').slice(0, 16))
  .replace('@VLM_SITE_FILES@', JSON.stringify(['./', ...files])));
