// A static file server for the web build on 127.0.0.1. The browser test
// starts it on a random port; run it alone to play the build in a browser:
//   node tests/web/server.mjs build-web/site [port]
import { createServer } from 'node:http';
import { readFile, stat } from 'node:fs/promises';
import { createHash } from 'node:crypto';
import { gzipSync } from 'node:zlib';
import { extname, join, resolve, sep } from 'node:path';
import { fileURLToPath } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.mjs': 'text/javascript',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.ogg': 'audio/ogg',
  '.png': 'image/png',
  '.webmanifest': 'application/manifest+json',
  '.css': 'text/css',
};

// Served as a static host usually is: gzip for a browser that takes it, and
// an ETag with no-cache, so that a repeat visit revalidates each file and is
// answered 304 for what has not changed. Compressed once per file version.
const packed = new Map();
async function respond(file, asked) {
  const info = await stat(file);
  const version = `${info.size}-${info.mtimeMs}`;
  let entry = packed.get(file);
  if (!entry || entry.version !== version) {
    const plain = await readFile(file);
    const tag = `"${createHash('sha1').update(plain).digest('hex')}"`;
    entry = { version, plain, zipped: gzipSync(plain), tag };
    packed.set(file, entry);
  }
  const headers = { 'Cache-Control': 'no-cache', ETag: entry.tag, Vary: 'Accept-Encoding' };
  if (asked['if-none-match'] === entry.tag) return { status: 304, headers, body: undefined };
  const gzip = /\bgzip\b/.test(asked['accept-encoding'] || '');
  const body = gzip ? entry.zipped : entry.plain;
  headers['Content-Type'] = TYPES[extname(file)] || 'application/octet-stream';
  headers['Content-Length'] = body.length;
  if (gzip) headers['Content-Encoding'] = 'gzip';
  return { status: 200, headers, body };
}

// Resolves with { server, url } once listening.
export function serve(dir, port = 0) {
  const root = resolve(dir);
  const server = createServer(async (req, res) => {
    const path = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
    if (path === '/favicon.ico') {
      res.writeHead(204).end(); // none, and no 404 in the console for it
      return;
    }
    const file = resolve(join(root, path.endsWith('/') ? path + 'index.html' : path));
    if (file !== root && !file.startsWith(root + sep)) {
      res.writeHead(403).end();
      return;
    }
    try {
      const { status, headers, body } = await respond(file, req.headers);
      res.writeHead(status, headers);
      res.end(req.method === 'HEAD' ? undefined : body);
    } catch {
      res.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
    }
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, '127.0.0.1', () => {
      done({ server, url: `http://127.0.0.1:${server.address().port}/` });
    });
  });
}

if (process.argv[1] && resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const { url } = await serve(process.argv[2] || 'build-web/site', Number(process.argv[3] || 8000));
  console.log(`serving ${process.argv[2] || 'build-web/site'} at ${url}`);
}
