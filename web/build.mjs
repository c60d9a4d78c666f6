// Builds the page into a folder of static files: the bundle (CodeMirror and the page's code), the
// WebAssembly module from the web preset, the examples with their index, and the guides as HTML.
// Usage: node build.mjs OUTPUT_DIR WASM_BUILD_DIR
import * as esbuild from 'esbuild';
import fs from 'node:fs';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {writeGuides} from './guides.mjs';
import {PROGRAM_FOLDER} from './src/disk.js';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.dirname(here);
const [out = path.join(root, 'build/web/site'), wasmDir = path.join(root, 'build/web')] = process.argv.slice(2);

fs.rmSync(out, {recursive: true, force: true});
fs.mkdirSync(path.join(out, 'examples'), {recursive: true});

await esbuild.build({
  entryPoints: [path.join(here, 'src/main.js')],
  bundle: true, minify: true, format: 'esm', outfile: path.join(out, 'main.js'),
  external: ['./kal.js'], logLevel: 'warning', legalComments: 'none',
});
// The zip unpacker runs in a worker of its own, beside the page's bundle.
await esbuild.build({
  entryPoints: [path.join(here, 'src/unzip-worker.js')],
  bundle: true, minify: true, format: 'iife', outfile: path.join(out, 'unzip-worker.js'),
  logLevel: 'warning', legalComments: 'none',
});
// The footer's version is the one the web build was made with.
const version = fs.readFileSync(path.join(wasmDir, 'version.txt'), 'utf8').trim();
fs.writeFileSync(path.join(out, 'index.html'),
                 fs.readFileSync(path.join(here, 'index.html'), 'utf8').replace('@KAL_VERSION@', version));
fs.copyFileSync(path.join(here, 'style.css'), path.join(out, 'style.css'));
for (const file of ['kal.js', 'kal.wasm']) fs.copyFileSync(path.join(wasmDir, file), path.join(out, file));

// Every file of examples/ goes onto the page's disk in the program folder, as beside KAL.exe, from one bundle; the
// files are also served one by one, for the guides' links.
const scripts = [];
const files = [];
function walk(dir, disk) {
  for (const entry of fs.readdirSync(dir, {withFileTypes: true}).sort((a, b) => a.name.localeCompare(b.name))) {
    const from = path.join(dir, entry.name);
    const url = path.relative(path.join(root, 'examples'), from).split(path.sep).join('/');
    if (entry.isDirectory()) {
      files.push({path: `${disk}${entry.name}`, folder: true});
      fs.mkdirSync(path.join(out, 'examples', url), {recursive: true});
      walk(from, `${disk}${entry.name}\\`);
      continue;
    }
    fs.copyFileSync(from, path.join(out, 'examples', url));
    files.push({path: `${disk}${entry.name}`, data: fs.readFileSync(from).toString('base64')});
    if (disk === PROGRAM_FOLDER && entry.name.endsWith('.txt')) scripts.push(entry.name);
  }
}
walk(path.join(root, 'examples'), PROGRAM_FOLDER);
// One request brings them all: a browser refuses thousands of requests at once, and the page would never be ready.
fs.writeFileSync(path.join(out, 'examples/bundle.json'), JSON.stringify({scripts, files}));

// The guides, their links to the examples leading to the site's own copies.
writeGuides(out, 'examples/');
