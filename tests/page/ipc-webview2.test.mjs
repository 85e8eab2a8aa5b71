// The script that the Windows web view adds for every new document (src/gui/win32/ipc.js), in
// headless chromium with a stub of WebView2's window.chrome.webview: window.ipc exists before the
// page's own script runs, hands each string to the web view's channel and drops everything else.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { ROOT, composePage, launchChromium } from './harness.mjs';

const IPC_SCRIPT = readFileSync(join(ROOT, 'src/gui/win32/ipc.js'), 'utf8');

let browser;
let page;
before(async () => {
  browser = await launchChromium();
  // In the order the runtime has them: its own window.chrome.webview, then the added script.
  await browser.context.addInitScript(() => {
    window.__channel = [];
    window.chrome = { webview: { postMessage: (message) => window.__channel.push(message) } };
  });
  await browser.context.addInitScript({ content: IPC_SCRIPT });
  page = await browser.context.newPage();
  await page.setContent(composePage(), { waitUntil: 'load' });
});
after(async () => {
  assert.deepEqual(browser.outside, []);
  await browser?.close();
});

const channel = () => page.evaluate(() => [...window.__channel]);

test('the page\'s first scan request reaches the channel as its text', async () => {
  const first = await channel();
  assert.equal(first.length, 1);
  assert.equal(typeof first[0], 'string');
  assert.deepEqual(JSON.parse(first[0]), { id: 1, action: 'scan_hardware', payload: {} });
});

test('strings go through unchanged; any other value is dropped', async () => {
  const before = (await channel()).length;
  await page.evaluate(() => {
    for (const value of [{ id: 9 }, ['x'], 42, true, null, undefined, new String('boxed'), '', 'ả\u0000b'])
      window.ipc.postMessage(value);
  });
  assert.deepEqual((await channel()).slice(before), ['', 'ả\u0000b']);
});

test('window.ipc cannot be replaced or changed by the page', async () => {
  const outcome = await page.evaluate(() => {
    const original = window.ipc;
    window.ipc = { postMessage: () => {} };
    try { window.ipc.postMessage = () => {}; } catch (e) { /* frozen */ }
    delete window.ipc;
    return { same: window.ipc === original, frozen: Object.isFrozen(window.ipc) };
  });
  assert.deepEqual(outcome, { same: true, frozen: true });
  const before = (await channel()).length;
  await page.evaluate(() => window.ipc.postMessage('still here'));
  assert.deepEqual((await channel()).slice(before), ['still here']);
});
