// The playground's wiring: the editor with the checker's problems, the buttons, the boxes and the graphics
// window a run shows (run.js), the state panel, the disk's files, and the test hooks.
import {EditorView, basicSetup} from 'codemirror';
import {EditorState, StateEffect, StateField} from '@codemirror/state';
import {Decoration} from '@codemirror/view';
import {forceLinting, lintGutter} from '@codemirror/lint';
import {kalLanguage} from './kal-language.js';
import {decode, encode} from './cp1252.js';
import {ARCHIVE, Disk, READ_ONLY, inProgramFolder} from './disk.js';
import {DiskPanel} from './disk-panel.js';
import {CRLF, KINDS, convertedTo, exactText, lineEnds, lineEndsName, openedWith} from './line-ends.js';
import {formatScript, problemsOf} from './problems.js';
import {programButton} from './program.js';
import {Run} from './run.js';
import {Runner} from './runner.js';
import {HeldScript} from './held-script.js';
import {Scripts, linkHash, linkedScript, scriptName as cleanName} from './scripts.js';
import {TEXTS} from './texts.js';
import {openWindowCanvas, showBox} from './windows.js';

const $ = (selector) => document.querySelector(selector);
const runner = new Runner('./');
const disk = new Disk();
const scripts = new Scripts();
let lang = localStorage.getItem('kal.lang') === 'en' ? 'en' : 'es';
let run = null;  // the current run
let firstExample = null;  // what a first visit opens
const examples = new Map();  // each example script's text as shipped, by name

const t = (key) => TEXTS[lang][key];
const panel = new DiskPanel(disk, t, (kind, text) => notice(kind, text));

// ---- The editor ----

const setRunLine = StateEffect.define();
const runLine = StateField.define({
  create: () => Decoration.none,
  update(marks, tr) {
    for (const e of tr.effects) {
      if (!e.is(setRunLine)) continue;
      if (e.value === null || e.value > tr.state.doc.lines) return Decoration.none;
      const line = tr.state.doc.line(e.value);
      return Decoration.set([Decoration.line({class: 'kal-run-line'}).range(line.from)]);
    }
    return marks.map(tr.changes);
  },
  provide: (f) => EditorView.decorations.from(f),
});

const problems = problemsOf(runner);

const view = new EditorView({
  parent: $('#editor'),
  state: EditorState.create({
    doc: '',
    extensions: [basicSetup, kalLanguage(), problems, lintGutter(), runLine, lineEnds,
                 EditorView.updateListener.of((u) => {
                   if (!u.docChanged) return;
                   showLineEnds();
                   held.changed();
                 })],
  }),
});

const held = new HeldScript(scripts,
  {text: () => exactText(view.state), show: showText, named: holdName, listed: showScripts, notice, t});
const save = () => held.save();

// The name of the script the editor holds, as the page shows it and the next visit opens it.
function holdName(name) {
  held.name = name;
  scripts.current = name;
  $('#script-name').textContent = name;
  showScripts();
}

// A text in the editor in place of the one it holds, with its own line ends.
function showText(text) {
  view.dispatch({changes: {from: 0, to: view.state.doc.length, insert: text}, effects: openedWith(text)});
  showLineEnds();
  forceLinting(view);  // its problems at once, not the last text's moved
}

// The script's text opens with its own line ends.
function setSource(text, name) {
  save();  // the script being left keeps what was typed last
  held.hold(name);
  showText(text);
  save();
  holdName(name);  // once stored, so that the list of scripts holds it
}

// A script from elsewhere (an example, a link, a test) opens beside the stored ones: under its own name when
// that is free or holds the same text, else under a new name.
function openBeside(text, name) {
  setSource(text, scripts.get(name) === text ? name : scripts.freeName(name));
}

// The line ends' indicator: the script's kind, or "mixed"; choosing a kind converts every line end to it.
function showLineEnds() {
  const name = lineEndsName(view.state);
  const select = $('#line-ends');
  select.querySelector('option[value=mixed]').hidden = name !== 'mixed';
  select.value = name;
}

function convertLineEnds() {
  const kind = KINDS.get($('#line-ends').value);
  if (!kind) return;
  view.dispatch({effects: convertedTo(view.state, kind)});
  save();
  showLineEnds();
}

// A script of the person's own: new, renamed, deleted.
function newScript() {
  setSource(`.codigo;${CRLF}${CRLF}.fin;${CRLF}`, scripts.freeName('programa.txt'));
}

function renameScript(answer) {
  if (answer === null || answer === undefined) return;
  const name = cleanName(answer);
  if (name === held.name) return;
  save();
  const refused = scripts.rename(held.name, name);
  if (refused) {
    notice('rename', refused === 'taken' ? `${t('nameTaken')} ${name}` : `${t('renameFull')} ${held.name}.`);
    return;
  }
  notice('rename', null);
  holdName(name);
}

function deleteScript(confirmed) {
  if (!confirmed) return;
  scripts.remove(held.name);
  held.drop();
  const rest = scripts.names();
  if (rest.length) setSource(scripts.get(rest[0]), rest[0]);
  else newScript();
}

function showScripts() {
  const list = $('#scripts');
  list.replaceChildren(...scripts.names().map((name) => {
    const option = document.createElement('option');
    option.value = option.textContent = name;
    return option;
  }));
  list.value = held.name ?? '';
}

// What the page must tell the person, by kind, until it no longer holds.
const notices = new Map();
function notice(kind, text) {
  if (text) notices.set(kind, text);
  else notices.delete(kind);
  $('#notice').textContent = [...notices.values()].join(' ');
  $('#notice').hidden = notices.size === 0;
}

// ---- The page's own words ----

function applyLanguage() {
  document.documentElement.lang = lang;
  for (const el of document.querySelectorAll('[data-text]')) el.textContent = t(el.dataset.text);
  for (const el of document.querySelectorAll('[data-label]')) el.setAttribute('aria-label', t(el.dataset.label));
  for (const el of document.querySelectorAll('[data-title]')) el.title = t(el.dataset.title);
  $('#guide').href = lang === 'es' ? 'guia.html' : 'guide.html';
  localStorage.setItem('kal.lang', lang);
}

function status(text) {
  $('#status').textContent = text;
}

// ---- Runs ----

// What a run shows on the page.
const ui = {
  box: showBox,
  inputText: () => $('#box input').value,
  hideBox: () => { $('#box').hidden = true; },  // a stopped run's box goes, never answered
  openWindow: openWindowCanvas,
  text: t,
  status,
  line: (line) => view.dispatch({effects: setRunLine.of(line)}),
  watch: (r, statement) => showWatch(r.watch(), statement),
  paused: () => buttons(),
  shellOpen(name, bytes) {
    $('#output-name').textContent = name;
    $('#output-text').textContent = bytes ? decode(bytes) : '';
    $('#output').hidden = false;
  },
  filesChanged(r) {
    panel.changed = r.changed;
    showFiles();
  },
  ended(r, how) {
    if (r.module) {
      showWatch(r.watch());
      panel.changed = r.changed;
    }
    view.dispatch({effects: setRunLine.of(null)});
    if (run === r) run = null;
    showFiles();
    status(how);
    buttons();
    document.body.dataset.runs = String(Number(document.body.dataset.runs || 0) + 1);
    document.body.dataset.lastRunMs = String(Math.round(performance.now() - r.startedAt));
  },
};

async function start(step) {
  if (run) run.stop();
  const source = exactText(view.state);
  const path = inProgramFolder(held.name);
  disk.put(path, encode(source));
  const r = new Run(runner, disk, ui);
  run = r;
  $('#graphics').hidden = true;
  $('#output').hidden = true;
  status(t('running'));
  buttons();
  await r.start(path, source, step);
}

function stepOrRun(stepping) {
  if (run && run.paused) {
    status(t('running'));
    view.dispatch({effects: setRunLine.of(null)});
    run.proceed(stepping);
    buttons();
  } else if (!run) {
    start(stepping);
  }
}

function buttons() {
  $('#stop').disabled = !run;
  $('#run').disabled = Boolean(run && !run.paused);
  $('#step').disabled = Boolean(run && !run.paused);
  document.body.dataset.state = run ? (run.paused ? 'paused' : 'running') : 'idle';
}

// ---- The state panel and the disk ----

function showWatch(w, statement) {
  if (!w) return;
  // Each value with its class: a "8,5" marked "texto" says why + joined it.
  const rows = (list) => list.map(([name, value, kind]) => {
    const tr = document.createElement('tr');
    const a = document.createElement('td');
    const b = document.createElement('td');
    const c = document.createElement('td');
    a.textContent = name;
    b.textContent = value.length > 200 ? `${value.slice(0, 200)}…` : value;
    c.textContent = kind ?? '';
    c.className = 'kal-class';
    tr.append(a, b, c);
    return tr;
  });
  $('#variables').replaceChildren(...rows((w.variables || []).map(([n, v, k]) => [`&${n}`, v, k])));
  $('#constants').replaceChildren(...rows((w.constants || []).map(([n, v, k]) => [`@${n}`, v, k])));
  $('#flag').textContent = w.flag ?? '';
  $('#statement').textContent = statement ?? w.statement ?? '';
  $('#database').textContent = w.database ? `${w.database}: ${t('record')} ${w.record}, ${t('search')} ${w.search}`
                                          : t('none');
}

function showFiles() {
  panel.show();
}

// ---- Start ----

async function loadExamples() {
  const index = await (await fetch('examples/bundle.json')).json();
  for (const f of index.files) {
    if (f.folder) disk.folder(f.path);
    else disk.put(f.path, Uint8Array.from(atob(f.data), (c) => c.charCodeAt(0)));
  }
  // An example opens as shipped, whatever a run or the person's own script of its name left on the disk.
  for (const name of index.scripts) examples.set(name, decode(disk.get(inProgramFolder(name)).bytes));
  const select = $('#examples');
  firstExample = index.scripts.includes('hola.txt') ? 'hola.txt' : index.scripts[0] ?? null;
  for (const name of index.scripts) {
    const option = document.createElement('option');
    option.value = option.textContent = name;
    select.append(option);
  }
  select.addEventListener('change', () => {
    if (!select.value) return;
    openBeside(examples.get(select.value), select.value);
    select.value = '';
  });
}

function shareLink() {
  const link = `${location.origin}${location.pathname}${linkHash(held.name, exactText(view.state))}`;
  $('#share-link').value = link;
  $('#share-link').hidden = false;
  navigator.clipboard?.writeText(link).then(() => status(t('copied')), () => {});
}

async function main() {
  applyLanguage();
  status(t('loading'));
  window.addEventListener('pagehide', save);
  window.addEventListener('storage', (event) => held.storedElsewhere(event));
  $('#run').addEventListener('click', () => stepOrRun(false));
  $('#step').addEventListener('click', () => stepOrRun(true));
  $('#stop').addEventListener('click', () => run?.stop());
  // Closing the graphics window ends the program, as on Windows.
  $('#graphics .close').addEventListener('click', () => {
    $('#graphics').hidden = true;
    run?.stop('ended');
  });
  $('#share').addEventListener('click', shareLink);
  $('#format').addEventListener('click', () => formatScript(view, runner));
  programButton($('#program'),
                {runner, source: () => exactText(view.state), scriptName: () => held.name, notice, status, t});
  $('#language').addEventListener('click', () => {
    lang = lang === 'es' ? 'en' : 'es';
    applyLanguage();
  });
  $('#line-ends').addEventListener('change', convertLineEnds);
  $('#new-script').addEventListener('click', newScript);
  $('#rename-script').addEventListener('click', () => renameScript(prompt(t('renameTo'), held.name)));
  $('#delete-script').addEventListener('click', () => deleteScript(confirm(`${t('deleteAsk')} ${held.name}?`)));
  await Promise.all([runner.load(), loadExamples()]);
  $('#scripts').addEventListener('change', () => {
    const name = $('#scripts').value;
    if (name && name !== held.name) setSource(scripts.get(name) ?? '', name);
  });
  // A shared link's script opens beside the person's own, once: the address forgets it, so a reload does not
  // open it again. A link that cannot be read says why, and the person's own script opens.
  const linked = linkedScript(location.hash);
  if (linked) history.replaceState(null, '', location.pathname + location.search);
  if (linked?.error) notice('link', t(linked.error));
  const current = scripts.current;
  if (linked && !linked.error) openBeside(linked.text, linked.name);
  else if (current !== null && scripts.get(current) !== null) setSource(scripts.get(current), current);
  else if (firstExample) openBeside(examples.get(firstExample), firstExample);
  else newScript();
  showFiles();
  buttons();
  status(t('ready'));
  // What the page's tests reach for, only when the page is opened with ?test.
  if (new URLSearchParams(location.search).has('test')) window.kalPage = testHooks();
  document.body.dataset.ready = 'yes';
}

// What the page's tests reach for, only when the page is opened with ?test.
function testHooks() {
  return {
    file: (path) => disk.get(path)?.bytes ?? null,
    exists: (path) => Boolean(disk.get(path)),
    files: () => disk.files().map((e) => e.path),
    // A script typed into the page: its lines end in CR LF.
    source: (text) => setSource(text.replace(/\r\n|\r|\n/g, CRLF), held.name),
    text: () => view.state.doc.toString(),
    // Text typed at the script's end, as a keyboard would (in a tab not in front too).
    type: (text) => view.dispatch({changes: {from: view.state.doc.length, insert: text}}),
    exact: () => exactText(view.state),
    bench: (text) => runner.bench(text),
    load: (name, bytes) => openBeside(decode(Uint8Array.from(bytes)), cleanName(name)),
    scripts: () => scripts.names(), current: () => held.name,
    // The page as a first visit finds it, less the examples on the disk, for the next case.
    reset() {
      run?.stop();
      held.drop();
      for (const name of scripts.names()) scripts.remove(name);
      for (const kind of [...notices.keys()]) notice(kind, null);
      disk.entries.clear();
      panel.changed = new Set();
      for (const id of ['#graphics', '#output', '#box']) $(id).hidden = true;
      $('#output-name').textContent = '';
      newScript();
      showFiles();
      status(t('ready'));
    },
    // A case's folder as the whole disk: [{path, folder, hex, read_only}].
    disk(entries) {
      disk.entries.clear();
      for (const e of entries) {
        if (e.folder) disk.folder(e.path);
        else disk.put(e.path, Uint8Array.from(e.hex.match(/../g) ?? [], (h) => parseInt(h, 16)),
                      ARCHIVE | (e.read_only ? READ_ONLY : 0));
      }
      showFiles();
    },
  };
}

main();
