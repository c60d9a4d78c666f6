// Line ends as the script has them. KAL reads CR LF and CR as the end of a line but a bare LF as a blank, so a
// script must run with the bytes it was opened with. The editor holds lines; each line break keeps the kind it
// was opened, uploaded or shared with (CR LF, LF or CR), a new one takes the script's usual kind, and what is
// saved, run and shared is the lines joined by their own breaks. Converting is the person's choice, never the
// editor's.
import {RangeSetBuilder, StateEffect, StateField} from '@codemirror/state';
import {Decoration, EditorView} from '@codemirror/view';

export const CRLF = '\r\n', LF = '\n', CR = '\r';
const NAMES = new Map([[CRLF, 'CRLF'], [LF, 'LF'], [CR, 'CR']]);
export const KINDS = new Map([...NAMES].map(([kind, name]) => [name, kind]));

// A text's line breaks in order, split as the editor splits it into lines.
export function breaksOf(text) {
  return text.match(/\r\n|\r|\n/g) ?? [];
}

// The kind a new line takes: the script's most common one; CR LF, as KAL.exe's own scripts, when it has none.
export function usualBreak(breaks) {
  const counts = new Map();
  for (const b of breaks) counts.set(b, (counts.get(b) ?? 0) + 1);
  let usual = CRLF;
  for (const [kind, n] of counts) if (n > (counts.get(usual) ?? 0)) usual = kind;
  return usual;
}

const setBreaks = StateEffect.define();

// {breaks, usual, mixed}: the break after each line but the last, and the kind new lines take.
export const lineEnds = StateField.define({
  create: () => ({breaks: [], usual: CRLF, mixed: false}),
  update(value, tr) {
    for (const e of tr.effects) if (e.is(setBreaks)) return e.value;
    if (!tr.docChanged) return value;
    // A change takes away the breaks inside the text it replaces and brings its own lines' breaks, new ones.
    const old = value.breaks;
    const breaks = [];
    let kept = 0;
    tr.changes.iterChanges((fromA, toA, fromB, toB, inserted) => {
      const first = tr.startState.doc.lineAt(fromA).number, last = tr.startState.doc.lineAt(toA).number;
      while (kept < first - 1) breaks.push(old[kept++]);
      for (let i = 1; i < inserted.lines; ++i) breaks.push(value.usual);
      kept = last - 1;
    });
    while (kept < old.length) breaks.push(old[kept++]);
    return {breaks, usual: value.usual, mixed: value.mixed && breaks.some((b) => b !== value.usual)};
  },
  // In a script of mixed line ends, a line whose end is not the usual one says which it is.
  provide: (field) => EditorView.decorations.from(field, (value) => {
    if (!value.mixed) return Decoration.none;
    return (view) => {
      const builder = new RangeSetBuilder();
      value.breaks.forEach((b, i) => {
        if (b !== value.usual && i + 1 <= view.state.doc.lines) {
          builder.add(view.state.doc.line(i + 1).from, view.state.doc.line(i + 1).from,
                      Decoration.line({attributes: {'data-eol': NAMES.get(b)}}));
        }
      });
      return builder.finish();
    };
  }),
});

// The transaction's effect that gives a newly opened text its breaks.
export function openedWith(text) {
  const breaks = breaksOf(text);
  const usual = usualBreak(breaks);
  return setBreaks.of({breaks, usual, mixed: breaks.some((b) => b !== usual)});
}

// Every line break made one kind, on purpose.
export function convertedTo(state, kind) {
  return setBreaks.of({breaks: state.field(lineEnds).breaks.map(() => kind), usual: kind, mixed: false});
}

// "CRLF", "LF", "CR", or "mixed".
export function lineEndsName(state) {
  const {usual, mixed} = state.field(lineEnds);
  return mixed ? 'mixed' : NAMES.get(usual);
}

// The script's text with each line's own break.
export function exactText(state) {
  const {breaks} = state.field(lineEnds);
  const parts = [];
  let i = 0;
  for (const iter = state.doc.iterLines(); !iter.next().done; ++i) {
    parts.push(iter.value);
    if (i < breaks.length) parts.push(breaks[i]);
  }
  return parts.join('');
}

// Where an offset of the exact text stands in the editor, whose line breaks are one position each; within a
// CR LF, at the end of its line.
export function positionOf(state, offset) {
  const {breaks} = state.field(lineEnds);
  let extra = 0, lineStart = 0;
  for (let i = 0; i < breaks.length; ++i) {
    const line = state.doc.line(i + 1);
    const end = lineStart + line.length;  // where its break starts in the exact text
    if (offset <= end) break;
    if (offset < end + breaks[i].length) return line.to;
    extra += breaks[i].length - 1;
    lineStart = end + breaks[i].length;
  }
  return Math.min(offset - extra, state.doc.length);
}
