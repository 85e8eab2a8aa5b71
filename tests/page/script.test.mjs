// The page's script in headless chromium, against a stub window.ipc that records each posted text
// and answers through window.__bqCallback with report texts from tests/data: requests and their
// ids, rendering, escaping, the text summary, copy and share, the consultation form, tabs and toasts.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { ROOT, posted, readReport, reply, reportText, requests, showReport, startBrowser, vendor } from './harness.mjs';

const VENDOR = vendor();
const PRICE_LIST = `https://${VENDOR.webHost}/windows`;
const CHAT = `https://zalo.me/${VENDOR.phoneDigits}`;
const DEFAULT_INTEREST = 'Tư vấn nâng cấp & bản quyền Windows 11 Pro';
const NOT_SENT = `Chưa gửi được yêu cầu. Vui lòng nhắn Zalo ${VENDOR.phoneDisplay}.`;
const COPIED = 'Đã copy báo cáo phần cứng! Bạn có thể dán gửi Zalo.';
const NO_CLIPBOARD = 'Không truy cập được Clipboard.';
const TITLE_WIN11 = 'Gợi ý Windows 11 Pro & Office chính hãng phù hợp máy bạn';
const TITLE_WIN10 = 'Gợi ý Windows 10 & Office chính hãng tối ưu cho cấu hình máy bạn';
const SOFT = 'rgb(74, 82, 92)';
const GREEN = 'rgb(8, 120, 62)';
const RED = 'rgb(200, 30, 30)';

const FIXTURES = ['report-ready.json', 'report-needs-bios.json', 'report-not-ready.json', 'failure-report.json'];

let browser;
before(async () => { browser = await startBrowser(); });
after(async () => {
  assert.deepEqual(browser.outside, []);
  await browser?.close();
});

async function withPage(body, options = {}) {
  const page = await browser.open({ width: 840, height: 660, ...options });
  try {
    await body(page);
  } finally {
    await page.close();
  }
}

// A fixture report with some fields replaced.
const modified = (name, changes) => ({ ...readReport(name), ...changes });

const shown = (page, selector) => page.$eval(selector, (el) => getComputedStyle(el).display !== 'none');

// What the scan panel shows, read from the page.
function scanPanel(page) {
  return page.evaluate(() => {
    const $ = (id) => document.getElementById(id);
    const classes = (el) => el.className;
    return {
      loading: !$('loading-box').hidden,
      result: !$('result-box').hidden,
      admin: [$('badge-admin').textContent, classes($('badge-admin'))],
      verdict: classes($('verdict-card')),
      badge: $('verdict-badge').textContent,
      headline: $('verdict-headline').textContent,
      advice: $('verdict-advice').textContent,
      chips: [...$('score-chips').children].map((c) => [c.className, c.textContent]),
      device: $('device-name').textContent,
      os: $('current-os').textContent,
      rows: [...$('check-list').children].map((row) => ({
        className: row.className,
        title: row.querySelector('.check-title').textContent,
        requirement: row.querySelector('.check-req').textContent,
        detected: row.querySelector('.check-detected').textContent,
        detail: row.querySelector('.check-detail').textContent,
        pill: [row.querySelector('.status-pill').className, row.querySelector('.status-pill').textContent],
      })),
      suggest: !$('suggest-box').hidden,
      title: $('suggest-title').textContent,
      cards: [...$('suggest-grid').children].map((card) => ({
        className: card.className,
        group: [card.querySelector('.prod-group').className, card.querySelector('.prod-group').textContent],
        badge: card.querySelector('.prod-badge').textContent,
        name: card.querySelector('.prod-name').textContent,
        price: card.querySelector('.prod-price').textContent,
        reason: card.querySelector('.prod-reason').textContent,
        buttons: [...card.querySelectorAll('.prod-actions > button')].map((b) => [b.className, b.textContent]),
        openUrl: card.querySelector('[data-open-url]').dataset.openUrl,
        consult: card.querySelector('[data-consult-prod]').dataset.consultProd,
      })),
    };
  });
}

const leadMessage = (page) => page.evaluate(() => {
  const msg = document.getElementById('lead-msg');
  return { text: msg.textContent, color: getComputedStyle(msg).color, disabled: document.getElementById('btn-submit-lead').disabled };
});

const toast = (page) => page.$eval('#toast', (el) => ({ text: el.textContent, show: el.classList.contains('show') }));

describe('requests', () => {
  test('the page asks for a scan at once, with id 1 and an empty payload, and shows the loading box', async () => {
    await withPage(async (page) => {
      assert.deepEqual(await posted(page), ['{"id":1,"action":"scan_hardware","payload":{}}']);
      assert.equal(await shown(page, '#loading-box'), true);
      assert.equal(await shown(page, '#result-box'), false);
    });
  });

  test('every page load starts again at 1', async () => {
    await withPage(async (first) => {
      await first.click('.tab-btn[data-tab="upgrade"]');
      await first.click('#btn-open-zalo');
      await withPage(async (second) => {
        assert.deepEqual((await requests(second)).map((r) => r.id), [1]);
      });
      assert.deepEqual((await requests(first)).map((r) => r.id), [1, 2]);
    });
  });

  test('"Quét lại máy" scans again with the next id, leaving the pill and the tab as they are', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('report-ready.json'));
      await page.click('#btn-rescan');
      assert.deepEqual((await posted(page))[1], '{"id":2,"action":"scan_hardware","payload":{}}');
      const during = await scanPanel(page);
      assert.equal(during.loading, true);
      assert.equal(during.result, false);
      assert.deepEqual(during.admin, ['Quyền Administrator', 'pill admin']);
      assert.deepEqual(await page.$$eval('.tab-btn.active', (b) => b.map((x) => x.dataset.tab)), ['scan']);
      await reply(page, 2, reportText('report-not-ready.json'));
      const rendered = await scanPanel(page);
      assert.equal(rendered.loading, false);
      assert.equal(rendered.result, true);
      assert.equal(rendered.verdict, 'verdict error');
    });
  });

  test('link buttons send open_url with the link as the only payload key', async () => {
    await withPage(async (page) => {
      const report = readReport('report-needs-bios.json');
      await showReport(page, report);
      await page.click('#btn-open-web');
      for (const card of await page.$$('#suggest-grid .prod-card')) await (await card.$('button.btn:not(.green)')).click();
      await page.click('.tab-btn[data-tab="upgrade"]');
      await page.click('#btn-open-win11');
      await page.click('#btn-open-zalo');
      const links = [report.shareUrl, ...report.recommendedProducts.map((p) => p.url), PRICE_LIST, CHAT];
      assert.deepEqual((await posted(page)).slice(1),
                       links.map((url, i) => JSON.stringify({ id: i + 2, action: 'open_url', payload: { url } })));
      assert.equal(PRICE_LIST, `https://${VENDOR.webHost}/windows`);
    });
  });

  test('a reply for an id that is not pending changes nothing', async () => {
    await withPage(async (page) => {
      await reply(page, 7, reportText('report-ready.json'));
      await reply(page, 0, reportText('report-ready.json'));
      assert.equal((await scanPanel(page)).loading, true);
      await reply(page, 1, reportText('report-needs-bios.json'));
      const rendered = await scanPanel(page);
      await reply(page, 1, reportText('report-not-ready.json'));  // answered already
      await reply(page, 2, reportText('report-not-ready.json'));  // never asked
      assert.deepEqual(await scanPanel(page), rendered);
      assert.equal(rendered.verdict, 'verdict warning');
    });
  });

  test('replies arrive in any order and are matched by id alone', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('report-ready.json'));
      await page.click('#btn-rescan');                          // id 2
      await page.click('.tab-btn[data-tab="upgrade"]');
      await page.fill('#lead-phone', '0987654321');
      await page.click('#btn-submit-lead');                     // id 3
      assert.deepEqual((await requests(page)).map((r) => [r.id, r.action]),
                       [[1, 'scan_hardware'], [2, 'scan_hardware'], [3, 'submit_lead']]);
      await reply(page, 3, '{"displayContact":"0987654321","error":null,"ok":true}');
      assert.equal((await leadMessage(page)).color, GREEN);
      assert.equal((await scanPanel(page)).loading, true);
      await reply(page, 2, reportText('report-not-ready.json'));
      assert.equal((await scanPanel(page)).device, 'LENOVO');
    });
  });

  test('no time-out: unanswered requests stay pending however long it takes', async () => {
    await withPage(async (page) => {
      await page.click('.tab-btn[data-tab="upgrade"]');
      await page.fill('#lead-phone', '0987654321');
      await page.click('#btn-submit-lead');
      await page.clock.runFor(60 * 60 * 1000);
      assert.equal((await scanPanel(page)).loading, true);
      assert.deepEqual(await leadMessage(page), { text: 'Đang gửi yêu cầu…', color: SOFT, disabled: true });
      await reply(page, 1, reportText('report-ready.json'));
      assert.equal((await scanPanel(page)).result, true);
    }, { clock: true });
  });
});

describe('rendering', () => {
  // What each fixture shows beyond its own row and card texts.
  const expected = {
    'report-ready.json': {
      admin: ['Quyền Administrator', 'pill admin'], verdict: 'verdict pass', chips: [['chip pass', 'Đạt: 7']],
      device: 'Dell Inc. Latitude 7490', os: 'Microsoft Windows 11 Pro (Build 22631)', rows: 7, title: TITLE_WIN11,
    },
    'report-needs-bios.json': {
      admin: ['Quyền Administrator', 'pill admin'], verdict: 'verdict warning',
      chips: [['chip pass', 'Đạt: 5'], ['chip warn', 'Cần chỉnh: 2']],
      device: 'HP ProDesk 600 G4', os: 'Microsoft Windows 10 Pro (Build 19045)', rows: 7, title: TITLE_WIN11,
    },
    'report-not-ready.json': {
      admin: ['Quyền chuẩn', 'pill'], verdict: 'verdict error',
      chips: [['chip pass', 'Đạt: 0'], ['chip warn', 'Cần chỉnh: 2'], ['chip fail', 'Chưa đạt: 5']],
      device: 'LENOVO', os: 'Microsoft Windows 10 Home (Build 19045)', rows: 7, title: TITLE_WIN10,
    },
    'failure-report.json': {
      admin: ['Quyền chuẩn', 'pill'], verdict: 'verdict error', chips: [['chip pass', 'Đạt: 0']],
      device: 'Máy tính Windows', os: 'Windows', rows: 0, title: TITLE_WIN10,
    },
  };

  for (const name of FIXTURES) {
    test(name, async () => {
      await withPage(async (page) => {
        await showReport(page, reportText(name));
        const report = readReport(name);
        const panel = await scanPanel(page);
        const want = expected[name];
        assert.equal(panel.loading, false);
        assert.equal(panel.result, true);
        assert.deepEqual(panel.admin, want.admin);
        assert.equal(panel.verdict, want.verdict);
        assert.deepEqual([panel.badge, panel.headline, panel.advice],
                         [report.verdictBadge, report.verdictHeadline, report.verdictAdvice]);
        assert.deepEqual(panel.chips, want.chips);
        assert.equal(panel.device, want.device);
        assert.equal(panel.os, want.os);
        assert.equal(panel.rows.length, want.rows);
        assert.deepEqual(panel.rows, report.checks.map((c) => ({
          className: `check-row ${c.status}`,
          title: `${c.label} · ${c.requirement}`,
          requirement: `· ${c.requirement}`,
          detected: c.detected,
          detail: c.detail,
          pill: [`status-pill ${c.status}`, c.statusLabel],
        })));
        assert.equal(panel.suggest, true);
        assert.equal(panel.title, want.title);
        assert.deepEqual(panel.cards, report.recommendedProducts.map((p) => ({
          className: 'prod-card',
          group: [p.group === 'Office' ? 'prod-group office' : 'prod-group', p.group],
          badge: p.badge, name: p.name, price: p.price, reason: p.reason,
          buttons: [['btn', 'Xem chi tiết'], ['btn green', 'Tư vấn gói này']],
          openUrl: p.url,
          consult: `${p.name} (${p.price})`,
        })));
        assert.deepEqual(panel.cards.map((c) => c.group[1]), ['Windows', 'Windows', 'Office', 'Office']);
        if (report.rawError) {
          assert.equal((await page.textContent('body')).includes(report.rawError), false, 'rawError is never shown');
        }
      });
    });
  }

  test('a product card holds its parts in order', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('report-ready.json'));
      const outline = await page.$eval('#suggest-grid .prod-card', (card) =>
        [...card.children].map((el) => [el.className, [...el.children].map((c) => c.className)]));
      assert.deepEqual(outline, [
        ['prod-top', ['prod-group', 'prod-badge']], ['prod-name', []], ['prod-price', []], ['prod-reason', []],
        ['prod-actions', ['btn', 'btn green']],
      ]);
      const row = await page.$eval('#check-list .check-row', (el) =>
        [...el.children].map((c) => [c.tagName, c.className, [...c.children].map((x) => x.className)]));
      assert.deepEqual(row, [['DIV', '', ['check-title', 'check-detected', 'check-detail']], ['SPAN', 'status-pill pass', []]]);
    });
  });

  const cases = [
    ['no warnings or failures and no passes: the single chip "Đạt: 0"',
      { passCount: 0, warnCount: 0, failCount: 0 }, (p) => assert.deepEqual(p.chips, [['chip pass', 'Đạt: 0']])],
    ['failures only: no warn chip', { passCount: 6, warnCount: 0, failCount: 1 },
      (p) => assert.deepEqual(p.chips, [['chip pass', 'Đạt: 6'], ['chip fail', 'Chưa đạt: 1']])],
    ['an empty device name shows "—"', { deviceName: '' }, (p) => assert.equal(p.device, '—')],
    ['a missing device name shows "—"', { deviceName: undefined }, (p) => assert.equal(p.device, '—')],
    ['an empty build leaves the build part out', { osBuild: '' },
      (p) => assert.equal(p.os, 'Microsoft Windows 11 Pro')],
    ['a missing tone gives the warning look', { verdictTone: undefined }, (p) => assert.equal(p.verdict, 'verdict warning')],
    ['an empty tone gives the warning look', { verdictTone: '' }, (p) => assert.equal(p.verdict, 'verdict warning')],
    ['missing verdict texts are empty', { verdictBadge: undefined, verdictHeadline: null, verdictAdvice: undefined },
      (p) => assert.deepEqual([p.badge, p.headline, p.advice], ['', '', ''])],
    ['isAdmin other than true is the standard pill', { isAdmin: 'true' },
      (p) => assert.deepEqual(p.admin, ['Quyền chuẩn', 'pill'])],
    ['missing checks give no rows', { checks: undefined }, (p) => assert.deepEqual(p.rows, [])],
    ['an empty product list hides the suggestions', { recommendedProducts: [] }, (p) => assert.equal(p.suggest, false)],
    ['a missing product list hides the suggestions', { recommendedProducts: undefined },
      (p) => assert.equal(p.suggest, false)],
    ['only the exact code "NOT_READY" gives the Windows 10 title', { verdictCode: 'not_ready' },
      (p) => assert.equal(p.title, TITLE_WIN11)],
    ['the Windows 10 title whatever the products', { verdictCode: 'NOT_READY' },
      (p) => assert.equal(p.title, TITLE_WIN10)],
  ];
  for (const [name, changes, check] of cases) {
    test(name, async () => {
      await withPage(async (page) => {
        await showReport(page, modified('report-ready.json', changes));
        check(await scanPanel(page));
      });
    });
  }

  test('a later report replaces rows, chips and cards, and an empty list hides the box again', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('report-not-ready.json'));
      await page.click('#btn-rescan');
      await showReport(page, modified('report-ready.json', { checks: [readReport('report-ready.json').checks[0]],
                                                             recommendedProducts: [] }));
      const panel = await scanPanel(page);
      assert.deepEqual(panel.chips, [['chip pass', 'Đạt: 7']]);
      assert.equal(panel.rows.length, 1);
      assert.equal(panel.suggest, false);
      assert.deepEqual(panel.admin, ['Quyền Administrator', 'pill admin']);
    });
  });

  test('the office look in any letter case, the default look otherwise', async () => {
    const groups = ['Office', 'office', 'OFFICE', 'oFfIcE', 'Windows', 'Office 365', ' office', ''];
    const product = readReport('report-ready.json').recommendedProducts[0];
    await withPage(async (page) => {
      await showReport(page, modified('report-ready.json', { recommendedProducts: groups.map((group) => ({ ...product, group })) }));
      assert.deepEqual((await scanPanel(page)).cards.map((c) => c.group), [
        ['prod-group office', 'Office'], ['prod-group office', 'office'], ['prod-group office', 'OFFICE'],
        ['prod-group office', 'oFfIcE'], ['prod-group', 'Windows'], ['prod-group', 'Office 365'],
        ['prod-group', ' office'], ['prod-group', ''],
      ]);
    });
  });
});

describe('escaping', () => {
  test('escapeHtml', async () => {
    await withPage(async (page) => {
      const cases = [
        [null, ''], [undefined, ''], ['', ''], [0, ''], [false, ''], [NaN, ''],
        [12, '12'], [true, 'true'], ['plain', 'plain'],
        ['&<>"\'', '&amp;&lt;&gt;&quot;\''],
        ['&lt;', '&amp;lt;'], ['<&>', '&lt;&amp;&gt;'], ['"a" & "b"', '&quot;a&quot; &amp; &quot;b&quot;'],
        ['Ổ cứng & Phân vùng', 'Ổ cứng &amp; Phân vùng'],
      ];
      const got = await page.evaluate((inputs) => inputs.map((v) => escapeHtml(v)), cases.map(([v]) => v));
      assert.deepEqual(got, cases.map(([, want]) => want));
    });
  });

  // Report texts that would be markup if inserted unescaped.
  const hostile = (what) => `<b>${what}</b> & "quoted" 'single' &amp; &lt;i&gt; <img src=x onerror="window.__injected=1">`;

  test('report texts holding < > & " show literally in rows and cards', async () => {
    await withPage(async (page) => {
      const base = readReport('report-ready.json');
      const link = 'https://example.invalid/a?b=1&c="2"<3>\'4\'';
      const report = {
        ...base,
        checks: [{ ...base.checks[0], label: hostile('label'), requirement: hostile('req'), detected: hostile('detected'),
                   detail: hostile('detail'), statusLabel: hostile('status') }],
        recommendedProducts: [{ ...base.recommendedProducts[0], group: hostile('group'), badge: hostile('badge'),
                                name: hostile('name'), price: hostile('price'), reason: hostile('reason'), url: link }],
        verdictHeadline: hostile('headline'), deviceName: hostile('device'), currentOs: hostile('os'),
      };
      await showReport(page, report);
      const panel = await scanPanel(page);
      assert.deepEqual(panel.rows[0], {
        className: 'check-row pass',
        title: `${hostile('label')} · ${hostile('req')}`, requirement: `· ${hostile('req')}`,
        detected: hostile('detected'), detail: hostile('detail'), pill: ['status-pill pass', hostile('status')],
      });
      const card = panel.cards[0];
      assert.deepEqual([card.group[1], card.badge, card.name, card.price, card.reason],
                       ['group', 'badge', 'name', 'price', 'reason'].map(hostile));
      assert.equal(card.openUrl, link);
      assert.equal(card.consult, `${hostile('name')} (${hostile('price')})`);
      assert.deepEqual([panel.headline, panel.device, panel.os], [hostile('headline'), hostile('device'), `${hostile('os')} (Build ${base.osBuild})`]);
      const injected = await page.evaluate(() => ({
        elements: document.querySelectorAll('#result-box b:not(.device-strip b), #result-box img, #result-box i').length,
        ran: window.__injected,
      }));
      assert.deepEqual(injected, { elements: 0, ran: undefined });

      // The attributes read back as the plain texts.
      await page.click('#suggest-grid [data-open-url]');
      assert.deepEqual((await requests(page)).at(-1), { id: 2, action: 'open_url', payload: { url: link } });
      await page.click('#suggest-grid [data-consult-prod]');
      assert.equal(await page.inputValue('#lead-product'), `${hostile('name')} (${hostile('price')})`);
    });
  });

  test('a status cannot add attributes to its row', async () => {
    await withPage(async (page) => {
      const base = readReport('report-ready.json');
      await showReport(page, { ...base, checks: [{ ...base.checks[0], status: 'fail" data-injected="1' }] });
      assert.equal(await page.$$eval('[data-injected]', (els) => els.length), 0);
    });
  });
});

describe('summary', () => {
  // The summary of report-needs-bios.json, written out by hand; the program's own run checks it too.
  const NEEDS_BIOS_SUMMARY = readFileSync(join(ROOT, 'tests/data/summary-needs-bios.txt'), 'utf8');

  async function copied(page) {
    await page.click('#btn-copy');
    await page.waitForFunction(() => document.getElementById('toast').classList.contains('show'));
    return page.evaluate(() => [...window.__clipboard]);
  }

  test('"Copy báo cáo gửi Zalo" writes the summary byte for byte and says so', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('report-needs-bios.json'));
      assert.deepEqual(await copied(page), [NEEDS_BIOS_SUMMARY]);
      assert.deepEqual(await toast(page), { text: COPIED, show: true });
      assert.deepEqual(await posted(page), ['{"id":1,"action":"scan_hardware","payload":{}}']);
    });
  });

  test('after a failed scan the summary is the four header lines and a line feed', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('failure-report.json'));
      assert.deepEqual(await copied(page), [[
        '=== BÁO CÁO KIỂM TRA WINDOWS 11 PRO (Brindle Quay) ===',
        'Kết luận: LỖI ĐỌC THÔNG SỐ — Chưa đọc được đầy đủ thông số phần cứng',
        'Thiết bị: Máy tính Windows',
        'Hệ điều hành: Windows',
        '',
      ].join('\n')]);
    });
  });

  test('markers by status, texts as given: unescaped, untrimmed, no requirement or detail', async () => {
    await withPage(async (page) => {
      const row = (status, label) => ({ id: 'x', status, label, detected: ' <d> & "q" ', statusLabel: `${status} `,
                                        requirement: 'REQ', detail: 'DETAIL' });
      const report = modified('report-ready.json', {
        verdictBadge: 'A&B', verdictHeadline: '<h>', deviceName: '', currentOs: 'OS', osBuild: '',
        checks: [row('pass', 'P'), row('warn', 'W'), row('fail', 'F'), row('PASS', 'U'), row('', 'E')],
      });
      const summary = await page.evaluate((r) => buildTextSummary(r), report);
      assert.equal(summary, [
        '=== BÁO CÁO KIỂM TRA WINDOWS 11 PRO (Brindle Quay) ===',
        'Kết luận: A&B — <h>',
        'Thiết bị: ',
        'Hệ điều hành: OS',
        '',
        '[ĐẠT] P:  <d> & "q"  (pass )',
        '[CẦN XỬ LÝ] W:  <d> & "q"  (warn )',
        '[CHƯA ĐẠT] F:  <d> & "q"  (fail )',
        '[CHƯA ĐẠT] U:  <d> & "q"  (PASS )',
        '[CHƯA ĐẠT] E:  <d> & "q"  ( )',
      ].join('\n'));
      await showReport(page, report);
      assert.deepEqual(await copied(page), [summary]);
    });
  });

  test('a refused clipboard write is reported', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('report-ready.json'));
      await page.evaluate(() => { window.__clipboardRefuses = true; });
      assert.deepEqual(await copied(page), []);
      assert.deepEqual(await toast(page), { text: NO_CLIPBOARD, show: true });
    });
  });

  test('a page without a clipboard reports it like a refused write', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('report-ready.json'));
      await page.evaluate(() => { delete navigator.clipboard; });
      await page.click('#btn-copy');
      await page.waitForFunction(() => document.getElementById('toast').classList.contains('show'));
      assert.deepEqual(await toast(page), { text: NO_CLIPBOARD, show: true });
    });
  });

  test('copy and share before the first report do nothing', async () => {
    await withPage(async (page) => {
      await page.evaluate(() => {
        document.getElementById('btn-copy').click();
        document.getElementById('btn-open-web').click();
      });
      await page.clock.runFor(5000);
      assert.deepEqual(await toast(page), { text: '', show: false });
      assert.deepEqual(await posted(page), ['{"id":1,"action":"scan_hardware","payload":{}}']);
      assert.deepEqual(await page.evaluate(() => window.__clipboard), []);
    }, { clock: true });
  });

  test('share does nothing for a report without a share link', async () => {
    for (const shareUrl of ['', undefined, null]) {
      await withPage(async (page) => {
        await showReport(page, modified('report-ready.json', { shareUrl }));
        await page.click('#btn-open-web');
        assert.equal((await posted(page)).length, 1, String(shareUrl));
      });
    }
  });

  test('after a failed scan share opens the check page', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('failure-report.json'));
      await page.click('#btn-open-web');
      assert.equal((await posted(page))[1],
                   `{"id":2,"action":"open_url","payload":{"url":"https://${VENDOR.webHost}/kiem-tra-cau-hinh-windows-11"}}`);
    });
  });
});

describe('consultation form', () => {
  async function openForm(page) {
    await page.click('.tab-btn[data-tab="upgrade"]');
  }
  const lastRequest = async (page) => (await posted(page)).at(-1);

  test('before any report: the exact request, the disabled button and the sending text', async () => {
    await withPage(async (page) => {
      await openForm(page);
      await page.fill('#lead-phone', ' \t0987 654 321\u00a0 ');
      await page.click('#btn-submit-lead');
      assert.equal(await lastRequest(page), '{"id":2,"action":"submit_lead","payload":{"phone":"0987 654 321",' +
        '"productInterest":"Tư vấn nâng cấp & bản quyền Windows 11 Pro","includeScanNote":true,"scanNote":""}}');
      assert.deepEqual(await leadMessage(page), { text: 'Đang gửi yêu cầu…', color: SOFT, disabled: true });
      assert.equal(page.url(), 'about:blank');

      await reply(page, 2, '{"displayContact":"0987 654 321","error":null,"ok":true}');
      assert.deepEqual(await leadMessage(page), {
        text: 'Đã gửi thành công! Kỹ thuật Brindle Quay sẽ liên hệ Zalo 0987 654 321 trong ít phút.', color: GREEN,
        disabled: false,
      });
      // The fields keep what was typed.
      assert.equal(await page.inputValue('#lead-phone'), ' \t0987 654 321\u00a0 ');
      assert.equal(await page.inputValue('#lead-product'), DEFAULT_INTEREST);
    });
  });

  test('after a report: the summary goes out whatever the checkbox says', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('report-needs-bios.json'));
      const summary = await page.evaluate(() => buildTextSummary(lastReport));
      await openForm(page);
      await page.fill('#lead-product', '  Office 2024 Home & Business ESD (3.500.000đ)\n ');
      await page.fill('#lead-phone', '0987654321');
      await page.uncheck('#lead-attach');
      await page.click('#btn-submit-lead');
      assert.equal(await lastRequest(page), JSON.stringify({ id: 2, action: 'submit_lead', payload: {
        phone: '0987654321', productInterest: 'Office 2024 Home & Business ESD (3.500.000đ)', includeScanNote: false,
        scanNote: summary } }));
      assert.ok(summary.startsWith('=== BÁO CÁO'));
    });
  });

  test('sent during a rescan it carries the previous report\'s summary', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('report-ready.json'));
      const summary = await page.evaluate(() => buildTextSummary(lastReport));
      await page.click('#btn-rescan');
      await openForm(page);
      await page.fill('#lead-phone', '0987654321');
      await page.click('#btn-submit-lead');
      const request = (await requests(page)).at(-1);
      assert.deepEqual([request.id, request.payload.includeScanNote, request.payload.scanNote], [3, true, summary]);
    });
  });

  test('an emptied or blank product field sends the default interest', async () => {
    for (const product of ['', '   ', '\u3000\u2028']) {
      await withPage(async (page) => {
        await openForm(page);
        await page.fill('#lead-product', product);
        await page.fill('#lead-phone', '0987654321');
        await page.click('#btn-submit-lead');
        assert.equal((await requests(page)).at(-1).payload.productInterest, DEFAULT_INTEREST, JSON.stringify(product));
      });
    }
  });

  test('an empty phone field does not submit; one of blanks does, as the empty text, and shows the error in red', async () => {
    await withPage(async (page) => {
      await openForm(page);
      await page.click('#btn-submit-lead');
      assert.equal((await posted(page)).length, 1);
      await page.fill('#lead-phone', '   ');
      await page.click('#btn-submit-lead');
      const request = (await requests(page)).at(-1);
      assert.deepEqual([request.action, request.payload.phone], ['submit_lead', '']);
      const phoneCheck = 'Vui lòng nhập đúng số điện thoại Zalo hợp lệ (10 số).';
      await reply(page, request.id, JSON.stringify({ displayContact: null, error: phoneCheck, ok: false }));
      assert.deepEqual(await leadMessage(page), { text: phoneCheck, color: RED, disabled: false });
    });
  });

  const outcomes = [
    ['success with its contact', '{"displayContact":"Zalo 0987","error":null,"ok":true}', 'Zalo 0987', GREEN],
    ['success without a contact', '{"displayContact":null,"error":null,"ok":true}', 'PHONE', GREEN],
    ['success with an empty contact', '{"displayContact":"","error":null,"ok":true}', 'PHONE', GREEN],
    ['success with no contact key', '{"ok":true}', 'PHONE', GREEN],
    ['the native side\'s error', `{"displayContact":null,"error":"Không kết nối được mạng tới BrindleQuay. Bạn có thể nhắn trực tiếp Zalo ${VENDOR.phoneDisplay}.","ok":false}`,
      `Không kết nối được mạng tới BrindleQuay. Bạn có thể nhắn trực tiếp Zalo ${VENDOR.phoneDisplay}.`, RED],
    ['an error text holding markup, as text', '{"error":"<b>x</b> & y","ok":false}', '<b>x</b> & y', RED],
    ['an empty error', '{"displayContact":null,"error":"","ok":false}', NOT_SENT, RED],
    ['an error that is not text', '{"error":42,"ok":false}', NOT_SENT, RED],
    ['ok that is not the boolean true', '{"displayContact":"x","ok":"true"}', NOT_SENT, RED],
    ['an empty object', '{}', NOT_SENT, RED],
    ['null', 'null', NOT_SENT, RED],
    ['an array', '[]', NOT_SENT, RED],
    ['a text', '"ok"', NOT_SENT, RED],
    ['a number', '1', NOT_SENT, RED],
  ];
  for (const [name, answer, shows, color] of outcomes) {
    test(`reply: ${name}`, async () => {
      await withPage(async (page) => {
        await openForm(page);
        await page.fill('#lead-phone', '  0912 000 111 ');
        await page.click('#btn-submit-lead');
        await reply(page, 2, answer);
        const text = color === GREEN
          ? `Đã gửi thành công! Kỹ thuật Brindle Quay sẽ liên hệ Zalo ${shows === 'PHONE' ? '0912 000 111' : shows} trong ít phút.`
          : shows;
        assert.deepEqual(await leadMessage(page), { text, color, disabled: false });
      });
    });
  }

  test('while sending, Enter does not submit again; after the reply a new submit starts over', async () => {
    await withPage(async (page) => {
      await openForm(page);
      await page.fill('#lead-phone', '0987654321');
      await page.press('#lead-phone', 'Enter');
      assert.equal((await posted(page)).length, 2);
      await page.press('#lead-phone', 'Enter');
      await page.press('#lead-product', 'Enter');
      assert.equal((await posted(page)).length, 2);
      await reply(page, 2, '{"displayContact":null,"error":"lỗi","ok":false}');
      assert.deepEqual(await leadMessage(page), { text: 'lỗi', color: RED, disabled: false });
      await page.press('#lead-phone', 'Enter');
      assert.deepEqual((await requests(page)).map((r) => r.id), [1, 2, 3]);
      assert.deepEqual(await leadMessage(page), { text: 'Đang gửi yêu cầu…', color: SOFT, disabled: true });
    });
  });
});

describe('tabs', () => {
  const tabState = (page) => page.evaluate(() => ({
    active: [...document.querySelectorAll('.tab-btn')].filter((b) => b.classList.contains('active')).map((b) => b.dataset.tab),
    shown: ['scan', 'bios', 'upgrade'].filter((t) => !document.getElementById('panel-' + t).hidden),
  }));

  test('each tab button shows its own panel', async () => {
    await withPage(async (page) => {
      for (const tab of ['bios', 'upgrade', 'scan', 'scan', 'upgrade', 'bios']) {
        await page.click(`.tab-btn[data-tab="${tab}"]`);
        assert.deepEqual(await tabState(page), { active: [tab], shown: [tab] });
      }
    });
  });

  test('"Tư vấn Win 11 Pro" opens the upgrade tab', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('report-ready.json'));
      await page.click('#btn-goto-upgrade');
      assert.deepEqual(await tabState(page), { active: ['upgrade'], shown: ['upgrade'] });
    });
  });

  test('"Tư vấn gói này" fills the product field, opens the upgrade tab and focuses the phone field', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('report-needs-bios.json'));
      const cards = await page.$$('#suggest-grid .prod-card');
      await (await cards[2].$('button.green')).click();
      assert.deepEqual(await tabState(page), { active: ['upgrade'], shown: ['upgrade'] });
      assert.equal(await page.inputValue('#lead-product'), 'Office 2024 Home & Business ESD (3.500.000đ)');
      assert.equal(await page.evaluate(() => document.activeElement.id), 'lead-phone');
      await page.fill('#lead-product', 'typed over');
      await page.click('.tab-btn[data-tab="scan"]');
      await (await cards[0].$('button.green')).click();
      assert.equal(await page.inputValue('#lead-product'), 'Windows 11 Pro Online Download (FQC-10572) (1.160.000đ)');
    });
  });

  test('switching tabs leaves a running scan and the form as they are', async () => {
    await withPage(async (page) => {
      await page.click('.tab-btn[data-tab="upgrade"]');
      await page.fill('#lead-phone', '0987');
      await page.uncheck('#lead-attach');
      await page.click('.tab-btn[data-tab="bios"]');
      await page.click('.tab-btn[data-tab="scan"]');
      assert.equal((await scanPanel(page)).loading, true);
      await page.click('.tab-btn[data-tab="upgrade"]');
      assert.deepEqual([await page.inputValue('#lead-phone'), await page.isChecked('#lead-attach')], ['0987', false]);
      await reply(page, 1, reportText('report-ready.json'));
      assert.deepEqual(await tabState(page), { active: ['upgrade'], shown: ['upgrade'] });
      assert.equal((await scanPanel(page)).result, true);
    });
  });

  test('a missing panel is skipped', async () => {
    await withPage(async (page) => {
      await page.evaluate(() => { document.getElementById('panel-bios').remove(); switchTab('upgrade'); });
      const state = await page.evaluate(() => ({
        active: [...document.querySelectorAll('.tab-btn.active')].map((b) => b.dataset.tab),
        scan: document.getElementById('panel-scan').hidden, upgrade: document.getElementById('panel-upgrade').hidden,
      }));
      assert.deepEqual(state, { active: ['upgrade'], scan: true, upgrade: false });
    });
  });
});

describe('toast', () => {
  test('shows for 2,600 ms', async () => {
    await withPage(async (page) => {
      await page.evaluate(() => showToast('một'));
      assert.deepEqual(await toast(page), { text: 'một', show: true });
      await page.clock.runFor(2599);
      assert.equal((await toast(page)).show, true);
      await page.clock.runFor(1);
      assert.deepEqual(await toast(page), { text: 'một', show: false });
    }, { clock: true });
  });

  test('two toasts 1 s apart: the second disappears 1.6 s after it appeared', async () => {
    await withPage(async (page) => {
      await page.evaluate(() => showToast('một'));
      await page.clock.runFor(1000);
      await page.evaluate(() => showToast('hai'));
      assert.deepEqual(await toast(page), { text: 'hai', show: true });
      await page.clock.runFor(1599);
      assert.equal((await toast(page)).show, true);
      await page.clock.runFor(1);
      assert.deepEqual(await toast(page), { text: 'hai', show: false });
      await page.clock.runFor(2000);  // the second timer finds it hidden already
      assert.deepEqual(await toast(page), { text: 'hai', show: false });
    }, { clock: true });
  });

  test('the copy toast fades in and out with the style', async () => {
    await withPage(async (page) => {
      await showReport(page, reportText('report-ready.json'));
      await page.click('#btn-copy');
      await page.waitForFunction(() => document.getElementById('toast').classList.contains('show'));
      await page.evaluate(() => Promise.all(document.getAnimations().map((a) => a.finished)));
      assert.equal(await page.$eval('#toast', (el) => getComputedStyle(el).opacity), '1');
      await page.clock.runFor(2600 + 200);
      await page.evaluate(() => Promise.all(document.getAnimations().map((a) => a.finished)));
      assert.equal(await page.$eval('#toast', (el) => getComputedStyle(el).opacity), '0');
    }, { clock: true });
  });
});
