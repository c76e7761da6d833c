// Builds the static site: the page bundled with esbuild, the stylesheet, the
// WebAssembly module, all with relative paths.
//   node web/build.mjs WEB_BUILD_DIR   (writes WEB_BUILD_DIR/site)
import { build } from 'esbuild';
import { copyFileSync, mkdirSync, rmSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const out = resolve(process.argv[2] ?? join(here, '..', 'build-web'));
const site = join(out, 'site');
rmSync(site, { recursive: true, force: true });
mkdirSync(site, { recursive: true });
await build({
  entryPoints: [join(here, 'src', 'main.js')],
  bundle: true,
  minify: true,
  format: 'esm',
  target: 'es2022',
  external: ['./scmp_web.mjs'],
  outfile: join(site, 'main.js'),
  logLevel: 'warning',
});
copyFileSync(join(here, 'index.html'), join(site, 'index.html'));
copyFileSync(join(here, 'src', 'style.css'), join(site, 'style.css'));
for (const f of ['scmp_web.mjs', 'scmp_web.wasm']) copyFileSync(join(out, f), join(site, f));
console.log(`site: ${site}`);
