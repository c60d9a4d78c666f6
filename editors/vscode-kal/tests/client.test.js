// The language server as Visual Studio Code's client meets it, spoken to with the VS Code team's own protocol
// library and the edits applied with their own text document: the light bulb's request at the cursor finds the
// preferred quick fix, the formatting that format on save asks for (once the person turns editor.formatOnSave
// on: the extension leaves it off) lays the script out, and the semantic tokens are read with the legend the
// manifest contributes its own type for.
//   node tests/client.test.js KALCHECK
const assert = require('assert');
const cp = require('child_process');
const {
  createProtocolConnection, StreamMessageReader, StreamMessageWriter, InitializeRequest, InitializedNotification,
  DidOpenTextDocumentNotification, PublishDiagnosticsNotification, CodeActionRequest, CodeActionTriggerKind,
  CodeActionKind, DocumentFormattingRequest, SemanticTokensRequest, ShutdownRequest, ExitNotification,
} = require('vscode-languageserver-protocol/node');
const {TextDocument} = require('vscode-languageserver-textdocument');
const manifest = require('../package.json');

const uri = 'file:///tmp/prueba.kal';
const script = '.codigo;\r\n&a  :=  1; .avisso &a;\r\n.fin;\r\n';

async function main() {
  const server = cp.spawn(process.argv[2], ['--lsp'], {stdio: ['pipe', 'pipe', 'inherit']});
  const connection = createProtocolConnection(new StreamMessageReader(server.stdout),
                                              new StreamMessageWriter(server.stdin));
  const published = new Promise((resolve) => connection.onNotification(PublishDiagnosticsNotification.type, resolve));
  connection.listen();
  const {capabilities} = await connection.sendRequest(InitializeRequest.type, {
    processId: process.pid, rootUri: null, workspaceFolders: null,
    capabilities: {textDocument: {
      codeAction: {codeActionLiteralSupport: {codeActionKind: {valueSet: Object.values(CodeActionKind)}},
                   isPreferredSupport: true},
      formatting: {}, semanticTokens: {requests: {full: true}, tokenTypes: [], tokenModifiers: [], formats: ['relative']},
    }},
  });
  connection.sendNotification(InitializedNotification.type, {});
  let document = TextDocument.create(uri, 'kal', 1, script);
  connection.sendNotification(DidOpenTextDocumentNotification.type, {textDocument: {uri, languageId: 'kal', version: 1,
                                                                                   text: script}});
  const diagnostics = (await published).diagnostics;
  assert.strictEqual(diagnostics.length, 1, JSON.stringify(diagnostics));

  // The light bulb: asked at the cursor, inside the misspelt word, as the editor asks by itself.
  const cursor = {line: 1, character: 14};
  const actions = await connection.sendRequest(CodeActionRequest.type, {
    textDocument: {uri}, range: {start: cursor, end: cursor},
    context: {diagnostics, triggerKind: CodeActionTriggerKind.Automatic},
  });
  const preferred = actions.filter((a) => a.kind === CodeActionKind.QuickFix && a.isPreferred);
  assert.strictEqual(preferred.length, 1, JSON.stringify(actions));
  document = TextDocument.create(uri, 'kal', 2, TextDocument.applyEdits(document, preferred[0].edit.changes[uri]));
  assert.strictEqual(document.getText(), script.replace('.avisso', '.aviso'));

  // Format on save: the whole document, by the formatting provider the client registers.
  assert.ok(capabilities.documentFormattingProvider);
  const edits = await connection.sendRequest(DocumentFormattingRequest.type, {
    textDocument: {uri}, options: {tabSize: 4, insertSpaces: true},
  });
  assert.strictEqual(TextDocument.applyEdits(TextDocument.create(uri, 'kal', 1, script), edits),
                     '.codigo;\r\n&a := 1;\r\n.avisso &a;\r\n.fin;\r\n');
  const defaults = manifest.contributes.configurationDefaults['[kal]'];
  assert.ok(!('editor.formatOnSave' in defaults), 'the extension turns format on save on by itself');

  // Colours: every type the server names is one the editor knows or one the manifest contributes.
  const {legend} = capabilities.semanticTokensProvider;
  const contributed = manifest.contributes.semanticTokenTypes.map((t) => t.id);
  const known = ['keyword', 'function', 'variable', 'property', 'string', 'number', 'regexp', 'label', 'operator',
                 'namespace', 'comment'];
  assert.deepStrictEqual(legend.tokenTypes.filter((t) => !known.includes(t)), contributed);
  assert.ok(manifest.contributes.semanticTokenScopes.some((s) => s.scopes.refused), 'refused words have no colour');
  const {data} = await connection.sendRequest(SemanticTokensRequest.type, {textDocument: {uri}});
  assert.strictEqual(data.length % 5, 0);
  assert.deepStrictEqual(data.slice(0, 10), [0, 0, 7, legend.tokenTypes.indexOf('keyword'), 0,
                                             0, 7, 1, legend.tokenTypes.indexOf('operator'), 0]);

  await connection.sendRequest(ShutdownRequest.type);
  connection.sendNotification(ExitNotification.type);
  await new Promise((resolve) => server.on('exit', resolve));
  console.log('client: ok');
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
