// The page's disk: the program folder with the examples, whatever runs wrote and what the user uploaded. It
// lives between runs and is copied into each run's instance of the module.

// Where KAL.exe would stand: relative paths, WOUT and the databases lead here.
export const PROGRAM_FOLDER = 'C:\\';

// The path of a name in the program folder; "/" between folders, as the cases write them, becomes "\\".
export function inProgramFolder(name) {
  return PROGRAM_FOLDER + name.replace(/\//g, '\\');
}

export class Disk {
  constructor() {
    this.entries = new Map();  // lower-cased path -> {path, folder, bytes}
  }
  put(path, bytes) {
    this.entries.set(path.toLowerCase(), {path, folder: false, bytes});
  }
  folder(path) {
    this.entries.set(path.toLowerCase(), {path, folder: true, bytes: null});
  }
  get(path) {
    return this.entries.get(path.toLowerCase());
  }
  files() {
    return [...this.entries.values()].sort((a, b) => a.path.localeCompare(b.path));
  }
}
