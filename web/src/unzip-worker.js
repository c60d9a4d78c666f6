// Unpacks a zip off the page's thread, so that the page answers clicks while a large one opens. What is
// inflated is counted as it comes, whatever sizes the zip declares: a zip whose entries share one huge stream,
// or declare one byte and hold a gigabyte, stops at the limit.
import {Unzip, UnzipInflate} from 'fflate';

// The zip is given to the unpacker a slice at a time, so that no slice inflates to much past the limit.
const SLICE = 16 << 10;

class TooLarge extends Error {}

function unpack(bytes, limit) {
  const files = [];
  let total = 0;
  const unzip = new Unzip((file) => {
    const chunks = [];
    file.ondata = (error, chunk, last) => {
      if (error) throw error;
      total += chunk.length;
      if (total > limit) throw new TooLarge();
      chunks.push(chunk);
      if (!last) return;
      const data = new Uint8Array(chunks.reduce((n, c) => n + c.length, 0));
      let at = 0;
      for (const c of chunks) {
        data.set(c, at);
        at += c.length;
      }
      files.push({name: file.name, data});
    };
    file.start();
  });
  unzip.register(UnzipInflate);
  for (let at = 0; at < bytes.length; at += SLICE) {
    const end = Math.min(at + SLICE, bytes.length);
    unzip.push(bytes.subarray(at, end), end === bytes.length);
  }
  if (bytes.length === 0) unzip.push(bytes, true);
  return files;
}

self.onmessage = ({data: {bytes, limit}}) => {
  try {
    const files = unpack(bytes, limit);
    self.postMessage({files}, files.map((f) => f.data.buffer));
  } catch (e) {
    self.postMessage({error: e instanceof TooLarge ? 'tooLarge' : String(e?.message ?? e)});
  }
};
