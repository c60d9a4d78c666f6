// A static server for the built page on localhost: a free port for the tests, or the one given.
// Usage: node serve.mjs SITE_DIR [PORT]
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';

const TYPES = {'.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
               '.wasm': 'application/wasm', '.json': 'application/json'};

export function serve(folder, port = 0) {
  const root = path.resolve(folder);
  const server = http.createServer((req, res) => {
    let url;
    try {
      url = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
    } catch {  // a malformed escape such as "/%": refused, and the server goes on
      res.writeHead(400).end();
      return;
    }
    const file = path.join(root, url.endsWith('/') ? `${url}index.html` : url);
    if (!(file === root || file.startsWith(root + path.sep)) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, {'Content-Type': TYPES[path.extname(file)] ?? 'application/octet-stream'});
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(port, '127.0.0.1', () => resolve(server)));
}

if (import.meta.url === `file://${process.argv[1]}`) {
  const server = await serve(process.argv[2] ?? 'build/web/site', Number(process.argv[3] ?? 8080));
  console.log(`KAL in the browser: http://localhost:${server.address().port}/`);
}
