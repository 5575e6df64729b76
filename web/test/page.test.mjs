// The web page in headless Chromium, held against velmora-cli: the demo archives opened through
// the file button, stepped with keys, the canvas compared pixel by pixel with `compose`, the
// zip's PNGs with `export`, and bad files that must leave the page working.
//   VLM_SITE=build-web/site VLM_CLI=... VLM_MKDEMO=... node --test web/test/
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { basename, join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { unzipSync } from 'fflate';
import { canvasPixels, choose, launch, openViewer, site } from './browser.mjs';
import { readPng, rgbOf } from './pngread.mjs';

const root = join(import.meta.dirname, '..', '..');
const sitePath = process.env.VLM_SITE ?? join(root, 'build-web', 'site');
const cli = process.env.VLM_CLI ?? join(root, 'build', 'cli', 'velmora-cli');
const mkdemo = process.env.VLM_MKDEMO ?? join(root, 'build', 'tools', 'velmora-mkdemo');

const work = mkdtempSync(join(tmpdir(), 'velmora-web-test-'));
const demo = join(work, 'demo');
const archive = (name) => join(demo, name);
let browser;
let server;

before(async () => {
  execFileSync(mkdemo, [demo]);
  [browser, server] = await Promise.all([launch(), site(sitePath)]);
});

after(async () => {
  await browser?.close();
  await server?.close();
  rmSync(work, { recursive: true, force: true });
});

const title = (page) => page.title();
const status = (page) => page.textContent('#status');

// What velmora-cli says of picture index of a file: "ok" or the reason it cannot be read.
function cliReason(file, index) {
  let out;
  try {
    out = execFileSync(cli, ['list', file], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
  } catch (e) {
    out = e.stdout; // exit status 1: some pictures could not be read
  }
  return out.split('\n')[index].split('\t')[5];
}

// The RGB pixels velmora-cli composes from the given layers ("FILE:I" each, or null).
let composed = 0;
function cliCompose(wallpaper, background, character) {
  const out = join(work, `compose-${composed++}.png`);
  const args = ['compose', '--out', out];
  if (wallpaper) args.push('--wallpaper', wallpaper);
  if (background) args.push('--background', background);
  if (character) args.push('--character', character);
  execFileSync(cli, args);
  return readPng(readFileSync(out)).pixels;
}

// The layers' indices a title names ("Velmora Viewer 3/22 -/500 7/152").
function indicesOf(text) {
  return text.replace('Velmora Viewer ', '').split(' ').map((part) => part.split('/')[0]);
}

describe('the three demo layers', () => {
  let page;
  before(async () => {
    page = await openViewer(browser, server.url);
    assert.equal(await title(page), 'Velmora Viewer -/0 -/0 -/0');
    assert.equal(await page.isEnabled('#files'), true, 'the file button waits for the engine');
    await choose(page, ['NCDAT.ALL', 'EYECATCH.ALL', 'NBGFILE1.ALL'].map(archive));
  });
  after(() => page?.context().close());

  // Each key after the one before; the wraps at both ends are the interesting rows.
  const steps = [
    [null, 'Velmora Viewer 0/22 0/500 0/152'],
    ['ArrowRight', 'Velmora Viewer 0/22 0/500 1/152'],
    ['ArrowDown', 'Velmora Viewer 0/22 1/500 1/152'],
    ['PageDown', 'Velmora Viewer 1/22 1/500 1/152'],
    ['ArrowLeft', 'Velmora Viewer 1/22 1/500 0/152'],
    ['ArrowLeft', 'Velmora Viewer 1/22 1/500 151/152'],
    ['ArrowUp', 'Velmora Viewer 1/22 0/500 151/152'],
    ['ArrowUp', 'Velmora Viewer 1/22 499/500 151/152'],
    ['PageUp', 'Velmora Viewer 0/22 499/500 151/152'],
    ['PageUp', 'Velmora Viewer 21/22 499/500 151/152'],
    ['Home', 'Velmora Viewer 0/22 0/500 0/152'],
  ];
  test('every key gives the caption and, pixel for pixel, what velmora-cli composes', async () => {
    for (const [key, expected] of steps) {
      if (key) await page.keyboard.press(key);
      assert.equal(await title(page), expected, `after ${key}`);
      const [w, b, c] = indicesOf(expected);
      const want = cliCompose(`${archive('EYECATCH.ALL')}:${w}`, `${archive('NBGFILE1.ALL')}:${b}`,
        `${archive('NCDAT.ALL')}:${c}`);
      assert.ok(rgbOf(await canvasPixels(page)).equals(want), `canvas after ${key} (${expected})`);
    }
    assert.match(await status(page), /^花00!赤 {2}\| {2}背景000海辺 {2}\| {2}あかね000$/);
  });

  test('an element chosen in its group shows as velmora-cli composes it', async () => {
    const group = page.locator('#groups select:not([disabled])').first();
    const options = await group.locator('option').evaluateAll((o) => o.map((x) => x.value));
    const element = options.at(-1);
    await group.selectOption(element);
    const want = cliCompose(`${archive('EYECATCH.ALL')}:0`, `${archive('NBGFILE1.ALL')}:0`,
      `${archive('NCDAT.ALL')}:0:${Number(element)}`);
    assert.ok(rgbOf(await canvasPixels(page)).equals(want), `element ${element}`);
    assert.equal(await title(page), 'Velmora Viewer 0/22 0/500 0/152');
  });

  test('the pixel under the pointer is told as the canvas shows it', async () => {
    // At 2x each pixel is a 2 x 2 block: its middle is a whole CSS pixel from every edge.
    await page.keyboard.press('+');
    const pixels = await canvasPixels(page);
    for (const [x, y, layer] of [[2, 3, 'wallpaper'], [30, 150, 'background'], [319, 223, 'wallpaper']]) {
      await page.locator('#screen').hover({ position: { x: 2 * x + 1, y: 2 * y + 1 } });
      const at = (y * 320 + x) * 4;
      const rgb = `RGB(${pixels[at]},${pixels[at + 1]},${pixels[at + 2]})`;
      const text = await status(page);
      assert.ok(text.startsWith(`(${x}, ${y}) ${layer}, index `), text);
      assert.ok(text.includes(rgb), `${text} names ${rgb}`);
    }
    await page.mouse.move(0, 0);
    await page.keyboard.press('0');
  });

  test('a list row shows its picture, and every thumbnail arrives', async () => {
    await page.locator('[data-layer="0"] li[data-index="5"]').click();
    assert.equal(await title(page), 'Velmora Viewer 5/22 0/500 0/152');
    await page.waitForFunction(() =>
      document.querySelectorAll('[data-layer="0"] li.made').length === 22, null, { timeout: 20000 });
    const size = await page.locator('[data-layer="0"] li.made img').first()
      .evaluate((i) => [i.naturalWidth, i.naturalHeight]);
    assert.deepEqual(size, [160, 112], 'wallpapers at half size');
  });

  test('the saved PNG holds the canvas at the zoom', async () => {
    await page.keyboard.press('+');
    const [download] = await Promise.all([page.waitForEvent('download'),
      page.getByRole('button', { name: 'Save Picture' }).click()]);
    assert.equal(download.suggestedFilename(), 'wp005-bg000-ch000.png');
    const png = readPng(readFileSync(await download.path()));
    assert.deepEqual([png.width, png.height, png.colourType], [640, 448, 2]);
    const shown = rgbOf(await canvasPixels(page));
    for (let y = 0; y < 448; ++y)
      for (let x = 0; x < 640; ++x) {
        const s = ((y >> 1) * 320 + (x >> 1)) * 3;
        assert.ok(png.pixels.subarray((y * 640 + x) * 3, (y * 640 + x) * 3 + 3)
          .equals(shown.subarray(s, s + 3)), `pixel (${x}, ${y})`);
      }
    await page.keyboard.press('0');
  });
});

describe('export', () => {
  let page;
  before(async () => {
    page = await openViewer(browser, server.url);
    await choose(page, ['EYECATCH.ALL', 'NCDAT.ALL', 'NBGFILE1.ALL'].map(archive));
  });
  after(() => page?.context().close());

  // The zip holds the files `velmora-cli export` writes, with the same palette, transparency
  // and indices in each.
  for (const [layer, name] of [[0, 'EYECATCH.ALL'], [2, 'NCDAT.ALL']]) {
    test(`${name} as a zip equals velmora-cli export`, async () => {
      const folder = join(work, `export-${name}`);
      execFileSync(cli, ['export', archive(name), '--out', folder, '--quiet']);
      const [download] = await Promise.all([page.waitForEvent('download', { timeout: 60000 }),
        page.locator(`[data-layer="${layer}"] .export`).click()]);
      assert.equal(download.suggestedFilename(), name.replace('.ALL', '.zip'));
      const zip = unzipSync(readFileSync(await download.path()));
      assert.deepEqual(Object.keys(zip).sort(), readdirSync(folder).sort());
      for (const file of readdirSync(folder)) {
        const want = readPng(readFileSync(join(folder, file)));
        const got = readPng(zip[file]);
        for (const field of ['width', 'height', 'colourType', 'palette', 'transparency', 'pixels'])
          assert.deepEqual(got[field], want[field], `${file}: ${field}`);
      }
      assert.match(await status(page), new RegExp(`${name}: \\d+ of \\d+ pictures written`));
    });
  }

  test('a cancelled export writes nothing and the page goes on', async () => {
    let downloads = 0;
    page.on('download', () => ++downloads);
    await page.locator('[data-layer="1"] .export').click();
    await page.waitForSelector('#export-dialog[open]');
    // Clicked inside the page at once: Playwright's click first waits for the button to settle,
    // and on a loaded machine the export could finish meanwhile.
    await page.evaluate(() => document.querySelector('#export-cancel').click());
    await page.waitForSelector('#export-dialog:not([open])', { state: 'attached' });
    // The dialog was over the picture: the pointer leaves it, so that no pixel leads the status.
    await page.mouse.move(0, 0);
    assert.match(await status(page), /^Cancelled: nothing was written\.  \|  /);
    await page.keyboard.press('ArrowDown');
    assert.equal(await title(page), 'Velmora Viewer 0/22 1/500 0/152');
    assert.equal(downloads, 0);
  });

  test('an archive none of whose pictures can be read exports nothing and says why', async () => {
    const file = join(mkdtempSync(join(work, 'short-')), 'NBGFILE1.ALL');
    writeFileSync(file, readFileSync(archive('NBGFILE1.ALL')).subarray(0, 5000));
    await choose(page, [file]);
    let downloads = 0;
    page.on('download', () => ++downloads);
    await page.locator('[data-layer="1"] .export').click();
    await page.waitForFunction(() => document.querySelector('#status').textContent.includes('500 pictures'));
    assert.ok((await status(page)).startsWith('NBGFILE1.ALL: 0 of 500 pictures written into -. ' +
      `Not written: picture 0: ${cliReason(file, 0)} picture 1: ${cliReason(file, 1)} `));
    assert.match(await status(page), / \.\.\. and 492 more\. {2}\|/);
    assert.equal(downloads, 0);
  });
});

describe('files the viewer cannot show', () => {
  let context;
  before(async () => {
    context = (await openViewer(browser, server.url)).context();
  });
  after(() => context?.close());

  const demoBytes = (name, length) => readFileSync(archive(name)).subarray(0, length);
  // What is opened beside the demo wallpaper, the caption then, and how the status line starts:
  // with the engine's reason as velmora-cli lists it, or with the words for a file of no known
  // name. The page goes on after each: the wallpaper still steps.
  const unreadable = (file) => `${basename(file)}, picture 0: ${cliReason(file, 0)}`;
  const rows = [
    ['zero bytes', 'NCDAT.ALL', () => Buffer.alloc(0), 'Velmora Viewer 0/22 -/0 -/152', unreadable],
    ['cut short', 'NBGFILE1.ALL', () => demoBytes('NBGFILE1.ALL', 310000), 'Velmora Viewer 0/22 -/500 -/0', unreadable],
    ['zeros past the search limit', 'NBGFILE1.ALL', () => Buffer.alloc(17 << 20), 'Velmora Viewer 0/22 -/500 -/0', unreadable],
    ['renamed', 'eyecatch.png', () => demoBytes('EYECATCH.ALL'), 'Velmora Viewer 0/22 -/0 -/0',
      () => 'eyecatch.png: not an archive the viewer knows by name'],
    ['lower case', 'ncdat.all', () => demoBytes('NCDAT.ALL'), 'Velmora Viewer 0/22 -/0 0/152', () => '花00!赤'],
  ];
  for (const [what, name, bytes, caption, statusStart] of rows) {
    test(`${what}: ${name}`, async () => {
      const file = join(mkdtempSync(join(work, 'bad-')), name);
      writeFileSync(file, bytes());
      const page = await context.newPage();
      try {
        await page.goto(server.url);
        await page.waitForSelector('body.ready');
        await choose(page, [archive('EYECATCH.ALL'), file]);
        assert.equal(await title(page), caption);
        const text = await status(page);
        assert.ok(text.startsWith(statusStart(file)), text);
        await page.keyboard.press('PageDown');
        assert.equal(await title(page), caption.replace('0/22', '1/22'));
      } finally {
        await page.close();
      }
    });
  }
});

describe('zoom', () => {
  // Every picture pixel a whole block of device pixels, at any pixel ratio.
  for (const ratio of [1, 1.5, 2]) {
    test(`device pixel ratio ${ratio}`, async () => {
      const page = await openViewer(browser, server.url, { deviceScaleFactor: ratio,
        viewport: { width: 3000, height: 2000 } });
      try {
        const blocks = [];
        for (const key of ['0', '+', '+', '+', '+', '+', '+', '+', '+', '-', '0', '-']) {
          await page.keyboard.press(key);
          // The canvas's size in device pixels; layout keeps CSS sizes in 1/64 px, so a size
          // such as 426.67 px (640 device pixels at 1.5) comes back a little off the whole.
          const [width, height] = await page.locator('#screen').evaluate((c) => {
            const box = c.getBoundingClientRect();
            return [box.width * devicePixelRatio, box.height * devicePixelRatio];
          });
          const block = Math.round(width / 320);
          assert.ok(Math.abs(width - 320 * block) < 0.05 && Math.abs(height - 224 * block) < 0.05,
            `${width} x ${height} device pixels`);
          blocks.push(block);
        }
        const z = (n) => Math.max(1, Math.round(n * ratio));
        assert.deepEqual(blocks, [1, 2, 3, 4, 5, 6, 7, 8, 8, 7, 1, 1].map(z));
      } finally {
        await page.context().close();
      }
    });
  }
});

describe('language', () => {
  const reset = (page) => page.getByRole('button', { name: /Reset All|全ﾘｾｯﾄ/ }).textContent();
  for (const [locale, caption] of [['ja-JP', '全ﾘｾｯﾄ'], ['en-US', 'Reset All'], ['fr-FR', 'Reset All']]) {
    test(`the browser's ${locale}`, async () => {
      const page = await openViewer(browser, server.url, { locale });
      try {
        assert.equal(await reset(page), caption);
      } finally {
        await page.context().close();
      }
    });
  }

  test('a language chosen is kept', async () => {
    const page = await openViewer(browser, server.url, { locale: 'en-US' });
    try {
      await page.selectOption('#language', 'ja');
      assert.equal(await reset(page), '全ﾘｾｯﾄ');
      assert.equal(await status(page), '開く: ファイルのボタン、またはアーカイブをドロップ');
      await page.reload();
      await page.waitForSelector('body.ready');
      assert.equal(await reset(page), '全ﾘｾｯﾄ');
    } finally {
      await page.context().close();
    }
  });
});

describe('away from the server', () => {
  test('once loaded, the page opens, lists and exports offline', async () => {
    const page = await openViewer(browser, server.url);
    try {
      await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
      await page.context().setOffline(true);
      await page.reload();
      await page.waitForSelector('body.ready');
      await choose(page, [archive('EYECATCH.ALL')]);
      assert.equal(await title(page), 'Velmora Viewer 0/22 -/0 -/0');
      await page.waitForFunction(() =>
        document.querySelectorAll('[data-layer="0"] li.made').length === 22, null, { timeout: 20000 });
      const [download] = await Promise.all([page.waitForEvent('download', { timeout: 60000 }),
        page.locator('[data-layer="0"] .export').click()]);
      assert.equal(Object.keys(unzipSync(readFileSync(await download.path()))).length, 22);
    } finally {
      await page.context().close();
    }
  });

  test('a dropped file opens as a chosen one', async () => {
    const page = await openViewer(browser, server.url);
    try {
      const bytes = readFileSync(archive('EYECATCH.ALL')).toString('base64');
      const drop = await page.evaluateHandle((data) => {
        const transfer = new DataTransfer();
        const raw = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
        transfer.items.add(new File([raw], 'eyecatch.all'));
        return transfer;
      }, bytes);
      await page.dispatchEvent('#screen', 'drop', { dataTransfer: drop });
      await page.waitForFunction(() => document.title !== 'Velmora Viewer -/0 -/0 -/0');
      assert.equal(await title(page), 'Velmora Viewer 0/22 -/0 -/0');
      await page.keyboard.press('PageUp');
      assert.equal(await title(page), 'Velmora Viewer 21/22 -/0 -/0');
    } finally {
      await page.context().close();
    }
  });
});
