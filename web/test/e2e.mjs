// The page in headless Chromium, used by accessible names only: type a
// program, assemble, run, read the LEDs, a share link, Run Tests, Stop; and
// axe-core finds no serious or critical violation in either theme.
//   node web/test/e2e.mjs build-web/site
import { test, after, before } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { serve, launch, openPage, byName } from './browser.mjs';

const site = process.argv[2] ?? 'build-web/site';
const axeSource = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
let server, browser;
before(async () => { server = await serve(site); browser = await launch(); });
after(async () => { await browser?.close(); server?.close(); });

const kProgram = [
  '; LEDs 0x5A', '        .org 0x001', '        LDI 0x0A', '        XPAH P1', '        LDI 0x00', '        XPAL P1',
  '        LDI 0x5A', '        ST 0(P1)', '        HALT', ''].join('\n');

async function typeSource(page, text) {
  const editor = await page.waitForSelector(byName('textbox', 'Source text'));
  await editor.click();
  await page.keyboard.down('Control');
  await page.keyboard.press('KeyA');
  await page.keyboard.up('Control');
  await page.keyboard.press('Backspace');
  // Typed line by line; a new line goes in as typed text, so that the
  // editor adds no indentation of its own.
  for (const [i, line] of text.split('\n').entries()) {
    if (i > 0) await page.keyboard.sendCharacter('\n');
    await page.keyboard.type(line);
  }
}
const click = async (page, role, name) => (await page.waitForSelector(byName(role, name))).click();
const textOf = async (page, role, name) => (await page.waitForSelector(byName(role, name))).evaluate((e) => e.textContent);
const ledStates = (page) => page.$$eval('[role="img"][aria-label^="LED "]', (els) => els.map((e) => e.getAttribute('aria-label')).sort());

test('type, assemble, run and read the LEDs; the state line says the same', async () => {
  const { page, errors } = await openPage(browser, server.url);
  await typeSource(page, kProgram);
  await click(page, 'button', 'Assemble');
  await click(page, 'button', 'RST');
  await click(page, 'button', 'Run');
  await page.waitForFunction(() => /HALT=1/.test(document.querySelector('output').textContent));
  const want = [0, 1, 2, 3, 4, 5, 6, 7].map((i) => `LED ${i}, ${(0x5a >> i) & 1 ? 'lit' : 'dark'}`).sort();
  assert.deepEqual(await ledStates(page), want);
  assert.match(await textOf(page, 'status', 'State line'), /LEDS=5A FLAGS=0 HALT=1/);
  assert.deepEqual(errors, []);
  await page.close();
});

test('a wrong line is marked and listed as FILE:LINE:COL', async () => {
  const { page } = await openPage(browser, server.url);
  await typeSource(page, '        LDI 1\n        BOGUS 2\n');
  await click(page, 'button', 'Assemble');
  const messages = await page.$$eval('#messages button', (els) => els.map((e) => e.textContent));
  assert.ok(messages.some((m) => /:2:\d+: error: /.test(m)), messages.join('\n'));
  assert.ok(await page.$('.cm-lintRange-error'), 'the wrong word is underlined');
  await page.close();
});

test('an endless run keeps the page responsive and Stop ends it at once', async () => {
  const { page } = await openPage(browser, server.url);
  await typeSource(page, '        .org 0x001\nLOOP:   ILD 0x40(P0)\n        JMP LOOP\n');
  await page.select(byName('combobox', 'Speed'), '0');
  const pause = await page.waitForSelector(byName('spinbutton', 'Pause count'));
  await pause.click({ clickCount: 3 });
  await pause.type('0');
  await page.keyboard.press('Tab');
  await click(page, 'button', 'Run');
  await page.waitForFunction(() => document.getElementById('stop').disabled === false);
  const responsive = await page.evaluate(() => new Promise((resolve) => {
    const t0 = performance.now();
    setTimeout(() => resolve(performance.now() - t0), 0);
  }));
  assert.ok(responsive < 100, `a timer waited ${responsive} ms during the run`);
  await page.keyboard.press('Escape');
  const live = await page.evaluate(() => window.scmp.trainer.live());
  assert.equal(live, false);
  assert.match(await page.$eval('output', (e) => e.textContent), /HALT=1/);
  await page.close();
});

test('a share link opens the same program and test file in another page', async () => {
  const { page } = await openPage(browser, server.url);
  await typeSource(page, '; shared Ä ▶\n' + kProgram);
  const tests = await page.waitForSelector(byName('textbox', 'Test file'));
  await tests.type('test "leds"\n  run for 1ms\n  expect leds 5A\nend\n');
  await click(page, 'button', 'Share');
  const link = await (await page.waitForSelector(byName('link', 'Link to this program'))).evaluate((a) => a.href);
  assert.match(link, /#s=[A-Za-z0-9_-]+&t=[A-Za-z0-9_-]+$/);
  const other = await openPage(browser, link);
  const typed = await page.evaluate(() => window.scmp.editor.text());
  assert.ok(typed.startsWith('; shared Ä ▶\n; LEDs 0x5A\n'));
  assert.equal(await other.page.evaluate(() => window.scmp.editor.text()), typed);
  assert.match(await other.page.$eval('#test-text', (e) => e.value), /expect leds 5A/);
  await click(other.page, 'button', 'Run Tests');
  assert.match(await other.page.$eval('#test-summary', (e) => e.textContent), /1\/1|passed/);
  await other.page.close();
  await page.close();
});

test('an exercise from the list: Run Tests grades it, a failure can be shown', async () => {
  const { page } = await openPage(browser, server.url);
  await page.select(byName('combobox', 'Samples and exercises'), 'EX1_INVERT.s');
  await click(page, 'button', 'Run Tests');
  const summary = await page.$eval('#test-summary', (e) => e.textContent);
  assert.match(summary, /EX1_INVERT/);
  const failing = await page.$$eval('#test-results .fail', (els) => els.length);
  assert.equal(failing, 0, summary);
  // Broken: every test fails, and Show puts the panel at the failing moment.
  await typeSource(page, '        .org 0x001\n        HALT\n');
  await click(page, 'button', 'Run Tests');
  assert.ok((await page.$$eval('#test-results .fail', (els) => els.length)) > 0);
  const show = await page.$('#test-results button');
  await show.click();
  assert.match(await page.$eval('#status', (e) => e.textContent), /where the test failed/);
  await page.close();
});

test('axe-core finds no serious or critical violation, light or dark', async () => {
  const { page } = await openPage(browser, server.url);
  await page.select(byName('combobox', 'Samples and exercises'), 'EX1_INVERT.s');
  await page.evaluate(() => { document.getElementById('monitor').open = true; });
  await page.evaluate(axeSource);
  for (const theme of ['light', 'dark']) {
    await page.evaluate((t) => { document.documentElement.dataset.theme = t; }, theme);
    const results = await page.evaluate(() => window.axe.run(document));
    const bad = results.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical');
    assert.deepEqual(bad.map((v) => `${theme}: ${v.id}: ${v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(', ')}`), []);
  }
  await page.close();
});
