// The playground's wiring: the editor with the checker's problems, the buttons, the boxes and the graphics
// window a run shows (run.js), the state panel, the disk's files, and the test hooks.
import {EditorView, basicSetup} from 'codemirror';
import {EditorState, StateEffect, StateField} from '@codemirror/state';
import {Decoration} from '@codemirror/view';
import {forceLinting, linter, lintGutter} from '@codemirror/lint';
import {kalLanguage} from './kal-language.js';
import {decode, encode} from './cp1252.js';
import {Disk, inProgramFolder} from './disk.js';
import {Run} from './run.js';
import {Runner} from './runner.js';
import {Scripts, linkHash, linkedScript, scriptName as cleanName} from './scripts.js';
import {TEXTS} from './texts.js';

const $ = (selector) => document.querySelector(selector);
const runner = new Runner('./');
const disk = new Disk();
const scripts = new Scripts();
let lang = localStorage.getItem('kal.lang') === 'en' ? 'en' : 'es';
let scriptName = null;  // the stored script the editor holds
let run = null;  // the current run
let firstExample = null;  // what a first visit opens

const t = (key) => TEXTS[lang][key];

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

const problems = linter((view) => {
  if (!runner.checker) return [];
  const source = view.state.doc.toString();
  return runner.check(source).problems.map((p) => ({
    from: Math.min(p.offset, source.length),
    to: Math.min(p.offset + Math.max(p.length, 1), source.length),
    severity: p.error ? 'error' : 'warning',
    message: p.message,
  }));
}, {delay: 150});

let saveTimer = 0;
// The editor's script is kept as it is typed; when the browser has no room, the page says so.
function save() {
  clearTimeout(saveTimer);
  if (scriptName === null) return;
  notice('full', scripts.put(scriptName, view.state.doc.toString()) ? null : `${t('full')} ${scriptName}`);
}
const view = new EditorView({
  parent: $('#editor'),
  state: EditorState.create({
    doc: '',
    extensions: [basicSetup, kalLanguage(), problems, lintGutter(), runLine,
                 EditorView.updateListener.of((u) => {
                   if (!u.docChanged) return;
                   clearTimeout(saveTimer);
                   saveTimer = setTimeout(save, 300);
                 })],
  }),
});

function setSource(text, name) {
  save();  // the script being left keeps what was typed last
  scriptName = name;
  scripts.current = name;
  view.dispatch({changes: {from: 0, to: view.state.doc.length, insert: text.replace(/\r\n?/g, '\n')}});
  $('#script-name').textContent = name;
  save();
  showScripts();
  forceLinting(view);  // a new script's problems at once, not the last one's moved
}

// A script from elsewhere (an example, a link, a test) opens beside the stored ones: under its own name when
// that is free or holds the same text, else under a new name.
function openBeside(text, name) {
  const same = scripts.get(name) === text.replace(/\r\n?/g, '\n');
  setSource(text, same ? name : scripts.freeName(name));
}

function showScripts() {
  const list = $('#scripts');
  list.replaceChildren(...scripts.names().map((name) => {
    const option = document.createElement('option');
    option.value = option.textContent = name;
    return option;
  }));
  list.value = scriptName ?? '';
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
  $('#guide').href = lang === 'es' ? 'guia.html' : 'guide.html';
  localStorage.setItem('kal.lang', lang);
}

function status(text) {
  $('#status').textContent = text;
}

// ---- Boxes and dialogs ----

// Shows a modal box of the run; resolves with the button pressed, or never when the run is stopped first.
// Keys work as on Windows: Enter takes the button that has the focus (the first one, or OK in the input dialog);
// Esc closes a box with only OK and cancels the input dialog, and does nothing to a question; a question's
// buttons answer to their first letters (S and N on the Spanish page, Y and N on the English one). A key is
// taken on its way down and goes no further, so it never answers the box that shows next.
function showBox(title, text, buttons, input) {
  return new Promise((resolve) => {
    const box = $('#box');
    box.querySelector('.box-title').textContent = title;
    box.querySelector('.box-text').textContent = text;
    const field = box.querySelector('input');
    field.hidden = !input;
    field.value = '';
    const row = box.querySelector('.box-buttons');
    row.replaceChildren();
    const close = (answer) => {
      box.hidden = true;
      resolve(answer);
    };
    for (const [answer, label] of buttons) {
      const button = document.createElement('button');
      button.textContent = label;
      button.dataset.answer = answer;
      button.addEventListener('click', () => close(answer));
      row.append(button);
    }
    field.onkeydown = null;
    box.onkeydown = (e) => {
      let answer = null;
      if (e.key === 'Enter') answer = input ? 'ok' : (document.activeElement?.dataset.answer ?? buttons[0][0]);
      else if (e.key === 'Escape') answer = input ? 'cancel' : buttons.length === 1 ? buttons[0][0] : null;
      else if (buttons.length > 1 && !input && e.key.length === 1 && !e.ctrlKey && !e.altKey && !e.metaKey)
        answer = buttons.find(([, label]) => label[0].toLowerCase() === e.key.toLowerCase())?.[0] ?? null;
      if (e.key === 'Enter' || e.key === 'Escape' || answer !== null) {
        e.preventDefault();
        e.stopPropagation();
      }
      if (answer !== null) close(answer);
    };
    box.hidden = false;
    (input ? field : row.firstChild).focus();
  });
}

// The graphics window: a client area of the size asked for, holding at its top-left a drawing control one pixel
// narrower and lower, whose border leaves the canvas two pixels less again, as on Windows.
function openWindowCanvas(width, height) {
  const frame = $('#graphics');
  const client = $('#graphics .client');
  const canvas = $('#graphics canvas');
  client.style.width = `${width}px`;
  client.style.height = `${height}px`;
  canvas.width = Math.max(width - 3, 1);
  canvas.height = Math.max(height - 3, 1);
  frame.hidden = false;
  return canvas;
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
  ended(r, how) {
    if (r.module) {
      showWatch(r.watch());
      changed = r.changed;
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
  const source = view.state.doc.toString();
  const path = inProgramFolder(scriptName);
  disk.put(path, encode(source.replace(/\n/g, '\r\n')));
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
  const rows = (list) => list.map(([name, value]) => {
    const tr = document.createElement('tr');
    const a = document.createElement('td');
    const b = document.createElement('td');
    a.textContent = name;
    b.textContent = value.length > 200 ? `${value.slice(0, 200)}…` : value;
    tr.append(a, b);
    return tr;
  });
  $('#variables').replaceChildren(...rows((w.variables || []).map(([n, v]) => [`&${n}`, v])));
  $('#constants').replaceChildren(...rows((w.constants || []).map(([n, v]) => [`@${n}`, v])));
  $('#flag').textContent = w.flag ?? '';
  $('#statement').textContent = statement ?? w.statement ?? '';
  $('#database').textContent = w.database ? `${w.database}: ${t('record')} ${w.record}, ${t('search')} ${w.search}`
                                          : t('none');
}

// The files the last run wrote, marked in the list so that what a script made (a picture, a log) is found at
// once.
let changed = new Set();

// Each listing's download links hold their files' bytes until the next listing replaces them.
let links = [];
function showFiles() {
  const list = $('#files');
  for (const url of links) URL.revokeObjectURL(url);
  links = [];
  list.replaceChildren(...disk.files().filter((e) => !e.folder).map((entry) => {
    const li = document.createElement('li');
    const a = document.createElement('a');
    a.textContent = entry.path;
    a.href = URL.createObjectURL(new Blob([entry.bytes]));
    links.push(a.href);
    a.download = entry.path.slice(entry.path.lastIndexOf('\\') + 1);
    const size = document.createElement('span');
    size.textContent = ` ${entry.bytes.length} B`;
    li.append(a, size);
    if (changed.has(entry.path.toLowerCase())) {
      li.classList.add('changed');
      const mark = document.createElement('span');
      mark.className = 'mark';
      mark.textContent = ` ${t('written')}`;
      li.append(mark);
    }
    return li;
  }));
}

// ---- Start ----

async function loadExamples() {
  const index = await (await fetch('examples/bundle.json')).json();
  for (const f of index.files) {
    if (f.folder) disk.folder(f.path);
    else disk.put(f.path, Uint8Array.from(atob(f.data), (c) => c.charCodeAt(0)));
  }
  const select = $('#examples');
  firstExample = index.scripts.includes('hola.txt') ? 'hola.txt' : index.scripts[0] ?? null;
  for (const name of index.scripts) {
    const option = document.createElement('option');
    option.value = option.textContent = name;
    select.append(option);
  }
  select.addEventListener('change', () => {
    if (!select.value) return;
    const entry = disk.get(inProgramFolder(select.value));
    openBeside(decode(entry.bytes), select.value);
    select.value = '';
  });
}

function shareLink() {
  const link = `${location.origin}${location.pathname}${linkHash(scriptName, view.state.doc.toString())}`;
  $('#share-link').value = link;
  $('#share-link').hidden = false;
  navigator.clipboard?.writeText(link).then(() => status(t('copied')), () => {});
}

async function main() {
  applyLanguage();
  status(t('loading'));
  window.addEventListener('pagehide', save);
  $('#run').addEventListener('click', () => stepOrRun(false));
  $('#step').addEventListener('click', () => stepOrRun(true));
  $('#stop').addEventListener('click', () => run?.stop());
  // Closing the graphics window ends the program, as on Windows.
  $('#graphics .close').addEventListener('click', () => {
    $('#graphics').hidden = true;
    run?.stop('ended');
  });
  $('#share').addEventListener('click', shareLink);
  $('#language').addEventListener('click', () => {
    lang = lang === 'es' ? 'en' : 'es';
    applyLanguage();
  });
  $('#upload').addEventListener('change', async (e) => {
    for (const file of e.target.files) disk.put(inProgramFolder(file.name), new Uint8Array(await file.arrayBuffer()));
    showFiles();
  });
  await Promise.all([runner.load(), loadExamples()]);
  $('#scripts').addEventListener('change', () => {
    const name = $('#scripts').value;
    if (name && name !== scriptName) setSource(scripts.get(name) ?? '', name);
  });
  // A shared link's script opens beside the person's own, once: the address forgets it, so a reload does not
  // open it again. A link that cannot be read says why, and the person's own script opens.
  const linked = linkedScript(location.hash);
  if (linked) history.replaceState(null, '', location.pathname + location.search);
  if (linked?.error) notice('link', t(linked.error));
  const current = scripts.current;
  if (linked && !linked.error) openBeside(linked.text, linked.name);
  else if (current !== null && scripts.get(current) !== null) setSource(scripts.get(current), current);
  else if (firstExample) openBeside(decode(disk.get(inProgramFolder(firstExample)).bytes), firstExample);
  else setSource('.codigo;\n\n.fin;\n', scripts.freeName('programa.txt'));
  showFiles();
  buttons();
  status(t('ready'));
  // What the page's tests reach for, only when the page is opened with ?test.
  if (new URLSearchParams(location.search).has('test')) window.kalPage = {file: (path) => disk.get(path)?.bytes ?? null, files: () => disk.files().map((e) => e.path),
                    source: (text) => setSource(text, scriptName), text: () => view.state.doc.toString(),
                    bench: (text) => runner.bench(text),
                    load: (name, bytes) => openBeside(decode(Uint8Array.from(bytes)), cleanName(name)),
                    scripts: () => scripts.names(), current: () => scriptName,
                    put: (path, bytes) => { disk.put(path, Uint8Array.from(bytes)); showFiles(); }};
  document.body.dataset.ready = 'yes';
}

main();
