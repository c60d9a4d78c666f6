// KAL's colouring for the editor, with the command and function words of docs/words.json (the table the
// guides, the editor grammars and the language server read too) and the characters that cut words of
// docs/characters.json (the tokenizer's).
import {StreamLanguage, HighlightStyle, syntaxHighlighting} from '@codemirror/language';
import {tags} from '@lezer/highlight';
import table from '../../docs/words.json';
import characters from '../../docs/characters.json';

const words = Object.keys(table.words).map((w) => w.toLowerCase());
const functions = new Set(words.filter((w) => w.startsWith('%')));
const commands = new Set(words.filter((w) => w.startsWith('.')).concat(['.codigo']));
// Commands that steer the run (the control groups: comparisons and jumps, the end; and the start) are control
// words.
const CONTROL = new Set(Object.entries(table.words).filter(([, w]) => table.groups[w.group].control)
                            .map(([word]) => word.toLowerCase()).concat(['.codigo']));
// Characters for a regular expression's [...] class.
const listed = (chars) => chars.replace(/[\\\]\[^-]/g, '\\$&');
const BREAKS = listed(characters.blank + characters.alone);
const NAME = new RegExp(`^[A-Za-z0-9_${listed(characters.letters)}.@-]+`);
// A word ends where the tokenizer ends it: a blank, or a character that always stands alone.
const WORD = new RegExp(`^[^${BREAKS}]+`);
const END = `(?=[${BREAKS}]|$)`;
const NUMBER = new RegExp(`^\\d+(\\.\\d+)?${END}`);
const DIV_MOD = new RegExp(`^(DIV|MOD)${END}`);

const kal = StreamLanguage.define({
  name: 'kal',
  // "'" opens a comment and "~" a text, and neither is ever closed: the editor closes only brackets.
  languageData: {closeBrackets: {brackets: ['(', '[', '{']}},
  startState: () => ({comment: false}),
  token(stream, state) {
    if (state.comment || stream.match("'")) {
      // A comment runs to its ";" (the editor ends it with the line as well).
      state.comment = !stream.skipTo(';');
      if (state.comment) stream.skipToEnd();
      return 'comment';
    }
    if (stream.eatSpace()) return null;
    if (stream.eat(';')) return 'punctuation';
    if (stream.match(':=')) return 'operator';
    if (stream.match(/^[+*-]/) || stream.match(DIV_MOD)) return 'operator';
    if (stream.match(/^~/)) {
      stream.match(WORD);
      return 'string';
    }
    if (stream.match(/^\[[^\]\s;]*\]/)) return 'heading';
    const sigil = stream.peek();
    if (sigil === '%' || sigil === '.') {
      const word = stream.match(WORD)[0].toLowerCase();
      if (sigil === '%') return functions.has(word) ? 'builtin' : 'invalid';
      if (!commands.has(word)) return 'invalid';
      return CONTROL.has(word) ? 'keyword' : 'def';
    }
    if (sigil === ':' && stream.match(WORD)) return 'labelName';
    if (sigil === '&' || sigil === '@' || sigil === '#') {
      stream.next();
      stream.match(NAME);
      return sigil === '&' ? 'variableName' : sigil === '@' ? 'constant' : 'propertyName';
    }
    if (stream.match(NUMBER)) return 'number';
    stream.match(WORD) || stream.next();
    return null;
  },
  tokenTable: {labelName: tags.labelName, constant: tags.constant(tags.variableName)},
});

const style = HighlightStyle.define([
  {tag: tags.comment, color: '#6a737d', fontStyle: 'italic'},
  {tag: tags.keyword, color: '#a626a4', fontWeight: 'bold'},
  {tag: tags.definition(tags.variableName), color: '#0550ae'},
  {tag: tags.standard(tags.variableName), color: '#8250df'},
  {tag: tags.string, color: '#0a7f3f'},
  {tag: tags.number, color: '#b35900'},
  {tag: tags.variableName, color: '#24292f'},
  {tag: tags.constant(tags.variableName), color: '#953800'},
  {tag: tags.propertyName, color: '#116329'},
  {tag: tags.labelName, color: '#cf222e', fontWeight: 'bold'},
  {tag: tags.heading, color: '#0550ae', fontWeight: 'bold'},
  {tag: tags.invalid, color: '#cf222e', textDecoration: 'underline wavy'},
  {tag: tags.operator, color: '#57606a'},
]);

export function kalLanguage() {
  return [kal, syntaxHighlighting(style)];
}
