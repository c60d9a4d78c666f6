// The checker's problems as the editor underlines them, each with its sure mend one click away.
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
      actions: p.fix ? [{name: p.fix.title, apply: (v) => v.dispatch({changes: p.fix.edits.map((e) => ({
        from: positionOf(v.state, e.offset), to: positionOf(v.state, e.offset + e.length), insert: e.text}))})}] : [],
    }));
  }, {delay: 150});
}
