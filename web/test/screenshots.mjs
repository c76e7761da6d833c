// The guide's pictures of the browser version, from headless Chromium.
//   node web/test/screenshots.mjs build-web/site docs/guide
import { join } from 'node:path';
import { serve, launch, openPage, byName } from './browser.mjs';

const site = process.argv[2] ?? 'build-web/site';
const out = process.argv[3] ?? 'docs/guide';
const server = await serve(site);
const browser = await launch();
const fresh = async () => {
  const { page } = await openPage(browser, server.url, { width: 1280, height: 860 });
  await page.evaluate(() => localStorage.clear());
  return page;
};
const click = async (page, role, name) => (await page.waitForSelector(byName(role, name))).click();

// The panel and the editor after the first program ran.
let page = await fresh();
await page.select(byName('combobox', 'Samples and exercises'), 'FIRST.s');
await click(page, 'button', 'RST');
await click(page, 'button', 'Run');
await page.waitForFunction(() => /HALT=1/.test(document.getElementById('state').textContent));
await page.screenshot({ path: join(out, 'web-page.png') });
await page.close();

// An error marked in the text and listed.
page = await fresh();
await page.select(byName('combobox', 'Samples and exercises'), 'FIRST.s');
await page.evaluate(() => {
  const e = window.scmp.editor;
  e.setText(e.text().replace('LDI 0x5A        ; the pattern', 'LDX 0x5A        ; the pattern'));
});
await click(page, 'button', 'Assemble');
await (await page.$('#source')).screenshot({ path: join(out, 'web-errors.png') });
await page.close();

// Run Tests on an exercise with a fault, one test shown.
page = await fresh();
await page.select(byName('combobox', 'Samples and exercises'), 'EX1_INVERT.s');
await page.evaluate(() => {
  const e = window.scmp.editor;
  e.setText(e.text().replace(/XRI\s+0xFF/i, 'XRI 0x0F'));
});
await click(page, 'button', 'Run Tests');
await (await page.$('#tests')).screenshot({ path: join(out, 'web-tests.png') });
await page.close();

await browser.close();
server.close();
console.log(`pictures in ${out}`);
