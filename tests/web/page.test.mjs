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
