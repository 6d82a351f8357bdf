// Hostile requests for tarvocgi behind a real web server, as raw request
// bytes, each with what a sound answer looks like; a canary index set placed
// outside the program's folder tree; and the judgement of one answer. Shared
// by the web test group and the load benchmark.
import fs from 'node:fs';
import path from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { indexDocuments, kDocuments } from './fixture.mjs';
import { documentLine, kMessages, messageLine, searchForm } from './page.mjs';
import { pageProblems, parseResponse, rawExchange } from './raw.mjs';

export const kCgiPath = '/cgi-bin/tarvocgi';

/// The canary: an index set that exists beside the CGI folder, never below
/// it. No answer may ever show its title or URL.
export const kCanaryTitle = 'Canary secret page';
const kCanaryUrl = 'http://canary.test/secret.htm';
const kCanaryDocuments = [
  { file: 'secret.htm', title: kCanaryTitle, url: kCanaryUrl, body: 'banana zzcanary' },
];

/// Builds the canary next to the site's CGI folder: root/canary/secret.*
/// (and its source document under root/canary/docs). Returns its base path.
export function placeCanary(site) {
  const folder = path.join(site.root, 'canary');
  fs.mkdirSync(folder, { recursive: true });
  fs.chmodSync(folder, 0o755);
  const base = path.join(folder, 'secret');
  indexDocuments(path.join(folder, 'docs'), base, kCanaryDocuments);
  return base;
}

const kScriptText = '<script>alert(';

/// A second index set below the CGI folder, volumeName "big": 2,000
/// documents with long titles, so that one search lists a page of about
/// 270 KB, several blocks of output.
export const kLargeCount = 2000;
export function placeLargeIndex(site) {
  const documents = Array.from({ length: kLargeCount }, (_, i) => ({
    file: `d${i}.htm`, title: `Large page document ${i} ${'t'.repeat(100)}`, url: `http://large.test/d${i}.htm`,
    body: `common word${i}`,
  }));
  indexDocuments(path.join(site.root, 'large-docs'), path.join(site.cgiDir, 'big'), documents);
}

/// Texts that must never appear in any answer: the canary's title and URL,
/// and the first line of /etc/passwd.
/// Also the script text sent in the fields: the page never echoes request text.
export const kForbiddenTexts = [kCanaryTitle, kCanaryUrl, 'root:x:0:0:', kScriptText];

// ---- Request bytes ---------------------------------------------------------

/// A request as raw bytes: request line, Host, Connection: close, the extra
/// header lines, a Content-Length for a body (unless `length` overrides it
/// or is null), and the body.
export function rawRequest(method, target, { headers = [], body = null, length, version = 'HTTP/1.1' } = {}) {
  const payload = body === null ? Buffer.alloc(0) : Buffer.isBuffer(body) ? body : Buffer.from(body, 'latin1');
  const lines = [`${method} ${target} ${version}`, 'Host: 127.0.0.1', 'Connection: close', ...headers];
  const announced = length === undefined ? (body === null ? null : String(payload.length)) : length;
  if (announced !== null) lines.push(`Content-Length: ${announced}`);
  return Buffer.concat([Buffer.from(lines.join('\r\n') + '\r\n\r\n', 'latin1'), payload]);
}

const get = (query, options) => rawRequest('GET', `${kCgiPath}?${query}`, options);
const post = (body, contentType = 'application/x-www-form-urlencoded', options = {}) =>
  rawRequest('POST', kCgiPath, { ...options, body, headers: [`Content-Type: ${contentType}`, ...(options.headers || [])] });

// ---- Expected data lines ---------------------------------------------------

const docsByFile = Object.fromEntries(kDocuments.map((d) => [d.file.replace('.htm', ''), d]));
const found = (...names) => [`${names.length}~|~~|~`,
  ...names.map((n) => documentLine(docsByFile[n].title, docsByFile[n].url))];
const fileErrors = (language = 'en') => ['0~|~~|~', messageLine(kMessages[language][2])];
const kBananaLines = found('alpha', 'beta', 'delta');

// ---- The cases ---------------------------------------------------------------
//
// expect:
//   'page'    the request reaches tarvocgi on every server (but those named
//             in `refusedBy`, which may refuse it themselves): 200
//             and a whole results page (with exactly `lines` if given)
//   'answer'  a whole results page, or the server's own refusal (isRefusal)
//   'head'    200 without a body, or the server's own refusal
//   'any'     any complete answer (a request for a path, not the program)
//   'dropped' the client hangs up (abortAfterMs): whatever arrived by then
//             must only never show a forbidden text
// mayClose: the request itself is broken mid-way, so the server may also
//           close the connection without answering.
// mayCutBy: the servers that may stop relaying a page part-way, having taken
//           the client's half-close for a hang-up (nginx does, when it
//           notices the closed side before the page is through).

function traversalCases(canaryBase) {
  const refused = [
    '../canary/secret',
    '..\\canary\\secret',
    'data/../../canary/secret',
    'data\\..\\..\\canary\\secret',
    './../canary/secret',
    '../../../../../../../../etc/passwd',
    '..',
    '../',
    canaryBase,
    canaryBase.replace(/\//g, '\\'),
    '//' + canaryBase.replace(/^\/+/, ''),
    '/etc/passwd',
    '\\etc\\passwd',
    'C:\\Windows\\win',
    'c:/canary/secret',
    'C:',
    'site\r\nX-Injected: yes',
    'si\x00te',
    '..\x00/canary/secret',
  ];
  // lighttpd refuses encoded control bytes in the query string itself.
  const controlBytes = /[\x00-\x1f]/;
  const cases = refused.map((volumeName) => ({
    name: `volumeName ${JSON.stringify(volumeName)}`,
    bytes: get(searchForm({ volumeName, searchWords: 'zzcanary banana', language: 'en' })),
    expect: 'page', lines: fileErrors('en'), refusedBy: controlBytes.test(volumeName) ? ['lighttpd'] : [],
  }));
  // Control bytes at either end are trimmed off a field value like blanks.
  cases.push({ name: 'volumeName "site" with a NUL byte after it', expect: 'page', refusedBy: ['lighttpd'],
    bytes: get(searchForm({ volumeName: 'site\x00', searchWords: 'zzcanary banana', language: 'en' })),
    lines: ['0~|~~|~', messageLine(kMessages.en[3])] });
  // Escapes typed by hand: the field decoder must see "../" and so on.
  const encoded = [
    ['%2e%2e%2fcanary%2fsecret', fileErrors()],
    ['%2E%2E%5Ccanary%5Csecret', fileErrors()],
    ['..%2F..%2F..%2F..%2Fetc%2Fpasswd', fileErrors()],
    ['%2e%2e/%2e%2e/%2e%2e/%2e%2e/%2e%2e/etc/passwd', fileErrors()],
    ['..%00/canary/secret', fileErrors(), ['lighttpd']],
    ['%00', fileErrors(), ['lighttpd']],
    ['si%00te', fileErrors(), ['lighttpd']],
    // Decoded once only: these name files below the program folder that do not exist.
    ['%252e%252e%252fcanary%252fsecret', fileErrors()],
    ['%c0%ae%c0%ae/canary/secret', fileErrors(), ['lighttpd']],
    ['....//canary/secret', fileErrors()],
    ['.../canary/secret', fileErrors()],
  ];
  for (const [raw, lines, refusedBy = []] of encoded) {
    cases.push({ name: `volumeName typed as ${raw}`, refusedBy,
      bytes: get(`volumeName=${raw}&searchWords=zzcanary+banana&language=en`), expect: 'page', lines });
  }
  cases.push({ name: 'volumeName ../canary/secret in a POST body',
    bytes: post(searchForm({ volumeName: '../canary/secret', searchWords: 'zzcanary', language: 'en' })),
    expect: 'page', lines: fileErrors() });
  cases.push({ name: 'volumeName with a line break in a POST body',
    bytes: post(searchForm({ volumeName: 'site\r\nX-Injected: yes', searchWords: 'banana', language: 'en' })),
    expect: 'page', lines: fileErrors() });
  cases.push({ name: 'absolute canary volumeName in a POST body',
    bytes: post(searchForm({ volumeName: canaryBase, searchWords: 'zzcanary', language: 'en' })),
    expect: 'page', lines: fileErrors() });
  cases.push({ name: 'a subfolder volumeName still reaches its index',
    bytes: get(searchForm({ volumeName: 'data/site', searchWords: 'banana', language: 'en' })),
    expect: 'page', lines: kBananaLines });
  return cases;
}

function longCases() {
  const k100 = 100 * 1024;
  return [
    { name: '5,000-byte volumeName', expect: 'page', lines: fileErrors(),
      bytes: get(searchForm({ volumeName: 'a'.repeat(5000), searchWords: 'banana' })) },
    { name: 'volumeName of 2,000 nested folders', expect: 'page', lines: fileErrors(),
      bytes: get(searchForm({ volumeName: 'a/'.repeat(2000) + 'site', searchWords: 'banana' })) },
    { name: 'volumeName of 255-byte components', expect: 'page', lines: fileErrors(),
      bytes: get(searchForm({ volumeName: ('x'.repeat(255) + '/').repeat(12) + 'site', searchWords: 'banana' })) },
    { name: '9,000-byte volumeName in a POST body', expect: 'page', lines: fileErrors(),
      bytes: post(searchForm({ volumeName: 'b'.repeat(9000), searchWords: 'banana' })) },
    { name: '100 KB volumeName in the query string', expect: 'answer',
      bytes: get(`volumeName=${'v'.repeat(k100)}&searchWords=banana`) },
    { name: '100 KB searchWords in the query string', expect: 'answer',
      bytes: get(`volumeName=site&searchWords=${'banana+'.repeat(k100 / 7)}`) },
    { name: '100 KB of "&" in the query string', expect: 'answer', bytes: get('&'.repeat(k100)) },
    { name: '100 KB of "%" in the query string', expect: 'answer', bytes: get('%'.repeat(k100)) },
    { name: '7,000-byte searchWords', expect: 'page',
      bytes: get(`volumeName=site&searchWords=banana+${'q'.repeat(7000)}&language=en`) },
    { name: '2,000 empty fields before the real ones', expect: 'page', lines: kBananaLines,
      bytes: get(`${'a=&'.repeat(2000)}volumeName=site&searchWords=banana`) },
    { name: '3,000 repeated volumeName fields', expect: 'page',
      bytes: get(`${'volumeName=site&'.repeat(300)}searchWords=banana`) },
    { name: '5,000-byte language', expect: 'page', lines: kBananaLines,
      bytes: get(`volumeName=site&searchWords=banana&language=${'l'.repeat(5000)}`) },
    { name: '100 KB Cookie header', expect: 'answer',
      bytes: get('volumeName=site&searchWords=banana', { headers: [`Cookie: ${'c'.repeat(k100)}`] }) },
    { name: '2,000 header lines', expect: 'answer',
      bytes: get('volumeName=site&searchWords=banana',
        { headers: Array.from({ length: 2000 }, (_, i) => `X-Pad-${i}: ${i}`) }) },
    { name: '100 KB request path', expect: 'any', bytes: rawRequest('GET', '/cgi-bin/' + 'p'.repeat(k100)) },
  ];
}

function escapeCases() {
  const broken = ['%', '%4', '%zz', '%%', '%00', '%G1', '%4%', '%%41', '%0', '%ff%'];
  const cases = [];
  // Every field of one request ends in the same broken escape: in the values
  // (by GET and by POST), then in the names.
  const fields = { volumeName: 'site', searchWords: 'banana', language: 'en' };
  for (const bad of broken) {
    const values = Object.entries(fields).map(([n, v]) => `${n}=${v}${bad}`).join('&');
    const names = Object.entries(fields).map(([n, v]) => `${n}${bad}=${v}`).join('&');
    // lighttpd refuses a query string that decodes to a NUL byte or to a byte
    // that never occurs in UTF-8; a POST body reaches the program whatever it holds.
    const refusedBy = /%00|%ff/.test(bad) ? ['lighttpd'] : [];
    cases.push({ name: `every value ending in ${bad}`, expect: 'page', refusedBy, bytes: get(values) });
    cases.push({ name: `every value ending in ${bad} (POST)`, expect: 'page', bytes: post(values) });
    cases.push({ name: `every name ending in ${bad}`, expect: 'page', refusedBy, bytes: get(names) });
  }
  for (const whole of ['%', '%%%', '=%', '&%=&', '%zz=%zz', '=', '&&&', '==&==', 'volumeName', '%3D%26']) {
    cases.push({ name: `whole query ${whole}`, expect: 'page', bytes: get(whole) });
  }
  cases.push({ name: 'NUL byte in a POST body ends the form there', expect: 'page', lines: kBananaLines,
    bytes: post('volumeName=site&searchWords=banana\x00&language=fr&volumeName=zz') });
  cases.push({ name: 'POST body of NUL bytes', expect: 'page', lines: fileErrors(),
    bytes: post(Buffer.alloc(500)) });
  cases.push({ name: 'POST body of bytes 0x80-0xFF', expect: 'page',
    bytes: post(Buffer.from(Array.from({ length: 128 }, (_, i) => 128 + i))) });
  // Windows-1252 letters whose bytes never occur in UTF-8 (À Á õ ö ø ü ÿ):
  // lighttpd refuses them in a query string, a POST body carries them.
  const letters = 'searchWords=%C0%C1+m%FCssen+%F6l+%F8l+%FF&volumeName=site&language=en';
  cases.push({ name: 'Windows-1252 letters that are never UTF-8 bytes in a GET query', expect: 'page',
    refusedBy: ['lighttpd'], lines: ['0~|~~|~', messageLine(kMessages.en[3])], bytes: get(letters) });
  cases.push({ name: 'Windows-1252 letters that are never UTF-8 bytes in a POST body', expect: 'page',
    lines: ['0~|~~|~', messageLine(kMessages.en[3])], bytes: post(letters) });
  cases.push({ name: 'raw NUL byte in the request line', expect: 'answer',
    bytes: Buffer.from(`GET ${kCgiPath}?volumeName=site\x00&searchWords=banana HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n`, 'latin1') });
  cases.push({ name: 'raw NUL byte in a header', expect: 'answer',
    bytes: get('volumeName=site&searchWords=banana', { headers: ['X-Odd: a\x00b'] }) });
  cases.push({ name: 'raw control bytes in the query string', expect: 'answer',
    bytes: get('volumeName=site\x01\x7f&searchWords=ban\x08ana') });
  cases.push({ name: 'raw high bytes in the query string', expect: 'answer',
    bytes: get('volumeName=site&searchWords=caf\xe9\xff') });
  cases.push({ name: 'broken escape in the request path', expect: 'any',
    bytes: rawRequest('GET', '/cgi-bin/tarvo%zzcgi?volumeName=site') });
  cases.push({ name: 'lone "%" in the request path', expect: 'any', bytes: rawRequest('GET', '/cgi-bin/%') });
  cases.push({ name: 'encoded NUL in the request path', expect: 'any',
    bytes: rawRequest('GET', `${kCgiPath}%00.txt?volumeName=site`) });
  return cases;
}

function bodyCases() {
  const limitForm = (size) => {
    const form = 'volumeName=site&searchWords=banana&pad=';
    return form + 'x'.repeat(size - form.length);
  };
  const boundary = '----tarvoBoundary7MA4YWxk';
  const multipart = (parts) => parts.map(([name, value, file]) =>
    `--${boundary}\r\nContent-Disposition: form-data; name="${name}"` +
    (file ? `; filename="${file}"\r\nContent-Type: application/octet-stream` : '') +
    `\r\n\r\n${value}\r\n`).join('') + `--${boundary}--\r\n`;
  const fields = [['volumeName', 'site'], ['searchWords', 'banana'], ['language', 'en']];
  return [
    { name: 'POST of 100 KB over the read limit', expect: 'page', lines: fileErrors(),
      bytes: post(limitForm(100 * 1024)) },
    { name: 'POST one byte over the read limit', expect: 'page', lines: fileErrors(), bytes: post(limitForm(10001)) },
    { name: 'POST exactly at the read limit', expect: 'page', lines: kBananaLines, bytes: post(limitForm(10000)) },
    { name: 'POST of 2 MB', expect: 'answer', bytes: post(limitForm(2 * 1024 * 1024)) },
    { name: 'multipart form with the search fields (never parsed)', expect: 'page', lines: fileErrors(),
      bytes: post(multipart(fields), `multipart/form-data; boundary=${boundary}`) },
    { name: 'multipart form with a 50 KB file part', expect: 'page', lines: fileErrors(),
      bytes: post(multipart([...fields, ['upload', 'z'.repeat(50 * 1024), 'a.bin']]),
        `multipart/form-data; boundary=${boundary}`) },
    { name: 'multipart form with a broken boundary', expect: 'page', lines: fileErrors(),
      bytes: post(`--nope\r\n\r\n--${boundary}`, `multipart/form-data; boundary=${boundary}`) },
    { name: 'multipart content type without a boundary', expect: 'page',
      bytes: post('volumeName=site&searchWords=banana', 'multipart/form-data') },
    { name: 'form body typed as text/plain', expect: 'page', lines: kBananaLines,
      bytes: post('volumeName=site&searchWords=banana', 'text/plain') },
    { name: 'GET with a body', expect: 'page', refusedBy: ['lighttpd'],
      bytes: rawRequest('GET', `${kCgiPath}?volumeName=site&searchWords=zebra`,
        { body: 'volumeName=site&searchWords=banana' }) },
    { name: 'chunked POST', expect: 'answer',
      bytes: post('22\r\nvolumeName=site&searchWords=banana\r\n0\r\n\r\n', 'application/x-www-form-urlencoded',
        { length: null, headers: ['Transfer-Encoding: chunked'] }) },
    { name: 'chunked POST of 100 KB', expect: 'answer',
      bytes: post(`${(100 * 1024).toString(16)}\r\n${'y'.repeat(100 * 1024)}\r\n0\r\n\r\n`,
        'application/x-www-form-urlencoded', { length: null, headers: ['Transfer-Encoding: chunked'] }) },
    { name: 'chunked POST with a broken chunk size', expect: 'answer', mayClose: true, halfClose: true,
      bytes: post('zz\r\nvolumeName=site\r\n0\r\n\r\n', 'application/x-www-form-urlencoded',
        { length: null, headers: ['Transfer-Encoding: chunked'] }) },
    { name: 'Content-Length and chunked together', expect: 'answer',
      bytes: post('22\r\nvolumeName=site&searchWords=banana\r\n0\r\n\r\n', 'application/x-www-form-urlencoded',
        { headers: ['Transfer-Encoding: chunked'] }) },
    { name: 'negative Content-Length', expect: 'answer', mayClose: true, halfClose: true,
      bytes: post('volumeName=site', 'application/x-www-form-urlencoded', { length: '-1' }) },
    { name: 'Content-Length that is not a number', expect: 'answer', mayClose: true, halfClose: true,
      bytes: post('volumeName=site', 'application/x-www-form-urlencoded', { length: 'abc' }) },
    { name: 'two different Content-Length headers', expect: 'answer', mayClose: true, halfClose: true,
      bytes: post('volumeName=site', 'application/x-www-form-urlencoded', { headers: ['Content-Length: 3'] }) },
    { name: 'Content-Length of 20 digits and no body', expect: 'answer', mayClose: true, halfClose: true,
      bytes: post('', 'application/x-www-form-urlencoded', { length: '99999999999999999999' }) },
    { name: 'Content-Length over the read limit, client stops sending', expect: 'answer', mayClose: true,
      halfClose: true, bytes: post('volumeName=site', 'application/x-www-form-urlencoded', { length: '500000' }) },
    { name: 'Content-Length under the read limit, client stops sending', expect: 'answer', mayClose: true,
      halfClose: true, bytes: post('volumeName=site&searchWords=banana', 'application/x-www-form-urlencoded',
        { length: '5000' }) },
    { name: 'client drops the connection in the middle of a body', expect: 'dropped', abortAfterMs: 300,
      bytes: post('volumeName=site&searchWords=banana&pad=' + 'x'.repeat(1000), 'application/x-www-form-urlencoded',
        { length: '500000' }) },
    { name: 'client drops the connection in the middle of a small body', expect: 'dropped',
      abortAfterMs: 300, bytes: post('volumeName=site', 'application/x-www-form-urlencoded', { length: '5000' }) },
    { name: 'Expect: 100-continue', expect: 'answer',
      bytes: post('volumeName=site&searchWords=banana', 'application/x-www-form-urlencoded',
        { headers: ['Expect: 100-continue'] }) },
  ];
}

function methodCases() {
  const query = 'volumeName=site&searchWords=banana&language=en';
  const cases = ['PUT', 'DELETE', 'PATCH', 'FOO', 'OPTIONS', 'PROPFIND', 'CONNECT', 'get', 'G-E_T']
    .map((method) => ({ name: `method ${method}`, expect: 'answer', bytes: rawRequest(method, `${kCgiPath}?${query}`) }));
  // Apache answers TRACE itself with an echo of the request.
  cases.push({ name: 'method TRACE', expect: 'any', bytes: rawRequest('TRACE', `${kCgiPath}?${query}`) });
  cases.push({ name: 'PUT with a form body', expect: 'answer',
    bytes: rawRequest('PUT', kCgiPath, { body: query, headers: ['Content-Type: application/x-www-form-urlencoded'] }) });
  cases.push({ name: 'DELETE with a 100 KB body', expect: 'answer',
    bytes: rawRequest('DELETE', kCgiPath, { body: 'd'.repeat(100 * 1024) }) });
  // Apache hands the words of a query string without "=" to the program as
  // its arguments; a client's START_SERVER must not make it a relay server.
  for (const words of ['START_SERVER', 'START_SERVER+START_SERVER', 'START_SERVER+-h', '%2Fetc%2Fpasswd']) {
    cases.push({ name: `query string ${words} (arguments under Apache)`, expect: 'page', lines: fileErrors(),
      bytes: rawRequest('GET', `${kCgiPath}?${words}`) });
  }
  cases.push({ name: 'method HEAD', expect: 'head', bytes: rawRequest('HEAD', `${kCgiPath}?${query}`) });
  cases.push({ name: 'method with a NUL byte', expect: 'answer', mayClose: true, halfClose: true,
    bytes: rawRequest('GE\x00T', `${kCgiPath}?${query}`) });
  cases.push({ name: '2,000-byte method', expect: 'answer', mayClose: true, halfClose: true,
    bytes: rawRequest('M'.repeat(2000), `${kCgiPath}?${query}`) });
  cases.push({ name: 'protocol HTTP/9.9', expect: 'answer', mayClose: true, halfClose: true,
    bytes: rawRequest('GET', `${kCgiPath}?${query}`, { version: 'HTTP/9.9' }) });
  cases.push({ name: 'protocol HTTP/1.0', expect: 'page', lines: kBananaLines,
    bytes: rawRequest('GET', `${kCgiPath}?${query}`, { version: 'HTTP/1.0' }) });
  cases.push({ name: 'binary bytes instead of a request', expect: 'answer', mayClose: true, halfClose: true,
    bytes: Buffer.concat([Buffer.from([0x16, 0x03, 0x01, 0x00, 0xa5, 0x01, 0x00, 0x00, 0xa1, 0x03, 0x03]),
      Buffer.from('\r\n\r\n')]) });
  return cases;
}

function queryCases() {
  const queries = ['*', '***', '?', '??', 'AND', 'OR NOT', '* AND *', 'NOT', 'OR', '&', '|', '!', '& | !',
    'AND AND AND', 'NOT NOT NOT banana', '* OR banana', 'banana AND *', 'banana NOT *', '*banana', 'ban?na',
    '?*?', 'ban*ana*', 'ba*', 'a*', '"*"', '( banana )', '*'.repeat(300), 'banana' + ' AND'.repeat(100),
    'banana OR '.repeat(40) + '*', ' ', '\t', '+'];
  const wildcardRule = ['0~|~~|~', messageLine(kMessages.en[0]), messageLine(kMessages.en[1])];
  const nothingFound = ['0~|~~|~', messageLine(kMessages.en[3])];
  const known = { '*': wildcardRule, '***': wildcardRule, '?': wildcardRule, '* AND *': wildcardRule,
    'banana AND *': wildcardRule, AND: nothingFound, 'OR NOT': nothingFound, NOT: nothingFound,
    '& | !': nothingFound, ' ': nothingFound };
  const cases = queries.map((q) => ({ name: `searchWords ${JSON.stringify(q.length > 40 ? q.slice(0, 40) + '...' : q)}`,
    expect: 'page', lines: known[q], refusedBy: /[\x00-\x1f]/.test(q) ? ['lighttpd'] : [], bytes: get(searchForm({ volumeName: 'site', searchWords: q, language: 'en' })) }));
  cases.push({ name: 'searchWords "*" in Slovenian', expect: 'page',
    bytes: get(searchForm({ volumeName: 'site', searchWords: '*', language: 'sl' })) });
  for (const field of ['volumeName', 'searchWords', 'language']) {
    const form = { volumeName: 'site', searchWords: 'banana', language: 'en', [field]: `${kScriptText}1)</script>` };
    cases.push({ name: `markup in ${field}`, expect: 'page', bytes: get(searchForm(form)) });
    cases.push({ name: `markup in ${field} (POST)`, expect: 'page', bytes: post(searchForm(form)) });
  }
  cases.push({ name: 'searchWords "* AND *" on the missing index', expect: 'page', lines: fileErrors(),
    bytes: get(searchForm({ volumeName: 'nosuch', searchWords: '* AND *', language: 'en' })) });
  return cases;
}

// Needs placeLargeIndex.
function largePageCases() {
  const query = 'volumeName=big&searchWords=common&language=en';
  const cases = [
    { name: 'a page of 2,000 documents by GET', expect: 'page', bytes: get(query) },
    { name: 'a page of 2,000 documents by POST', expect: 'page', bytes: post(query) },
    { name: 'a page of 2,000 documents by HEAD', expect: 'head', bytes: rawRequest('HEAD', `${kCgiPath}?${query}`) },
    { name: 'a page of 2,000 documents to a client that half-closes at once', expect: 'page', mayClose: true,
      mayCutBy: ['nginx'], halfClose: true, bytes: get(query) },
  ];
  for (const ms of [0, 5, 20]) {
    cases.push({ name: `a page of 2,000 documents to a client that hangs up after ${ms} ms`, expect: 'dropped',
      abortAfterMs: ms, bytes: get(query) });
  }
  return cases;
}

function pathCases() {
  const targets = [
    '/cgi-bin/../canary/secret.toc',
    '/cgi-bin/%2e%2e/canary/secret.toc',
    '/cgi-bin/..%2fcanary%2fsecret.toc',
    '/cgi-bin/..%5ccanary%5csecret.toc',
    '/../canary/docs/secret.htm',
    '/docs/../../canary/docs/secret.htm',
    '/%2e%2e/%2e%2e/%2e%2e/%2e%2e/etc/passwd',
    '/cgi-bin/tarvocgi/../../canary/secret.toc',
    '/cgi-bin/tarvocgi/..%2f..%2fcanary%2fsecret.toc?volumeName=site&searchWords=banana',
    '/cgi-bin/tarvocgi/../../../../etc/passwd?volumeName=site&searchWords=banana',
    'http://127.0.0.1/../canary/docs/secret.htm',
    '../canary/docs/secret.htm',
    '*',
  ];
  return targets.map((target) => ({ name: `request path ${target}`, expect: 'any', bytes: rawRequest('GET', target) }));
}

/// Every hostile case, by group. `canaryBase` is the canary's absolute base
/// path; the large pages need placeLargeIndex.
export function hostileCases(canaryBase) {
  return {
    'path traversal and absolute volumeName': traversalCases(canaryBase),
    'long fields, queries and headers': longCases(),
    'NUL bytes and broken escapes': escapeCases(),
    'over-limit, multipart and odd bodies': bodyCases(),
    'unknown methods and broken request lines': methodCases(),
    'queries of wildcards and operators only': queryCases(),
    'request paths outside the document root': pathCases(),
    'large pages and clients that hang up': largePageCases(),
  };
}

/// Ordinary searches that a site gets, for mixing with the hostile ones.
export const kOrdinaryRequests = [
  ['banana', get(searchForm({ volumeName: 'site', searchWords: 'banana', language: 'en' }))],
  ['ban*', get(searchForm({ volumeName: 'site', searchWords: 'ban*', language: 'en' }))],
  ['banana NOT apple', get(searchForm({ volumeName: 'site', searchWords: 'banana NOT apple', language: 'en' }))],
  ['POST cherry', post(searchForm({ volumeName: 'site', searchWords: 'cherry', language: 'fr' }))],
].map(([name, bytes]) => ({ name, bytes, expect: 'page' }));

// ---- Judging one answer -------------------------------------------------------

/// Sends each case, two at a time; returns "case: problem" for every unsound
/// answer (in case order) and how many answers had each status ("closed"
/// for none).
export async function sendCases(server, cases) {
  const problems = cases.map(() => []);
  const statuses = {};
  let next = 0;
  const sender = async () => {
    while (next < cases.length) {
      const index = next++;
      const kase = cases[index];
      const exchange = await rawExchange(server.port, kase.bytes,
        { halfClose: kase.halfClose, abortAfterMs: kase.abortAfterMs ?? null });
      problems[index] = answerProblems(kase, exchange, server.name).map((problem) => `${kase.name}: ${problem}`);
      const key = parseResponse(exchange.raw).status || (exchange.raw.length === 0 ? 'closed' : 'other');
      statuses[key] = (statuses[key] || 0) + 1;
    }
  };
  await Promise.all([sender(), sender()]);
  return { problems: problems.flat(), statuses };
}

/// Whether `status` is a web server's own refusal of a request: a 4xx, "501
/// Not Implemented" or "505 HTTP Version Not Supported". The other 5xx are
/// what the servers answer when a CGI process fails (500 from Apache and
/// lighttpd, 502 from nginx with fcgiwrap), so they are never sound here.
export function isRefusal(status) {
  return (status >= 400 && status <= 499) || status === 501 || status === 505;
}

/// The problems of the answer to `kase` (from rawExchange); [] when it is
/// sound. A refusal by the server is sound when the case allows it.
/// `serverKind` names the server, for the cases that one server refuses itself.
export function answerProblems(kase, exchange, serverKind = '') {
  if (exchange.timedOut) return ['no answer within the time bound (hang)'];
  const head = kase.expect === 'head';
  const response = parseResponse(exchange.raw, { head });
  const problems = [];
  const text = exchange.raw.toString('latin1');
  for (const forbidden of kForbiddenTexts) {
    if (text.includes(forbidden)) problems.push(`answer shows ${JSON.stringify(forbidden)}`);
  }
  if (kase.expect === 'dropped') return problems;
  if (exchange.raw.length === 0) {
    if (!kase.mayClose) problems.push(`connection closed without an answer${exchange.error ? ` (${exchange.error.code})` : ''}`);
    return problems;
  }
  if (!response.complete) {
    if ((kase.mayCutBy || []).includes(serverKind)) return problems;
    return [...problems, response.problem];
  }
  const status = response.status;
  const serverError = isRefusal(status);
  if (kase.expect === 'any') return problems;
  if (head) {
    if (!(status === 200 || serverError)) problems.push(`status ${status} for HEAD`);
    return problems;
  }
  if (status !== 200) {
    const mayRefuse = kase.expect === 'answer' || (kase.refusedBy || []).includes(serverKind);
    if (!serverError || !mayRefuse) problems.push(`status ${status}: ${response.body.slice(0, 200)}`);
    return problems;
  }
  if (!/^text\/html\b/.test(response.headers['content-type'] || '')) {
    problems.push(`content type ${response.headers['content-type']}`);
  }
  const pageFaults = pageProblems(response.body);
  problems.push(...pageFaults);
  if (pageFaults.length === 0 && kase.lines) {
    const lines = response.body.split('\r\n');
    const got = lines.slice(lines.indexOf('<!--start of data-->') + 1, lines.indexOf('<!--end of data-->'));
    if (JSON.stringify(got) !== JSON.stringify(kase.lines)) {
      problems.push(`data lines ${JSON.stringify(got)}, expected ${JSON.stringify(kase.lines)}`);
    }
  }
  return problems;
}

/// Lines of a server's logs that tell of a CGI process that failed or of a
/// server process that died: crashes, signals, sanitizer reports, answers
/// that ended before or inside the header. (fcgiwrap logs no crash of its
/// CGI process; there the 502 answer tells of it.)
export const kFaultPatterns = [
  /segfault|segmentation fault|core dumped/i,
  /signal \d+|exit signal|killed by signal|terminated by signal/i,
  /AddressSanitizer|LeakSanitizer|runtime error:/,
  // tarvocgi writes nothing to its standard error.
  /FastCGI sent in stderr/,
  /End of script output before headers|Premature end of script headers|malformed header/i,
  /upstream prematurely closed|upstream sent (invalid|too big)|recv\(\) failed.*upstream/i,
  /cgi died|response not received|child exited/i,
];

/// The lines of `text` that match a fault pattern.
export function faultLines(text) {
  return text.split('\n').filter((line) => kFaultPatterns.some((p) => p.test(line)));
}

// ---- After a run -------------------------------------------------------------

/// A line of tarvocgi's log: time stamp, request number, message.
export const kLogLine = /^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,  \d{1,3} : [^\r\n]*$/;

/// Ids of running processes whose program file is `program`.
export function processesOf(program) {
  const ids = [];
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      if (fs.readlinkSync(`/proc/${entry}/exe`) === program) ids.push(Number(entry));
    } catch { /* gone, or not ours to see */ }
  }
  return ids;
}

/// Waits at most `boundMs` until no process of `program` runs; returns the
/// ids of those still running then.
export async function lingeringProcesses(program, boundMs = 10000) {
  const deadline = Date.now() + boundMs;
  let left = processesOf(program);
  while (left.length > 0 && Date.now() < deadline) {
    await sleep(100);
    left = processesOf(program);
  }
  return left;
}

/// Every log a started server wrote (startServer's result): its error log,
/// its console and fcgiwrap's.
export function serverLogs(server) {
  return fs.readdirSync(server.dir).filter((name) => name.endsWith('.log'))
    .map((name) => fs.readFileSync(path.join(server.dir, name), 'latin1')).join('\n');
}
