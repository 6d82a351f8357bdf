// TARVO search page logic: encodes the form for tarvocgi, reads the data lines
// of its results page and shows the count, the result links a page of 50 at a
// time with the query's words marked, or the messages; the page's own labels
// follow the chosen language.
'use strict';

(function (root) {
  const kStartMarker = '<!--start of data-->';
  const kEndMarker = '<!--end of data-->';
  const kSeparator = '~|~';
  const kNotApplicable = 'Not Applicable';
  const kCharsetField = '_charset_';
  const kPageSize = 50;

  // The page's own texts in each language tarvocgi knows, by its codes.
  const kLabels = {
    en: {
      lang: 'en', heading: 'Search this site', wordsLabel: 'Words to find',
      placeholder: 'Words to find, e.g. web AND search*', languageLabel: 'Language of the messages',
      button: 'Search',
      hint: 'Combine words with AND, OR and NOT; end a word with * to find every word that begins with it ' +
        '(at least three letters before the *).',
      searching: 'Searching…', failed: 'The search failed', resultsLabel: 'Documents found',
      pagerLabel: 'Pages of results', previous: 'Previous', next: 'Next',
      found: (n) => (n === 1 ? '1 document found' : `${n} documents found`),
      range: (first, last, total) => `Results ${first}–${last} of ${total}`,
    },
    sp: {
      lang: 'es', heading: 'Buscar en este sitio', wordsLabel: 'Palabras que buscar',
      placeholder: 'Palabras que buscar, p. ej. web AND busca*', languageLabel: 'Idioma de los mensajes',
      button: 'Buscar',
      hint: 'Combine palabras con AND, OR y NOT; termine una palabra con * para encontrar todas las que ' +
        'empiezan así (al menos tres letras antes del *).',
      searching: 'Buscando…', failed: 'La búsqueda ha fallado', resultsLabel: 'Documentos encontrados',
      pagerLabel: 'Páginas de resultados', previous: 'Anterior', next: 'Siguiente',
      found: (n) => (n === 1 ? '1 documento encontrado' : `${n} documentos encontrados`),
      range: (first, last, total) => `Resultados ${first}–${last} de ${total}`,
    },
    da: {
      lang: 'da', heading: 'Søg på dette websted', wordsLabel: 'Ord at søge efter',
      placeholder: 'Ord at søge efter, f.eks. web AND søg*', languageLabel: 'Sprog for meddelelserne',
      button: 'Søg',
      hint: 'Kombinér ord med AND, OR og NOT; afslut et ord med * for at finde alle ord, der begynder med ' +
        'det (mindst tre bogstaver før *).',
      searching: 'Søger…', failed: 'Søgningen mislykkedes', resultsLabel: 'Fundne dokumenter',
      pagerLabel: 'Sider med resultater', previous: 'Forrige', next: 'Næste',
      found: (n) => (n === 1 ? '1 dokument fundet' : `${n} dokumenter fundet`),
      range: (first, last, total) => `Resultat ${first}–${last} af ${total}`,
    },
    nl: {
      lang: 'nl', heading: 'Zoeken op deze site', wordsLabel: 'Te zoeken woorden',
      placeholder: 'Te zoeken woorden, bijv. web AND zoek*', languageLabel: 'Taal van de meldingen',
      button: 'Zoeken',
      hint: 'Combineer woorden met AND, OR en NOT; eindig een woord met * om alle woorden te vinden die ' +
        'ermee beginnen (minstens drie letters vóór de *).',
      searching: 'Bezig met zoeken…', failed: 'Het zoeken is mislukt', resultsLabel: 'Gevonden documenten',
      pagerLabel: 'Pagina’s met resultaten', previous: 'Vorige', next: 'Volgende',
      found: (n) => (n === 1 ? '1 document gevonden' : `${n} documenten gevonden`),
      range: (first, last, total) => `Resultaten ${first}–${last} van ${total}`,
    },
    sl: {
      lang: 'sl', heading: 'Iskanje po tej strani', wordsLabel: 'Iskane besede',
      placeholder: 'Iskane besede, npr. splet AND iska*', languageLabel: 'Jezik sporočil',
      button: 'Išči',
      hint: 'Besede povežite z AND, OR in NOT; z * na koncu besede najdete vse besede, ki se tako začnejo ' +
        '(vsaj tri črke pred *).',
      searching: 'Iskanje …', failed: 'Iskanje ni uspelo', resultsLabel: 'Najdeni dokumenti',
      pagerLabel: 'Strani z zadetki', previous: 'Prejšnja', next: 'Naslednja',
      found: (n) => `Najdenih dokumentov: ${n}`,
      range: (first, last, total) => `Zadetki ${first}–${last} od ${total}`,
    },
    fr: {
      lang: 'fr', heading: 'Rechercher sur ce site', wordsLabel: 'Mots à chercher',
      placeholder: 'Mots à chercher, p. ex. web AND recherch*', languageLabel: 'Langue des messages',
      button: 'Rechercher',
      hint: 'Combinez les mots avec AND, OR et NOT\u00a0; terminez un mot par * pour trouver tous les mots ' +
        'qui commencent ainsi (au moins trois lettres avant le *).',
      searching: 'Recherche en cours…', failed: 'La recherche a échoué', resultsLabel: 'Documents trouvés',
      pagerLabel: 'Pages de résultats', previous: 'Précédent', next: 'Suivant',
      found: (n) => (n <= 1 ? `${n} document trouvé` : `${n} documents trouvés`),
      range: (first, last, total) => `Résultats ${first} à ${last} sur ${total}`,
    },
    de: {
      lang: 'de', heading: 'Diese Website durchsuchen', wordsLabel: 'Gesuchte Wörter',
      placeholder: 'Gesuchte Wörter, z. B. web AND such*', languageLabel: 'Sprache der Meldungen',
      button: 'Suchen',
      hint: 'Verbinden Sie Wörter mit AND, OR und NOT; ein * am Wortende findet alle Wörter, die so ' +
        'beginnen (mindestens drei Buchstaben vor dem *).',
      searching: 'Suche läuft…', failed: 'Die Suche ist fehlgeschlagen', resultsLabel: 'Gefundene Dokumente',
      pagerLabel: 'Ergebnisseiten', previous: 'Zurück', next: 'Weiter',
      found: (n) => (n === 1 ? '1 Dokument gefunden' : `${n} Dokumente gefunden`),
      range: (first, last, total) => `Treffer ${first}–${last} von ${total}`,
    },
    no: {
      lang: 'no', heading: 'Søk på dette nettstedet', wordsLabel: 'Ord du vil finne',
      placeholder: 'Ord du vil finne, f.eks. web AND søk*', languageLabel: 'Språk for meldingene',
      button: 'Søk',
      hint: 'Kombiner ord med AND, OR og NOT; avslutt et ord med * for å finne alle ord som begynner slik ' +
        '(minst tre bokstaver før *).',
      searching: 'Søker…', failed: 'Søket mislyktes', resultsLabel: 'Dokumenter funnet',
      pagerLabel: 'Sider med treff', previous: 'Forrige', next: 'Neste',
      found: (n) => (n === 1 ? '1 dokument funnet' : `${n} dokumenter funnet`),
      range: (first, last, total) => `Treff ${first}–${last} av ${total}`,
    },
    it: {
      lang: 'it', heading: 'Cerca in questo sito', wordsLabel: 'Parole da cercare',
      placeholder: 'Parole da cercare, ad es. web AND cerc*', languageLabel: 'Lingua dei messaggi',
      button: 'Cerca',
      hint: 'Combinare le parole con AND, OR e NOT; terminare una parola con * per trovare tutte le parole ' +
        'che iniziano così (almeno tre lettere prima dell’*).',
      searching: 'Ricerca in corso…', failed: 'La ricerca non è riuscita', resultsLabel: 'Documenti trovati',
      pagerLabel: 'Pagine di risultati', previous: 'Precedente', next: 'Successivo',
      found: (n) => (n === 1 ? '1 documento trovato' : `${n} documenti trovati`),
      range: (first, last, total) => `Risultati ${first}–${last} di ${total}`,
    },
  };

  // The texts of a language code; English for a code tarvocgi does not know.
  function labelsFor(language) {
    return Object.prototype.hasOwnProperty.call(kLabels, language) ? kLabels[language] : kLabels.en;
  }

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

  // The fields to send: in UTF-8 the `_charset_` field says so (first when
  // the form lacks it); in a single-byte character set it is left out, so
  // the request is the one older installations know.
  function requestFields(fields, charset) {
    const others = fields.filter(([name]) => name !== kCharsetField);
    if (!isUtf8(charset)) return others;
    const at = Math.max(0, fields.findIndex(([name]) => name === kCharsetField));
    return [...others.slice(0, at), [kCharsetField, 'UTF-8'], ...others.slice(at)];
  }

  // True when the answer's content type declares UTF-8.
  function answerIsUtf8(contentType) {
    return answerCharset(contentType) === 'utf-8';
  }

  // The character set an answer is written in, by the charset its content
  // type declares: "utf-8" or "windows-1250" (for an index in that code
  // page), or null when it declares neither: the page of a Windows-1252
  // index, written as it always was.
  function answerCharset(contentType) {
    const declared = /;\s*charset\s*=\s*"?([\w-]+)"?\s*(;|$)/i.exec(contentType || '');
    if (declared === null) return null;
    const name = declared[1].toLowerCase();
    if (isUtf8(name)) return 'utf-8';
    if (name === 'windows-1250' || name === 'cp1250') return 'windows-1250';
    return null;
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

  // Reads the bytes of an answer in the character set its content type
  // declares (UTF-8 or Windows-1250, messages included); an answer that
  // declares none has its titles in Windows-1252 and its messages in theirs.
  function readAnswer(bytes, contentType, language) {
    const declared = answerCharset(contentType);
    if (declared !== null) return parseResults(new TextDecoder(declared).decode(bytes));
    return parseResults(new TextDecoder('windows-1252').decode(bytes),
      new TextDecoder(messageCharset(language)).decode(bytes));
  }

  // ---- Marking the query's words in the titles ----

  // Letters without a decomposition that the index still holds as Latin ones.
  const kSpecialLetters = {
    'ł': 'l', 'Ł': 'L', 'đ': 'd', 'Đ': 'D', 'ħ': 'h', 'Ħ': 'H', 'ı': 'i', 'ŀ': 'l', 'Ŀ': 'L',
  };

  // One character as the index holds it: a character of Windows-1252 as it
  // is, an accented letter outside it as its base letter, as tarvocgi
  // converts a UTF-8 query.
  function foldCharacter(ch) {
    if (byteTable('windows-1252').has(ch)) return ch;
    if (kSpecialLetters[ch]) return kSpecialLetters[ch];
    const parts = ch.normalize('NFD');
    const base = parts.replace(/\p{Mn}+/gu, '');
    return base.length === 1 && base !== ch && byteTable('windows-1252').has(base) ? base : ch;
  }

  // Characters of the scripts written without spaces (Han, Hiragana,
  // Katakana, Thai), each a word of its own in a UTF-8 index, as tarvocgi
  // reads them.
  const kOwnWordCharacters = '\\u0E00-\\u0E7F\\u3005-\\u3007\\u3021-\\u3029\\u3038-\\u303B\\u3040-\\u30FF' +
    '\\u31F0-\\u31FF\\u3400-\\u4DBF\\u4E00-\\u9FFF\\uF900-\\uFAFF\\uFF66-\\uFF9F\\u{1B000}-\\u{1B16F}' +
    '\\u{20000}-\\u{323AF}';
  const kOwnWordCharacter = new RegExp(`[${kOwnWordCharacters}]`, 'u');
  // A word: one such character with the marks after it, or a run of other
  // letters, marks and digits.
  const kWordPattern = new RegExp(`[${kOwnWordCharacters}]\\p{M}*|(?:(?![${kOwnWordCharacters}])[\\p{L}\\p{M}\\p{N}])+`, 'gu');

  // A word in the form compared for marking: letters folded, upper case.
  function wordKey(word) {
    return Array.from(word, foldCharacter).join('').toUpperCase();
  }

  // The words of a query to mark: {key, prefix} for each word that is not an
  // operator or after NOT; a word ending in * matches every word it begins.
  function queryTerms(query) {
    const terms = [];
    let negated = false;
    for (const token of query.split(/[\s()"]+/u)) {
      if (token === '') continue;
      const upper = token.toUpperCase();
      if (upper === 'NOT' || upper === '!') { negated = terms.length > 0; continue; }
      if (['AND', 'OR', '&', '|'].includes(upper)) { negated = false; continue; }
      const wasNegated = negated;
      negated = false;
      const prefix = token.endsWith('*');
      const stem = prefix ? token.replace(/\*+$/, '') : token;
      if (wasNegated || stem === '' || stem.includes('*')) continue;
      // A term of Chinese, Japanese or Thai characters is searched as each
      // of its characters, so each is marked; a * applies to the last piece.
      const pieces = kOwnWordCharacter.test(stem) ? stem.match(kWordPattern) : [stem];
      pieces.forEach((piece, i) => terms.push({ key: wordKey(piece), prefix: prefix && i === pieces.length - 1 }));
    }
    return terms;
  }

  // A title cut into [{text, marked}] parts; the marked parts are the words
  // the terms match. Words are runs of letters, marks and digits, and each
  // Chinese, Japanese or Thai character with its marks a word of its own.
  function markedParts(title, terms) {
    const parts = [];
    const push = (text, marked) => {
      if (text === '') return;
      const last = parts[parts.length - 1];
      if (last && last.marked === marked) last.text += text;
      else parts.push({ text, marked });
    };
    let at = 0;
    for (const match of title.matchAll(kWordPattern)) {
      const key = wordKey(match[0]);
      const hit = terms.some((t) => (t.prefix ? key.startsWith(t.key) : key === t.key));
      push(title.slice(at, match.index), false);
      push(match[0], hit);
      at = match.index + match[0].length;
    }
    push(title.slice(at), false);
    return parts;
  }

  // ---- Pages of results ----

  // The page of results at `index` (from 0, kept within the pages there are):
  // {index, first, last (1-based, 0 when empty), items, hasPrevious, hasNext}.
  function resultPage(results, index) {
    const pageCount = Math.max(1, Math.ceil(results.length / kPageSize));
    const at = Math.min(Math.max(0, index), pageCount - 1);
    const items = results.slice(at * kPageSize, (at + 1) * kPageSize);
    return {
      index: at, items, first: items.length === 0 ? 0 : at * kPageSize + 1, last: at * kPageSize + items.length,
      hasPrevious: at > 0, hasNext: at < pageCount - 1,
    };
  }

  // A link target from the index is used only when it cannot run script.
  function safeHref(url) {
    const trimmed = url.trim();
    if (/^(javascript|data|vbscript):/i.test(trimmed.replace(/[\s\u0000-\u001f]/g, ''))) return null;
    return trimmed;
  }

  // ---- The page ----

  function clear(element) {
    while (element.firstChild) element.removeChild(element.firstChild);
  }

  // Only text nodes and <mark> elements: a title never becomes markup.
  function appendMarked(doc, parent, text, terms) {
    for (const part of markedParts(text, terms)) {
      if (part.marked) {
        const mark = doc.createElement('mark');
        mark.textContent = part.text;
        parent.appendChild(mark);
      } else {
        parent.appendChild(doc.createTextNode(part.text));
      }
    }
  }

  function resultItem(doc, result, terms) {
    const item = doc.createElement('li');
    const href = safeHref(result.url);
    const label = result.title.trim() !== '' ? result.title : result.url;
    const heading = doc.createElement(href !== null ? 'a' : 'span');
    heading.className = 'title';
    if (href !== null) heading.href = href;
    appendMarked(doc, heading, label, terms);
    item.appendChild(heading);
    const url = doc.createElement('span');
    url.className = 'url';
    url.textContent = result.url;
    item.appendChild(url);
    return item;
  }

  // The state of what is shown: the answer, the query's terms, the page.
  const state = { answer: null, terms: [], pageIndex: 0 };

  function showPage(doc, labels) {
    const results = doc.getElementById('results');
    const pager = doc.getElementById('pager');
    clear(results);
    const page = resultPage(state.answer.results, state.pageIndex);
    state.pageIndex = page.index;
    results.start = page.first || 1;
    for (const result of page.items) results.appendChild(resultItem(doc, result, state.terms));
    pager.hidden = !page.hasPrevious && !page.hasNext;
    doc.getElementById('previous-page').disabled = !page.hasPrevious;
    doc.getElementById('next-page').disabled = !page.hasNext;
    doc.getElementById('page-range').textContent = pager.hidden ? '' :
      labels.range(page.first, page.last, state.answer.results.length);
  }

  function show(doc, labels) {
    const messages = doc.getElementById('messages');
    clear(messages);
    doc.getElementById('count').textContent = labels.found(state.answer.count);
    for (const message of state.answer.messages) {
      const line = doc.createElement('p');
      line.textContent = message;
      messages.appendChild(line);
    }
    showPage(doc, labels);
  }

  // The page's own texts in the chosen language, and what is shown with them.
  function applyLabels(doc, language) {
    const labels = labelsFor(language);
    doc.documentElement.lang = labels.lang;
    doc.title = labels.heading;
    for (const element of doc.querySelectorAll('[data-label]')) element.textContent = labels[element.dataset.label];
    for (const element of doc.querySelectorAll('[data-label-placeholder]')) {
      element.placeholder = labels[element.dataset.labelPlaceholder];
    }
    for (const element of doc.querySelectorAll('[data-label-aria]')) {
      element.setAttribute('aria-label', labels[element.dataset.labelAria]);
    }
    if (state.answer !== null) show(doc, labels);
  }

  function setStatus(doc, text, name) {
    const status = doc.getElementById('status');
    status.textContent = text;
    status.dataset.state = name;
  }

  async function submit(doc, form) {
    const charset = form.dataset.charset || 'utf-8';
    const method = (form.getAttribute('method') || 'post').toLowerCase();
    const formFields = Array.from(new FormData(form).entries()).map(([n, v]) => [n, String(v)]);
    const language = (formFields.find(([n]) => n === 'language') || [null, 'en'])[1];
    const query = (formFields.find(([n]) => n === 'searchWords') || [null, ''])[1];
    const labels = labelsFor(language);
    const body = encodeForm(requestFields(formFields, charset), charset);
    const action = form.getAttribute('action');
    setStatus(doc, labels.searching, 'searching');
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
      const answer = readAnswer(bytes, response.headers.get('content-type'), language);
      if (answer === null) throw new Error('the answer holds no results');
      Object.assign(state, { answer, terms: queryTerms(query), pageIndex: 0 });
      show(doc, labels);
      setStatus(doc, '', 'done');
    } catch (error) {
      setStatus(doc, labels.failed + ': ' + error.message, 'failed');
    }
  }

  function turnPage(doc, form, step) {
    if (state.answer === null) return;
    state.pageIndex += step;
    showPage(doc, labelsFor(form.elements.language ? form.elements.language.value : 'en'));
    const first = doc.querySelector('#results .title');
    if (first) first.focus();
  }

  function start(doc) {
    const form = doc.getElementById('search-form');
    const language = form.elements.language;
    applyLabels(doc, language ? language.value : 'en');
    if (language) language.addEventListener('change', () => applyLabels(doc, language.value));
    form.addEventListener('submit', (event) => {
      event.preventDefault();
      submit(doc, form);
    });
    doc.getElementById('previous-page').addEventListener('click', () => turnPage(doc, form, -1));
    doc.getElementById('next-page').addEventListener('click', () => turnPage(doc, form, 1));
  }

  const api = {
    encodeFormValue, encodeForm, requestFields, answerIsUtf8, answerCharset, readAnswer, dataLines, parseResults, safeHref,
    messageCharset, labelsFor, queryTerms, markedParts, resultPage, kLabels, kPageSize,
  };
  if (typeof module !== 'undefined' && module.exports) {
    module.exports = api;
  } else {
    root.tarvoSearch = api;
    root.document.addEventListener('DOMContentLoaded', () => start(root.document));
  }
})(typeof window !== 'undefined' ? window : globalThis);
