// TARVO search page logic: encodes the form for tarvocgi, reads the data lines
// of its results page and shows the count, the result links or the messages.
'use strict';

(function (root) {
  const kStartMarker = '<!--start of data-->';
  const kEndMarker = '<!--end of data-->';
  const kSeparator = '~|~';
  const kNotApplicable = 'Not Applicable';

  // The messages of tarvocgi are single-byte texts: the Slovenian ones carry
  // "š" as byte 185, its Latin-2 (ISO-8859-2) code; every other language is
  // Windows-1252.
  function messageCharset(language) {
    return language === 'sl' ? 'iso-8859-2' : 'windows-1252';
  }

  function isUtf8(charset) {
    return /^utf-?8$/i.test(charset);
  }

  // Byte value of every character of a single-byte character set, made by
  // decoding all 256 bytes once.
  const byteTables = new Map();
  function byteTable(charset) {
    if (!byteTables.has(charset)) {
      const bytes = new Uint8Array(256);
      for (let i = 0; i < 256; i++) bytes[i] = i;
      const text = new TextDecoder(charset).decode(bytes);
      const table = new Map();
      Array.from(text).forEach((ch, i) => { if (!table.has(ch)) table.set(ch, i); });
      byteTables.set(charset, table);
    }
    return byteTables.get(charset);
  }

  function percentByte(b) {
    const unreserved = (b >= 0x30 && b <= 0x39) || (b >= 0x41 && b <= 0x5a) || (b >= 0x61 && b <= 0x7a) ||
      b === 0x2d || b === 0x2e || b === 0x5f || b === 0x2a;
    if (unreserved) return String.fromCharCode(b);
    if (b === 0x20) return '+';
    return '%' + b.toString(16).toUpperCase().padStart(2, '0');
  }

  // URL-encodes a form value in the site's character set, the bytes the
  // index holds. A character the set cannot hold is sent as "?".
  function encodeFormValue(value, charset) {
    if (isUtf8(charset)) return encodeURIComponent(value).replace(/%20/g, '+');
    const table = byteTable(charset);
    let out = '';
    for (const ch of value) {
      const b = table.has(ch) ? table.get(ch) : 0x3f;
      out += percentByte(b);
    }
    return out;
  }

  // The form body: name=value pairs joined by "&".
  function encodeForm(fields, charset) {
    return fields.map(([name, value]) => encodeFormValue(name, charset) + '=' + encodeFormValue(value, charset))
      .join('&');
  }

  // The lines between the data markers, or null when the page has none.
  function dataLines(text) {
    const lines = text.split(/\r\n|\n|\r/);
    const start = lines.indexOf(kStartMarker);
    if (start < 0) return null;
    const end = lines.indexOf(kEndMarker, start + 1);
    if (end < 0) return null;
    return lines.slice(start + 1, end);
  }

  // Reads a results page. `siteText` is the page decoded with the site's
  // character set, `messageText` the same bytes decoded with the character
  // set of the messages. Returns {count, results: [{title, url}], messages: []},
  // or null when the page holds no data block.
  function parseResults(siteText, messageText) {
    const lines = dataLines(siteText);
    const messageLines = dataLines(messageText === undefined ? siteText : messageText) || lines;
    if (lines === null || lines.length === 0) return null;
    const page = { count: parseInt(lines[0].split(kSeparator)[0], 10) || 0, results: [], messages: [] };
    for (let i = 1; i < lines.length; i++) {
      const fields = lines[i].split(kSeparator);
      if (fields[1] === kNotApplicable) {
        page.messages.push(messageLines[i].split(kSeparator)[0]);
      } else {
        page.results.push({ title: fields[0], url: fields.length > 1 ? fields[1] : '' });
      }
    }
    return page;
  }

  // A link target from the index is used only when it cannot run script.
  function safeHref(url) {
    const trimmed = url.trim();
    if (/^(javascript|data|vbscript):/i.test(trimmed.replace(/[\s\u0000-\u001f]/g, ''))) return null;
    return trimmed;
  }

  function clear(element) {
    while (element.firstChild) element.removeChild(element.firstChild);
  }

  function countText(count) {
    return count === 1 ? '1 document found' : count + ' documents found';
  }

  function show(doc, page) {
    const countBox = doc.getElementById('count');
    const results = doc.getElementById('results');
    const messages = doc.getElementById('messages');
    clear(results);
    clear(messages);
    countBox.textContent = countText(page.count);
    for (const result of page.results) {
      const item = doc.createElement('li');
      const href = safeHref(result.url);
      const label = result.title.trim() !== '' ? result.title : result.url;
      if (href !== null) {
        const link = doc.createElement('a');
        link.href = href;
        link.textContent = label;
        item.appendChild(link);
      } else {
        item.textContent = label;
      }
      results.appendChild(item);
    }
    for (const message of page.messages) {
      const line = doc.createElement('p');
      line.textContent = message;
      messages.appendChild(line);
    }
  }

  async function submit(doc, form) {
    const status = doc.getElementById('status');
    const charset = form.dataset.charset || 'windows-1252';
    const method = (form.getAttribute('method') || 'post').toLowerCase();
    const fields = Array.from(new FormData(form).entries()).map(([n, v]) => [n, String(v)]);
    const language = (fields.find(([n]) => n === 'language') || [null, 'en'])[1];
    const body = encodeForm(fields, charset);
    const action = form.getAttribute('action');
    status.textContent = 'Searching…';
    try {
      const response = method === 'get'
        ? await fetch(action + '?' + body)
        : await fetch(action, {
          method: 'POST',
          headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
          body,
        });
      const bytes = await response.arrayBuffer();
      if (!response.ok) throw new Error('the server answered ' + response.status);
      const page = parseResults(new TextDecoder(charset).decode(bytes),
        new TextDecoder(messageCharset(language)).decode(bytes));
      if (page === null) throw new Error('the answer holds no results');
      show(doc, page);
      status.textContent = '';
    } catch (error) {
      status.textContent = 'The search failed: ' + error.message;
    }
  }

  const api = { encodeFormValue, encodeForm, dataLines, parseResults, safeHref, messageCharset };
  if (typeof module !== 'undefined' && module.exports) {
    module.exports = api;
  } else {
    root.tarvoSearch = api;
    root.document.addEventListener('DOMContentLoaded', () => {
      const form = root.document.getElementById('search-form');
      form.addEventListener('submit', (event) => {
        event.preventDefault();
        submit(root.document, form);
      });
    });
  }
})(typeof window !== 'undefined' ? window : globalThis);
