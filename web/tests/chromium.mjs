// Debian's Chromium, headless, as the page's tests, pictures and budgets all start it: no network chatter of
// its own, and letters drawn without hinting so that pictures are alike from machine to machine.
import puppeteer from 'puppeteer-core';

export function launch() {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--font-render-hinting=none'],
  });
}
