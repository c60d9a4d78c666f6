// Starts KAL's language server (kalcheck --lsp) for KAL files: problems while typing, help on every word,
// completion, signature help, the quick fixes under the light bulb, formatting (format on save once the person
// turns it on), colours as KAL reads each word, go to label, references, rename and the outline come from it. The debugger
// is in debug.js, "Crear programa" in pack.js.
const fs = require('fs');
const path = require('path');
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');
const debug = require('./debug');
const pack = require('./pack');

let client;

// KAL scripts are mostly named .txt, which the editor opens as plain text: one whose first line is the manifest's
// firstLine (".codigo;") becomes KAL.
const manifest = require('../package.json');
const firstLine = new RegExp(manifest.contributes.languages[0].firstLine);
function adopt(document) {
  if (document.languageId === 'plaintext' && document.lineCount > 0 && firstLine.test(document.lineAt(0).text)) {
    vscode.languages.setTextDocumentLanguage(document, 'kal');
  }
}

// The server: the setting when given, else the one packaged with the extension for this system, else the one
// on the PATH.
function serverCommand(context) {
  const configured = vscode.workspace.getConfiguration('kal').get('server.path');
  if (configured) return configured;
  const name = process.platform === 'win32' ? 'kalcheck.exe' : 'kalcheck';
  const packaged = path.join(context.extensionPath, 'server', name);
  return fs.existsSync(packaged) ? packaged : name;
}

function activate(context) {
  debug.register(vscode, context);
  pack.register(vscode, context);
  context.subscriptions.push(vscode.workspace.onDidOpenTextDocument(adopt));
  vscode.workspace.textDocuments.forEach(adopt);
  client = new LanguageClient(
    'kal',
    'KAL',
    { command: serverCommand(context), args: ['--lsp'] },
    { documentSelector: [{ language: 'kal' }] },
  );
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
