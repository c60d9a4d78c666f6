// The playground in a real browser (Debian's Chromium, headless, driven by puppeteer-core): every example runs
// with its boxes and dialogs answered as its case does (tests/cases/examples/), the drawings' canvas matches the
// BMPs KAL.exe saved for the same scripts, files land on the page's disk, a loop is stopped by Stop, a run is
// stepped and watched, and the console shows no error.
// Usage: node page_test.mjs SITE_DIR CASES_DIR KALBD [PICTURES_DIR]  (KALBD makes the cases' databases;
// PICTURES_DIR: the driver's --pictures, from Wine)
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import {execFileSync} from 'node:child_process';
import {fileURLToPath} from 'node:url';
import {inProgramFolder} from '../src/disk.js';
import {launch} from './chromium.mjs';
import {serve} from './serve.mjs';

const [site, casesDir, kalbd, pictures] = process.argv.slice(2).map((p) => p && path.resolve(p));
const failures = [];
const consoleErrors = [];

// ---- The cases' expectations, as the case driver reads them ----

const driver = path.join(path.dirname(fileURLToPath(import.meta.url)), '../../tests/e2e/driver.py');
function readCases(...folders) {
  const only = folders.flatMap((f) => ['--only', `${f}/`]);
  return JSON.parse(execFileSync('python3', [driver, '--dump-cases', '--cases', casesDir, '--kalbd', kalbd, ...only],
                                 {encoding: 'utf8', maxBuffer: 1 << 28}));
}

// The cases a browser cannot run, and why. Every other case runs in the page.
const NOT_IN_BROWSER = {
  'files/relative_paths': 'the page runs a script from the program folder, never from a folder below it',
  'startup/dialog_cancelled': 'a start without a script, and its open-file dialog, are the desktop\'s',
  'startup/dialog_chooses_script': 'a start without a script, and its open-file dialog, are the desktop\'s',
  'startup/missing_script': 'the page runs the script its editor holds, which is never missing',
  'startup/own_name_lower_case': 'the page has no program file to rename',
  'startup/own_name_other': 'the page has no program file to rename',
  'builtins/screen_size': 'the screen is the browser\'s, not the suite\'s X screen',
};
const bytesOf = (hex) => [...Buffer.from(hex, 'hex')];

// The driver has put the date in for "{{today}}"; "{{any}}" takes any text.
const matches = (expected, seen) => expected === '{{any}}' || expected === seen;

// A 24-bit bottom-up BMP as (x, y) -> 0xRRGGBB.
function readBmp(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const width = view.getInt32(18, true), height = view.getInt32(22, true), offset = view.getUint32(10, true);
  const row = Math.floor((width * 3 + 3) / 4) * 4;
  const pixel = (x, y) => {
    if (x < 0 || y < 0 || x >= width || y >= height) return null;
    const i = offset + (height - 1 - y) * row + x * 3;
    return (bytes[i + 2] << 16) | (bytes[i + 1] << 8) | bytes[i];
  };
  return {width, height, pixel};
}

// The cases' pixel checks, as the suite's reader gives them: a rectangle, and whether all, some or none of its
// pixels have the colour.
function checkPixels(what, pixel, checks) {
  for (const c of checks) {
    const colour = parseInt(c.colour, 16);
    const seen = new Set();
    for (let x = c.x0; x <= c.x1; ++x) for (let y = c.y0; y <= c.y1; ++y) seen.add(pixel(x, y));
    const ok = {all: seen.size === 1 && seen.has(colour), some: seen.has(colour), none: !seen.has(colour)}[c.want];
    assert.ok(ok, `${what}: ${c.written} fails (seen ${[...seen].slice(0, 6).map((v) => v?.toString(16))})`);
  }
}

// A case's answers, by what they do: the button each clicks.
const BUTTON = {ok: 'ok', yes: 'yes', no: 'no', cancel: 'cancel', type: 'ok'};

// ---- The page ----

const browser = await launch();
const server = await serve(site);
const origin = `http://127.0.0.1:${server.address().port}`;

// Each page in a browser profile of its own (its own storage), unless it is to share one.
async function openPage(url = `${origin}/?test`, context = null) {
  const page = await (context ?? await browser.createBrowserContext()).newPage();
  await page.setViewport({width: 1280, height: 900});
  page.on('console', (m) => { if (m.type() === 'error') consoleErrors.push(m.text()); });
  page.on('pageerror', (e) => consoleErrors.push(e.message));
  await page.goto(url);
  await page.waitForSelector('body[data-ready=yes]', {timeout: 15000});
  return page;
}

const state = (page) => page.$eval('body', (b) => b.dataset.state);
const boxShown = (page) => page.waitForSelector('#box:not([hidden])', {timeout: 15000});
async function waitIdle(page, timeout = 20000) {
  await page.waitForFunction(() => document.body.dataset.state === 'idle', {timeout});
}
async function editorText(page, text) {
  await page.evaluate((t) => window.kalPage.source(t), text);
}
async function diskFile(page, name) {
  const bytes = await page.evaluate((n) => { const b = window.kalPage.file(n); return b && Array.from(b); }, name);
  return bytes && Uint8Array.from(bytes);
}
async function canvasPixels(page) {
  return page.$eval('#graphics canvas', (c) => ({width: c.width, height: c.height,
    data: Array.from(c.getContext('2d').getImageData(0, 0, c.width, c.height).data)}));
}

async function test(name, body) {
  const started = performance.now();
  try {
    await body();
    console.log(`ok   ${name} (${((performance.now() - started) / 1000).toFixed(1)} s)`);
    return true;
  } catch (e) {
    failures.push(name);
    console.log(`FAIL ${name}\n  ${String(e.stack || e).split('\n').slice(0, 4).join('\n  ')}`);
    return false;
  }
}

// Every case a browser can run, answered as its case answers KAL.exe, four pages at a time.
// PAGE_CASES=TEXT runs only the cases whose name holds TEXT, and none of the other tests' slow parts change.
const cases = readCases().filter((c) => c.name.includes(process.env.PAGE_CASES ?? ''));
await test('the cases a browser cannot run are the ones listed, with their reasons', async () => {
  const names = new Set(cases.map((c) => c.name));
  if (!process.env.PAGE_CASES) for (const name of Object.keys(NOT_IN_BROWSER)) assert.ok(names.has(name), `${name} is a case`);
  for (const c of cases) {
    if (c.unsupported.length) assert.ok(NOT_IN_BROWSER[c.name], `${c.name}: the page cannot ${c.unsupported}`);
  }
});
// Each of the four keeps its page from case to case, as good as new after a reset; a failed case's page is
// closed, and the next case gets a new one.
let nextCase = 0;
await Promise.all(Array.from({length: 4}, async () => {
  let page = null;
  while (nextCase < cases.length) {
    const c = cases[nextCase++];
    if (NOT_IN_BROWSER[c.name]) continue;
    if (page) await page.evaluate(() => window.kalPage.reset());
    else page = await openPage();
    if (!await runCase(c, page)) {
      await page.close();
      page = null;
    }
  }
  await page?.close();
}));

// True when the case passed.
async function runCase(c, page) {
  return test(`case ${c.name}`, async () => {
    if (c.example) await page.select('#examples', c.script);
    else await page.evaluate((name, b) => window.kalPage.load(name, b), c.script, bytesOf(c.script_hex));
    // The disk holds the case's folder alone, as the case's folder under KAL.exe does.
    await page.evaluate((entries) => window.kalPage.disk(entries),
                        c.disk.map((e) => ({...e, path: inProgramFolder(e.name)})));
    await page.click('#run');
    for (const step of c.steps) {
      if (step.kind === 'box') {
        await boxShown(page);
        const [title, text, input] = await page.$eval('#box', (b) => [b.querySelector('.box-title').textContent,
          b.querySelector('.box-text').textContent, !b.querySelector('input').hidden]);
        assert.equal(input, false, `a box, not the input dialog, for ${step.text}`);
        assert.equal(title, step.title);
        assert.ok(matches(step.text, text), `box text: expected ${JSON.stringify(step.text)}, saw ${JSON.stringify(text)}`);
        // A box with only OK takes it for Esc too.
        if (step.answer.kind === 'close') await page.click('#graphics .close');
        else await page.click(`#box button[data-answer=${step.answer.kind === 'cancel' ? 'ok' : BUTTON[step.answer.kind]}]`);
      } else if (step.kind === 'window' && step.title === 'Ventana Grafica KAL') {
        await page.waitForSelector('#graphics:not([hidden])', {timeout: 15000});
        if (step.answer.kind === 'close') await page.click('#graphics .close');
      } else if (step.kind === 'window') {
        await boxShown(page);
        assert.equal(await page.$eval('#box input', (i) => i.hidden), false, 'the input dialog');
        if (step.answer.kind === 'type') await page.type('#box input', step.answer.text);
        await page.click(`#box button[data-answer=${BUTTON[step.answer.kind] ?? 'ok'}]`);
      } else if (step.kind === 'screen') {
        // The window's client area holds the drawing surface one pixel in, inside its one-pixel border.
        await boxShown(page);
        const shot = await canvasPixels(page);
        assert.equal(`${shot.width + 3}x${shot.height + 3}`, `${step.width}x${step.height}`);
        checkPixels('screen', (x, y) => {
          const i = ((y - 1) * shot.width + (x - 1)) * 4;
          return x < 1 || y < 1 || x > shot.width || y > shot.height ? null
                                                                     : (shot.data[i] << 16) | (shot.data[i + 1] << 8) | shot.data[i + 2];
        }, step.checks);
      }
    }
    await waitIdle(page);
    for (const f of c.files) {
      const bytes = await diskFile(page, inProgramFolder(f.name));
      assert.ok(bytes, `${f.name} is on the disk`);
      assert.equal(Buffer.from(bytes).toString('hex'), f.hex, f.name);
    }
    for (const b of c.bitmaps) {
      const bytes = await diskFile(page, inProgramFolder(b.name));
      assert.ok(bytes, `${b.name} is on the disk`);
      checkPixels(b.name, readBmp(bytes).pixel, b.checks);
    }
    const exists = (name) => page.evaluate((p) => window.kalPage.exists(p), inProgramFolder(name));
    // The page has no program file of its own: what becomes of KAL.exe is the desktop's alone.
    for (const name of c.present) assert.ok(name === 'KAL.exe' || await exists(name), `${name} is there`);
    for (const name of c.absent) assert.equal(await exists(name), false, `${name} is absent`);
    for (const name of c.opens) {
      assert.equal(await page.$eval('#output-name', (e) => e.textContent), inProgramFolder(name));
    }
  });
}

// The drawings, pixel by pixel against KAL.exe's BMPs. A pixel matches when its colour is within the
// tolerance at its place or a neighbour's (anti-aliased edges fall a pixel apart); the letters are drawn by
// another font engine (and under Wine with substitutes for the Windows fonts), so some of their pixels differ.
if (pictures) {
  for (const [script, bmp] of [['dibujo.txt', 'dibujo.bmp'], ['calendario.txt', 'calendario.bmp']]) {
    await test(`canvas of ${script} against KAL.exe's ${bmp}`, async () => {
      const saved = path.join(pictures, `examples_${script.replace('.txt', '')}`, bmp);
      assert.ok(fs.existsSync(saved), `KAL.exe's ${saved}`);
      const windows = readBmp(fs.readFileSync(saved));
      const page = await openPage();
      await page.select('#examples', script);
      await page.click('#run');
      await boxShown(page);
      const shot = await canvasPixels(page);
      const near = (i, w) => w !== null && Math.max(Math.abs(shot.data[i] - (w >> 16)),
                                                    Math.abs(shot.data[i + 1] - ((w >> 8) & 255)),
                                                    Math.abs(shot.data[i + 2] - (w & 255))) <= 64;
      let far = 0, total = 0;
      for (let y = 0; y < Math.min(shot.height, windows.height); ++y) {
        for (let x = 0; x < Math.min(shot.width, windows.width); ++x, ++total) {
          const i = (y * shot.width + x) * 4;
          let found = false;
          for (let dy = -1; dy <= 1 && !found; ++dy)
            for (let dx = -1; dx <= 1 && !found; ++dx) found = near(i, windows.pixel(x + dx, y + dy));
          if (!found) ++far;
        }
      }
      console.log(`     ${script}: ${far} of ${total} pixels differ (${(100 * far / total).toFixed(2)} %)`);
      assert.ok(far / total < 0.04, `${far} of ${total} pixels differ`);
      await page.click('#graphics .close');
      await page.close();
    });
  }
}

await test('Stop ends a loop that never ends, and the page runs the next script', async () => {
  const page = await openPage();
  await editorText(page, '.codigo;\n&n := 0;\n:otra;\n&n := &n + 1;\n.saltar :otra;\n.fin;\n');
  await page.click('#run');
  await new Promise((r) => setTimeout(r, 700));
  assert.equal(await state(page), 'running');
  // The page answers while the loop runs: the language switch works.
  await page.click('#language');
  assert.equal(await page.$eval('#run', (b) => b.textContent), 'Run');
  await page.click('#stop');
  await waitIdle(page, 3000);
  assert.equal(await page.$eval('#status', (s) => s.textContent), 'Stopped.');
  const counted = await page.$$eval('#variables td', (tds) => tds.map((td) => td.textContent));
  assert.equal(counted[0], '&n');
  assert.ok(Number(counted[1]) > 50, `the loop went round (${counted[1]})`);
  await editorText(page, '.codigo;\n&t := ~Sigue;\n.aviso &t;\n.fin;\n');
  await page.click('#run');
  await boxShown(page);
  assert.equal(await page.$eval('.box-text', (e) => e.textContent), 'Sigue');
  await page.click('#box button');
  await waitIdle(page);
  await page.close();
});

await test('Step marks each statement\'s line and shows the values; Run goes on from there', async () => {
  const page = await openPage();
  await editorText(page, '.codigo;\n&a := 5;\n@c := ~uno;\n&b := &a * 2;\n.cmp &b &b;\n&t := ~fin;\n.aviso &t;\n.fin;\n');
  const line = () => page.$eval('.kal-run-line', (l) => l.textContent).catch(() => null);
  await page.click('#step');
  await page.waitForFunction(() => document.body.dataset.state === 'paused');
  assert.equal(await line(), '.codigo;');
  for (const expected of ['&a := 5;', '@c := ~uno;', '&b := &a * 2;', '.cmp &b &b;']) {
    await page.click('#step');
    await page.waitForFunction((e) => document.querySelector('.kal-run-line')?.textContent === e, {}, expected);
  }
  const values = await page.$$eval('#variables td, #constants td', (tds) => tds.map((td) => td.textContent));
  assert.deepEqual(values, ['&a', '5', 'entero', '&b', '10', 'entero', '@c', 'uno', 'texto']);
  await page.click('#step');
  await page.waitForFunction(() => document.querySelector('.kal-run-line')?.textContent === '&t := ~fin;');
  assert.equal(await page.$eval('#flag', (f) => f.textContent), '1');  // the same text
  await page.click('#run');
  await boxShown(page);
  await page.click('#box button');
  await waitIdle(page);
  await page.close();
});

await test('the checker underlines problems as one types; the script is kept and shared by a link', async () => {
  const page = await openPage();
  await editorText(page, '.codigo;\n&a := 1\n&b := 2;\n.fin;\n');
  await page.waitForSelector('.cm-lintRange-error', {timeout: 5000});
  await page.click('#share');
  const link = await page.$eval('#share-link', (i) => i.value);
  assert.match(link, /#n=.*&s=/);
  await page.reload();
  await page.waitForSelector('body[data-ready=yes]');
  assert.equal(await page.evaluate(() => window.kalPage.text()), '.codigo;\n&a := 1\n&b := 2;\n.fin;\n');
  await page.evaluate(() => localStorage.clear());
  await page.close();
  const shared = await openPage(link.replace('#', '?test#'));
  assert.equal(await shared.evaluate(() => window.kalPage.text()), '.codigo;\n&a := 1\n&b := 2;\n.fin;\n');
  await shared.close();
});

await test('a problem\'s sure mend is one click: the quick fix on the underline\'s tooltip; Formatear', async () => {
  const page = await openPage();
  await editorText(page, '.codigo;\n&a := 1;\n.avisso &a;\n.fin;\n');
  await page.waitForSelector('.cm-lintRange-error', {timeout: 5000});
  await page.hover('.cm-lintRange-error');
  await page.waitForSelector('.cm-diagnosticAction', {timeout: 5000});
  assert.equal(await page.$eval('.cm-diagnosticAction', (b) => b.textContent), 'Cambiar por .aviso');
  await page.click('.cm-diagnosticAction');
  assert.equal(await page.evaluate(() => window.kalPage.text()), '.codigo;\n&a := 1;\n.aviso &a;\n.fin;\n');
  await page.waitForFunction(() => !document.querySelector('.cm-lintRange-error'), {timeout: 5000});
  // "Formatear" lays the script out, its line ends and a character beyond Windows-1252 kept.
  await editorText(page, ".codigo;\r\n'nota \u{1F600};   &a  :=  1; .AVISO &a;\r\n.fin;\r\n");
  await page.click('#format');
  assert.equal(await page.evaluate(() => window.kalPage.exact()),
               ".codigo;\r\n'nota \u{1F600};\r\n&a := 1;\r\n.aviso &a;\r\n.fin;\r\n");
  await page.close();
});

await test('a shared link opens beside the person\'s scripts, never over them, and bad links say why', async () => {
  const context = await browser.createBrowserContext();
  const mine = '.codigo;\n&t := ~mio;\n.aviso &t;\n.fin;\n';
  const page = await openPage(undefined, context);
  await page.evaluate((b) => window.kalPage.load('mio.txt', b), [...Buffer.from(mine, 'latin1')]);
  const theirs = '.codigo;\n&t := ~suyo;\n.aviso &t;\n.fin;\n';
  const hash = `#n=mio.txt&s=${Buffer.from(theirs, 'utf8').toString('base64url')}`;
  for (const expected of ['mio (2).txt', 'mio (3).txt']) {  // the same link twice: a new name each time
    const linked = await openPage(`${origin}/?test${hash}`, context);
    assert.equal(await linked.evaluate(() => window.kalPage.current()), expected);
    assert.equal(await linked.evaluate(() => window.kalPage.text()), theirs);
    await linked.close();
  }
  await page.reload();
  await page.waitForSelector('body[data-ready=yes]');
  assert.deepEqual(await page.evaluate(() => window.kalPage.scripts()),
                   ['hola.txt', 'mio (2).txt', 'mio (3).txt', 'mio.txt']);
  await page.select('#scripts', 'mio.txt');
  assert.equal(await page.evaluate(() => window.kalPage.text()), mine);
  // A malformed or cut-short link says what is wrong, and the person's own script opens in a working page.
  for (const [bad, words] of [['%%%', 'caracteres'], ['@@@@', 'caracteres'], ['AAAAA', 'cortado'], ['_w', 'no trae']]) {
    const opened = await openPage(`${origin}/?test#n=x.txt&s=${bad}`, context);
    assert.match(await opened.$eval('#notice', (n) => (n.hidden ? '' : n.textContent)), new RegExp(words), bad);
    assert.equal(await opened.evaluate(() => window.kalPage.current()), 'mio.txt');
    await opened.click('#run');
    await boxShown(opened);
    assert.equal(await opened.$eval('.box-text', (e) => e.textContent), 'mio');
    await opened.click('#box button');
    await waitIdle(opened);
    await opened.close();
  }
  // A script the browser has no room for is said to be unsaved.
  await editorText(page, `.codigo;\n'${'x'.repeat(6e6)};\n.fin;\n`);
  await page.waitForFunction(() => /no tiene sitio/.test(document.querySelector('#notice').textContent), {timeout: 5000});
  await page.close();
  await context.close();
});

await test('lines far off the surface are drawn at once, and the page is ready for the next run', async () => {
  const page = await openPage();
  await editorText(page, '.codigo;\n&c := 0;\n&w := 400;\n&h := 300;\n.ventana &w &h;\n&lejos := 2000000000;\n' +
                         '.linea &c &c &lejos &c &c;\n&p := 3;\n.pluma &p;\n&x := 40000;\n.linea &c &c &x &x &c;\n' +
                         '&t := ~hecho;\n.aviso &t;\n.fin;\n');
  await page.click('#run');
  await boxShown(page);  // was 115 s of a frozen tab, then a run that never ended
  assert.equal(await page.$eval('.box-text', (e) => e.textContent), 'hecho');
  await page.click('#box button');
  await page.click('#graphics .close');
  await waitIdle(page);
  // A picture saved while the window stays open is listed, marked as written, before the window is closed.
  await editorText(page, '.codigo;\n&w := 40;\n&b := 255;\n.ventana &w &w;\n.memograf &w &w &b;\n' +
                         '&f := ~cuadro.bmp;\n.grabarmemo &f;\n.vergraf;\n.fin;\n');
  await page.click('#run');
  await page.waitForFunction((n) => [...document.querySelectorAll('#files li.changed a')].some((a) => a.textContent === n),
                             {timeout: 15000}, inProgramFolder('cuadro.bmp'));
  assert.equal(await page.evaluate(() => document.body.dataset.state), 'running');
  await page.click('#graphics .close');
  await waitIdle(page);
  await editorText(page, '.codigo;\n&t := ~otra;\n.aviso &t;\n.fin;\n');
  await page.click('#run');
  await boxShown(page);
  await page.click('#box button');
  await waitIdle(page);
  await page.close();
});

await test('a run that ends by itself leaves its values and a ready page', async () => {
  const page = await openPage();
  await editorText(page, `.codigo;\n&p := ~${'a'.repeat(200)};\n&r %CARPETA &p;\n.fin;\n`);
  for (let run = 0; run < 2; ++run) {
    await page.click('#run');
    await waitIdle(page);
    const cells = await page.$$eval('#variables td', (tds) => tds.map((td) => td.textContent));
    assert.deepEqual(cells.filter((_, i) => i % 3 === 0), ['&p', '&r']);
    assert.equal(await page.$eval('#status', (s) => s.textContent), 'El programa ha terminado.');
  }
  await page.close();
});

await test('a key answers only the box it was pressed in, as on Windows', async () => {
  const page = await openPage();
  await editorText(page, '.codigo;\n&r := %INPUTDATA;\n.aviso &r;\n&p := ~Sigo?;\n.avisosino &p;\n' +
                         '.saltarcero :no;\n&t := ~si;\n.aviso &t;\n.saltar :fin;\n:no;\n&t := ~no;\n.aviso &t;\n:fin;\n.fin;\n');
  await page.click('#run');
  await boxShown(page);
  assert.deepEqual(await page.$$eval('#box button', (bs) => bs.map((b) => b.textContent)), ['Aceptar', 'Cancelar']);
  await page.keyboard.type('hola');
  await page.keyboard.press('Enter');  // answers the dialog alone: the box after it waits
  await page.waitForFunction(() => document.querySelector('.box-text').textContent === 'hola');
  await new Promise((r) => setTimeout(r, 300));
  assert.equal(await page.$eval('.box-text', (e) => e.textContent), 'hola');
  await page.keyboard.press('Escape');  // closes a box with only OK
  await page.waitForFunction(() => document.querySelector('.box-text').textContent === 'Sigo?');
  await page.keyboard.press('Escape');  // does nothing to a question
  await new Promise((r) => setTimeout(r, 300));
  assert.equal(await page.$eval('.box-text', (e) => e.textContent), 'Sigo?');
  await page.keyboard.press('n');  // the No button's letter
  await page.waitForFunction(() => document.querySelector('.box-text').textContent === 'no');
  await page.keyboard.press('Enter');
  await waitIdle(page);
  await page.close();
});

await test('the editor never closes a comment\'s quote', async () => {
  const page = await openPage();
  await editorText(page, '');
  await page.click('.cm-content');
  await page.keyboard.type("'Nota;");
  await page.keyboard.press('Enter');
  assert.equal(await page.evaluate(() => window.kalPage.text()), "'Nota;\n");
  await page.close();
});

await test('every character that cuts a word ends the coloured word there, as KAL reads it', async () => {
  const characters = JSON.parse(fs.readFileSync(new URL('../../docs/characters.json', import.meta.url), 'utf8'));
  const cuts = [' ', ...characters.alone];
  const page = await openPage();
  await editorText(page, cuts.map((c) => `&v := ~hola${c}x; .aviso${c}&v;`).join('\n'));
  const coloured = await page.$$eval('.cm-line', (ls) => ls.map((l) => [...l.querySelectorAll('span')].map((s) => s.textContent)));
  cuts.forEach((c, i) => assert.ok(coloured[i].includes('~hola') && coloured[i].includes('.aviso'), `${c}: ${coloured[i]}`));
  await page.close();
});

await test('a first visit opens the first example when the examples lack hola.txt', async () => {
  const bundle = JSON.parse(fs.readFileSync(path.join(site, 'examples', 'bundle.json'), 'utf8'));
  bundle.scripts = bundle.scripts.filter((name) => name !== 'hola.txt');
  bundle.files = bundle.files.filter((f) => f.path !== inProgramFolder('hola.txt'));
  const page = await (await browser.createBrowserContext()).newPage();
  await page.setRequestInterception(true);
  page.on('request', (request) => (request.url().endsWith('/examples/bundle.json')
    ? request.respond({contentType: 'application/json', body: JSON.stringify(bundle)})
    : request.continue()));
  await page.goto(`${origin}/?test`);
  await page.waitForSelector('body[data-ready=yes]', {timeout: 15000});
  assert.equal(await page.evaluate(() => window.kalPage.current()), bundle.scripts[0]);
  await page.close();
});

await test('the test server refuses a malformed path with 400 and goes on serving', async () => {
  const status = (p) => new Promise((resolve, reject) =>
    http.get(`${origin}${p}`, (res) => { res.resume(); resolve(res.statusCode); }).on('error', reject));
  assert.equal(await status('/%'), 400);
  assert.equal(await status('/'), 200);
});

await test('a file uploaded to the disk is read by a script, and what it writes can be downloaded', async () => {
  const page = await openPage();
  const upload = path.join(fs.mkdtempSync('/tmp/kal-page-'), 'dato.txt');
  fs.writeFileSync(upload, Buffer.from('D\xEDa uno', 'latin1'));
  await (await page.$('#upload')).uploadFile(upload);
  await page.waitForFunction((n) => [...document.querySelectorAll('#files a')].some((a) => a.textContent === n), {},
                             inProgramFolder('dato.txt'));
  await editorText(page, '.codigo;\n&f := ~dato.txt;\n&t := %LEERTEXTO &f;\n.aviso &t;\n&g := ~copia.txt;\n&cero := 0;\n' +
                         '&r := %WOUT &g &t &cero;\n.fin;\n');
  await page.click('#run');
  await boxShown(page);
  assert.equal(await page.$eval('.box-text', (e) => e.textContent), 'D\u00eda uno');
  await page.click('#box button');
  await waitIdle(page);
  const link = await page.$$eval('#files a', (as, n) => as.filter((a) => a.textContent === n).map((a) => a.download),
                                 inProgramFolder('copia.txt'));
  assert.deepEqual(link, ['copia.txt']);
  // The run's own file is marked as its work; the uploaded one is not.
  assert.deepEqual(await page.$$eval('#files li.changed a', (as) => as.map((a) => a.textContent)),
                   [inProgramFolder('copia.txt')]);
  await page.close();
});

await test('Crear programa downloads the program kalpack makes of the script; errors and a site without KAL.exe say why',
           async () => {
  assert.ok(fs.existsSync(path.join(site, 'KAL.exe')), 'the site has no KAL.exe: build the windows preset first');
  const folder = fs.mkdtempSync('/tmp/kal-page-program-');
  const context = await browser.createBrowserContext({downloadBehavior: {policy: 'allow', downloadPath: folder}});
  const page = await openPage(undefined, context);
  const script = Buffer.from('.codigo;\r\n&t := ~Factura_de_Ana_L\xF3pez;\r\n.aviso &t;\r\n.fin;\r\n', 'latin1');
  await page.evaluate((b) => window.kalPage.load('factura.txt', b), [...script]);
  await page.click('#program');
  const program = path.join(folder, 'factura.exe');
  for (const deadline = Date.now() + 15000; !fs.existsSync(program) && Date.now() < deadline;) {
    await new Promise((done) => setTimeout(done, 100));
  }
  assert.equal(await page.$eval('#status', (s) => s.textContent), 'Programa creado: factura.exe');
  // The script behind its header at the end, and byte for byte what kalpack makes of it with the site's KAL.exe.
  const bytes = fs.readFileSync(program);
  const header = bytes.subarray(bytes.length - script.length - 24, bytes.length - script.length);
  assert.equal(header.subarray(0, 8).toString('latin1'), 'KALPACK1');
  assert.equal(header.readBigUInt64LE(8), BigInt(script.length));
  assert.ok(bytes.subarray(bytes.length - script.length).equals(script));
  const apart = fs.mkdtempSync('/tmp/kal-page-kalpack-');
  fs.writeFileSync(path.join(apart, 'factura.txt'), script);
  execFileSync(process.env.KALPACK ?? path.join(path.dirname(kalbd), 'kalpack'),
               ['--kal', path.join(site, 'KAL.exe'), path.join(apart, 'factura.txt')], {stdio: 'ignore'});
  assert.ok(bytes.equals(fs.readFileSync(path.join(apart, 'factura.exe'))), 'not the bytes kalpack makes');
  // A script with errors, or named KAL: nothing is made, and the notice says why.
  await editorText(page, '.codigo;\n&t := ~hola;\nFOO;\n.fin;\n');
  await page.click('#program');
  await page.waitForFunction(() => !document.querySelector('#notice').hidden);
  assert.equal(await page.$eval('#notice', (n) => n.textContent),
               'El programa tiene errores (subrayados): no se hace el .exe.');
  await page.evaluate((b) => window.kalPage.load('kal.txt', b), [...script]);
  await page.click('#program');
  await page.waitForFunction(() => document.querySelector('#notice').textContent.includes('KAL.exe'));
  assert.equal(await page.$eval('#notice', (n) => n.textContent),
               'No se puede hacer el programa: el programa no puede llamarse KAL.exe: elija otro nombre.');
  await context.close();
  assert.deepEqual(fs.readdirSync(folder), ['factura.exe']);
  // A site without KAL.exe (a page built without the Windows build): opened apart, as its missing file is
  // the browser's console error.
  const bare = await (await browser.createBrowserContext()).newPage();
  await bare.setRequestInterception(true);
  bare.on('request', (r) => (r.url().endsWith('/KAL.exe') ? r.respond({status: 404, body: ''}) : r.continue()));
  await bare.goto(`${origin}/?test`);
  await bare.waitForSelector('body[data-ready=yes]', {timeout: 15000});
  await bare.click('#program');
  await bare.waitForFunction(() => !document.querySelector('#notice').hidden);
  assert.equal(await bare.$eval('#notice', (n) => n.textContent),
               'Este sitio no trae KAL.exe, con el que se hacen los programas de Windows.');
  await bare.close();
});

// Runs the editor's script and gives the texts of its boxes, each answered with its first button.
async function runBoxes(page, count) {
  const texts = [];
  await page.click('#run');
  for (let i = 0; i < count; ++i) {
    await boxShown(page);
    texts.push(await page.$eval('.box-text', (e) => e.textContent));
    await page.click('#box button');
  }
  await waitIdle(page);
  return texts;
}
const exact = (page) => page.evaluate(() => window.kalPage.exact());
const lineEnds = (page) => page.$eval('#line-ends', (s) => s.value);

await test('a script keeps the line ends it was opened with, until the person converts them', async () => {
  const page = await openPage();
  const lf = cases.find((c) => c.name === 'startup/lf_line_ends');
  await page.evaluate((name, b) => window.kalPage.load(name, b), lf.script, bytesOf(lf.script_hex));
  assert.equal(await lineEnds(page), 'LF');
  const opened = Buffer.from(lf.script_hex, 'hex').toString('latin1');
  assert.equal(await exact(page), opened);
  await page.reload();  // kept with its own bytes
  await page.waitForSelector('body[data-ready=yes]');
  assert.equal(await exact(page), opened);
  await page.select('#line-ends', 'CRLF');
  assert.equal(await exact(page), opened.replace(/\n/g, '\r\n'));
  // Mixed ends are kept each as it was, the odd line marked, and a new line takes the usual kind.
  await page.evaluate((b) => window.kalPage.load('mixto.txt', b), [...Buffer.from('.codigo;\r\n&a\n:= 1;\r\n.fin;\r\n')]);
  assert.equal(await lineEnds(page), 'mixed');
  assert.deepEqual(await page.$$eval('.cm-line[data-eol]', (ls) => ls.map((l) => l.dataset.eol)), ['LF']);
  await page.click('.cm-content');
  await page.keyboard.down('Control');
  await page.keyboard.press('End');
  await page.keyboard.up('Control');
  await page.keyboard.type("'fin");
  await page.keyboard.press('Enter');
  assert.equal(await exact(page), ".codigo;\r\n&a\n:= 1;\r\n.fin;\r\n'fin\r\n");
  // A script the person starts keeps CR LF.
  await page.click('#new-script');
  await page.click('.cm-content');
  await page.keyboard.press('Enter');
  assert.match(await exact(page), /^(?:[^\r\n]*\r\n)+[^\r\n]*$/);
  assert.equal(await lineEnds(page), 'CRLF');
  await page.close();
});

await test('own scripts are new, renamed and deleted, and an example always opens as shipped', async () => {
  const page = await openPage();
  page.on('dialog', (d) => d.accept(d.type() === 'prompt' ? 'mio.txt' : undefined));
  await page.click('#new-script');
  assert.equal(await page.evaluate(() => window.kalPage.current()), 'programa.txt');
  await page.click('#rename-script');
  assert.equal(await page.evaluate(() => window.kalPage.current()), 'mio.txt');
  assert.deepEqual(await page.evaluate(() => window.kalPage.scripts()), ['hola.txt', 'mio.txt']);
  // The person's hola.txt is run (and so written to the disk); the example still opens as shipped, beside it.
  await page.select('#scripts', 'hola.txt');
  const shipped = await exact(page);
  await editorText(page, '.codigo;\n&t := ~mio;\n.aviso &t;\n.fin;\n');
  assert.deepEqual(await runBoxes(page, 1), ['mio']);
  await page.select('#examples', 'hola.txt');
  assert.equal(await page.evaluate(() => window.kalPage.current()), 'hola (2).txt');
  assert.equal(await exact(page), shipped);
  await page.click('#delete-script');
  assert.deepEqual(await page.evaluate(() => window.kalPage.scripts()), ['hola.txt', 'mio.txt']);
  // ".\" is the program folder, as on Windows.
  await editorText(page, '.codigo;\n&f := ~.\\;\n&r := %LISTARFIC &f;\n.aviso &r;\n.fin;\n');
  const [listed] = await runBoxes(page, 1);
  assert.ok(listed.split('|').includes('hola.txt'), listed);
  await page.close();
});

await test('what a script makes read-only or hidden stays so in the next run, and the list says so', async () => {
  const page = await openPage();
  await editorText(page, '.codigo;\n&f := ~nota.txt;\n&t := ~hola;\n&c := 0;\n&r := %WOUT &f &t &c;\n&uno := 1;\n' +
                         '&r := %ATRIBUTO &f &uno;\n&g := ~oculto.txt;\n&r := %WOUT &g &t &c;\n&dos := 2;\n' +
                         '&r := %ATRIBUTO &g &dos;\n.fin;\n');
  await runBoxes(page, 0);
  const marks = await page.$$eval('#files li', (ls) => ls.map((l) => l.textContent));
  assert.ok(marks.some((m) => m.startsWith('C:\\nota.txt') && m.includes('solo lectura')), marks.join(' / '));
  assert.ok(marks.some((m) => m.startsWith('C:\\oculto.txt') && m.includes('oculto')), marks.join(' / '));
  await editorText(page, '.codigo;\n&f := ~nota.txt;\n&r := %BORRAF &f;\n.aviso &r;\n&f := ~ocu;\n&r := %LISTARFIC &f;\n' +
                         '.aviso &r;\n.fin;\n');
  assert.deepEqual(await runBoxes(page, 2), ['70', 'vacio']);  // read-only: not deleted; hidden: not listed
  await page.close();
});

await test('uploads go into the folder chosen or a new one; a zip and a picked folder come as folders', async () => {
  const page = await openPage();
  const work = fs.mkdtempSync('/tmp/kal-page-');
  fs.writeFileSync(path.join(work, 'cumple.txt'), 'nombre 3 20\n');
  execFileSync(kalbd, ['crear', work, 'cumple', path.join(work, 'cumple.txt')]);
  page.on('dialog', (d) => d.accept('cumple'));
  await page.click('#new-folder');
  assert.equal(await page.$eval('#folder', (s) => s.value), 'C:\\cumple\\');
  await (await page.$('#upload')).uploadFile(path.join(work, 'cumple', 'cumple.z04'), path.join(work, 'cumple', 'cumple.zbd'));
  await page.waitForFunction(() => window.kalPage.exists('C:\\cumple\\cumple.zbd'));
  await editorText(page, '.codigo;\n[cumple];\n&x := ~Ana;\n&l := %METER &x;\n&r := %INSERTAR &l;\n&t := %TOTALREG;\n' +
                         '.aviso &t;\n.fin;\n');
  assert.deepEqual(await runBoxes(page, 1), ['1']);
  // A zip opens as a folder of its name, where a name that climbs out stays out; a picked folder keeps its tree.
  const {zipSync} = await import('fflate');
  fs.writeFileSync(path.join(work, 'fotos.zip'), zipSync({'a.txt': Buffer.from('a'), 'sub/b.txt': Buffer.from('b'),
                                                          '../fuera.txt': Buffer.from('x')}));
  await page.select('#folder', 'C:\\');
  await (await page.$('#upload')).uploadFile(path.join(work, 'fotos.zip'));
  await page.waitForFunction(() => window.kalPage.exists('C:\\fotos\\sub\\b.txt'));
  await (await page.$('#upload-folder')).uploadFile(path.join(work, 'cumple'));
  await page.waitForFunction(() => window.kalPage.exists('C:\\cumple\\cumple.z04'));
  const files = await page.evaluate(() => window.kalPage.files());
  assert.deepEqual(files.filter((f) => /fotos|fuera/.test(f)), ['C:\\fotos', 'C:\\fotos\\a.txt', 'C:\\fotos\\sub',
                                                                'C:\\fotos\\sub\\b.txt']);
  // Files dropped on the disk's panel go into the folder chosen.
  await page.select('#folder', 'C:\\fotos\\');
  await page.$eval('#disk', (panel) => {
    const data = new DataTransfer();
    data.items.add(new File(['c'], 'c.txt'));
    panel.dispatchEvent(new DragEvent('drop', {dataTransfer: data, bubbles: true, cancelable: true}));
  });
  await page.waitForFunction(() => window.kalPage.exists('C:\\fotos\\c.txt'));
  // A dropped folder, read in batches as the browser gives them, with a folder inside.
  await page.$eval('#disk', (panel) => {
    const file = (name) => ({isFile: true, name, file: (ok) => ok(new File([name], name))});
    const folder = (name, ...batches) => ({isFile: false, name,
      createReader: () => ({readEntries: (ok) => setTimeout(() => ok(batches.shift() ?? []))})});
    const dropped = folder('viaje', [file('uno.txt'), folder('dias', [file('lunes.txt')])], [file('dos.txt')]);
    const drop = new Event('drop', {bubbles: true, cancelable: true});
    Object.defineProperty(drop, 'dataTransfer', {value: {items: [{webkitGetAsEntry: () => dropped}], files: []}});
    panel.dispatchEvent(drop);
  });
  await page.waitForFunction(() => window.kalPage.exists('C:\\fotos\\viaje\\dos.txt'));
  assert.deepEqual((await page.evaluate(() => window.kalPage.files())).filter((f) => f.includes('viaje')),
                   ['C:\\fotos\\viaje', 'C:\\fotos\\viaje\\dias', 'C:\\fotos\\viaje\\dias\\lunes.txt',
                    'C:\\fotos\\viaje\\dos.txt', 'C:\\fotos\\viaje\\uno.txt']);
  await page.close();
});

// A zip built by hand: `local` entries, each stored once, and central entries that may share a local one.
function handZip(locals, centrals) {
  // A header of `size` bytes from its [offset, width, value] fields, the rest zero.
  const header = (size, fields) => {
    const b = Buffer.alloc(size);
    for (const [at, width, value] of fields) (width === 2 ? b.writeUInt16LE : b.writeUInt32LE).call(b, value, at);
    return b;
  };
  const parts = [];
  const offsets = [];
  let at = 0;
  for (const {name, method, data, size} of locals) {
    const n = Buffer.byteLength(name);
    offsets.push(at);
    parts.push(header(30, [[0, 4, 0x04034b50], [4, 2, 20], [8, 2, method], [18, 4, data.length], [22, 4, size],
                           [26, 2, n]]), Buffer.from(name), data);
    at += 30 + n + data.length;
  }
  const start = at;
  for (const {name, local} of centrals) {
    const {method, data, size} = locals[local];
    const n = Buffer.byteLength(name);
    parts.push(header(46, [[0, 4, 0x02014b50], [4, 2, 20], [6, 2, 20], [10, 2, method], [20, 4, data.length],
                           [24, 4, size], [28, 2, n], [42, 4, offsets[local]]]), Buffer.from(name));
    at += 46 + n;
  }
  parts.push(header(22, [[0, 4, 0x06054b50], [8, 2, centrals.length], [10, 2, centrals.length], [12, 4, at - start],
                         [16, 4, start]]));
  return Buffer.concat(parts);
}

await test('a zip is unpacked off the page, counted as it inflates: a bomb stops at the limit, 20,000 files come', async () => {
  const page = await openPage();
  const work = fs.mkdtempSync('/tmp/kal-page-');
  // One GiB of zeros in one stream of about a megabyte, which 400 entries share, each declaring one byte.
  const zlib = await import('node:zlib');
  const deflate = zlib.createDeflateRaw({level: 9});
  const pieces = [];
  deflate.on('data', (d) => pieces.push(d));
  const zeros = Buffer.alloc(1 << 20);
  for (let i = 0; i < 1024; ++i) if (!deflate.write(zeros)) await new Promise((ok) => deflate.once('drain', ok));
  await new Promise((ok) => deflate.end(ok));
  const stream = Buffer.concat(pieces);
  const bomb = handZip([{name: 'e0.txt', method: 8, data: stream, size: 1}],
                       Array.from({length: 400}, (_, i) => ({name: `e${i}.txt`, local: 0})));
  fs.writeFileSync(path.join(work, 'bomba.zip'), bomb);
  const many = {};
  for (let i = 0; i < 20000; ++i) many[`f${i}.txt`] = Buffer.from(`${i}`);
  const {zipSync} = await import('fflate');
  fs.writeFileSync(path.join(work, 'muchos.zip'), zipSync(many));
  // The page's own clock: the longest time it went without answering, while each zip comes in.
  const longestWait = async (file, done) => {
    await page.evaluate(() => {
      window.kalLongest = 0;
      let last = performance.now();
      window.kalTicks = setInterval(() => {
        const now = performance.now();
        window.kalLongest = Math.max(window.kalLongest, now - last);
        last = now;
      }, 20);
    });
    await (await page.$('#upload')).uploadFile(path.join(work, file));
    await page.waitForFunction(done, {timeout: 60000});
    return page.evaluate(() => {
      clearInterval(window.kalTicks);
      return window.kalLongest;
    });
  };
  const bombWait = await longestWait('bomba.zip', () => document.querySelector('#notice').textContent.includes('el zip ocupa demasiado'));
  assert.ok(!await page.evaluate(() => window.kalPage.exists('C:\\bomba')), 'nothing of the bomb is on the disk');
  assert.ok(bombWait < 3000, `the page did not answer for ${bombWait} ms`);
  const manyWait = await longestWait('muchos.zip', () => window.kalPage.exists('C:\\muchos\\f19999.txt'));
  assert.equal((await page.evaluate(() => window.kalPage.files())).filter((f) => f.startsWith('C:\\muchos\\')).length, 20000);
  assert.equal(new TextDecoder().decode(await diskFile(page, 'C:\\muchos\\f1234.txt')), '1234');
  assert.ok(manyWait < 3000, `the page did not answer for ${manyWait} ms`);
  fs.rmSync(work, {recursive: true, force: true});
  await page.close();
});

await test('two tabs on one stored script: an untouched tab never saves, takes the other\'s text, and both changes are kept', async () => {
  const context = await browser.createBrowserContext();
  const a = await openPage(`${origin}/?test`, context);
  const b = await openPage(`${origin}/?test`, context);
  const name = await a.evaluate(() => window.kalPage.current());
  assert.equal(await b.evaluate(() => window.kalPage.current()), name);
  const stored = () => a.evaluate(() => Object.fromEntries(window.kalPage.scripts().map(
      (n) => [n, localStorage.getItem(`kal.script.${n}`)])));
  const type = (page, text) => page.evaluate((t) => window.kalPage.type(t), text);
  await type(a, "'de A;");
  const typedInA = await a.evaluate(() => window.kalPage.exact());
  // Polled by time: a tab behind another draws no frames.
  await a.waitForFunction((n, t) => localStorage.getItem(`kal.script.${n}`) === t, {polling: 100}, name, typedInA);
  // B, untouched, takes A's text at once, and leaving it saves nothing over A's work.
  await b.waitForFunction((t) => window.kalPage.exact() === t, {polling: 100}, typedInA);
  await b.close();
  assert.equal((await stored())[name], typedInA);
  // Both change it: the one stored first keeps the name, the other opens beside under a free name, and says so.
  const c = await openPage(`${origin}/?test`, context);
  await Promise.all([type(a, "'otra de A;"), type(c, "'de C;")]);
  const texts = [await a.evaluate(() => window.kalPage.exact()), await c.evaluate(() => window.kalPage.exact())];
  await a.waitForFunction((want) => want.every((t) => Object.values(localStorage).includes(t)), {polling: 100, timeout: 5000}, texts);
  const names = Object.keys(await stored()).sort();
  assert.deepEqual(names, [name, name.replace(/\.txt$/, ' (2).txt')].sort());
  const said = [await a.$eval('#notice', (n) => n.textContent), await c.$eval('#notice', (n) => n.textContent)];
  assert.ok(said.some((s) => s.includes(`Otra pestaña guardó también ${name}`)), said.join(' / '));
  await a.close();
  await c.close();
  await context.close();
});

await test('a rename the browser has no room for says so, and the script keeps its name', async () => {
  const page = await openPage();
  const name = await page.evaluate(() => window.kalPage.current());
  await page.evaluate(() => {
    Storage.prototype.setItem = function () {
      throw new DOMException('full', 'QuotaExceededError');
    };
  });
  page.on('dialog', (d) => d.accept('nuevo.txt'));
  await page.click('#rename-script');
  await page.waitForFunction(() => !document.querySelector('#notice').hidden);
  assert.equal(await page.$eval('#notice', (n) => n.textContent),
               `El navegador no tiene sitio para el programa con su nuevo nombre; sigue llamándose ${name}.`);
  assert.equal(await page.evaluate(() => window.kalPage.current()), name);
  await page.close();
});

await test('the footer shows the version the web build was made with', async () => {
  const page = await openPage();
  const version = fs.readFileSync(path.join(site, '..', 'version.txt'), 'utf8').trim();
  assert.match(version, /^\d+\.\d+\.\d+$/);
  assert.equal(await page.$eval('footer', (f) => f.textContent), `KAL ${version}`);
  await page.close();
});

await test('the page\'s console shows no error', async () => {
  assert.deepEqual(consoleErrors, []);
});

await browser.close();
server.close();
console.log(failures.length ? `page: ${failures.length} failed` : 'page: all passed');
process.exit(failures.length ? 1 : 0);
