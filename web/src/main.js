// The playground's wiring: the editor with the checker's problems, the buttons, the boxes and the graphics
// window a run shows (run.js), the state panel, the disk's files, and the test hooks.
import {EditorView, basicSetup} from 'codemirror';
import {EditorState, StateEffect, StateField} from '@codemirror/state';
import {Decoration} from '@codemirror/view';
import {forceLinting, linter, lintGutter} from '@codemirror/lint';
import {kalLanguage} from './kal-language.js';
import {decode, encode} from './cp1252.js';
import {ARCHIVE, Disk, READ_ONLY, inProgramFolder} from './disk.js';
import {DiskPanel} from './disk-panel.js';
import {CRLF, KINDS, convertedTo, exactText, lineEnds, lineEndsName, openedWith, positionOf} from './line-ends.js';
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

const problems = linter((view) => {
  if (!runner.checker) return [];
  const {state} = view;
  return runner.check(exactText(state)).problems.map((p) => ({
    from: positionOf(state, p.offset),
    to: Math.max(positionOf(state, p.offset + Math.max(p.length, 1)), positionOf(state, p.offset)),
    severity: p.error ? 'error' : 'warning',
    message: p.message,
  }));
}, {delay: 150});

let saveTimer = 0;
// The stored text the editor started from: the editor is saved only when it differs (a tab never saves what it
// did not change), and a stored text that is no longer this one was saved by another tab meanwhile.
let storedText = null;
// When this tab last stored the script it holds: another tab's write soon after may not have seen it.
let savedAt = -Infinity;
const RACE_MS = 2000;
// The editor's script is kept as it is typed; when the browser has no room, the page says so. When another
// tab stored the same script meanwhile, its text stays, and this tab's goes beside it under a free name.
function save() {
  clearTimeout(saveTimer);
  if (scriptName === null) return;
  const text = exactText(view.state);
  if (text === storedText) return;
  const stored = scripts.get(scriptName);
  if (stored !== storedText && stored !== null && stored !== text) {
    keepBeside(text);
    return;
  }
  if (scripts.put(scriptName, text)) {
    storedText = text;
    savedAt = performance.now();
    notice('full', null);
  } else {
    notice('full', `${t('full')} ${scriptName}`);
  }
}

// Both this tab and another changed the script: the other's stays under its name, this one's is kept under a
// free name, which the editor then holds.
function keepBeside(text) {
  const other = scriptName;
  const name = scripts.freeName(other);
  if (!scripts.put(name, text)) {
    notice('full', `${t('full')} ${name}`);
    return;
  }
  holdName(name);
  storedText = text;
  savedAt = performance.now();
  notice('otherTab', `${t('otherTab')} ${other}${t('keptBeside')} ${name}.`);
}

// Another tab stored or removed a script. The one this editor holds is taken when this tab has not changed it;
// when both changed it, both are kept.
function storedElsewhere(event) {
  if (event.storageArea !== localStorage) return;
  const name = Scripts.nameOfKey(event.key);
  if (name === null) {
    if (event.key === null) showScripts();  // the whole storage cleared
    return;
  }
  showScripts();
  if (name !== scriptName || event.newValue === null) return;
  const text = exactText(view.state);
  if (text === event.newValue) {
    storedText = text;
    return;
  }
  // A write moments after this tab's own save may come from a tab that had not yet seen it: both saved at once.
  // Each of the two sees the other's text, so the one whose text sorts first keeps the name (storing its text
  // again, as the other's write may have landed last) and the other opens beside.
  const raced = text === storedText && performance.now() - savedAt < RACE_MS;
  if (raced && text < event.newValue) {
    if (scripts.put(scriptName, text)) savedAt = performance.now();
  } else if (text === storedText && !raced) {
    storedText = event.newValue;
    savedAt = -Infinity;
    showText(event.newValue);
  } else {
    clearTimeout(saveTimer);
    keepBeside(text);
  }
}
const view = new EditorView({
  parent: $('#editor'),
  state: EditorState.create({
    doc: '',
    extensions: [basicSetup, kalLanguage(), problems, lintGutter(), runLine, lineEnds,
                 EditorView.updateListener.of((u) => {
                   if (!u.docChanged) return;
                   showLineEnds();
                   clearTimeout(saveTimer);
                   saveTimer = setTimeout(save, 300);
                 })],
  }),
});

// The name of the script the editor holds, as the page shows it and the next visit opens it.
function holdName(name) {
  scriptName = name;
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
  scriptName = name;
  storedText = scripts.get(name);
  savedAt = -Infinity;
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
  if (name === scriptName) return;
  save();
  const refused = scripts.rename(scriptName, name);
  if (refused) {
    notice('rename', refused === 'taken' ? `${t('nameTaken')} ${name}` : `${t('renameFull')} ${scriptName}.`);
    return;
  }
  notice('rename', null);
  holdName(name);
}

function deleteScript(confirmed) {
  if (!confirmed) return;
  clearTimeout(saveTimer);
  scripts.remove(scriptName);
  scriptName = null;
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
  for (const el of document.querySelectorAll('[data-title]')) el.title = t(el.dataset.title);
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
  const path = inProgramFolder(scriptName);
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
  const link = `${location.origin}${location.pathname}${linkHash(scriptName, exactText(view.state))}`;
  $('#share-link').value = link;
  $('#share-link').hidden = false;
  navigator.clipboard?.writeText(link).then(() => status(t('copied')), () => {});
}

async function main() {
  applyLanguage();
  status(t('loading'));
  window.addEventListener('pagehide', save);
  window.addEventListener('storage', storedElsewhere);
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
  $('#line-ends').addEventListener('change', convertLineEnds);
  $('#new-script').addEventListener('click', newScript);
  $('#rename-script').addEventListener('click', () => renameScript(prompt(t('renameTo'), scriptName)));
  $('#delete-script').addEventListener('click', () => deleteScript(confirm(`${t('deleteAsk')} ${scriptName}?`)));
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
    source: (text) => setSource(text.replace(/\r\n|\r|\n/g, CRLF), scriptName),
    text: () => view.state.doc.toString(),
    // Text typed at the script's end, as a keyboard would (in a tab not in front too).
    type: (text) => view.dispatch({changes: {from: view.state.doc.length, insert: text}}),
    exact: () => exactText(view.state),
    bench: (text) => runner.bench(text),
    load: (name, bytes) => openBeside(decode(Uint8Array.from(bytes)), cleanName(name)),
    scripts: () => scripts.names(), current: () => scriptName,
    // The page as a first visit finds it, less the examples on the disk, for the next case.
    reset() {
      run?.stop();
      clearTimeout(saveTimer);
      for (const name of scripts.names()) scripts.remove(name);
      scriptName = null;
      storedText = null;
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
