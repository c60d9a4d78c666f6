// The script the editor holds, kept in the browser's storage as it is typed and in step with the page's other
// tabs: a tab never saves what it did not change, and when two tabs change one script both texts are kept.
import {Scripts} from './scripts.js';

// A write this soon after this tab's own save may come from a tab that had not yet seen it.
const RACE_MS = 2000;

export class HeldScript {
  // page: text() the editor's exact text; show(text) puts a text in the editor; named(name) shows the name the
  // editor now holds; listed() shows the stored scripts again; notice(kind, text) tells the person; t(key) says.
  constructor(scripts, page) {
    this.scripts = scripts;
    this.page = page;
    this.name = null;  // the stored script the editor holds
    // The stored text the editor started from: a stored text that is no longer this one was saved by another
    // tab meanwhile.
    this.storedText = null;
    this.savedAt = -Infinity;  // when this tab last stored it
    this.timer = 0;
  }

  // Holds the stored script `name` from now on (its text is put in the editor by the caller).
  hold(name) {
    this.name = name;
    this.storedText = this.scripts.get(name);
    this.savedAt = -Infinity;
  }
  // Holds nothing, saving nothing more.
  drop() {
    clearTimeout(this.timer);
    this.name = null;
    this.storedText = null;
  }
  // The editor changed: saved a moment later, once the typing pauses.
  changed() {
    clearTimeout(this.timer);
    this.timer = setTimeout(() => this.save(), 300);
  }

  // The editor's script is kept as it is typed; when the browser has no room, the page says so. When another
  // tab stored the same script meanwhile, its text stays, and this tab's goes beside it under a free name.
  save() {
    clearTimeout(this.timer);
    if (this.name === null) return;
    const text = this.page.text();
    if (text === this.storedText) return;
    const stored = this.scripts.get(this.name);
    if (stored !== this.storedText && stored !== null && stored !== text) {
      this.keepBeside(text);
      return;
    }
    if (this.scripts.put(this.name, text)) {
      this.stored(text);
      this.page.notice('full', null);
    } else {
      this.page.notice('full', `${this.page.t('full')} ${this.name}`);
    }
  }

  // Another tab stored or removed a script. The one this editor holds is taken when this tab has not changed
  // it; when both changed it, both are kept.
  storedElsewhere(event) {
    if (event.storageArea !== localStorage) return;
    const name = Scripts.nameOfKey(event.key);
    if (name === null) {
      if (event.key === null) this.page.listed();  // the whole storage cleared
      return;
    }
    this.page.listed();
    if (name !== this.name || event.newValue === null) return;
    const text = this.page.text();
    if (text === event.newValue) {
      this.storedText = text;
      return;
    }
    // Both saved at once: each of the two tabs sees the other's text, so the one whose text sorts first keeps
    // the name (storing its text again, as the other's write may have landed last) and the other opens beside.
    const raced = text === this.storedText && performance.now() - this.savedAt < RACE_MS;
    if (raced && text < event.newValue) {
      if (this.scripts.put(this.name, text)) this.savedAt = performance.now();
    } else if (text === this.storedText && !raced) {
      this.storedText = event.newValue;
      this.savedAt = -Infinity;
      this.page.show(event.newValue);
    } else {
      clearTimeout(this.timer);
      this.keepBeside(text);
    }
  }

  stored(text) {
    this.storedText = text;
    this.savedAt = performance.now();
  }

  // Both this tab and another changed the script: the other's stays under its name, this one's is kept under a
  // free name, which the editor then holds.
  keepBeside(text) {
    const other = this.name;
    const name = this.scripts.freeName(other);
    if (!this.scripts.put(name, text)) {
      this.page.notice('full', `${this.page.t('full')} ${name}`);
      return;
    }
    this.page.named(name);
    this.stored(text);
    this.page.notice('otherTab', `${this.page.t('otherTab')} ${other}${this.page.t('keptBeside')} ${name}.`);
  }
}
