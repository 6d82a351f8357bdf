// Reads tarvocgi's results page the way a client does (raw CGI output or an
// HTTP response), and holds the expected message texts of every language.
import http from 'node:http';

/// Language code -> [wildcard line 1, wildcard line 2, file error, no documents],
/// as Windows-1252 bytes written as Latin-1 strings (Slovenian "š" is byte 185).
export const kMessages = {
  en: ['All wildcard characters must', 'be after the 3rd character.', 'File errors!', 'No records found'],
  sp: ['Todos los caracteres "comodines"', 'deben estar despu\xe9s del 3er car\xe1cter.',
    '\xa1Errores de archivo!', 'No existe registro'],
  da: ['Alle jokertegn (*) skal s\xe6ttes', 'efter det 3. tegn.', 'Fil fejl!', 'Ingen forekomster fundet'],
  nl: ['Alle wildcard-tekens mogen', 'pas na het derde teken.', 'Bestandsproblemen!', 'Geen records gevonden'],
  sl: ['Zvezdica pri iskanju se lahko', 'uporabi \xb9ele na tretjem mestu.', 'Napaka v datoteki!', 'Ni zadetkov'],
  fr: ['Tout caract\xe8re g\xe9n\xe9rique doit', '\xeatre utilis\xe9 apr\xe8s le 3\xe8me caract\xe8re.',
    'Erreurs fichier', 'Aucune page trouv\xe9e'],
  de: ['Alle wildcard beichen m\xfcssen', 'nach dem dritten zeichen stehen.', 'Dateifehler!',
    'Keine aufnahme gefunden'],
  no: ['Skriv minst 3 bokstaver/ tall', 'f\xf8r bruk av jokertegn.', 'Fil-feil!', 'Ingen treff'],
  it: ['Ogni metacarattere deve', 'essere dopo il terzo carattere.', 'Errori su file', 'Nessun record trovato'],
};

export const kStartMarker = '<!--start of data-->';
export const kEndMarker = '<!--end of data-->';

/// A message line of the page for the given text.
export function messageLine(text) {
  return `${text}~|~Not Applicable~|~~|~`;
}

/// A document line of the page.
export function documentLine(title, url) {
  return `${title}~|~${url}~|~~|~`;
}

/// The lines between the data markers of a page body (Latin-1 string), or
/// throws with the body when the markers are missing or out of order.
export function dataLines(body) {
  const lines = body.split('\r\n');
  const start = lines.indexOf(kStartMarker);
  const end = lines.indexOf(kEndMarker);
  if (start < 0 || end < start) throw new Error(`no data block in page:\n${body}`);
  return lines.slice(start + 1, end);
}

/// Splits raw CGI output into {headerLines, body}. Every line of the header
/// block ends with CR LF and the block ends with an empty line.
export function splitCgiOutput(output) {
  const text = output.toString('latin1');
  const end = text.indexOf('\r\n\r\n');
  if (end < 0) throw new Error(`no header block in output:\n${text}`);
  return { headerLines: text.slice(0, end).split('\r\n'), body: text.slice(end + 4) };
}

/// Sends one request; resolves to {status, headers, body (Latin-1 string)}.
/// `body` is a Latin-1 string sent as URL-encoded form data, under
/// `contentType`.
export function request(url, { method = 'GET', body = null, timeoutMs = 20000,
  contentType = 'application/x-www-form-urlencoded' } = {}) {
  return new Promise((resolve, reject) => {
    const payload = body === null ? null : Buffer.from(body, 'latin1');
    const headers = payload === null ? {} : {
      'Content-Type': contentType,
      'Content-Length': String(payload.length),
    };
    const req = http.request(url, { method, headers, timeout: timeoutMs }, (res) => {
      const chunks = [];
      res.on('data', (c) => chunks.push(c));
      res.on('end', () => resolve({
        status: res.statusCode,
        headers: res.headers,
        rawHeaders: res.rawHeaders,
        body: Buffer.concat(chunks).toString('latin1'),
      }));
      res.on('error', reject);
    });
    req.on('timeout', () => req.destroy(new Error(`request to ${url} timed out`)));
    req.on('error', reject);
    req.end(payload === null ? undefined : payload);
  });
}

/// URL-encodes a Latin-1 (Windows-1252) text byte by byte, blanks as "+".
export function formEncode(text) {
  let out = '';
  for (const b of Buffer.from(text, 'latin1')) {
    const ch = String.fromCharCode(b);
    if (/[A-Za-z0-9*._-]/.test(ch)) out += ch;
    else if (b === 0x20) out += '+';
    else out += '%' + b.toString(16).toUpperCase().padStart(2, '0');
  }
  return out;
}

/// A text's UTF-8 bytes as a Latin-1 string, the way the pages are read here.
export function utf8Bytes(text) {
  return Buffer.from(text, 'utf8').toString('latin1');
}

/// Form data of the three search fields; a field given as undefined is left out.
export function searchForm({ volumeName, searchWords, language }) {
  const pairs = [];
  if (volumeName !== undefined) pairs.push(`volumeName=${formEncode(volumeName)}`);
  if (searchWords !== undefined) pairs.push(`searchWords=${formEncode(searchWords)}`);
  if (language !== undefined) pairs.push(`language=${formEncode(language)}`);
  return pairs.join('&');
}
