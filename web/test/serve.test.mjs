// The page's server hands out the site's files and nothing else, on 127.0.0.1 only.
import assert from 'node:assert/strict';
import { mkdtempSync, mkdirSync, rmSync, writeFileSync } from 'node:fs';
import { request } from 'node:http';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { serve } from '../tools/serve.mjs';

const work = mkdtempSync(join(tmpdir(), 'velmora-serve-'));
const root = join(work, 'site');
let server;
before(async () => {
  mkdirSync(join(root, 'vendor'), { recursive: true });
  writeFileSync(join(root, 'index.html'), '<!doctype html>');
  writeFileSync(join(root, 'core.wasm'), Buffer.from([0, 0x61, 0x73, 0x6d]));
  writeFileSync(join(root, 'vendor', 'lib.js'), 'export {};');
  writeFileSync(join(work, 'secret.txt'), 'outside the site');
  server = await serve(root);
});
after(() => {
  server.close();
  rmSync(work, { recursive: true, force: true });
});

// A raw request, so that paths reach the server as written.
const get = (path, method = 'GET') => new Promise((resolve, reject) => {
  const r = request({ host: '127.0.0.1', port: server.address().port, path, method }, (response) => {
    response.resume();
    response.on('end', () => resolve([response.statusCode, response.headers['content-type']]));
  });
  r.on('error', reject);
  r.end();
});

test('only the site is served, each file with its type', async () => {
  assert.equal(server.address().address, '127.0.0.1');
  for (const [path, status, type] of [
    ['/', 200, 'text/html; charset=utf-8'],
    ['/core.wasm', 200, 'application/wasm'],
    ['/vendor/lib.js?v=1', 200, 'text/javascript; charset=utf-8'],
    ['/missing.js', 404, undefined],
    ['/vendor', 404, undefined],
    ['/../secret.txt', 404, undefined],
    ['/%2e%2e/secret.txt', 404, undefined],
    ['/vendor/..%2f..%2fsecret.txt', 404, undefined],
    ['/%E0%A4%A', 404, undefined],
  ]) assert.deepEqual(await get(path), [status, type], path);
  assert.deepEqual(await get('/index.html', 'POST'), [405, undefined]);
});
