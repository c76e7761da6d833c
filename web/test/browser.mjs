// What the browser tests, the screenshots and the benchmark share: a static
// server over the site and Debian's Chromium, headless, driven by puppeteer-core.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize } from 'node:path';
import puppeteer from 'puppeteer-core';

const kTypes = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };

export async function serve(site) {
  const server = createServer(async (req, res) => {
    const path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname)).replace(/^(\.\.[/\\])+/, '');
    try {
      const body = await readFile(join(site, path.endsWith('/') ? path + 'index.html' : path));
      res.writeHead(200, { 'content-type': kTypes[extname(path) || '.html'] ?? 'application/octet-stream' });
      res.end(body);
    } catch {
      res.writeHead(404);
      res.end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

export async function launch() {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
  });
}

// Opens the page and waits until the model has started.
export async function openPage(browser, url, viewport = { width: 1400, height: 1000 }) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  const started = Date.now();
  await page.goto(url);
  await page.waitForSelector('body[data-ready="true"]', { timeout: 20000 });
  return { page, readyMs: Date.now() - started, errors };
}

export const byName = (role, name) => `::-p-aria([name="${name}"][role="${role}"])`;
