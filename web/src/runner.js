// Runs scripts in the WebAssembly module. The module is compiled once; every run gets a fresh instance, so
// a run that ended half-way (an error box, Stop) leaves nothing behind. The page's disk (disk.js) lives between
// runs and is copied into each instance.
import {encode} from './cp1252.js';

function text(module, pointer) {
  return module.UTF8ToString(pointer);
}

// A text in the module's memory as UTF-8, ended by a NUL.
function allocText(module, value) {
  const size = module.lengthBytesUTF8(value) + 1;
  const pointer = module._kal_alloc(size);
  module.stringToUTF8(value, pointer, size);
  return pointer;
}

function withText(module, value, use) {
  const pointer = allocText(module, value);
  try {
    return use(pointer);
  } finally {
    module._kal_free(pointer);
  }
}

function withBytes(module, bytes, use) {
  const pointer = module._kal_alloc(bytes.length);
  module.HEAPU8.set(bytes, pointer);
  try {
    return use(pointer);
  } finally {
    module._kal_free(pointer);
  }
}

export class Runner {
  constructor(base = './') {
    this.base = base;
    this.compiled = null;
    this.checker = null;
  }

  async load() {
    const [factory, compiled] = await Promise.all([
      import(/* webpackIgnore: true */ `${this.base}kal.js`).then((m) => m.default),
      // A server that does not call kal.wasm application/wasm still serves it: compiled from its bytes.
      WebAssembly.compileStreaming(fetch(`${this.base}kal.wasm`)).catch(
          async () => WebAssembly.compile(await (await fetch(`${this.base}kal.wasm`)).arrayBuffer())),
    ]);
    this.factory = factory;
    this.compiled = compiled;
    this.checker = await this.instance({});
  }

  instance(host) {
    return this.factory({
      kalHost: host,
      instantiateWasm: (imports, receive) => {
        WebAssembly.instantiate(this.compiled, imports).then((instance) => receive(instance, this.compiled));
        return {};
      },
      print: () => {},
      printErr: () => {},
    });
  }

  // The checker's problems of a text and the line of each statement, from the long-lived instance.
  check(source) {
    const m = this.checker;
    const bytes = encode(source);
    return JSON.parse(withBytes(m, bytes, (p) => text(m, m._kal_check(p, bytes.length))));
  }

  // The formatter's edits of a text, in its offsets.
  format(source) {
    const m = this.checker;
    const bytes = encode(source);
    return JSON.parse(withBytes(m, bytes, (p) => text(m, m._kal_format(p, bytes.length))));
  }

  // The program kalpack makes of a text and KAL.exe's bytes, named name: {bytes}, {errors: true} when the script
  // has errors, or {refusal} with kalpack's reason.
  pack(source, kal, name) {
    const m = this.checker;
    const script = encode(source);
    const length = m._kal_alloc(4);
    try {
      const pointer = withBytes(m, script, (s) => withBytes(m, kal, (k) => withText(m, name,
          (n) => m._kal_pack(s, script.length, k, kal.length, n, length))));
      const count = m.HEAP32[length >> 2];
      if (count === -2) return {errors: true};
      return count < 0 ? {refusal: text(m, pointer)} : {bytes: m.HEAPU8.slice(pointer, pointer + count)};
    } finally {
      m._kal_free(length);
    }
  }

  // For the benchmarks: the milliseconds a fresh instance takes to run a script of any length, compiling aside.
  async bench(source) {
    const m = await this.instance({});
    const bytes = encode(source);
    return withBytes(m, bytes, (p) => m._kal_bench(p, bytes.length));
  }

  // Starts a run of the script at path (already on the disk). Returns {module, done}: done settles when the
  // script ends by itself; a run that the host ends (halted, Stop) never settles it.
  async start(disk, path, host, step, onModule) {
    const m = await this.instance(host);
    onModule(m);
    for (const entry of disk.files()) {
      if (entry.folder) withText(m, entry.path, (p) => m._kal_put_folder(p, entry.attributes));
      else withText(m, entry.path, (p) => withBytes(m, entry.bytes, (b) => m._kal_put_file(p, b, entry.bytes.length, entry.attributes)));
    }
    // The disk as the run finds it: what changes it after that is the run's.
    const changes = m._kal_disk_changes();
    // The path stays allocated: the instance is dropped with the run.
    const done = m.ccall('kal_run', 'number', ['number', 'number'], [allocText(m, path), step ? 1 : 0], {async: true});
    return {module: m, changes, done: Promise.resolve(done)};
  }

  // One file of a run's instance: a copy of its bytes, or null.
  static file(m, path) {
    const length = m._kal_alloc(4);
    try {
      const pointer = withText(m, path, (p) => m._kal_file(p, length));
      return pointer ? m.HEAPU8.slice(pointer, pointer + m.HEAP32[length >> 2]) : null;
    } finally {
      m._kal_free(length);
    }
  }

  // How far the instance's disk has changed: a number that moves on with every change.
  static changes(m) {
    return m._kal_disk_changes();
  }

  // A run's files back onto the disk, from its instance.
  static collect(m, disk) {
    const list = JSON.parse(text(m, m._kal_files()));
    disk.entries.clear();
    for (const entry of list) {
      if (entry.folder) disk.folder(entry.path, entry.attributes);
      else disk.put(entry.path, Runner.file(m, entry.path), entry.attributes);
    }
  }
  static watch(m) {
    return JSON.parse(text(m, m._kal_watch()));
  }
  static stepping(m, on) {
    m._kal_set_stepping(on ? 1 : 0);
  }
}
