// The search page in headless Chromium, served with tarvocgi by a real web
// server on loopback: type a query, submit, read the result links or messages;
// the request it sends in UTF-8 and in Windows-1252, pages of 50, marked
// words, labels in the chosen language, and screenshots at phone and desktop
// widths (written into the build tree).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';
import { binDir, indexDocuments, indexProject, indexSampleSite, kDocuments, makeSite, writeSearchPage } from './lib/fixture.mjs';
import { kMessages } from './lib/page.mjs';
import { serverKinds, startServer } from './lib/servers.mjs';
import { describeWithTools } from './lib/tools.mjs';

const kChromium = '/usr/bin/chromium';
const kTimeoutMs = 90000;
const kServerKind = 'lighttpd';
const kScreenshotDir = process.env.TARVO_WEB_SCREENSHOT_DIR || path.join(binDir, '..', 'web-screenshots');

/// playwright-core, installed from the lockfile by run.sh into a folder of the
/// build tree (TARVO_WEB_NODE_MODULES); null when it is not there.
function loadPlaywright() {
  const folder = process.env.TARVO_WEB_NODE_MODULES;
  if (!folder) return null;
  try {
    return createRequire(path.join(folder, 'package.json'))('playwright-core');
  } catch {
    return null;
  }
}

const playwright = loadPlaywright();
const missing = !fs.existsSync(kChromium) ? 'chromium is not installed'
  : playwright === null ? 'playwright-core is not installed (run tests/web/run.sh)'
    : !fs.existsSync(serverKinds[kServerKind].binary) ? `${kServerKind} is not installed` : false;

/// Windows-1252 title bytes (kept as Latin-1 code points) as the browser shows them.
const shown = (latin1) => new TextDecoder('windows-1252').decode(Buffer.from(latin1, 'latin1'));

/// 120 documents for the pages of results, numbered in file-list order, and
/// one whose title (from the file list) is markup that must stay text.
const kLedgerCount = 120;
const kHostileTitle = '<img src=x onerror="window.injected=1"> Ledger <b>bold</b>';
const kLedgers = [
  ...Array.from({ length: kLedgerCount }, (_, i) => {
    const number = String(i + 1).padStart(3, '0');
    return { file: `ledger${number}.htm`, title: `Ledger report ${number}`, url: `http://site.test/l/${number}.htm`,
      body: 'ledger report accounts' };
  }),
  { file: 'hostile.htm', title: 'x', listTitle: kHostileTitle, url: 'http://site.test/hostile.htm',
    body: 'ledger' },
];

describeWithTools('search page in headless Chromium', missing, { timeout: kTimeoutMs }, () => {
  let site;
  let server;
  let browser;
  let profileDir;
  let page;

  before(async () => {
    site = makeSite();
    indexSampleSite(path.join(site.cgiDir, 'sample'));
    indexDocuments(path.join(site.docRoot, 'ledgers'), path.join(site.cgiDir, 'ledgers'), kLedgers);
    const volume = (name) => ['name="volumeName" value="site"', `name="volumeName" value="${name}"`];
    writeSearchPage(site, 'sample.html', [volume('sample')]);
    writeSearchPage(site, 'ledgers.html', [volume('ledgers')]);
    writeSearchPage(site, 'search-1252.html', [['data-charset="utf-8"', 'data-charset="windows-1252"']]);
    for (const [project, name] of [['world.tarvo', 'world'], ['central.tarvo', 'central']]) {
      indexProject(project, path.join(site.cgiDir, name));
      writeSearchPage(site, `${name}.html`, [volume(name)]);
    }
    server = await startServer(kServerKind, site);
    profileDir = fs.mkdtempSync(path.join(os.tmpdir(), 'tarvo-chromium-'));
    browser = await playwright.chromium.launchPersistentContext(profileDir, {
      executablePath: kChromium,
      headless: true,
      timeout: 30000,
      args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
        '--disable-sync', '--no-first-run'],
    });
    page = await browser.newPage();
    page.setDefaultTimeout(15000);
  });

  after(async () => {
    if (browser) await browser.close();
    if (server) await server.stop();
    if (site) site.remove();
    if (profileDir) fs.rmSync(profileDir, { recursive: true, force: true });
  });

  /// What the page shows: status, count, result links with the URL beneath
  /// and the marked words of each, messages, and the pager.
  function shownResults() {
    return page.evaluate(() => ({
      status: document.getElementById('status').textContent,
      count: document.getElementById('count').textContent,
      links: Array.from(document.querySelectorAll('#results a')).map((a) => ({
        text: a.textContent, href: a.getAttribute('href') })),
      urls: Array.from(document.querySelectorAll('#results .url')).map((u) => u.textContent),
      marks: Array.from(document.querySelectorAll('#results li')).map((li) =>
        Array.from(li.querySelectorAll('mark')).map((m) => m.textContent)),
      messages: Array.from(document.querySelectorAll('#messages p')).map((p) => p.textContent),
      pager: {
        hidden: document.getElementById('pager').hidden,
        range: document.getElementById('page-range').textContent,
        previous: !document.getElementById('previous-page').disabled,
        next: !document.getElementById('next-page').disabled,
      },
      start: document.getElementById('results').start,
    }));
  }

  async function search(words, language = 'en', file = 'search.html') {
    await page.goto(`${server.baseUrl}/${file}`);
    await page.fill('#searchWords', words);
    await page.selectOption('#language', language);
    await page.click('#search-button');
    await page.waitForFunction(() => ['done', 'failed'].includes(document.getElementById('status').dataset.state));
    return shownResults();
  }

  /// The body of the request the page sends for a search.
  async function requestBody(words, language, file) {
    const sent = page.waitForRequest((r) => r.url().includes('/cgi-bin/tarvocgi'));
    await search(words, language, file);
    return (await sent).postData();
  }

  async function turnPage(button) {
    const before = await page.evaluate(() => document.getElementById('page-range').textContent);
    await page.click(button);
    await page.waitForFunction((old) => document.getElementById('page-range').textContent !== old, before);
    return shownResults();
  }

  it('lists the documents found, each title a link with its URL beneath', async () => {
    const result = await search('banana');
    assert.equal(result.status, '');
    assert.equal(result.count, '3 documents found');
    const expected = ['alpha.htm', 'beta.htm', 'delta.htm'].map((file) => kDocuments.find((d) => d.file === file));
    assert.deepEqual(result.links, expected.map((doc) => ({ text: doc.title, href: doc.url })));
    assert.deepEqual(result.urls, expected.map((doc) => doc.url));
    assert.deepEqual(result.messages, []);
    assert.equal(result.pager.hidden, true);
  });

  it('sends UTF-8 with the _charset_ field, and Windows-1252 without it when data-charset says so', async () => {
    assert.equal(await requestBody('café', 'fr', 'search.html'),
      '_charset_=UTF-8&volumeName=site&searchWords=caf%C3%A9&language=fr');
    assert.equal(await requestBody('café', 'fr', 'search-1252.html'),
      'volumeName=site&searchWords=caf%E9&language=fr');
  });

  it('sends and shows Windows-1252 text with data-charset="windows-1252"', async () => {
    const result = await search('café', 'fr', 'search-1252.html');
    const cafe = kDocuments.find((d) => d.file === 'cafe.htm');
    assert.deepEqual(result.links, [{ text: shown(cafe.title), href: cafe.url }]);
  });

  it('finds Windows-1252 documents through a UTF-8 request', async () => {
    const result = await search('CAFÉ', 'fr');
    const cafe = kDocuments.find((d) => d.file === 'cafe.htm');
    assert.deepEqual(result.links, [{ text: shown(cafe.title), href: cafe.url }]);
    assert.deepEqual(result.marks, [['Café']]);
  });

  it('shows the two wildcard message lines for a query that breaks the wildcard rule', async () => {
    for (const file of ['search.html', 'search-1252.html']) {
      const result = await search('dog ca*', 'de', file);
      assert.equal(result.count, '0 Dokumente gefunden');
      assert.deepEqual(result.links, []);
      assert.deepEqual(result.messages, kMessages.de.slice(0, 2).map(shown), file);
    }
  });

  it('shows the Slovenian messages in their own code page', async () => {
    for (const file of ['search.html', 'search-1252.html']) {
      const result = await search('do*', 'sl', file);
      assert.deepEqual(result.messages, ['Zvezdica pri iskanju se lahko', 'uporabi šele na tretjem mestu.'], file);
    }
  });

  it('runs a German search on the UTF-8 sample pages', async () => {
    const result = await search('Öffnungszeiten ABHÄNGIG', 'de', 'sample.html');
    assert.equal(result.count, '1 Dokument gefunden');
    assert.deepEqual(result.links, [{ text: 'Öffnungszeiten und Ausleihe – Stadtbücherei am See',
      href: 'http://www.example.org/de/oeffnungszeiten.htm' }]);
    assert.deepEqual(result.marks, [['Öffnungszeiten']]);
  });

  it('runs a French search on the UTF-8 sample pages', async () => {
    const result = await search('inscriptions ÉTÉ', 'fr', 'sample.html');
    assert.equal(result.count, '1 document trouvé');
    assert.deepEqual(result.links, [{ text: 'Club de lecture de l’été',
      href: 'http://www.example.org/fr/club-de-lecture.htm' }]);
    assert.deepEqual(result.marks, [['été']]);
  });

  it('runs a Greek and a Japanese search on the UTF-8 set', async () => {
    const greek = await search('βιβλιοθήκη', 'en', 'world.html');
    assert.equal(greek.count, '1 document found');
    assert.deepEqual(greek.links, [{ text: 'Η δημοτική βιβλιοθήκη – ώρες και δανεισμός',
      href: 'http://www.example.org/el/vivliothiki.htm' }]);
    assert.deepEqual(greek.marks, [['βιβλιοθήκη']]);
    const japanese = await search('図書館', 'en', 'world.html');
    assert.deepEqual(japanese.links, [{ text: '市立図書館 – 開館時間と貸出', href: 'http://www.example.org/ja/toshokan.htm' }]);
    assert.deepEqual(japanese.marks, [['図書館', '館']]);
  });

  it('runs a Slovenian search on the Windows-1250 set, č and all', async () => {
    const result = await search('čitalnica', 'sl', 'central.html');
    assert.deepEqual(result.links, [{ text: 'Knjižnica ob jezeru – čitalnica in izposoja',
      href: 'http://www.example.org/sl/knjiznica.htm' }]);
    assert.deepEqual(result.marks, [['čitalnica']]);
  });

  it('shows the results in pages of 50 with previous and next buttons', async () => {
    const titles = (result) => result.links.map((l) => l.text);
    const ledger = (n) => `Ledger report ${String(n).padStart(3, '0')}`;
    const first = await search('ledger', 'en', 'ledgers.html');
    assert.equal(first.count, '121 documents found');
    assert.equal(first.links.length, 50);
    assert.equal(titles(first)[0], ledger(1));
    assert.deepEqual(first.pager, { hidden: false, range: 'Results 1–50 of 121', previous: false, next: true });
    const second = await turnPage('#next-page');
    assert.deepEqual([titles(second)[0], titles(second)[49], second.start], [ledger(51), ledger(100), 51]);
    assert.equal(await page.evaluate(() => document.activeElement.textContent), ledger(51));
    const third = await turnPage('#next-page');
    assert.equal(third.links.length, 21);
    assert.deepEqual(third.pager, { hidden: false, range: 'Results 101–121 of 121', previous: true, next: false });
    const back = await turnPage('#previous-page');
    assert.equal(titles(back)[0], ledger(51));
  });

  it('marks the query words in the titles, prefixes too, and keeps markup in a title as text', async () => {
    const result = await search('ledg* AND REPORT', 'en', 'ledgers.html');
    assert.equal(result.count, `${kLedgerCount} documents found`);
    assert.ok(result.marks.every((marks) => marks.join() === 'Ledger,report'), JSON.stringify(result.marks));
    const hostile = await search('ledger NOT report', 'en', 'ledgers.html');
    assert.deepEqual(hostile.links.map((l) => l.text), [kHostileTitle]);
    assert.deepEqual(hostile.marks, [['Ledger']]);
    assert.equal(await page.evaluate(() => document.querySelectorAll('#results img, #results b').length), 0);
    assert.equal(await page.evaluate(() => window.injected), undefined);
  });

  it('shows its own labels in the chosen language and announces the count and messages', async () => {
    await page.goto(`${server.baseUrl}/search.html`);
    const labels = () => page.evaluate(() => ({
      lang: document.documentElement.lang,
      button: document.getElementById('search-button').textContent,
      placeholder: document.getElementById('searchWords').placeholder,
      heading: document.querySelector('h1').textContent,
    }));
    assert.deepEqual(await labels(), { lang: 'en', button: 'Search', heading: 'Search this site',
      placeholder: 'Words to find, e.g. web AND search*' });
    await page.selectOption('#language', 'de');
    assert.deepEqual(await labels(), { lang: 'de', button: 'Suchen', heading: 'Diese Website durchsuchen',
      placeholder: 'Gesuchte Wörter, z. B. web AND such*' });
    await page.selectOption('#language', 'sp');
    assert.equal((await labels()).lang, 'es');
    const live = await page.evaluate(() => ({
      summary: document.getElementById('summary').getAttribute('aria-live'),
      holds: ['count', 'messages'].every((id) => document.getElementById('summary').contains(
        document.getElementById(id))),
      status: document.getElementById('status').getAttribute('role'),
    }));
    assert.deepEqual(live, { summary: 'polite', holds: true, status: 'status' });
  });

  for (const width of [390, 1280]) {
    it(`reads well at ${width} px wide (screenshot in the build tree)`, async () => {
      await page.setViewportSize({ width, height: 900 });
      try {
        for (const [file, words] of [['ledgers.html', 'ledger'], ['sample.html', 'library OR lake*']]) {
          await search(words, 'en', file);
          const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
          assert.ok(overflow <= 0, `${file} is ${overflow} px wider than the window`);
        }
        fs.mkdirSync(kScreenshotDir, { recursive: true });
        await page.screenshot({ path: path.join(kScreenshotDir, `search-${width}.png`), fullPage: true });
      } finally {
        await page.setViewportSize({ width: 1280, height: 720 });
      }
    });
  }
});
