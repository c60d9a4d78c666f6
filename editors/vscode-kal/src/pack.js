// "Crear programa": the open script made into one Windows program with kalpack, for a colleague to double-click.
// kalpack checks the script first and refuses one with errors; what it says goes to the "KAL: programa" output.
const fs = require('fs');
const path = require('path');
const { execFile } = require('child_process');
const { locate } = require('./locate');

// kalpack: the setting when given, else the one in the workspace's first folder (where a person keeps KAL.exe
// and the tools of the Windows download), else the one on the PATH. KAL.exe, the program's runner, likewise:
// the setting, else the folder's; with neither, kalpack takes the KAL.exe beside itself.
function packerCommand(settings, workspaceFolder, platform, exists) {
  const name = platform === 'win32' ? 'kalpack.exe' : 'kalpack';
  return {
    command: locate(settings.path, [workspaceFolder], name, exists),
    kal: locate(settings.kal, [workspaceFolder], 'KAL.exe', exists, ''),
  };
}

function packArguments(script, program, kal) {
  return [...(kal ? ['--kal', kal] : []), '--salida', program, script];
}

// kalpack's run: its exit code (1: the script has errors, 2: refused) and all it said, or the system's word when
// it could not be started.
function runPacker(command, args, run = execFile) {
  return new Promise((done) => {
    run(command, args, { encoding: 'utf8', timeout: 120000, windowsHide: true }, (error, stdout, stderr) => {
      const said = `${stdout || ''}${stderr || ''}`;
      if (error && typeof error.code !== 'number') done({ code: undefined, said, missing: error.code === 'ENOENT' });
      else done({ code: error ? error.code : 0, said });
    });
  });
}

// What the person is told once kalpack has run.
function outcome(result, script, program) {
  if (result.missing) {
    return { ok: false, message: 'No se encuentra kalpack: ponga en kal.pack.path el kalpack de KAL (kalpack.exe, ' +
      'junto a KAL.exe en la descarga para Windows).' };
  }
  if (result.code === 0) return { ok: true, message: `Programa creado: ${program}` };
  if (result.code === 1) {
    return { ok: false, message: `${path.basename(script)} tiene errores: no se hace el programa (vea Problemas).` };
  }
  const lines = result.said.trim().split(/\r?\n/);
  return { ok: false, message: lines[lines.length - 1] || `kalpack no pudo hacer el programa (${result.code}).` };
}

function register(vscode, context) {
  const channel = vscode.window.createOutputChannel('KAL: programa');
  context.subscriptions.push(channel);
  context.subscriptions.push(vscode.commands.registerCommand('kal.crearPrograma', async (uri) => {
    const editor = vscode.window.activeTextEditor;
    const document = uri ? await vscode.workspace.openTextDocument(uri) : editor && editor.document;
    if (!document || document.languageId !== 'kal' || document.isUntitled) {
      vscode.window.showInformationMessage('Abra un programa KAL guardado (.codigo; ... .fin;) para hacer su .exe.');
      return;
    }
    // What is packed is what the person sees.
    if (document.isDirty && !(await document.save())) return;
    const script = document.uri.fsPath;
    const chosen = await vscode.window.showSaveDialog({
      defaultUri: vscode.Uri.file(script.replace(/(\.[^.\\/]*)?$/, '.exe')),
      filters: { Programas: ['exe'] },
      saveLabel: 'Crear programa',
      title: 'El programa de Windows que lleva este programa KAL',
    });
    if (!chosen) return;
    const kal = vscode.workspace.getConfiguration('kal');
    const folders = vscode.workspace.workspaceFolders;
    const found = packerCommand({ path: kal.get('pack.path'), kal: kal.get('pack.kal') },
      folders && folders[0].uri.fsPath, process.platform, fs.existsSync);
    const args = packArguments(script, chosen.fsPath, found.kal);
    channel.clear();
    channel.appendLine(`${found.command} ${args.join(' ')}`);
    const result = await runPacker(found.command, args);
    channel.append(result.said);
    const told = outcome(result, script, chosen.fsPath);
    if (told.ok) {
      const reveal = 'Mostrar en la carpeta';
      if (await vscode.window.showInformationMessage(told.message, reveal) === reveal) {
        vscode.commands.executeCommand('revealFileInOS', chosen);
      }
    } else {
      channel.show(true);
      vscode.window.showErrorMessage(told.message);
    }
  }));
}

module.exports = { register, packerCommand, packArguments, runPacker, outcome };
