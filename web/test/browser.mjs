// What the page's tests and benchmarks share: the site served on 127.0.0.1, Debian's Chromium
// driven by playwright-core (never a browser download), and the page opened in it.
import { chromium } from 'playwright-core';
import { serve } from '../tools/serve.mjs';

export const Chromium = process.env.VLM_CHROMIUM ?? '/usr/bin/chromium';

// Headless Chromium as this machine runs it: no sandbox (root), no GPU, and nothing that
// reaches for the network on its own. Playwright gives it a new empty profile.
export async function launch() {
  return chromium.launch({
    executablePath: Chromium,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

// The site folder served for the time of a run.
export async function site(root) {
  const server = await serve(root);
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

// A fresh page on the viewer in a context of its own (options: locale, deviceScaleFactor, ...),
// its engine loaded.
export async function openViewer(browser, url, options = {}) {
  const context = await browser.newContext({ acceptDownloads: true, ...options });
  const page = await context.newPage();
  page.on('pageerror', (e) => console.error(`page error: ${e.message}`));
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

// The canvas's own pixels, RGBA (through base64: a plain array of numbers is slow to pass).
export async function canvasPixels(page) {
  return Buffer.from(await page.evaluate(() => {
    const c = document.querySelector('#screen');
    const bytes = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  }), 'base64');
}
