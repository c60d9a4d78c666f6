// The person's scripts, kept in the browser's storage by name, and the scripts shared links carry. Each script
// has a key of its own, so that one too large to keep never costs the others. A stored script is replaced only
// by saving that script again: a link or an example whose name is taken opens beside it, under a new name.

const PREFIX = 'kal.script.';
const CURRENT = 'kal.current';
const DEFAULT_NAME = 'programa.txt';
const LINE_ENDS_KEPT = 'kal.lineEndsKept';

export class Scripts {
  constructor(storage = localStorage) {
    this.storage = storage;
    this.adoptOldScript();
    this.keepLineEnds();
  }

  // Earlier pages kept a script's lines joined by LF and ran it with CR LF; scripts now keep their own line
  // ends, so those scripts take the CR LF they always ran with.
  keepLineEnds() {
    if (this.storage.getItem(LINE_ENDS_KEPT) !== null) return;
    for (const name of this.names()) {
      const text = this.get(name);
      if (!text.includes('\r') && !this.put(name, text.replace(/\n/g, '\r\n'))) return;  // no room: next time
    }
    this.note(LINE_ENDS_KEPT, 'yes');
  }
  note(key, value) {
    try {
      this.storage.setItem(key, value);
    } catch {
      // Asked again at the next visit: the conversion is done once, whenever there is room.
    }
  }

  // Earlier pages kept one script ("kal.source", named "kal.name"): it becomes one of the list.
  adoptOldScript() {
    if (this.storage.getItem('kal.source') === null) return;
    let name = scriptName(this.storage.getItem('kal.name'));
    // Its lines were joined by LF, and it ran with CR LF.
    const old = this.storage.getItem('kal.source').replace(/\n/g, '\r\n');
    if (this.get(name) !== null && this.get(name) !== old) name = this.freeName(name);
    if (this.get(name) !== old && !this.put(name, old)) return;  // no room: the old keys stay, nothing is lost
    this.storage.removeItem('kal.source');
    this.storage.removeItem('kal.name');
    if (this.current === null) this.current = name;
  }

  names() {
    const names = [];
    for (let i = 0; i < this.storage.length; ++i) {
      const key = this.storage.key(i);
      if (key.startsWith(PREFIX)) names.push(key.slice(PREFIX.length));
    }
    return names.sort((a, b) => a.localeCompare(b));
  }
  get(name) {
    return this.storage.getItem(PREFIX + name);
  }
  // False when the browser has no room for it; the stored text is then the one saved before.
  put(name, text) {
    try {
      this.storage.setItem(PREFIX + name, text);
      return true;
    } catch {
      return false;
    }
  }

  remove(name) {
    this.storage.removeItem(PREFIX + name);
  }
  // 'taken' when the new name is another script's, 'full' when the browser has no room for the script under
  // it (it then keeps its old name); null when renamed.
  rename(from, to) {
    if (from === to) return null;
    if (this.get(to) !== null) return 'taken';
    if (!this.put(to, this.get(from) ?? '')) return 'full';
    this.remove(from);
    return null;
  }

  // The storage key of a script, as a storage event names it, back to its name; null for other keys.
  static nameOfKey(key) {
    return key?.startsWith(PREFIX) ? key.slice(PREFIX.length) : null;
  }

  // The name of the script the editor holds.
  get current() {
    return this.storage.getItem(CURRENT);
  }
  set current(name) {
    try {
      this.storage.setItem(CURRENT, name);
    } catch {
      // Which script was open is not worth a word: the script itself is what matters.
    }
  }

  // The name itself while no script has it, else "name (2).txt", "name (3).txt", ...
  freeName(name) {
    if (this.get(name) === null) return name;
    const dot = name.lastIndexOf('.');
    const [base, extension] = dot > 0 ? [name.slice(0, dot), name.slice(dot)] : [name, ''];
    for (let n = 2;; ++n) {
      const candidate = `${base} (${n})${extension}`;
      if (this.get(candidate) === null) return candidate;
    }
  }
}

// A script's name as it will stand in the program folder: no folders, nothing Windows refuses in a name.
export function scriptName(name) {
  const clean = (name ?? '').replace(/[\\/:*?"<>|\u0000-\u001f]/g, '_').trim();
  return clean && !/^\.+$/.test(clean) ? clean : DEFAULT_NAME;
}

// A link carries a script as #n=NAME&v=2&s=CODE, CODE being the text's UTF-8 bytes in base64 with "-" and "_".
// Links without v=2 come from earlier pages, which joined lines by LF and ran them with CR LF.
export function linkHash(name, text) {
  let binary = '';
  for (const b of new TextEncoder().encode(text)) binary += String.fromCharCode(b);
  const code = btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  return `#n=${encodeURIComponent(name)}&v=2&s=${code}`;
}

// The script of a page address's hash: null when it carries none, {name, text}, or {error} with the key of
// the page's text that says what is wrong with the link.
export function linkedScript(hash) {
  const params = new URLSearchParams(hash.replace(/^#/, ''));
  if (!params.has('s')) return null;
  const code = params.get('s');
  if (!/^[A-Za-z0-9_-]*$/.test(code)) return {error: 'linkCharacters'};
  if (code.length % 4 === 1) return {error: 'linkCut'};  // no whole byte in its last character: cut short
  try {
    const bytes = Uint8Array.from(atob(code.replace(/-/g, '+').replace(/_/g, '/')), (c) => c.charCodeAt(0));
    const text = new TextDecoder('utf-8', {fatal: true}).decode(bytes);
    return {name: scriptName(params.get('n')), text: params.get('v') === '2' ? text : text.replace(/\n/g, '\r\n')};
  } catch {
    return {error: 'linkText'};  // bytes that are no UTF-8 text: damaged or cut inside a character
  }
}
