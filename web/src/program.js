// "Crear programa": the script made into one Windows program in the browser, as kalpack makes it: the site's
// KAL.exe (fetched on the first click, then kept) with the script after it, downloaded as the script's name
// with .exe.
let kal = null;

async function siteKal(base) {
  if (!kal) {
    const response = await fetch(`${base}KAL.exe`).catch(() => null);
    if (!response?.ok) return null;
    kal = new Uint8Array(await response.arrayBuffer());
  }
  return kal;
}

// factura.txt makes factura.exe; a name without an extension gets one.
export function programName(scriptName) {
  return `${scriptName.replace(/\.[^.]*$/, '')}.exe`;
}

// Makes and downloads the program: its name, or undefined after saying through refused(key, detail) why not.
export async function makeProgram(runner, source, scriptName, refused, base = './') {
  if (!runner.checker) return undefined;
  const runnerBytes = await siteKal(base);
  if (!runnerBytes) return refused('programNoKal');
  const name = programName(scriptName);
  const made = runner.pack(source, runnerBytes, name);
  if (made.errors) return refused('programErrors');
  if (made.refusal) return refused('programRefused', made.refusal);
  const a = document.createElement('a');
  a.href = URL.createObjectURL(new Blob([made.bytes], {type: 'application/octet-stream'}));
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 60000);
  return name;
}

// The button: the editor's script as it stands, what went wrong in the page's notice, the program's name in
// its status.
export function programButton(button, {runner, source, scriptName, notice, status, t}) {
  button.addEventListener('click', async () => {
    const refused = (key, detail) => notice('program', detail ? `${t(key)} ${detail}.` : t(key));
    const made = await makeProgram(runner, source(), scriptName(), refused);
    if (!made) return;
    notice('program', null);
    status(`${t('programMade')} ${made}`);
  });
}
