// Opens the embedded page in headless chromium the way the program hands it to its web view: one
// HTML text with the logo's data URI in place of every placeholder, and no network at all.
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

export const ROOT = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
export const LOGO_PLACEHOLDER = '__BQ_LOGO_DATA_URI__';

export function readReport(name) {
  return JSON.parse(readFileSync(join(ROOT, 'tests/data', name), 'utf8'));
}

export function logoDataUri() {
  return 'data:image/png;base64,' + readFileSync(join(ROOT, 'ui/logo.png')).toString('base64');
}

export function composePage() {
  return readFileSync(join(ROOT, 'ui/index.html'), 'utf8').split(LOGO_PLACEHOLDER).join(logoDataUri());
}

// The vendor's values as the program holds them, for the links and texts the page must show.
export function vendor() {
  const header = readFileSync(join(ROOT, 'src/engine/vendor.hpp'), 'utf8');
  const define = (name) => {
    const match = header.match(new RegExp('#define ' + name + ' "([^"]*)"'));
    if (!match) throw new Error(`vendor.hpp defines no ${name}`);
    return match[1];
  };
  return { webHost: define('BQ_WEB_HOST'), phoneDisplay: define('BQ_PHONE_DISPLAY'), phoneDigits: define('BQ_PHONE_DIGITS') };
}

// A report's JSON text as the native side writes it into its reply script.
export function reportText(name) {
  return readFileSync(join(ROOT, 'tests/data', name), 'utf8').replace(/\n$/, '');
}

// Debian's chromium with a profile of its own, from which every request that would leave the
// page is recorded in `outside` and aborted; the page is expected to make none.
export async function launchChromium() {
  const profile = mkdtempSync(join(tmpdir(), 'bq-page-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-first-run'],
    viewport: { width: 840, height: 660 },
  });
  const outside = [];
  await context.route('**/*', (route) => {
    outside.push(route.request().url());
    return route.abort('blockedbyclient');
  });
  return {
    context,
    outside,
    async close() {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// One browser for a test file, whose pages get a stub window.ipc.
export async function startBrowser() {
  const { context, outside, close } = await launchChromium();
  // The native side defines window.ipc before any page script runs; this one records each posted
  // text and leaves the answer to the test. The clipboard records what is written, or refuses it
  // while __clipboardRefuses is set (a page given as text has no clipboard of its own here).
  await context.addInitScript(() => {
    window.__posted = [];
    window.ipc = { postMessage: (text) => window.__posted.push(text) };
    window.__clipboard = [];
    window.__clipboardRefuses = false;
    Object.defineProperty(navigator, 'clipboard', {
      configurable: true,
      value: {
        writeText(text) {
          if (window.__clipboardRefuses) return Promise.reject(new DOMException('refused', 'NotAllowedError'));
          window.__clipboard.push(text);
          return Promise.resolve();
        },
      },
    });
  });
  const html = composePage();
  return {
    outside,
    // `clock`: install playwright's fake clock before the page's script runs and stop it, so that
    // time moves only by page.clock.runFor.
    async open({ width, height, clock = false }) {
      const page = await context.newPage();
      await page.setViewportSize({ width, height });
      if (clock) await page.clock.install({ time: 0 });
      await page.setContent(html, { waitUntil: 'load' });
      if (clock) await page.clock.pauseAt(60 * 1000);
      return page;
    },
    close,
  };
}

// The texts the page has posted so far, and the same read as JSON.
export const posted = (page) => page.evaluate(() => [...window.__posted]);
export const requests = async (page) => (await posted(page)).map((text) => JSON.parse(text));

// Answers request `id` the way the native side does: by running its reply script in the page.
// `json` is the reply's JSON text, or a value to write as one.
export async function reply(page, id, json) {
  const text = typeof json === 'string' ? json : JSON.stringify(json);
  await page.evaluate(`window.__bqCallback(${id}, ${text});`);
}

// The id of the last scan the page asked for.
export async function lastScanId(page) {
  const scans = (await requests(page)).filter((r) => r.action === 'scan_hardware');
  if (scans.length === 0) throw new Error('the page has asked for no scan');
  return scans[scans.length - 1].id;
}

// Answers the page's last scan with a report (its JSON text, or a value).
export async function showReport(page, report) {
  await reply(page, await lastScanId(page), report);
}

// The distinct line boxes that an element's text occupies (1 when it does not wrap).
export function lineCount(page, selector) {
  return page.$$eval(selector, (elements) => elements.map((el) => {
    const range = document.createRange();
    range.selectNodeContents(el);
    const tops = [...range.getClientRects()].map((r) => r.top).sort((a, b) => a - b);
    const lines = tops.filter((top, i) => i === 0 || top - tops[i - 1] > 2).length;
    return { text: el.textContent.trim(), lines };
  }));
}
