// The embedded page's markup and style in headless chromium: what stands at load, the layout
// rules that depend on the window's width, and screenshots of rendered reports for review.
import assert from 'node:assert/strict';
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { LOGO_PLACEHOLDER, ROOT, composePage, lineCount, readReport, showReport, startBrowser } from './harness.mjs';

const SCRIPT_IDS = [
  'badge-admin', 'panel-scan', 'panel-bios', 'panel-upgrade', 'loading-box', 'result-box', 'verdict-card',
  'verdict-badge', 'score-chips', 'verdict-headline', 'verdict-advice', 'btn-rescan', 'btn-copy', 'btn-open-web',
  'btn-goto-upgrade', 'device-name', 'current-os', 'check-list', 'suggest-box', 'suggest-title', 'suggest-grid',
  'lead-form', 'lead-product', 'lead-phone', 'lead-attach', 'btn-submit-lead', 'btn-open-win11', 'btn-open-zalo',
  'lead-msg', 'toast',
];

const SCREENSHOT_DIR = process.env.BQ_SCREENSHOT_DIR || join(ROOT, 'tests/page/test-results');

let browser;
before(async () => { browser = await startBrowser(); });
after(async () => { await browser?.close(); });

const visible = (page, selector) => page.$eval(selector, (el) => getComputedStyle(el).display !== 'none');

describe('loading', () => {
  test('the composed page holds the logo and no placeholder', () => {
    const html = composePage();
    assert.equal(html.includes(LOGO_PLACEHOLDER), false);
    assert.equal(html.split('src="data:image/png;base64,').length - 1, 1);
  });

  test('nothing is fetched from outside and the logo shows at its size', async () => {
    const page = await browser.open({ width: 840, height: 660 });
    const logo = await page.$eval('img.brand-logo', (img) => ({
      complete: img.complete, width: img.naturalWidth, height: img.naturalHeight, shown: img.getBoundingClientRect().height,
    }));
    assert.deepEqual(logo, { complete: true, width: 360, height: 142, shown: 28 });
    const resources = await page.evaluate(() => performance.getEntriesByType('resource').map((e) => e.name));
    assert.deepEqual(resources.filter((name) => !name.startsWith('data:')), []);
    assert.deepEqual(browser.outside, []);
    await page.close();
  });
});

describe('at load', () => {
  let page;
  before(async () => { page = await browser.open({ width: 840, height: 660 }); });
  after(async () => { await page.close(); });

  test('document head and body outline', async () => {
    const outline = await page.evaluate(() => ({
      lang: document.documentElement.lang,
      charset: document.characterSet,
      viewport: document.querySelector('meta[name=viewport]').content,
      title: document.title,
      body: [...document.body.children].map((el) => el.tagName + (el.id ? '#' + el.id : '') + (el.className ? '.' + el.className : '')),
      app: [...document.querySelector('.app').children].map((el) => el.tagName + '.' + el.className),
      panels: [...document.querySelector('main.main').children].map((el) => el.tagName + '#' + el.id),
    }));
    assert.deepEqual(outline, {
      lang: 'vi', charset: 'UTF-8', viewport: 'width=device-width, initial-scale=1.0',
      title: 'Brindle Quay — Kiểm tra cấu hình Windows 11 Pro',
      body: ['DIV.app', 'DIV#toast.toast', 'SCRIPT'],
      app: ['HEADER.topbar', 'NAV.tabs', 'MAIN.main', 'FOOTER.footer'],
      panels: ['SECTION#panel-scan', 'SECTION#panel-bios', 'SECTION#panel-upgrade'],
    });
  });

  test('every id the script uses exists exactly once', async () => {
    const counts = await page.evaluate((ids) => ids.map((id) => [id, document.querySelectorAll('#' + id).length]),
                                       SCRIPT_IDS);
    assert.deepEqual(counts.filter(([, n]) => n !== 1), []);
  });

  test('each tab button names a panel, in order', async () => {
    const tabs = await page.$$eval('nav.tabs[role="tablist"] > button.tab-btn', (buttons) => buttons.map((b) => ({
      tab: b.dataset.tab, text: b.textContent, panel: document.getElementById('panel-' + b.dataset.tab)?.tagName,
    })));
    assert.deepEqual(tabs, [
      { tab: 'scan', text: '1. Kết quả kiểm tra', panel: 'SECTION' },
      { tab: 'bios', text: '2. Hướng dẫn bật TPM / BIOS', panel: 'SECTION' },
      { tab: 'upgrade', text: '3. Nâng cấp Win 11 Pro', panel: 'SECTION' },
    ]);
  });

  test('first tab active and only the scan panel shown', async () => {
    const active = await page.$$eval('.tab-btn', (buttons) => buttons.map((b) => b.classList.contains('active')));
    assert.deepEqual(active, [true, false, false]);
    assert.equal(await visible(page, '#panel-scan'), true);
    assert.equal(await visible(page, '#panel-bios'), false);
    assert.equal(await visible(page, '#panel-upgrade'), false);
  });

  test('loading box shown, result and suggestion boxes hidden', async () => {
    assert.equal(await visible(page, '#loading-box'), true);
    assert.equal(await visible(page, '#result-box'), false);
    assert.equal(await page.$eval('#suggest-box', (el) => el.hidden), true);
    assert.equal(await page.$eval('#check-list', (el) => el.childElementCount), 0);
    assert.equal(await page.$eval('#suggest-grid', (el) => el.childElementCount), 0);
  });

  test('administrator pill reads "Đang quét…" in the plain look', async () => {
    const pill = await page.$eval('#badge-admin', (el) => ({ text: el.textContent, className: el.className }));
    assert.deepEqual(pill, { text: 'Đang quét…', className: 'pill' });
  });

  test('consultation form holds its initial values', async () => {
    const form = await page.evaluate(() => {
      const phone = document.getElementById('lead-phone');
      return {
        product: document.getElementById('lead-product').value,
        phone: phone.value, phoneType: phone.type, required: phone.required, pattern: phone.getAttribute('pattern'),
        placeholder: phone.placeholder,
        attach: document.getElementById('lead-attach').checked,
        submitIsDefault: document.getElementById('lead-form').querySelector('[type=submit]')?.id,
        message: document.getElementById('lead-msg').textContent,
      };
    });
    assert.deepEqual(form, {
      product: 'Tư vấn nâng cấp & bản quyền Windows 11 Pro',
      phone: '', phoneType: 'tel', required: true, pattern: null, placeholder: 'Ví dụ: 0987 654 321',
      attach: true, submitIsDefault: 'btn-submit-lead', message: '',
    });
  });

  test('toast is transparent and lets the pointer through', async () => {
    const toast = await page.$eval('#toast', (el) => {
      const s = getComputedStyle(el);
      return { text: el.textContent, opacity: s.opacity, pointerEvents: s.pointerEvents, position: s.position };
    });
    assert.deepEqual(toast, { text: '', opacity: '0', pointerEvents: 'none', position: 'fixed' });
  });

  test('the hidden attribute beats the result box\'s inline flex display', async () => {
    const box = await page.$eval('#result-box', (el) => {
      const hidden = { inline: el.style.display, computed: getComputedStyle(el).display };
      el.hidden = false;
      const shown = { computed: getComputedStyle(el).display, direction: getComputedStyle(el).flexDirection };
      el.hidden = true;
      return { hidden, shown };
    });
    assert.deepEqual(box, { hidden: { inline: 'flex', computed: 'none' }, shown: { computed: 'flex', direction: 'column' } });
  });

  test('a disabled submit button is dimmed with the not-allowed cursor', async () => {
    const look = await page.$eval('#btn-submit-lead', (el) => {
      el.disabled = true;
      const s = getComputedStyle(el);
      const result = { opacity: s.opacity, cursor: s.cursor };
      el.disabled = false;
      return result;
    });
    assert.deepEqual(look, { opacity: '0.6', cursor: 'not-allowed' });
  });
});

// Left edges of the product cards: one distinct value per column.
async function cardColumns(page) {
  const lefts = await page.$$eval('#suggest-grid .prod-card', (cards) => cards.map((c) => c.getBoundingClientRect().left));
  return new Set(lefts.map(Math.round)).size;
}

describe('product cards', () => {
  for (const [width, columns] of [[520, 1], [600, 1], [601, 2], [840, 2]]) {
    test(`${columns} per line at ${width} px`, async () => {
      const page = await browser.open({ width, height: 660 });
      await showReport(page, readReport('report-needs-bios.json'));
      assert.equal(await page.$$eval('#suggest-grid .prod-card', (cards) => cards.length), 4);
      assert.equal(await cardColumns(page), columns);
      await page.close();
    });
  }

  test('action rows sit at the bottom of cards of unequal text', async () => {
    const page = await browser.open({ width: 840, height: 660 });
    await showReport(page, readReport('report-needs-bios.json'));
    const bottoms = await page.$$eval('#suggest-grid .prod-card', (cards) => cards.map((c) => {
      const card = c.getBoundingClientRect();
      const actions = c.querySelector('.prod-actions').getBoundingClientRect();
      return Math.round(card.bottom - actions.bottom);
    }));
    assert.deepEqual(bottoms, [13, 13, 13, 13]);  // 12 px padding and the 1 px border
    await page.close();
  });
});

describe('narrow window (520 px)', () => {
  let page;
  before(async () => {
    page = await browser.open({ width: 520, height: 500 });
    await showReport(page, readReport('report-not-ready.json'));
  });
  after(async () => { await page.close(); });

  test('tab labels, pills and status pills stay on one line', async () => {
    for (const selector of ['.tab-btn', '.pill', '.status-pill']) {
      const wrapped = (await lineCount(page, selector)).filter((e) => e.lines !== 1);
      assert.deepEqual(wrapped, [], selector);
    }
  });

  test('the footer breaks between its parts only', async () => {
    const parts = await lineCount(page, '.footer > span');
    assert.deepEqual(parts.map((p) => p.lines), [1, 1, 1]);
  });

  test('tab labels fit inside their buttons', async () => {
    const overflowing = await page.$$eval('.tab-btn', (buttons) =>
      buttons.filter((b) => b.scrollWidth > b.clientWidth).map((b) => b.textContent));
    assert.deepEqual(overflowing, []);
  });

  test('the header badges wrap below the brand group', async () => {
    const [brand, badges] = await Promise.all(['.brand', '.brand-badges'].map((s) =>
      page.$eval(s, (el) => el.getBoundingClientRect().toJSON())));
    assert.ok(badges.top >= brand.bottom, `badges at ${badges.top}, brand ends at ${brand.bottom}`);
  });

  test('nothing is wider than the window', async () => {
    const widths = await page.evaluate(() => [document.documentElement.scrollWidth, window.innerWidth]);
    assert.equal(widths[0], widths[1]);
  });

  test('a very long detected value breaks inside words and the status pill keeps its width', async () => {
    const result = await page.evaluate(() => {
      const row = document.querySelector('#check-list .check-row');
      const pill = row.querySelector('.status-pill');
      const before = pill.getBoundingClientRect().width;
      row.querySelector('.check-detected').textContent = 'X'.repeat(400);
      const detected = row.querySelector('.check-detected').getBoundingClientRect();
      return {
        rowFits: row.scrollWidth <= row.clientWidth,
        detectedInside: detected.right <= pill.getBoundingClientRect().left,
        lines: Math.round(detected.height / parseFloat(getComputedStyle(row.querySelector('.check-detected')).lineHeight)),
        pillSame: pill.getBoundingClientRect().width === before,
      };
    });
    assert.equal(result.rowFits, true);
    assert.equal(result.detectedInside, true);
    assert.ok(result.lines > 1, `${result.lines} lines`);
    assert.equal(result.pillSame, true);
  });
});

describe('screenshots', () => {
  before(() => mkdirSync(SCREENSHOT_DIR, { recursive: true }));

  const shots = [
    ['scan-840x660', 840, 660, 'report-needs-bios.json', 'scan'],
    ['scan-520x500', 520, 500, 'report-not-ready.json', 'scan'],
    ['scan-ready-840x660', 840, 660, 'report-ready.json', 'scan'],
    ['scan-ready-520x500', 520, 500, 'report-ready.json', 'scan'],
    ['scan-needs-bios-520x500', 520, 500, 'report-needs-bios.json', 'scan'],
    ['scan-not-ready-840x660', 840, 660, 'report-not-ready.json', 'scan'],
    ['scan-failure-840x660', 840, 660, 'failure-report.json', 'scan'],
    ['scan-failure-520x500', 520, 500, 'failure-report.json', 'scan'],
    ['loading-840x660', 840, 660, null, 'scan'],
    ['bios-840x660', 840, 660, null, 'bios'],
    ['upgrade-520x500', 520, 500, null, 'upgrade'],
    ['upgrade-840x660', 840, 660, null, 'upgrade'],
  ];
  for (const [name, width, height, report, tab] of shots) {
    test(name, async () => {
      const page = await browser.open({ width, height });
      if (report) await showReport(page, readReport(report));
      await page.click(`.tab-btn[data-tab="${tab}"]`);
      await page.evaluate(() => Promise.all(document.getAnimations().map((a) => a.finished)));
      await page.screenshot({ path: join(SCREENSHOT_DIR, `${name}.png`) });
      await page.screenshot({ path: join(SCREENSHOT_DIR, `${name}-full.png`), fullPage: true });
      assert.deepEqual(browser.outside, []);
      await page.close();
    });
  }
});
