// The README's pictures of KAL in the browser: the drawing example run in the page (its box up), a run
// stepped half-way with its state shown, and (for the guides too) a problem's quick fix on its tooltip.
// Usage: node screenshots.mjs SITE_DIR OUT_DIR
import {launch} from './chromium.mjs';
import path from 'node:path';
import {serve} from './serve.mjs';

const [site, out] = process.argv.slice(2).map((p) => path.resolve(p));
const browser = await launch();
const server = await serve(site);
const page = await browser.newPage();
await page.setViewport({width: 1280, height: 760});
await page.goto(`http://127.0.0.1:${server.address().port}/`);
await page.waitForSelector('body[data-ready=yes]');

await page.select('#examples', 'dibujo.txt');
await page.click('#run');
await page.waitForSelector('#box:not([hidden])');
await page.screenshot({path: path.join(out, 'navegador-dibujo.png')});
await page.click('#graphics .close');
await page.waitForFunction(() => document.body.dataset.state === 'idle');

await page.select('#examples', 'calculadora.txt');
await page.click('#step');
const typed = ['12', '3'];
for (let i = 0; i < 7; ++i) {
  await page.waitForFunction(() => document.body.dataset.state === 'paused');
  await page.click('#step');
  if (await page.$('#box:not([hidden])')) {
    await page.type('#box input', typed.shift());
    await page.click('#box button[data-answer=ok]');
  }
}
await page.waitForFunction(() => document.body.dataset.state === 'paused');
await page.screenshot({path: path.join(out, 'navegador-paso.png')});

await page.goto(`http://127.0.0.1:${server.address().port}/?test`);
await page.waitForSelector('body[data-ready=yes]');
await page.evaluate(() => window.kalPage.source(
  '.codigo;\n&nombre := %INPUTDATA;\n&saludo := ~Hola_ + &nombre;\n.avisso &saludo;\n.fin;\n'));
await page.waitForSelector('.cm-lintRange-error');
await page.hover('.cm-lintRange-error');
await page.waitForSelector('.cm-diagnosticAction');
const editor = await (await page.$('#editor')).boundingBox();
const tip = await (await page.$('.cm-tooltip-hover')).boundingBox();
await page.screenshot({path: path.join(out, 'navegador-arreglo.png'), clip: {
  x: editor.x, y: editor.y, width: Math.max(tip.x + tip.width, editor.x + 400) - editor.x + 8,
  height: Math.max(tip.y + tip.height, editor.y + 130) - editor.y + 8}});
await browser.close();
server.close();
