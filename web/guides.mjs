// The guides as HTML pages that read on their own, offline: docs/guia.md and docs/guide.md with a contents list
// of their sections, every section with its anchor, and their style inside the page. The browser page's site and
// the Windows download make their guides here.
// Usage: node guides.mjs OUT_DIR EXAMPLES_PREFIX   (EXAMPLES_PREFIX: where the examples are, seen from OUT_DIR)
import {Marked} from 'marked';
import fs from 'node:fs';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const root = path.dirname(path.dirname(fileURLToPath(import.meta.url)));

const STYLE = `body { margin: 0; font: 15px/1.5 system-ui, 'Segoe UI', 'Liberation Sans', Arial, sans-serif;
  color: #1f2328; background: #f6f8fa; }
main { max-width: 52rem; margin: 0 auto; padding: 1rem 2rem; background: #fff; }
table { border-collapse: collapse; }
td, th { border: 1px solid #d0d7de; padding: .2rem .4rem; vertical-align: top; }
pre { background: #f6f8fa; padding: .5rem; overflow: auto; }
nav.contents { border: 1px solid #d0d7de; padding: .5rem 1rem; margin: 1rem 0; }
nav.contents ul { margin: 0; padding-left: 1.2rem; }`;

const CONTENTS = {'guia.md': 'Contenido', 'guide.md': 'Contents'};

// A heading's anchor: its words in small letters, joined by "-", accents kept.
function anchor(text, taken) {
  const base = text.toLowerCase().replace(/<[^>]*>/g, '').replace(/&[a-z0-9#]+;/g, ' ').replace(/[^\p{L}\p{N}]+/gu, '-').replace(/^-|-$/g, '');
  let id = base || 'seccion';
  for (let n = 2; taken.has(id); ++n) id = `${base}-${n}`;
  taken.add(id);
  return id;
}

// One guide as a whole HTML page; examplesPrefix replaces "../examples/" in its links.
export function guidePage(source, name, examplesPrefix) {
  // A picture beside the guide goes inside the page, which reads on its own.
  const markdown = source.replaceAll('](../examples/', `](${examplesPrefix}`).replace(/!\[([^\]]*)\]\(([\w.-]+\.png)\)/g,
    (_, alt, file) => `![${alt}](data:image/png;base64,${fs.readFileSync(path.join(root, 'docs', file)).toString('base64')})`);
  const taken = new Set();
  const sections = [];
  const marked = new Marked();
  marked.use({renderer: {heading(token) {
    const inner = this.parser.parseInline(token.tokens);
    const id = anchor(inner, taken);
    if (token.depth === 2 || token.depth === 3) sections.push({depth: token.depth, id, inner});
    return `<h${token.depth} id="${id}">${inner}</h${token.depth}>\n`;
  }}});
  const body = marked.parse(markdown);
  const title = markdown.match(/^# (.*)$/m)?.[1] ?? 'KAL';
  let contents = `<nav class="contents"><strong>${CONTENTS[name]}</strong><ul>`;
  let open = false;
  for (const s of sections) {
    if (s.depth === 2) {
      if (open) contents += '</ul></li>';
      contents += `<li><a href="#${s.id}">${s.inner}</a><ul>`;
      open = true;
    } else {
      contents += `<li><a href="#${s.id}">${s.inner}</a></li>`;
    }
  }
  contents += `${open ? '</ul></li>' : ''}</ul></nav>`;
  // The contents go after the title and its introduction, before the first section.
  const first = body.indexOf('<h2');
  const withContents = first < 0 ? body + contents : body.slice(0, first) + contents + body.slice(first);
  return `<!doctype html><html lang="${name === 'guia.md' ? 'es' : 'en'}"><head><meta charset="utf-8">` +
    `<meta name="viewport" content="width=device-width, initial-scale=1"><title>${title}</title>` +
    `<meta http-equiv="Content-Security-Policy" content="default-src 'self'; script-src 'none'; style-src 'unsafe-inline'; img-src 'self' data:">` +
    `<style>${STYLE}</style></head><body><main>${withContents}</main></body></html>`;
}

// Both guides into a folder: guia.html and guide.html.
export function writeGuides(out, examplesPrefix) {
  for (const [md, html] of [['guia.md', 'guia.html'], ['guide.md', 'guide.html']]) {
    const source = fs.readFileSync(path.join(root, 'docs', md), 'utf8');
    fs.writeFileSync(path.join(out, html), guidePage(source, md, examplesPrefix));
  }
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [out, prefix = ''] = process.argv.slice(2);
  fs.mkdirSync(out, {recursive: true});
  writeGuides(out, prefix);
}
