// Where the extension finds the programs it runs (kaldebug.exe, kalpack, KAL.exe).
const path = require('path');

// A program the extension runs: the setting when given, else the first of the places that holds it, else
// `fallback` (a name the PATH finds, or nothing). Places without a folder are skipped.
function locate(setting, folders, name, exists, fallback = name) {
  if (setting) return setting;
  const found = folders.filter(Boolean).map((folder) => path.join(folder, name)).find(exists);
  return found || fallback;
}

module.exports = { locate };
