// Windows-1252, the interpreter's text: one byte for each UTF-16 unit of the page's text, so that offsets
// agree on both sides; a unit the code page lacks becomes "?".
const decoder = new TextDecoder('windows-1252');
const table = decoder.decode(Uint8Array.from({length: 256}, (_, i) => i));
const codes = new Map([...table].map((c, i) => [c, i]));

export function decode(bytes) {
  return decoder.decode(bytes);
}

export function encode(text) {
  const out = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) out[i] = codes.get(text[i]) ?? 0x3f;
  return out;
}
