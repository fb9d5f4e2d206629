// Makes the web edition from the page's sources, the compiled core and the data archive:
//   OUT/site/      index.html, style.css, app.js, worker.js, hvxfer-core.wasm, main.cr: for any static host
//   OUT/hvxfer.html  one file with all of it inside, that works opened from disk
// Both carry a Content-Security-Policy that allows nothing from any other origin.
//
//   node build-site.mjs --page web/page --core BUILD/web/hvxfer-core.js --data BUILD/data/main.cr --out OUT
import { createHash } from 'node:crypto';
import { mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { parseArgs } from 'node:util';

const { values: args } = parseArgs({
  options: { page: { type: 'string' }, core: { type: 'string' }, data: { type: 'string' }, out: { type: 'string' } },
});
for (const name of ['page', 'core', 'data', 'out']) {
  if (!args[name]) throw new Error(`--${name} is missing`);
}

const read = (path) => readFileSync(path);
const text = (path) => readFileSync(path, 'utf8');
const page = (name) => text(join(args.page, name));

const template = page('index.html');
const style = page('style.css');
const app = page('app.js');
// The worker is Emscripten's loader followed by the page's worker code: one script, no imports.
const worker = `${text(args.core)}\n${page('worker.js')}`;
const wasm = read(args.core.replace(/\.js$/, '.wasm'));
const archive = read(args.data);

// Everything the page may load, and nothing from elsewhere. Workers are made from Blob URLs (a page opened
// from disk may not start one from a file); wasm is compiled, never evaluated as text.
function policy({ scripts, styles, connect }) {
  return [
    "default-src 'none'",
    `script-src ${scripts} 'wasm-unsafe-eval'`,
    'worker-src blob:',
    `style-src ${styles}`,
    `connect-src ${connect}`,
    'img-src data:',
    "base-uri 'none'",
    "form-action 'none'",
  ].join('; ');
}

function fill(values) {
  let html = template;
  for (const [key, value] of Object.entries(values)) {
    if (!html.includes(`@${key}@`)) throw new Error(`index.html has no @${key}@`);
    html = html.replace(`@${key}@`, () => value);
  }
  return html;
}

const hash = (content) => `'sha256-${createHash('sha256').update(content, 'utf8').digest('base64')}'`;

function writeOut(path, content) {
  mkdirSync(dirname(path), { recursive: true });
  writeFileSync(path, content);
}

// The site.
const site = join(args.out, 'site');
rmSync(site, { recursive: true, force: true });
writeOut(join(site, 'index.html'), fill({
  CSP: policy({ scripts: "'self'", styles: "'self'", connect: "'self'" }),
  STYLE: '<link rel="stylesheet" href="style.css">',
  DATA: '',
  SCRIPT: '<script src="app.js"></script>',
}));
writeOut(join(site, 'style.css'), style);
writeOut(join(site, 'app.js'), app);
writeOut(join(site, 'worker.js'), worker);
writeOut(join(site, 'hvxfer-core.wasm'), wasm);
writeOut(join(site, 'main.cr'), archive);

// The single file: its parts in inert data blocks, base64 (so no "</script>" can occur in them), the inline
// script and style allowed by their hashes.
const block = (id, bytes) =>
  `<script type="application/octet-stream" id="${id}">${Buffer.from(bytes).toString('base64')}</script>`;
writeOut(join(args.out, 'hvxfer.html'), fill({
  CSP: policy({ scripts: hash(app), styles: hash(style), connect: "'none'" }),
  STYLE: `<style>${style}</style>`,
  DATA: [block('core-wasm', wasm), block('core-data', archive), block('core-worker', Buffer.from(worker, 'utf8'))]
    .join('\n'),
  SCRIPT: `<script>${app}</script>`,
}));
