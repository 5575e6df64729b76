// What the page's tests and benchmarks share: the site served on 127.0.0.1, Debian's Chromium
// driven by playwright-core (never a browser download), and the page opened in it.
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { chromium } from 'playwright-core';
import { serve } from '../tools/serve.mjs';

export const Chromium = process.env.VLM_CHROMIUM ?? '/usr/bin/chromium';

// Headless Chromium as this machine runs it: no sandbox (root), no GPU, and nothing that
// reaches for the network on its own.
export async function launch() {
  const profile = mkdtempSync(join(tmpdir(), 'velmora-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: Chromium,
    headless: true,
    acceptDownloads: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  return {
    context,
    async close() {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// The site folder served for the time of a run.
export async function site(root) {
  const server = await serve(root);
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

// A fresh page on the viewer, its engine loaded.
export async function openViewer(context, url, { locale } = {}) {
  const page = await context.newPage();
  if (locale) await page.addInitScript((lang) => {
    Object.defineProperty(navigator, 'languages', { get: () => [lang] });
  }, locale);
  await page.goto(url);
  await page.waitForSelector('body.ready');
  return page;
}

// Files chosen through the file button, as a user does; resolves once the page took them in.
export async function choose(page, files) {
  const before = await page.evaluate(() => document.querySelector('#status').textContent);
  await page.setInputFiles('#files', files);
  await page.waitForFunction((old) => document.querySelector('#status').textContent !== old, before);
}

// The canvas's own pixels, RGBA.
export async function canvasPixels(page) {
  return Buffer.from(await page.evaluate(() => {
    const c = document.querySelector('#screen');
    return Array.from(c.getContext('2d').getImageData(0, 0, c.width, c.height).data);
  }));
}
