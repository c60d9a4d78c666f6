// kaldebug.exe under Wine, driven by the Debug Adapter Protocol's test client as an editor drives it, one
// conversation per area. KAL's boxes show on the X server the runner set up (DISPLAY, WINEPREFIX); each is read
// with box_text.exe and answered with xdotool, as a person reads and answers it.
// Started by tests/e2e/debug_client_test.py, which names KALDEBUG, BOX_TEXT and KAL_WORK.
const assert = require('node:assert/strict');
const { execFile } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const test = require('node:test');
const { promisify } = require('node:util');
const { DebugClient } = require('@vscode/debugadapter-testsupport');
const { adapterCommand, completeConfiguration, forWine } = require('../src/debug');

const run = promisify(execFile);
const { KALDEBUG, BOX_TEXT, KAL_WORK } = process.env;
const WAIT = 60000; // Wine starts slowly on a busy machine; a request that never comes back still fails
const cp1252 = (text) => Buffer.from(text, 'latin1');

async function xdo(...args) {
  try {
    return (await run('xdotool', args, { timeout: 20000 })).stdout.trim();
  } catch {
    return '';
  }
}
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
// What found() gives once it gives something, every tenth of a second for at most ms.
async function waitFor(found, ms = WAIT) {
  for (const deadline = Date.now() + ms; ; await sleep(100)) {
    const got = await found();
    if (got || Date.now() > deadline) return got;
  }
}

// The next box KAL shows: its window and title, once it stands on the display.
async function nextBox() {
  const box = await waitFor(async () => {
    for (const w of (await xdo('search', '--onlyvisible', '--classname', 'kaldebug.exe')).split(/\s+/)) {
      const title = w && (await xdo('getwindowname', w));
      if (title === 'KAL' || title === 'Programador') return [w, title];
    }
    return undefined;
  });
  if (!box) throw new Error('no box came');
  return box;
}

// The next box's title and whole text, once answered with Enter.
async function answerBox() {
  const [w, title] = await nextBox();
  const text = (await run('wine', [BOX_TEXT, title], { encoding: 'utf8' })).stdout;
  const standing = async () => (await xdo('search', '--onlyvisible', '--classname', 'kaldebug.exe')).split(/\s+/)
    .includes(w);
  for (let tries = 0; tries < 3 && (await standing()); tries++) {
    await xdo('windowfocus', '--sync', w);
    await xdo('key', 'Return');
    await waitFor(async () => !(await standing()), 3000);
  }
  return [title, text];
}

// A script in its own folder, written in Windows-1252 with CR LF, and the launch arguments the extension gives
// for it under Wine.
function script(folder, name, lines) {
  fs.mkdirSync(folder, { recursive: true });
  const file = path.join(folder, name);
  fs.writeFileSync(file, cp1252(lines.join('\r\n') + '\r\n'));
  return forWine({ type: 'kal', request: 'launch', name: 'KAL', program: file });
}

async function adapter(t) {
  const dc = new DebugClient('wine', KALDEBUG, 'kal', { env: { ...process.env, WINEDEBUG: '-all' } });
  dc.defaultTimeout = WAIT;
  const said = [];
  dc.on('output', (e) => said.push(e.body.output));
  await dc.start();
  // The client's requests wait for their answers without end: an adapter that was disconnected is not asked
  // again.
  t.after(() => (dc.disconnected ? undefined : dc.stop()));
  await dc.initializeRequest({ adapterID: 'kal', linesStartAt1: true, columnsStartAt1: true, pathFormat: 'path' });
  return { dc, said };
}

async function values(dc, reference) {
  const { body } = await dc.variablesRequest({ variablesReference: reference });
  return Object.fromEntries(body.variables.map((v) => [v.name, v.value]));
}
async function line(dc) {
  return (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames[0].line;
}

// The launch's arguments, breakpoints and configurationDone, as the editor sends them.
async function launch(dc, args, breakpoints = []) {
  const initialized = dc.waitForEvent('initialized');
  await dc.launchRequest(args);
  await initialized;
  const placed = await dc.setBreakpointsRequest({ source: { path: args.sourcePath }, breakpoints });
  await dc.configurationDoneRequest();
  return placed.body.breakpoints;
}

test('a breakpoint in a loop, a step, a changed value, a condition and a logpoint', { timeout: 180000 }, async (t) => {
  const { dc, said } = await adapter(t);
  const args = script(path.join(KAL_WORK, 'bucle'), 'bucle.txt', [
    '.codigo;', '&n := 0;', ':otra;', '&n := &n + 1;', '.aviso &n;', '&tres := 3;', '.cmp &n &tres;',
    '.saltarcero :otra;', '', '&t := ~fin;', '.aviso &t;', '.fin;']);
  let stopped = dc.waitForEvent('stopped');
  const placed = await launch(dc, args, [{ line: 5, condition: '&n > 1' }, { line: 9, logMessage: 'n vale {&n}' },
    { line: 11 }]);
  // The empty line has no statement: the logpoint moves to the next one, and says so.
  assert.deepEqual(placed.map((b) => [b.verified, b.line]), [[true, 5], [true, 10], [true, 11]]);
  assert.deepEqual(await answerBox(), ['KAL', '1']); // the condition let the first round pass
  assert.equal((await stopped).body.reason, 'breakpoint');
  const frame = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames[0];
  assert.deepEqual([frame.line, frame.source.path], [5, args.sourcePath]);
  assert.deepEqual(await values(dc, 1), { '&n': '2', '&tres': '3' });
  // Each value with its class, as the panel shows it beside the value.
  const listed = (await dc.variablesRequest({ variablesReference: 1 })).body.variables;
  assert.deepEqual(listed.map((v) => v.type), ['entero', 'entero']);
  // One statement: the box it shows says what the Variables panel said.
  stopped = dc.waitForEvent('stopped');
  await dc.nextRequest({ threadId: 1 });
  assert.deepEqual(await answerBox(), ['KAL', '2']);
  assert.equal((await stopped).body.reason, 'step');
  assert.equal(await line(dc), 6);
  await dc.setVariableRequest({ variablesReference: 1, name: '&n', value: '3' });
  stopped = dc.waitForEvent('stopped');
  await dc.continueRequest({ threadId: 1 });
  await stopped;
  assert.equal(await line(dc), 11); // the changed value ended the loop
  assert.ok(said.includes('n vale 3\n'), said.join('|'));
  const ended = dc.waitForEvent('terminated');
  await dc.continueRequest({ threadId: 1 });
  // A script waiting in one of KAL's boxes is not restarted under it: the box is the person's to answer.
  await nextBox();
  await assert.rejects(dc.restartRequest({}), /cont\u00e9stela/);
  assert.deepEqual(await answerBox(), ['KAL', 'fin']);
  await ended;
});

// The Wine processes of this prefix that run kaldebug.exe.
function adapters() {
  return fs.readdirSync('/proc').filter((pid) => /^\d+$/.test(pid)).filter((pid) => {
    try {
      const command = fs.readFileSync(`/proc/${pid}/cmdline`, 'latin1');
      const environ = fs.readFileSync(`/proc/${pid}/environ`, 'latin1').split('\0');
      return /kaldebug\.exe/i.test(command) && environ.includes(`WINEPREFIX=${process.env.WINEPREFIX}`);
    } catch {
      return false;
    }
  });
}

test('pause stops a loop through a label at once; restart runs again; terminate and disconnect leave nothing running', { timeout: 180000 }, async (t) => {
  const { dc } = await adapter(t);
  await launch(dc, script(path.join(KAL_WORK, 'pausa'), 'pausa.txt', [
    '.codigo;', '&n := 0;', ':otra;', '&n := &n + 1;', '.saltar :otra;', '.fin;']));
  await sleep(1000);
  const stopped = dc.waitForEvent('stopped', 1000); // within a second
  await dc.pauseRequest({ threadId: 1 });
  assert.equal((await stopped).body.reason, 'pause');
  assert.ok([3, 4, 5].includes(await line(dc)));
  assert.ok(Number((await values(dc, 1))['&n']) > 0);
  const ended = dc.waitForEvent('terminated');
  await dc.terminateRequest();
  await ended;
  await dc.disconnectRequest();
  dc.disconnected = true;
  await waitFor(() => adapters().length === 0, 10000);
  assert.deepEqual(adapters(), []);

  // A drawing that waits at its end for its window to close starts again when restarted, and ends when told,
  // with its window.
  const { dc: drawing } = await adapter(t);
  await launch(drawing, script(path.join(KAL_WORK, 'dibujo'), 'dibujo.txt', [
    '.codigo;', '&an := 200;', '&al := 100;', '&s := ~veces.txt;', '&c := 0;', '&r := %WOUT &s &an &c;',
    '.ventana &an &al;', '.fin;']));
  const runs = () => fs.readFileSync(path.join(KAL_WORK, 'dibujo', 'veces.txt'), 'latin1');
  const shown = () => waitFor(() => xdo('search', '--onlyvisible', '--name', 'Ventana Grafica KAL'), 10000);
  const first = await shown();
  assert.ok(first, 'no graphics window');
  let restarted = false;
  drawing.once('terminated', () => { restarted = true; });
  await drawing.restartRequest({});
  assert.ok(await shown(), 'no graphics window after the restart');
  assert.equal(runs(), '200\r\n200\r\n'); // the run started again
  assert.equal(restarted, false); // the session goes on
  const over = drawing.waitForEvent('terminated', 10000);
  await drawing.terminateRequest();
  await over;
  // The window goes with the program, which Wine may end a moment after the adapter said so.
  const gone = await waitFor(async () => (await xdo('search', '--onlyvisible', '--name', 'Ventana Grafica KAL')) === '',
                             5000);
  assert.ok(gone, 'the graphics window stayed after the end');
});

test('a run-time error stops before its box; a script that does not compile gets every error', { timeout: 180000 }, async (t) => {
  const { dc } = await adapter(t);
  const stopped = dc.waitForEvent('stopped');
  await launch(dc, script(path.join(KAL_WORK, 'error'), 'error.txt', ['.codigo;', '&a := 1;', '.saltar :nada;',
    '.fin;']));
  const { body } = await stopped;
  assert.equal(body.reason, 'exception');
  assert.match(body.text, /nada/);
  assert.equal(await line(dc), 3);
  const ended = dc.waitForEvent('terminated');
  await dc.continueRequest({ threadId: 1 });
  const [title, text] = await answerBox();
  assert.equal(title, 'Programador');
  assert.equal(text, body.text); // the box KAL.exe shows, with the text the editor was given
  await ended;

  const { dc: other, said } = await adapter(t);
  const args = script(path.join(KAL_WORK, 'mal'), 'mal.txt', ['.codigo;', '&a := 1', '&b := 2;', 'hola!;', '.fin;']);
  await assert.rejects(other.launchRequest(args));
  const lines = said.filter((s) => s.startsWith(args.program)).map((s) => s.slice(args.program.length).split(':')[1]);
  assert.deepEqual(lines, ['2', '4']);
});

test("the program folder is the script's: files and databases are found beside it", { timeout: 180000 }, async (t) => {
  const { dc } = await adapter(t);
  const folder = path.join(KAL_WORK, 'Mis guiones', 'A\u00f1o 2026');
  const examples = path.join(__dirname, '..', '..', '..', 'examples');
  fs.mkdirSync(path.join(folder, 'agenda'), { recursive: true });
  fs.copyFileSync(path.join(examples, 'agenda', 'agenda.z04'), path.join(folder, 'agenda', 'agenda.z04'));
  const args = script(folder, 'ficha.txt', [
    '.codigo;', '[agenda];', '&v := ~Ana_L\u00f3pez;', '&f := %METER &v;', '&v := ~600;', '&f := %METER &v;',
    '&v := 100;', '&f := %METER &v;', '&r := %INSERTAR &f;', '&uno := 1;', '&r := %POSREG &uno;',
    '&nombre := #nombre;', '.aviso &nombre;', '&s := ~salida.txt;', '&c := 0;', '&r := %WOUT &s &nombre &c;',
    '.fin;']);
  const stopped = dc.waitForEvent('stopped');
  await launch(dc, args, [{ line: 13 }]);
  await stopped;
  assert.equal((await dc.evaluateRequest({ expression: '#nombre', context: 'watch' })).body.result, 'Ana L\u00f3pez');
  const ended = dc.waitForEvent('terminated');
  await dc.continueRequest({ threadId: 1 });
  assert.deepEqual(await answerBox(), ['KAL', 'Ana L\u00f3pez']);
  await ended;
  assert.deepEqual(fs.readFileSync(path.join(folder, 'salida.txt')), cp1252('Ana L\u00f3pez\r\n'));
  assert.ok(fs.existsSync(path.join(folder, 'agenda', 'agenda.zbd')));
});

test('F5 and Ctrl+F5 without a launch.json, and the adapter the extension starts', () => {
  const kal = { languageId: 'kal' };
  assert.equal(completeConfiguration({ noDebug: true }, kal).program, '${file}'); // Ctrl+F5 too
  assert.equal(completeConfiguration({}, { languageId: 'plaintext' }), undefined);
  // The packaged adapter before the opened folder's; on Linux only under Wine, and only when asked.
  const packaged = path.join('/ext', 'server', 'kaldebug.exe');
  assert.equal(adapterCommand({}, '/ext', '/scripts', 'win32', () => true).command, packaged);
  assert.equal(adapterCommand({}, '/ext', undefined, 'linux', () => true), undefined);
  assert.deepEqual(adapterCommand({ wine: 'wine' }, '/ext', undefined, 'linux', () => true).args, [packaged]);
});
