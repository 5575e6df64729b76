// Serves a folder on 127.0.0.1 only, for the page and its tests.
//   node serve.mjs DIR [--port N]   prints http://127.0.0.1:PORT/ once it answers
import { createReadStream, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, normalize, sep } from 'node:path';
import { pathToFileURL } from 'node:url';
import { parseArgs } from 'node:util';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.svg': 'image/svg+xml',
  '.json': 'application/json',
};

// The file under root that url names, or null: nothing outside root is ever served.
function fileOf(root, url) {
  let path;
  try {
    path = decodeURIComponent(new URL(url, 'http://x').pathname);
  } catch {
    return null;
  }
  if (path.endsWith('/')) path += 'index.html';
  const file = normalize(join(root, path));
  return file.startsWith(normalize(root) + sep) ? file : null;
}

// Resolves to the listening server; its address is server.address().port.
export function serve(root, port = 0) {
  const server = createServer((request, response) => {
    const file = fileOf(root, request.url);
    let stat = null;
    try {
      stat = file && statSync(file);
    } catch {}
    if (!['GET', 'HEAD'].includes(request.method) || !stat?.isFile()) {
      response.writeHead(request.method === 'GET' || request.method === 'HEAD' ? 404 : 405);
      response.end();
      return;
    }
    response.writeHead(200, {
      'Content-Type': types[extname(file)] ?? 'application/octet-stream',
      'Content-Length': stat.size,
      'Cache-Control': 'no-cache',
    });
    if (request.method === 'HEAD') response.end();
    else createReadStream(file).pipe(response);
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve(server));
  });
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
  const { values, positionals } = parseArgs({
    allowPositionals: true,
    options: { port: { type: 'string', default: '8765' } },
  });
  const port = Number(values.port);
  if (positionals.length !== 1 || !Number.isInteger(port) || port < 0 || port > 65535) {
    console.error('usage: serve.mjs DIR [--port N]');
    process.exit(2);
  }
  serve(positionals[0], port).then(
    (server) => console.log(`http://127.0.0.1:${server.address().port}/`),
    (error) => {
      console.error(`serve: ${error.message}`);
      process.exit(1);
    });
}
