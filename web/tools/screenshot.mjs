// Takes docs/web.png: the page in headless Chromium on the demo archives, at 2x, with a
// character element swapped and the pointer on the picture.
//   node web/tools/screenshot.mjs SITE_DIR DEMO_DIR OUT.png
import { join } from 'node:path';
import { choose, launch, openViewer, site } from '../test/browser.mjs';

const [siteDir, demo, out] = process.argv.slice(2);
const server = await site(siteDir);
const browser = await launch();
try {
  const page = await openViewer(browser, server.url, { viewport: { width: 1280, height: 800 } });
  await choose(page, ['EYECATCH.ALL', 'NBGFILE1.ALL', 'NCDAT.ALL'].map((f) => join(demo, f)));
  for (const key of ['PageDown', 'ArrowDown', 'ArrowRight', 'ArrowRight', '+']) await page.keyboard.press(key);
  const group = page.locator('#groups select:not([disabled])').nth(1);
  await group.selectOption({ index: 1 });
  await page.waitForFunction(() => document.querySelectorAll('li.made').length > 60);
  await page.locator('#screen').hover({ position: { x: 301, y: 161 } });
  await page.screenshot({ path: out });
} finally {
  await browser.close();
  await server.close();
}
