// A tiny static server for the built site, on the loopback interface only.
//   node web/tools/serve.mjs [FOLDER] [--port N]     (default: build/web/site, port 8016)
// Imported, serveFolder(folder) starts one on a free port and records every request it answers.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

const kTypes = {
  '.html': 'text/html; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.cr': 'application/octet-stream',
};

export function serveFolder(folder, port = 0) {
  const root = resolve(folder);
  const requests = [];
  const server = createServer(async (request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    requests.push(path);
    const file = normalize(join(root, path.endsWith('/') ? `${path}index.html` : path));
    if (file !== root && !file.startsWith(root + sep)) {
      response.writeHead(403).end();
      return;
    }
    try {
      const body = await readFile(file);
      response.writeHead(200, {
        'Content-Type': kTypes[extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-store',
      });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, '127.0.0.1', () => {
      done({
        url: `http://127.0.0.1:${server.address().port}/`,
        requests,
        close: () => new Promise((closed) => server.close(closed)),
      });
    });
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const { values, positionals } = parseArgs({ options: { port: { type: 'string', default: '8016' } }, allowPositionals: true });
  const folder = positionals[0] || 'build/web/site';
  const served = await serveFolder(folder, Number(values.port));
  console.log(`serving ${resolve(folder)} at ${served.url} (Ctrl+C ends)`);
}
