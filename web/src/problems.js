// The checker's problems as the editor underlines them, each with its sure mend one click away; and the
// formatter's layout of the whole script.
import {linter} from '@codemirror/lint';
import {exactText, positionOf} from './line-ends.js';

export function problemsOf(runner) {
  return linter((view) => {
    if (!runner.checker) return [];
    const {state} = view;
    return runner.check(exactText(state)).problems.map((p) => ({
      from: positionOf(state, p.offset),
      to: Math.max(positionOf(state, p.offset + Math.max(p.length, 1)), positionOf(state, p.offset)),
      severity: p.error ? 'error' : 'warning',
      message: p.message,
      // The checker's sure mend, one click away, its title on the button.
      actions: p.fix ? [{name: p.fix.title, apply: (v) => v.dispatch({changes: changesOf(v.state, p.fix.edits)})}] : [],
    }));
  }, {delay: 150});
}

// The checker's edits, in the script's offsets, as the editor's changes.
function changesOf(state, edits) {
  return edits.map((e) => ({from: positionOf(state, e.offset), to: positionOf(state, e.offset + e.length),
                            insert: e.text}));
}

// "Formatear": the script laid out as one change, which one undo takes back.
export function formatScript(view, runner) {
  if (runner.checker) view.dispatch({changes: changesOf(view.state, runner.format(exactText(view.state)))});
}
