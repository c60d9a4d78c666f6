// Types every character that cuts a word (docs/characters.json) into a text and after a command, and asks the
// TextMate engine Visual Studio Code uses what it coloured: KAL reads "~hola«x" as three tokens, so the text must
// end before the character, and ".aviso«" is still the command.
const fs = require('fs');
const path = require('path');
const {Registry, INITIAL, parseRawGrammar} = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const here = __dirname;
const characters = JSON.parse(fs.readFileSync(path.join(here, '..', '..', '..', 'docs', 'characters.json'), 'utf8'));

async function main() {
  const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm')).buffer;
  await oniguruma.loadWASM(wasm);
  const registry = new Registry({
    onigLib: Promise.resolve({
      createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
      createOnigString: (s) => new oniguruma.OnigString(s),
    }),
    loadGrammar: async () => {
      const file = path.join(here, '..', 'syntaxes', 'kal.tmLanguage.json');
      return parseRawGrammar(fs.readFileSync(file, 'utf8'), file);
    },
  });
  const grammar = await registry.loadGrammar('source.kal');
  // The scopes of each character of a line.
  const scopesOf = (line) => {
    const {tokens} = grammar.tokenizeLine(line, INITIAL);
    const at = [];
    for (const t of tokens) for (let i = t.startIndex; i < t.endIndex; i++) at[i] = t.scopes.join(' ');
    return at;
  };
  const failures = [];
  for (const c of characters.blank.replace(/[\r\n]/g, '') + characters.alone) {
    const text = `&v := ~hola${c}x;`;
    const textScopes = scopesOf(text);
    const start = text.indexOf('~');
    const inText = [...'~hola'].every((_, i) => textScopes[start + i].includes('string.unquoted'));
    if (!inText || textScopes[start + 5].includes('string.unquoted')) {
      failures.push(`${JSON.stringify(text)}: the text is not "~hola" alone (${textScopes[start + 5]})`);
    }
    const command = `.aviso${c}&v;`;
    if (!scopesOf(command)[1].includes('keyword.other.command')) {
      failures.push(`${JSON.stringify(command)}: .aviso is not coloured as a command`);
    }
  }
  for (const f of failures) console.log(f);
  console.log(`breaks: ${failures.length ? 'FAILED' : 'ok'}`);
  process.exit(failures.length ? 1 : 0);
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
