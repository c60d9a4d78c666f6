// "Crear programa" with the real kalpack and KAL.exe: the kalpack the extension finds, a program made beside the
// script that carries it, a script with errors refused with kalcheck's lines, and a kalpack that is not there.
//   node tests/pack.test.js KALPACK KAL.EXE
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const test = require('node:test');
const { packerCommand, packArguments, runPacker, outcome } = require('../src/pack');

const [KALPACK, KAL_EXE] = process.argv.slice(2).map((p) => path.resolve(p));
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'kal-pack-'));
test.after(() => fs.rmSync(folder, { recursive: true, force: true }));

function script(name, lines) {
  const file = path.join(folder, name);
  fs.writeFileSync(file, Buffer.from(lines.join('\r\n') + '\r\n', 'latin1'));
  return file;
}

test('the kalpack and KAL.exe the command uses', () => {
  const none = () => false;
  const all = () => true;
  const rows = [
    // settings, the folder's files exist, platform: the command and KAL.exe
    [{ path: '/k/kalpack', kal: '/k/KAL.exe' }, all, 'linux', '/k/kalpack', '/k/KAL.exe'],
    [{}, all, 'win32', path.join('/w', 'kalpack.exe'), path.join('/w', 'KAL.exe')],
    [{}, none, 'win32', 'kalpack.exe', ''],
    [{}, none, 'linux', 'kalpack', ''],
  ];
  for (const [settings, exists, platform, command, kal] of rows) {
    assert.deepEqual(packerCommand(settings, '/w', platform, exists), { command, kal });
  }
  assert.deepEqual(packerCommand({}, undefined, 'win32', all), { command: 'kalpack.exe', kal: '' });
  assert.deepEqual(packArguments('a.txt', 'b.exe', ''), ['--salida', 'b.exe', 'a.txt']);
});

test('a program made, a script with errors refused, a kalpack that is not there', async () => {
  const good = script('factura.txt', ['.codigo;', '&t := ~Factura_hecha;', '.aviso &t;', '.fin;']);
  const program = path.join(folder, 'Factura de Ana.exe');
  const made = await runPacker(KALPACK, packArguments(good, program, KAL_EXE));
  assert.deepEqual(outcome(made, good, program), { ok: true, message: `Programa creado: ${program}` });
  const bytes = fs.readFileSync(program);
  assert.ok(bytes.subarray(0, 2).equals(Buffer.from('MZ')));
  assert.ok(bytes.subarray(bytes.length - fs.statSync(good).size).equals(fs.readFileSync(good)));

  const bad = script('mala.txt', ['.codigo;', '&t := ~hola;', 'FOO;', '.fin;']);
  const refused = await runPacker(KALPACK, packArguments(bad, path.join(folder, 'mala.exe'), KAL_EXE));
  assert.equal(refused.code, 1);
  assert.match(refused.said, /mala\.txt:3:1: error: FOO/);
  assert.equal(outcome(refused, bad, '').message, 'mala.txt tiene errores: no se hace el programa (vea Problemas).');
  assert.ok(!fs.existsSync(path.join(folder, 'mala.exe')));

  const nothing = await runPacker(KALPACK, packArguments(good, path.join(folder, 'kal.exe'), KAL_EXE));
  assert.equal(nothing.code, 2);
  assert.match(outcome(nothing, good, '').message, /no puede llamarse kal\.exe/);

  const missing = await runPacker(path.join(folder, 'no-kalpack'), []);
  assert.match(outcome(missing, good, '').message, /^No se encuentra kalpack: ponga en kal\.pack\.path/);
});
