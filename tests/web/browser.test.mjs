// The search page in headless Chromium, served with tarvocgi by a real web
// server on loopback: type a query, submit, read the result links or messages.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';
import { kDocuments, makeSite } from './lib/fixture.mjs';
import { kMessages } from './lib/page.mjs';
import { serverKinds, startServer } from './lib/servers.mjs';
import { describeWithTools } from './lib/tools.mjs';

const kChromium = '/usr/bin/chromium';
const kTimeoutMs = 60000;
const kServerKind = 'lighttpd';

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

describeWithTools('search page in headless Chromium', missing, { timeout: kTimeoutMs }, () => {
  let site;
  let server;
  let browser;
  let profileDir;
  let page;

  before(async () => {
    site = makeSite();
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

  async function search(words, language = 'en') {
    await page.goto(`${server.baseUrl}/search.html`);
    await page.fill('#searchWords', words);
    await page.selectOption('#language', language);
    await page.click('#search-button');
    await page.waitForFunction(() => document.getElementById('count').textContent !== '' ||
      document.getElementById('status').textContent.startsWith('The search failed'));
    return page.evaluate(() => ({
      status: document.getElementById('status').textContent,
      count: document.getElementById('count').textContent,
      links: Array.from(document.querySelectorAll('#results a')).map((a) => ({
        text: a.textContent, href: a.getAttribute('href') })),
      messages: Array.from(document.querySelectorAll('#messages p')).map((p) => p.textContent),
    }));
  }

  it('lists the documents found as links from title to URL', async () => {
    const result = await search('banana');
    assert.equal(result.status, '');
    assert.equal(result.count, '3 documents found');
    const expected = ['alpha.htm', 'beta.htm', 'delta.htm'].map((file) => {
      const doc = kDocuments.find((d) => d.file === file);
      return { text: doc.title, href: doc.url };
    });
    assert.deepEqual(result.links, expected);
    assert.deepEqual(result.messages, []);
  });

  it('sends and shows Windows-1252 text', async () => {
    const result = await search('café', 'fr');
    const cafe = kDocuments.find((d) => d.file === 'cafe.htm');
    assert.deepEqual(result.links, [{ text: shown(cafe.title), href: cafe.url }]);
  });

  it('shows the two wildcard message lines for a query that breaks the wildcard rule', async () => {
    const result = await search('dog ca*', 'de');
    assert.equal(result.count, '0 documents found');
    assert.deepEqual(result.links, []);
    assert.deepEqual(result.messages, kMessages.de.slice(0, 2).map(shown));
  });

  it('shows the Slovenian messages in their own code page', async () => {
    const result = await search('do*', 'sl');
    assert.deepEqual(result.messages, ['Zvezdica pri iskanju se lahko', 'uporabi šele na tretjem mestu.']);
  });
});
