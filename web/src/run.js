// One run of a script, in a fresh instance of the module: its start, the calls the module makes to the page
// (boxes, the label pause, steps, the end), Stop, and its end, when the run's files go back onto the page's
// disk. What the person sees is the page's: it gives a run its `ui`.
import {decode, encode} from './cp1252.js';
import {Runner} from './runner.js';
import {Surfaces} from './surfaces.js';

const never = () => new Promise(() => {});

function same(a, b) {
  return a !== undefined && a !== null && a.length === b.length && a.every((v, i) => v === b[i]);
}

export class Run {
  // ui: box(title, text, buttons, input) -> the answer's promise; inputText(); hideBox(); openWindow(width,
  // height) -> canvas; text(key); status(text); line(number or null); watch(run, statement); shellOpen(name,
  // bytes); paused(run); filesChanged(run); ended(run, how).
  constructor(runner, disk, ui) {
    this.runner = runner;
    this.disk = disk;
    this.ui = ui;
    this.stopped = false;
    this.finished = false;
    this.failure = null;  // what went wrong inside the module, when it did
    this.resume = null;  // while a step waits: what goes on
    this.module = null;
    this.lines = null;
    this.changed = new Set();  // the files the run wrote, by lower-cased path
    this.surfaces = new Surfaces(ui.openWindow);
    this.before = new Map(disk.files().map((e) => [e.path.toLowerCase(), e.bytes]));
  }

  get paused() {
    return this.resume !== null;
  }

  // The script at path (already on the disk), whose text is source; step: stop before the first statement.
  async start(path, source, step) {
    this.source = source;
    this.startedAt = performance.now();
    // A run that fails inside the module (a fault of the page's, memory the browser refuses) ends as a failed
    // run: the page never stays "running".
    try {
      const started = await this.runner.start(this.disk, path, this.host(), step, (m) => { this.module = m; });
      this.diskChanges = started.changes;
      started.done.then(() => this.finish('ended'), (e) => this.fail(e));
    } catch (e) {
      this.fail(e);
    }
  }

  fail(error) {
    this.failure = String(error?.message ?? error);
    this.stop('failed');
  }

  // From a step: one statement more when stepping, else on to the end.
  proceed(stepping) {
    Runner.stepping(this.module, stepping);
    const resume = this.resume;
    this.resume = null;
    resume(0);
  }

  stop(how = 'stopped') {
    this.stopped = true;
    this.finish(how);
  }

  finish(how) {
    if (this.finished) return;
    this.finished = true;
    this.ui.hideBox();
    if (this.module && !this.failure) {
      try {
        this.collect();
      } catch (e) {  // a module that failed may have nothing left to give
        this.failure = String(e?.message ?? e);
        how = 'failed';
      }
    }
    this.ui.ended(this, this.failure ? `${this.ui.text('failed')} ${this.failure}` : this.ui.text(how));
  }

  // The run's files onto the page's disk, and which of them it wrote.
  collect() {
    Runner.collect(this.module, this.disk);
    this.changed = new Set(this.disk.files()
                               .filter((e) => !e.folder && !same(this.before.get(e.path.toLowerCase()), e.bytes))
                               .map((e) => e.path.toLowerCase()));
  }

  // At a turn the page gets while the run goes on: what the run wrote since is listed at once (a picture saved
  // while the window stays open can be opened then). A loop's turns copy it at most twice a second; a box, a
  // dialog or a step, where the run waits for the person, always.
  refreshFiles(waits = true) {
    if (!this.module || this.failure || this.finished || this.diskChanges === undefined) return;
    const now = performance.now();
    if (!waits && now - (this.lastCollect ?? 0) < 500) return;
    const changes = Runner.changes(this.module);
    if (changes === this.diskChanges) return;
    this.diskChanges = changes;
    this.lastCollect = now;
    try {
      this.collect();
      this.ui.filesChanged(this);
    } catch {
      // the end of the run collects again, and says what failed
    }
  }

  // The state panel's values: variables, constants, the flag, the database.
  watch() {
    if (!this.module || this.failure) return null;
    try {
      return Runner.watch(this.module);
    } catch {
      return null;
    }
  }

  // The calls the module makes; a stopped run's calls never return.
  host() {
    const ui = this.ui;
    let due = 0, lastTurn = performance.now();
    return {
      screen: {width: window.screen.width, height: window.screen.height},
      now: () => new Date(),
      surfaces: this.surfaces,
      messageBox: (title, text, yesNo) => {
        if (this.stopped) return never();
        ui.watch(this);  // the state panel as it stands while the box waits
        this.refreshFiles();
        const buttons = yesNo ? [['yes', ui.text('yes')], ['no', ui.text('no')]] : [['ok', ui.text('ok')]];
        return ui.box(decode(title), decode(text), buttons, false).then((a) => (a === 'yes' ? 1 : 0));
      },
      inputDialog: (title, prompt) => {
        if (this.stopped) return never();
        ui.watch(this);
        this.refreshFiles();
        return ui.box(decode(title), decode(prompt), [['ok', ui.text('ok')], ['cancel', ui.text('cancel')]], true)
            .then((a) => encode(a === 'ok' ? ui.inputText() : ''));
      },
      // The label pause: a loop runs about as fast as on Windows (a millisecond a round), and gives the page
      // a turn at least every 50 ms, so that it never freezes and Stop is heard.
      pause: (ms) => {
        if (this.stopped) return never();
        const now = performance.now();
        due = Math.max(due, now) + ms;
        if (due - now < 4 && now - lastTurn < 50) return null;
        return new Promise((resolve) => setTimeout(() => {
          lastTurn = performance.now();
          ui.watch(this);  // a loop's values as it goes, at every turn the page gets
          this.refreshFiles(false);
          if (!this.stopped) resolve(0);
        }, Math.max(0, due - now)));
      },
      step: (statement) => {
        if (this.stopped) return never();
        return new Promise((resolve) => {
          this.resume = resolve;
          // Each statement's line, from the checker's reading of the script that runs.
          this.lines ??= this.runner.check(this.source).lines;
          const line = this.lines[statement - 1] ?? null;
          ui.line(line);
          ui.status(`${ui.text('paused')} ${line}`);
          ui.watch(this, statement);
          this.refreshFiles();
          ui.paused(this);
        });
      },
      halted: () => {
        queueMicrotask(() => this.finish('ended'));
      },
      shellOpen: (path) => {
        const name = decode(path);
        queueMicrotask(() => ui.shellOpen(name, Runner.file(this.module, name)));
        return true;
      },
      commandInterpreter() {},
    };
  }
}
