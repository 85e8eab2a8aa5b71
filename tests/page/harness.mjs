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

// One browser for a test file. Every request that would leave the page is recorded in `outside`
// and aborted; the page is expected to make none.
export async function startBrowser() {
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
  // The native side defines window.ipc before any page script runs; this one only records.
  await context.addInitScript(() => {
    window.__posted = [];
    window.ipc = { postMessage: (text) => window.__posted.push(text) };
  });
  const html = composePage();
  return {
    outside,
    async open({ width, height }) {
      const page = await context.newPage();
      await page.setViewportSize({ width, height });
      await page.setContent(html, { waitUntil: 'load' });
      return page;
    },
    async close() {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Fills the scan panel with a report in the markup the page script builds, so the style can be
// judged on real content.
export async function showReport(page, report) {
  await page.evaluate((r) => {
    const text = (tag, cls, value) => {
      const el = document.createElement(tag);
      if (cls) el.className = cls;
      el.textContent = value;
      return el;
    };
    document.getElementById('loading-box').hidden = true;
    document.getElementById('result-box').hidden = false;
    const admin = document.getElementById('badge-admin');
    admin.textContent = r.isAdmin ? 'Quyền Administrator' : 'Quyền chuẩn';
    admin.classList.toggle('admin', r.isAdmin);
    document.getElementById('verdict-card').className = 'verdict ' + r.verdictTone;
    document.getElementById('verdict-badge').textContent = r.verdictBadge;
    document.getElementById('verdict-headline').textContent = r.verdictHeadline;
    document.getElementById('verdict-advice').textContent = r.verdictAdvice;
    const chips = document.getElementById('score-chips');
    chips.replaceChildren(text('span', 'chip pass', 'Đạt: ' + r.passCount));
    if (r.warnCount > 0) chips.append(text('span', 'chip warn', 'Cần chỉnh: ' + r.warnCount));
    if (r.failCount > 0) chips.append(text('span', 'chip fail', 'Chưa đạt: ' + r.failCount));
    document.getElementById('device-name').textContent = r.deviceName || '—';
    document.getElementById('current-os').textContent = r.currentOs + (r.osBuild ? ' (Build ' + r.osBuild + ')' : '');

    const list = document.getElementById('check-list');
    list.replaceChildren(...r.checks.map((c) => {
      const row = text('div', 'check-row ' + c.status, '');
      const title = text('div', 'check-title', c.label + ' ');
      title.append(text('span', 'check-req', '· ' + c.requirement));
      const block = document.createElement('div');
      block.append(title, text('div', 'check-detected', c.detected), text('div', 'check-detail', c.detail));
      row.append(block, text('span', 'status-pill ' + c.status, c.statusLabel));
      return row;
    }));

    const box = document.getElementById('suggest-box');
    box.hidden = r.recommendedProducts.length === 0;
    document.getElementById('suggest-title').textContent = r.verdictCode === 'NOT_READY'
      ? 'Gợi ý Windows 10 & Office chính hãng tối ưu cho cấu hình máy bạn'
      : 'Gợi ý Windows 11 Pro & Office chính hãng phù hợp máy bạn';
    document.getElementById('suggest-grid').replaceChildren(...r.recommendedProducts.map((p) => {
      const card = text('div', 'prod-card', '');
      const top = text('div', 'prod-top', '');
      top.append(text('span', 'prod-group' + (p.group.toLowerCase() === 'office' ? ' office' : ''), p.group),
                 text('span', 'prod-badge', p.badge));
      const actions = text('div', 'prod-actions', '');
      actions.append(text('button', 'btn', 'Xem chi tiết'), text('button', 'btn green', 'Tư vấn gói này'));
      card.append(top, text('div', 'prod-name', p.name), text('div', 'prod-price', p.price),
                  text('div', 'prod-reason', p.reason), actions);
      return card;
    }));
  }, report);
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
