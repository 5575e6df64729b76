// The web page's benchmarks in Debian's Chromium: page ready after load, a key to the next
// picture on screen, 500 background thumbnails in their list, and what the browser downloads.
// Each beside a floor measured in the same run; medians of the repetitions.
//   node web/bench/bench.mjs --site DIR --mkdemo PATH [--rounds N]
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, readdirSync, rmSync } from 'node:fs';
import { loadavg, tmpdir } from 'node:os';
import { join } from 'node:path';
import { parseArgs } from 'node:util';
import { gzipSync } from 'node:zlib';
import { choose, launch, openViewer, site } from '../test/browser.mjs';

const { values: args } = parseArgs({
  options: { site: { type: 'string' }, mkdemo: { type: 'string' }, rounds: { type: 'string', default: '5' } },
});
const rounds = Number(args.rounds);
const work = mkdtempSync(join(tmpdir(), 'velmora-web-bench-'));
const demo = join(work, 'demo');
execFileSync(args.mkdemo, [demo]);
const archive = (name) => join(demo, name);

const median = (values) => {
  const v = [...values].sort((a, b) => a - b);
  return v.length % 2 ? v[(v.length - 1) / 2] : (v[v.length / 2 - 1] + v[v.length / 2]) / 2;
};
const rows = [];
function report(name, values, floorName, floorValues, target) {
  const m = median(values);
  const f = floorValues ? median(floorValues) : null;
  rows.push({ name, median: m, floorName, floor: f, target, n: values.length });
}

const browser = await launch();
const chromiumVersion = browser.version();
const server = await site(args.site);

// Ready: from the start of the navigation until the file button is enabled, the engine loaded.
// Floor: the same page's DOMContentLoaded (its HTML and style, no engine yet).
async function ready() {
  const times = [];
  const floors = [];
  for (let r = 0; r < rounds; ++r) {
    const page = await openViewer(browser, server.url);
    const [mark, nav] = await page.evaluate(() => [
      performance.getEntriesByName('velmora-ready')[0].startTime,
      performance.getEntriesByType('navigation')[0].domContentLoadedEventEnd]);
    times.push(mark);
    floors.push(nav);
    await page.context().close();
  }
  report('page ready after load (ms)', times, 'DOMContentLoaded', floors, '< 1000');
}

// A key to the next picture on screen: from the key's event to the frame after the command,
// keys alternating between the character and the background. Floor: a key the page ignores,
// from its event to the next frame.
async function step() {
  const page = await openViewer(browser, server.url);
  await choose(page, ['EYECATCH.ALL', 'NBGFILE1.ALL', 'NCDAT.ALL'].map(archive));
  await page.evaluate(() => {
    window.benchTimes = [];
    document.addEventListener('keydown', (event) => {
      const start = event.timeStamp;
      requestAnimationFrame(() => window.benchTimes.push(performance.now() - start));
    });
    window.benchCommands = [];
    new PerformanceObserver((list) => {
      for (const e of list.getEntries()) window.benchCommands.push(e.duration);
    }).observe({ entryTypes: ['measure'] });
  });
  const measure = async (keys) => {
    await page.evaluate(() => { window.benchTimes = []; window.benchCommands = []; });
    for (const key of keys) await page.keyboard.press(key);
    await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
    return page.evaluate(() => [window.benchTimes, window.benchCommands]);
  };
  const keys = Array.from({ length: 40 * rounds }, (_, i) => (i % 4 === 3 ? 'ArrowDown' : 'ArrowRight'));
  const [steps, commands] = await measure(keys);
  const [idle] = await measure(Array(40 * rounds).fill('x'));
  report('key to the next picture on screen (ms)', steps, 'an ignored key to the next frame', idle, '< 16');
  report('  of which the command: engine, canvas, caption (ms)', commands, null, null, '');
  await page.context().close();
}

// The worker making all 500 background thumbnails in one call, timed on the page.
async function workerAlone(page) {
  await page.evaluate(() => {
    const input = Object.assign(document.createElement('input'), { type: 'file', id: 'bench-file' });
    document.body.append(input);
  });
  await page.setInputFiles('#bench-file', [archive('NBGFILE1.ALL')]);
  return page.evaluate(async () => {
    const { WorkerBridge } = await import('./bridge.js');
    const bridge = new WorkerBridge(new URL('./worker.js', location.href));
    const source = { id: 1, layer: 1, file: document.querySelector('#bench-file').files[0] };
    await bridge.call('thumbnails', { source, indices: [0] }); // the module loaded and compiled
    const start = performance.now();
    await bridge.call('thumbnails', { source, indices: Array.from({ length: 500 }, (_, i) => i) });
    const time = performance.now() - start;
    bridge.stop();
    return time;
  });
}

// The page thread's tasks in a Chromium trace: their wall time, and the time the thread ran
// (which other work on the machine does not stretch).
function pageTasks(trace) {
  const events = JSON.parse(trace.toString()).traceEvents;
  const mains = new Set(events.filter((e) => e.name === 'thread_name' && e.args?.name === 'CrRendererMain')
    .map((e) => `${e.pid}:${e.tid}`));
  const byThread = new Map();
  for (const e of events) {
    const thread = `${e.pid}:${e.tid}`;
    if (e.ph !== 'X' || e.name !== 'ThreadControllerImpl::RunTask' || !mains.has(thread)) continue;
    if (!byThread.has(thread)) byThread.set(thread, []);
    byThread.get(thread).push({ wall: e.dur / 1000, cpu: (e.tdur ?? e.dur) / 1000 });
  }
  // The page's renderer is the one that worked the most.
  const busy = (tasks) => tasks.reduce((n, t) => n + t.cpu, 0);
  return [...byThread.values()].sort((a, b) => busy(b) - busy(a))[0] ?? [];
}

// 500 background thumbnails in the list, from the file chosen until the last is drawn, and the
// longest task on the page's thread meanwhile. Floor: the worker making the same 500 in one call.
async function thumbnails() {
  const fills = [];
  const longest = [];
  const longestCpu = [];
  const floors = [];
  for (let r = 0; r < rounds; ++r) {
    const page = await openViewer(browser, server.url);
    await browser.startTracing(page, { categories: ['toplevel'] });
    const start = Date.now();
    await page.setInputFiles('#files', [archive('NBGFILE1.ALL')]);
    await page.waitForFunction(() => document.querySelectorAll('[data-layer="1"] li.made').length === 500,
      null, { timeout: 120000, polling: 20 });
    fills.push(Date.now() - start);
    const tasks = pageTasks(await browser.stopTracing());
    longest.push(Math.max(0, ...tasks.map((t) => t.wall)));
    longestCpu.push(Math.max(0, ...tasks.map((t) => t.cpu)));
    floors.push(await workerAlone(page));
    await page.context().close();
  }
  report('500 background thumbnails in the list (ms)', fills, 'the worker alone, one call', floors, '');
  report('  longest task on the page meanwhile, wall (ms)', longest, null, null, '< 50');
  report('  the same, time the thread ran (ms)', longestCpu, null, null, '< 50');
}

function sizes() {
  const files = readdirSync(args.site, { recursive: true })
    .filter((f) => /\.(js|wasm)$/.test(f));
  const bytes = files.reduce((n, f) => n + gzipSync(readFileSync(join(args.site, f)), { level: 9 }).length, 0);
  const wasm = gzipSync(readFileSync(join(args.site, 'velmora-core.wasm')), { level: 9 }).length;
  rows.push({ name: '.wasm + JS, gzip -9 (KB)', median: bytes / 1024, target: '< 1024', n: files.length,
    floorName: 'of which the .wasm', floor: wasm / 1024 });
}

try {
  await ready();
  await step();
  await thumbnails();
  sizes();
} finally {
  await browser.close();
  await server.close();
  rmSync(work, { recursive: true, force: true });
}

// Other work on the machine stretches every time here: the load says how much there was.
console.log(`Chromium ${chromiumVersion}, ${rounds} rounds; medians; load average ${loadavg()[0].toFixed(1)}`);
console.log('benchmark'.padEnd(54), 'median'.padStart(9), '  floor (same run)', ''.padEnd(26), 'ratio', '  target');
for (const r of rows) {
  const floor = r.floor === null || r.floor === undefined ? '' : `${r.floorName}: ${r.floor.toFixed(1)}`;
  const ratio = r.floor ? (r.median / r.floor).toFixed(2) : '';
  console.log(r.name.padEnd(54), r.median.toFixed(1).padStart(9), ' ', floor.padEnd(44), ratio.padStart(5), ' ', r.target);
}
