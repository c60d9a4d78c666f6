// A static server for the built page, on a free localhost port.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';

const TYPES = {'.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
               '.wasm': 'application/wasm', '.json': 'application/json'};

export function serve(folder) {
  const server = http.createServer((req, res) => {
    const url = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
    const file = path.join(folder, url.endsWith('/') ? `${url}index.html` : url);
    if (!file.startsWith(folder) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, {'Content-Type': TYPES[path.extname(file)] ?? 'application/octet-stream'});
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

if (import.meta.url === `file://${process.argv[1]}`) {
  const folder = path.resolve(process.argv[2] ?? 'build/web/site');
  const port = Number(process.argv[3] ?? 8080);
  http.createServer().close();
  serve(folder).then((server) => {
    server.close();
    const s = http.createServer(server.listeners('request')[0]);
    s.listen(port, '127.0.0.1', () => console.log(`KAL playground: http://localhost:${port}/`));
  });
}
