// The search page's own logic without a browser: form encoding in the site's
// character set, reading the data lines, and refusing script links.
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { describe, it } from 'node:test';

const require = createRequire(import.meta.url);
const page = require('../../examples/search.js');

const wrap = (...lines) => ['<HTML><BODY>', '<!--start of data-->', ...lines, '<!--end of data-->',
  '</BODY></HTML>', ''].join('\r\n');

describe('form encoding', () => {
  const rows = [
    ['banana', 'windows-1252', 'banana'],
    ['ban*', 'windows-1252', 'ban*'],
    ['cat AND dog', 'windows-1252', 'cat+AND+dog'],
    ['café crème', 'windows-1252', 'caf%E9+cr%E8me'],
    ['a+b&c=d', 'windows-1252', 'a%2Bb%26c%3Dd'],
    ['~|~', 'windows-1252', '%7E%7C%7E'],
    ['café', 'utf-8', 'caf%C3%A9'],
    ['日本', 'windows-1252', '%3F%3F'],
  ];
  for (const [text, charset, expected] of rows) {
    it(`encodes "${text}" in ${charset}`, () => assert.equal(page.encodeFormValue(text, charset), expected));
  }

  it('joins the fields as name=value pairs', () => {
    assert.equal(page.encodeForm([['volumeName', 'data/site'], ['searchWords', 'a b'], ['language', 'fr']],
      'windows-1252'), 'volumeName=data%2Fsite&searchWords=a+b&language=fr');
  });
});

describe('reading the results page', () => {
  it('reads the count and the documents found', () => {
    const result = page.parseResults(wrap('2~|~~|~', 'One~|~http://a/1~|~~|~', 'Two~|~http://a/2~|~~|~'));
    assert.deepEqual(result, { count: 2, messages: [],
      results: [{ title: 'One', url: 'http://a/1' }, { title: 'Two', url: 'http://a/2' }] });
  });

  it('reads the message lines', () => {
    const result = page.parseResults(wrap('0~|~~|~', 'All wildcard characters must~|~Not Applicable~|~~|~',
      'be after the 3rd character.~|~Not Applicable~|~~|~'));
    assert.deepEqual(result, { count: 0, results: [],
      messages: ['All wildcard characters must', 'be after the 3rd character.'] });
  });

  it('takes the message text from the message decoding and the titles from the site decoding', () => {
    const site = wrap('0~|~~|~', 'uporabi \u00b9ele~|~Not Applicable~|~~|~');
    const messages = wrap('0~|~~|~', 'uporabi \u0161ele~|~Not Applicable~|~~|~');
    assert.deepEqual(page.parseResults(site, messages).messages, ['uporabi \u0161ele']);
  });

  it('keeps a blank title and a title holding the separator', () => {
    const result = page.parseResults(wrap('2~|~~|~', '~|~http://a/blank~|~~|~', 'A ~|~ B~|~http://a/b~|~~|~'));
    assert.deepEqual(result.results[0], { title: '', url: 'http://a/blank' });
    assert.equal(result.results.length, 2);
  });

  it('gives null for a page without a data block', () => {
    assert.equal(page.parseResults('<html>500 Internal Server Error</html>'), null);
    assert.equal(page.parseResults('<!--start of data-->\r\n'), null);
  });

  it('reads lines ended by LF alone too', () => {
    assert.equal(page.parseResults('<!--start of data-->\n3~|~~|~\n<!--end of data-->\n').count, 3);
  });
});

describe('link targets', () => {
  for (const url of ['javascript:alert(1)', ' JavaScript:x', 'java\tscript:x', 'data:text/html,x', 'vbscript:x']) {
    it(`refuses ${JSON.stringify(url)}`, () => assert.equal(page.safeHref(url), null));
  }
  for (const url of ['http://site.test/a.htm', 'https://x/y?z=1', 'docs/a.htm', '/a.htm']) {
    it(`keeps ${url}`, () => assert.equal(page.safeHref(url), url));
  }
});

describe('message character sets', () => {
  it('reads Slovenian messages as Latin-2 and the others as Windows-1252', () => {
    assert.equal(page.messageCharset('sl'), 'iso-8859-2');
    for (const code of ['en', 'sp', 'da', 'nl', 'fr', 'de', 'no', 'it', 'xx']) {
      assert.equal(page.messageCharset(code), 'windows-1252');
    }
  });
});

describe('UTF-8 requests and answers', () => {
  it('sends _charset_=UTF-8 in UTF-8, first when the form lacks it, and no such field otherwise', () => {
    const fields = [['_charset_', 'x'], ['searchWords', 'a']];
    assert.deepEqual(page.requestFields(fields.slice(1), 'UTF8'), [['_charset_', 'UTF-8'], ['searchWords', 'a']]);
    assert.deepEqual(page.requestFields(fields, 'windows-1252'), [['searchWords', 'a']]);
  });


  it('reads an answer as UTF-8 only when its content type says so', () => {
    for (const type of ['text/html; charset=utf-8', 'text/html;charset=UTF-8', 'text/html; charset="utf8"']) {
      assert.equal(page.answerIsUtf8(type), true, type);
    }
    for (const type of ['text/html', 'text/html; charset=iso-8859-1', 'text/html; xcharset=utf-8', null]) {
      assert.equal(page.answerIsUtf8(type), false, String(type));
    }
    const utf8 = Buffer.from(wrap('1~|~~|~', 'Café – šola~|~http://a/1~|~~|~'), 'utf8');
    assert.equal(page.readAnswer(utf8, 'text/html; charset=utf-8', 'sl').results[0].title,
      'Café – šola');
    const old = Buffer.from(wrap('0~|~~|~', 'uporabi \u00b9ele~|~Not Applicable~|~~|~'), 'latin1');
    assert.deepEqual(page.readAnswer(old, 'text/html', 'sl').messages, ['uporabi \u0161ele']);
  });

  it('reads an answer in the character set its content type names, Windows-1252 when it names none', () => {
    const types = [['text/html; charset=windows-1250', 'windows-1250'], ['text/html;Charset="Windows-1250"',
      'windows-1250'], ['text/html; charset=UTF-8', 'utf-8'], ['text/html', null], [null, null],
    ['text/html; charset=iso-8859-1', null]];
    for (const [type, expected] of types) assert.equal(page.answerCharset(type), expected, String(type));
    // Title "Čeština šola" and the Slovenian message in Windows-1250 bytes (č 0xE8, š 0x9A, Č 0xC8).
    const cp1250 = Buffer.from(wrap('0~|~~|~', 'uporabi \u009aele~|~Not Applicable~|~~|~'), 'latin1');
    assert.deepEqual(page.readAnswer(cp1250, 'text/html; charset=windows-1250', 'sl').messages,
      ['uporabi \u0161ele']);
    const titles = Buffer.from(wrap('1~|~~|~', '\u00c8e\u009atina~|~http://a/1~|~~|~'), 'latin1');
    assert.equal(page.readAnswer(titles, 'text/html; charset=windows-1250', 'en').results[0].title, 'Čeština');
    // The same bytes without a charset are a Windows-1252 page: 0xC8 is È there.
    assert.ok(page.readAnswer(titles, 'text/html', 'en').results[0].title.startsWith('Èe'));
    const greek = Buffer.from(wrap('1~|~~|~', 'Κόσμος 東京~|~http://a/1~|~~|~'), 'utf8');
    assert.equal(page.readAnswer(greek, 'text/html; charset=utf-8', 'de').results[0].title, 'Κόσμος 東京');
  });
});

describe('marking the query words', () => {
  const marked = (title, query) => page.markedParts(title, page.queryTerms(query))
    .filter((p) => p.marked).map((p) => p.text);

  it('marks whole words in any letter case, and every word a trailing * begins', () => {
    assert.deepEqual(marked('Library news and the reading room', 'LIBRARY read*'), ['Library', 'reading']);
    assert.deepEqual(marked('Libraries', 'library'), []);
    assert.deepEqual(marked('Öffnungszeiten – Bücherei', 'öffnungszeiten BÜCH*'), ['Öffnungszeiten', 'Bücherei']);
  });

  it('marks letters the way the index folds them, and keeps Windows-1252 letters apart', () => {
    assert.deepEqual(marked('Čitalnica in Łódź', 'citalnica lódz'), ['Čitalnica', 'Łódź']);
    assert.deepEqual(marked('Łódź', 'lodz'), []);
    assert.deepEqual(marked('Café', 'cafe'), []);
  });

  it('marks each Chinese, Japanese or Thai character of a term, as the index holds them', () => {
    assert.deepEqual(marked('市立図書館 – 開館時間と貸出', '図書館'), ['図書館', '館']);
    assert.deepEqual(marked('東京タワーへようこそ', '東京 タワ*'), ['東京タワ']);
    assert.deepEqual(marked('Windows版の説明', 'WINDOWS'), ['Windows']);
  });

  it('leaves operators, words after NOT and words with an inner * unmarked', () => {
    assert.deepEqual(marked('cat and dog or bird', 'cat AND dog or NOT bird'), ['cat', 'dog']);
    assert.deepEqual(marked('cat dog', 'NOT cat & d*g'), ['cat']);
  });
});

describe('pages of results', () => {
  const results = Array.from({ length: 120 }, (_, i) => i + 1);

  it('cuts the results into pages of 50 and keeps the index within them', () => {
    const pick = (p) => [p.index, p.first, p.last, p.items.length, p.hasPrevious, p.hasNext];
    assert.deepEqual(pick(page.resultPage(results, 0)), [0, 1, 50, 50, false, true]);
    assert.deepEqual(pick(page.resultPage(results, 2)), [2, 101, 120, 20, true, false]);
    assert.deepEqual(pick(page.resultPage(results, 7)), [2, 101, 120, 20, true, false]);
    assert.deepEqual(pick(page.resultPage(results.slice(0, 50), 0)), [0, 1, 50, 50, false, false]);
    assert.deepEqual(pick(page.resultPage([], -1)), [0, 0, 0, 0, false, false]);
  });
});

describe('labels', () => {
  it('holds every label in each of the nine languages, English for an unknown code', () => {
    const keys = Object.keys(page.kLabels.en).sort();
    for (const code of ['en', 'sp', 'da', 'nl', 'sl', 'fr', 'de', 'no', 'it']) {
      assert.deepEqual(Object.keys(page.kLabels[code]).sort(), keys, code);
      assert.match(page.kLabels[code].found(2), /2/, code);
      assert.match(page.kLabels[code].range(51, 100, 120), /51.*100.*120/, code);
    }
    assert.equal(page.labelsFor('xx'), page.kLabels.en);
    assert.equal(page.labelsFor('constructor'), page.kLabels.en);
  });
});
