// The page's disk: the program folder with the examples, whatever runs wrote and what the user uploaded. It
// lives between runs and is copied into each run's instance of the module, attributes and all, so that a file a
// script made read-only or hidden stays so in the next run.

// Where KAL.exe would stand: relative paths, WOUT and the databases lead here.
export const PROGRAM_FOLDER = 'C:\\';

// Windows' attribute bits that the page shows.
export const READ_ONLY = 0x1, HIDDEN = 0x2, DIRECTORY = 0x10, ARCHIVE = 0x20;

// The path of a name in the program folder; "/" between folders, as the cases write them, becomes "\\".
export function inProgramFolder(name) {
  return PROGRAM_FOLDER + name.replace(/\//g, '\\');
}

export class Disk {
  constructor() {
    this.entries = new Map();  // lower-cased path -> {path, folder, bytes, attributes}
  }
  // A file, and the folders above it.
  put(path, bytes, attributes = ARCHIVE) {
    this.above(path);
    this.entries.set(path.toLowerCase(), {path, folder: false, bytes, attributes});
  }
  folder(path, attributes = DIRECTORY) {
    this.above(path);
    this.entries.set(path.toLowerCase(), {path, folder: true, bytes: null, attributes: attributes | DIRECTORY});
  }
  above(path) {
    const parent = path.slice(0, path.lastIndexOf('\\'));
    if (parent.length > PROGRAM_FOLDER.length - 1 && !this.entries.has(parent.toLowerCase())) this.folder(parent);
  }
  get(path) {
    return this.entries.get(path.toLowerCase());
  }
  folders() {
    return [PROGRAM_FOLDER, ...this.files().filter((e) => e.folder).map((e) => `${e.path}\\`)];
  }
  files() {
    return [...this.entries.values()].sort((a, b) => a.path.localeCompare(b.path));
  }
}
