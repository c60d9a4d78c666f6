// KAL's debugger in the editor: F5 on an open script debugs it and Ctrl+F5 runs it, both without a launch.json,
// through kaldebug.exe (the Debug Adapter Protocol over its console). On Linux the adapter runs under Wine when
// the kal.debug.wine setting names it.
const fs = require('fs');
const path = require('path');
const { locate } = require('./locate');

// A Linux path as Wine's Windows programs see it (Wine's Z: drive is the root).
function winePath(file) {
  return file && file.startsWith('/') ? 'Z:' + file.replace(/\//g, '\\') : file;
}

// The adapter to start: the setting when given, else the one packaged with the extension, else kaldebug.exe in
// the workspace's first folder (where a person keeps KAL.exe and the tools), else the one on the PATH.
// `exists` and `platform` are the system's; `settings` holds kal.debug.path and kal.debug.wine.
function adapterCommand(settings, extensionPath, workspaceFolder, platform, exists) {
  const program = locate(settings.path, [path.join(extensionPath, 'server'), workspaceFolder], 'kaldebug.exe',
    exists);
  if (platform === 'win32') return { command: program, args: [] };
  if (!settings.wine) return undefined;
  return { command: settings.wine, args: [program] };
}

// The launch configuration F5 and Ctrl+F5 use when there is none: the script in the active editor.
function completeConfiguration(config, activeDocument) {
  if (!config.type && !config.request && !config.name && activeDocument && activeDocument.languageId === 'kal') {
    config.type = 'kal';
    config.name = 'KAL';
    config.request = 'launch';
    config.program = '${file}';
  }
  return config.program ? config : undefined;
}

// Under Wine the adapter opens Windows paths; it still names the script to the editor by the editor's path.
function forWine(config) {
  const out = { ...config, sourcePath: config.program };
  out.program = winePath(config.program);
  if (config.programFolder) out.programFolder = winePath(config.programFolder);
  return out;
}

function register(vscode, context) {
  const settings = () => {
    const kal = vscode.workspace.getConfiguration('kal');
    return { path: kal.get('debug.path'), wine: kal.get('debug.wine') };
  };
  context.subscriptions.push(vscode.debug.registerDebugConfigurationProvider('kal', {
    resolveDebugConfiguration(folder, config) {
      const editor = vscode.window.activeTextEditor;
      const done = completeConfiguration(config, editor && editor.document);
      if (!done) vscode.window.showInformationMessage('Abra un programa KAL (.codigo; ... .fin;) para ejecutarlo.');
      return done;
    },
    resolveDebugConfigurationWithSubstitutedVariables(folder, config) {
      return process.platform === 'win32' ? config : forWine(config);
    },
  }));
  context.subscriptions.push(vscode.debug.registerDebugAdapterDescriptorFactory('kal', {
    createDebugAdapterDescriptor() {
      const folders = vscode.workspace.workspaceFolders;
      const found = adapterCommand(settings(), context.extensionPath, folders && folders[0].uri.fsPath,
        process.platform, fs.existsSync);
      if (!found) {
        vscode.window.showErrorMessage('El depurador de KAL es un programa de Windows: en Linux, ponga en ' +
          'kal.debug.wine la orden de Wine (wine).');
        return undefined;
      }
      return new vscode.DebugAdapterExecutable(found.command, found.args);
    },
  }));
}

module.exports = { register, adapterCommand, completeConfiguration, forWine, winePath };
