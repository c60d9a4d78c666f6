// The disk's panel: every file with a link to download it, what the last run wrote marked, and the ways in:
// files or a whole folder uploaded into the folder chosen, a zip taken as a folder of its name, anything dropped
// on the panel, and a new folder. A name from outside never climbs out of the folder it goes into.
import {DIRECTORY, HIDDEN, PROGRAM_FOLDER, READ_ONLY} from './disk.js';

// A zip may not unpack to more than this: the disk is the browser's memory, copied into every run.
const ZIP_LIMIT = 256 << 20;

// One folder or file name as Windows takes it: no separators, no characters it refuses; null for nothing, "."
// or "..".
export function cleanSegment(name) {
  const clean = name.replace(/[\\/:*?"<>|\u0000-\u001f]/g, '_').replace(/[. ]+$/, '').trim();
  return clean && !/^\.+$/.test(clean) ? clean : null;
}

// A relative path from outside ("a/b/c.txt"), its segments cleaned; null when any is "..", so that nothing
// lands above the folder it is put in.
export function cleanPath(path) {
  const segments = path.split(/[\\/]+/).filter((s) => s !== '' && s !== '.');
  if (segments.length === 0 || segments.includes('..')) return null;
  const clean = segments.map(cleanSegment);
  return clean.includes(null) ? null : clean.join('\\');
}

const isZip = (name) => /\.zip$/i.test(name);

// A zip's files as [{name, data}], unpacked by a worker of its own, which ends with the zip.
function unzipped(bytes, t) {
  return new Promise((resolve, reject) => {
    const worker = new Worker(new URL('./unzip-worker.js', import.meta.url));
    worker.onmessage = ({data}) => {
      worker.terminate();
      if (data.error) reject(new Error(data.error === 'tooLarge' ? t('zipTooLarge') : data.error));
      else resolve(data.files);
    };
    worker.onerror = (e) => {
      worker.terminate();
      reject(new Error(e.message));
    };
    worker.postMessage({bytes, limit: ZIP_LIMIT}, [bytes.buffer]);
  });
}

export class DiskPanel {
  // t(key): the page's words; notice(kind, text): what the page tells the person.
  constructor(disk, t, notice) {
    this.disk = disk;
    this.t = t;
    this.notice = notice;
    // Each link of the listing -> its file. A link holds the file's bytes from its first use until the next
    // listing: made for thousands of files at once, the links would hold the page for seconds.
    this.shown = new Map();
    this.changed = new Set();
    this.$ = (selector) => document.querySelector(selector);
    // The pickers are emptied at once, so that the same file can be taken again.
    for (const [input, relative] of [['#upload', false], ['#upload-folder', true]]) {
      this.$(input).addEventListener('change', (e) => {
        const files = [...e.target.files];
        e.target.value = '';
        this.taking(() => this.putFiles(files, relative));
      });
    }
    this.$('#new-folder').addEventListener('click', () => this.newFolder(prompt(this.t('folderName'))));
    const panel = this.$('#disk');
    // Before the browser follows a link (a click, a key, a menu), it gets the file's bytes.
    for (const kind of ['click', 'contextmenu', 'focusin', 'pointerdown']) {
      this.$('#files').addEventListener(kind, (e) => {
        const a = e.target.closest?.('a');
        const entry = this.shown.get(a);
        if (!entry || a.href.startsWith('blob:')) return;
        a.href = URL.createObjectURL(new Blob([entry.bytes]));
      });
    }
    panel.addEventListener('dragover', (e) => {
      e.preventDefault();
      panel.classList.add('dropping');
    });
    panel.addEventListener('dragleave', () => panel.classList.remove('dropping'));
    panel.addEventListener('drop', (e) => {
      e.preventDefault();
      panel.classList.remove('dropping');
      const entries = [...e.dataTransfer.items].map((item) => item.webkitGetAsEntry?.()).filter(Boolean);
      this.taking(() => (entries.length ? Promise.all(entries.map((en) => this.putEntry(en, this.target())))
                                        : this.putFiles([...e.dataTransfer.files])));
    });
  }

  // The folder uploads go into, with its trailing backslash.
  target() {
    return this.$('#folder').value || PROGRAM_FOLDER;
  }

  // Whatever comes in, the list shows it after, and a failure says what failed.
  async taking(work) {
    this.notice('disk', null);
    try {
      await work();
    } catch (e) {
      this.notice('disk', `${this.t('notTaken')} ${e?.message ?? e}`);
    }
    this.show();
  }

  // Files from the picker or a drop: each into the folder chosen (under its folder-relative path when a whole
  // folder was picked), a zip as a folder.
  async putFiles(files, relative = false) {
    for (const file of files) {
      const name = relative && file.webkitRelativePath ? file.webkitRelativePath : file.name;
      await this.putFile(name, file, this.target());
    }
  }

  async putFile(name, file, folder) {
    const path = cleanPath(name);
    if (path === null) throw new Error(name);
    const bytes = new Uint8Array(await file.arrayBuffer());
    if (isZip(path)) await this.putZip(bytes, folder + path.replace(/\.zip$/i, ''));
    else this.disk.put(folder + path, bytes);
  }

  // A dropped file or folder, a folder with everything in it.
  async putEntry(entry, folder) {
    if (entry.isFile) {
      const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
      await this.putFile(entry.name, file, folder);
      return;
    }
    const name = cleanSegment(entry.name);
    if (name === null) throw new Error(entry.name);
    this.disk.folder(folder + name);
    const reader = entry.createReader();
    for (;;) {
      const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
      if (batch.length === 0) break;
      for (const child of batch) await this.putEntry(child, `${folder}${name}\\`);
    }
  }

  // A zip's files and folders into a folder of its name; names that climb out are left out. Nothing of a zip
  // that cannot be unpacked whole is put.
  async putZip(bytes, folder) {
    const files = await unzipped(bytes, this.t);
    this.disk.folder(folder);
    for (const {name, data} of files) {
      const path = cleanPath(name);
      if (path === null) continue;
      if (name.endsWith('/')) this.disk.folder(`${folder}\\${path}`);
      else this.disk.put(`${folder}\\${path}`, data);
    }
  }

  newFolder(answer) {
    if (answer === null || answer === undefined) return;
    const name = cleanSegment(answer);
    if (name === null) {
      this.notice('disk', `${this.t('notTaken')} ${answer}`);
      return;
    }
    this.notice('disk', null);
    const path = this.target() + name;
    if (!this.disk.get(path)) this.disk.folder(path);
    this.show(`${path}\\`);
  }

  // The list, the folders to put things in (keeping the one chosen, or choosing `choose`), and the marks.
  show(choose = null) {
    const select = this.$('#folder');
    const chosen = choose ?? (select.value || PROGRAM_FOLDER);
    const folders = this.disk.folders();
    select.replaceChildren(...folders.map((path) => {
      const option = document.createElement('option');
      option.value = option.textContent = path;
      return option;
    }));
    select.value = folders.find((f) => f.toLowerCase() === chosen.toLowerCase()) ?? PROGRAM_FOLDER;

    for (const a of this.shown.keys()) if (a.href.startsWith('blob:')) URL.revokeObjectURL(a.href);
    this.shown = new Map();
    this.$('#files').replaceChildren(...this.disk.files().filter((e) => !e.folder).map((entry) => {
      const li = document.createElement('li');
      const a = document.createElement('a');
      a.textContent = entry.path;
      a.href = '#';
      this.shown.set(a, entry);
      a.download = entry.path.slice(entry.path.lastIndexOf('\\') + 1);
      const size = document.createElement('span');
      const marks = [[READ_ONLY, 'readOnly'], [HIDDEN, 'hidden']].filter(([bit]) => entry.attributes & bit & ~DIRECTORY);
      size.textContent = ` ${entry.bytes.length} B${marks.map(([, key]) => `, ${this.t(key)}`).join('')}`;
      li.append(a, size);
      if (this.changed.has(entry.path.toLowerCase())) {
        li.classList.add('changed');
        const mark = document.createElement('span');
        mark.className = 'mark';
        mark.textContent = ` ${this.t('written')}`;
        li.append(mark);
      }
      return li;
    }));
  }
}
