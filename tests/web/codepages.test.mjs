// The sample sets of the other code pages, as a client sees them: the UTF-8
// set of pages in six scripts (samples/world.tarvo) and the Windows-1250 set
// of Central European pages (samples/central.tarvo), asked in UTF-8 as the
// bundled search page asks and in the set's own code page, through tarvocgi
// run as a CGI program and under a real web server.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';
import { indexProject, makeSite, runCgi } from './lib/fixture.mjs';
import { request, splitCgiOutput } from './lib/page.mjs';
import { serverKinds, startServer } from './lib/servers.mjs';
import { describeWithTools } from './lib/tools.mjs';

const kTimeoutMs = 90000;
const kServerKind = 'lighttpd';

/// Indexes both sample sets into the site's CGI folder as "world" and "central".
function indexSampleSets(site) {
  indexProject('world.tarvo', path.join(site.cgiDir, 'world'));
  indexProject('central.tarvo', path.join(site.cgiDir, 'central'));
}

/// A form's query string; `words` goes out as the bytes of `charset`.
function form(volume, words, { charset = 'utf-8', language = 'en', utf8Field = charset === 'utf-8' } = {}) {
  const bytes = charset === 'utf-8' ? Buffer.from(words, 'utf8') : encodeSingleByte(words, charset);
  const encoded = [...bytes].map((b) => `%${b.toString(16).toUpperCase().padStart(2, '0')}`).join('');
  return `volumeName=${volume}&searchWords=${encoded}&language=${language}` + (utf8Field ? '&_charset_=UTF-8' : '');
}

/// Text as Windows-1250 or Windows-1252 bytes, by the decoder's own table.
function encodeSingleByte(text, charset) {
  const decoder = new TextDecoder(charset);
  const table = new Map();
  for (let byte = 0; byte < 256; byte++) table.set(decoder.decode(Uint8Array.of(byte)), byte);
  return Buffer.from([...text].map((c) => {
    if (!table.has(c)) throw new Error(`${c} is not in ${charset}`);
    return table.get(c);
  }));
}

/// The page of a CGI answer: its content type and its data lines decoded by
/// the character set the content type names (none: Windows-1252).
function readAnswer(output) {
  const { headerLines, body } = splitCgiOutput(output);
  const contentType = headerLines.find((l) => /^content-type:/i.test(l)).replace(/^content-type:\s*/i, '');
  const charset = (/charset=([^;\s]+)/i.exec(contentType) || [null, 'windows-1252'])[1];
  const text = new TextDecoder(charset).decode(Buffer.from(body, 'latin1'));
  const lines = text.split('\r\n');
  const data = lines.slice(lines.indexOf('<!--start of data-->') + 1, lines.indexOf('<!--end of data-->'));
  const [count, ...documents] = data;
  return { contentType, count: count.split('~|~')[0],
    documents: documents.map((l) => { const [title, url] = l.split('~|~'); return { title, url }; }) };
}

const urlsOf = (answer) => answer.documents.map((d) => d.url.replace('http://www.example.org/', '')).sort();

describe('sets of other code pages, asked of tarvocgi as CGI', { timeout: kTimeoutMs }, () => {
  let site;
  before(() => {
    site = makeSite();
    indexSampleSets(site);
  });
  after(() => site && site.remove());

  const ask = async (volume, words, options) => {
    const result = await runCgi(site, { query: form(volume, words, options) });
    assert.equal(result.status, 0, result.stderr);
    return readAnswer(result.stdout);
  };

  it('writes a .cpg file naming the code page of each set, and none for a Windows-1252 set', () => {
    assert.equal(fs.readFileSync(path.join(site.cgiDir, 'world.cpg'), 'latin1'), 'utf-8\r\n');
    assert.equal(fs.readFileSync(path.join(site.cgiDir, 'central.cpg'), 'latin1'), 'windows-1250\r\n');
    assert.ok(!fs.existsSync(path.join(site.cgiDir, 'site.cpg')));
  });

  const kWorldSearches = [
    // [words, pages found]: lower case finds upper case and the reverse.
    ['βιβλιοθήκη', ['el/vivliothiki.htm']],
    ['ΒΙΒΛΙΟΘΉΚΗ', ['el/vivliothiki.htm']],
    ['φως', ['el/vivliothiki.htm']],
    ['библиотека', ['ru/biblioteka.htm']],
    ['ЁЛКА', ['ru/biblioteka.htm']],
    ['читательского', ['ru/biblioteka.htm']],
    ['wypożyczalnia', ['pl/biblioteka.htm']],
    ['ZAŻÓŁĆ', ['pl/biblioteka.htm']],
    ['zażółć', ['pl/biblioteka.htm']],
    ['čtenářský', ['cs/knihovna.htm']],
    ['kütüphane', ['tr/kutuphane.htm']],
    ['ışık', ['tr/kutuphane.htm']],
    ['çocuk', ['tr/kutuphane.htm']],
    ['図書館', ['ja/toshokan.htm']],
    ['カード', ['ja/toshokan.htm']],
    ['ｔｏｋｙｏ', ['ja/toshokan.htm']],
    ['čitalnica', ['sl/knjiznica.htm']],
    // The Turkish İNTERNET keeps its dotted capital I, so it is another word.
    ['internet*', ['cs/knihovna.htm', 'pl/biblioteka.htm', 'sl/knjiznica.htm']],
    ['βιβλ*', ['el/vivliothiki.htm']],
    ['wypoży*', ['pl/biblioteka.htm']],
    ['ČTEN*', ['cs/knihovna.htm']],
    ['интернет AND библиотека', ['ru/biblioteka.htm']],
    ['図書館 OR kütüphane', ['ja/toshokan.htm', 'tr/kutuphane.htm']],
  ];
  for (const [words, found] of kWorldSearches) {
    it(`finds "${words}" in the UTF-8 set`, async () => {
      const answer = await ask('world', words);
      assert.equal(answer.contentType, 'text/html; charset=utf-8');
      assert.deepEqual(urlsOf(answer), found);
    });
  }

  it('keeps every letter of the titles of a UTF-8 set', async () => {
    const answer = await ask('world', '市立');
    assert.deepEqual(answer.documents.map((d) => d.title), ['市立図書館 – 開館時間と貸出']);
    const greek = await ask('world', 'δανεισμός');
    assert.deepEqual(greek.documents.map((d) => d.title), ['Η δημοτική βιβλιοθήκη – ώρες και δανεισμός']);
  });

  it('reads a request without a character set as Windows-1252 and answers in the set\'s UTF-8', async () => {
    const answer = await ask('world', 'kütüphane', { charset: 'windows-1252' });
    assert.equal(answer.contentType, 'text/html; charset=utf-8');
    assert.deepEqual(urlsOf(answer), ['tr/kutuphane.htm']);
    assert.equal(answer.documents[0].title, 'Şehir Kütüphanesi – çalışma saatleri');
  });

  const kCentralSearches = [
    ['čitalnica', ['sl/knjiznica.htm']],
    ['čítárna', ['cs/knihovna.htm', 'cs/obecni-knihovna.htm']],
    ['ŠKOLNÍ', ['cs/obecni-knihovna.htm']],
    ['könyvtár', ['hu/varosi-konyvtar.htm']],
    ['érdeklődőket', ['hu/varosi-konyvtar.htm']],
    ['požičovňa', ['sk/mestska-kniznica.htm']],
    ['ľudia', ['sk/mestska-kniznica.htm']],
    ['wypożyczalnia', ['pl/biblioteka.htm']],
    ['gęślą', ['pl/biblioteka.htm']],
    ['požič*', ['sk/mestska-kniznica.htm']],
  ];
  for (const [words, found] of kCentralSearches) {
    it(`finds "${words}" in the Windows-1250 set, asked in UTF-8`, async () => {
      const answer = await ask('central', words);
      assert.equal(answer.contentType, 'text/html; charset=utf-8');
      assert.deepEqual(urlsOf(answer), found);
    });
  }

  it('answers a Windows-1250 request from the Windows-1250 set in Windows-1250, č and all', async () => {
    const answer = await ask('central', 'čitalnica', { charset: 'windows-1250' });
    assert.equal(answer.contentType, 'text/html; charset=windows-1250');
    assert.deepEqual(answer.documents.map((d) => d.title), ['Knjižnica ob jezeru – čitalnica in izposoja']);
    const none = await ask('central', 'zzzz', { charset: 'windows-1250', language: 'sl' });
    assert.equal(none.count, '0');
    assert.equal(none.documents[0].title, 'Ni zadetkov');
  });
});

const missing = !fs.existsSync(serverKinds[kServerKind].binary) ? `${kServerKind} is not installed` : false;
describeWithTools(`sets of other code pages under ${kServerKind}`, missing, { timeout: kTimeoutMs }, () => {
  let site;
  let server;
  before(async () => {
    site = makeSite();
    indexSampleSets(site);
    server = await startServer(kServerKind, site);
  });
  after(async () => {
    if (server) await server.stop();
    if (site) site.remove();
  });

  it('answers the search page\'s UTF-8 requests of both sets with the content type it names', async () => {
    for (const [volume, words, url] of [['world', 'βιβλιοθήκη', 'el/vivliothiki.htm'],
      ['central', 'čitalnica', 'sl/knjiznica.htm']]) {
      const response = await request(`${server.baseUrl}/cgi-bin/tarvocgi?${form(volume, words)}`);
      assert.equal(response.status, 200, server.errorLog());
      assert.equal(response.headers['content-type'], 'text/html; charset=utf-8');
      const text = Buffer.from(response.body, 'latin1').toString('utf8');
      assert.ok(text.includes(`http://www.example.org/${url}`), text);
    }
  });
});
