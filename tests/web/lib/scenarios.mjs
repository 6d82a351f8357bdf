// The requests that every way of running tarvocgi must answer alike, with the
// data lines each must produce on the test site of fixture.mjs.
import { kDocuments } from './fixture.mjs';
import { documentLine, kMessages, messageLine } from './page.mjs';

const docs = Object.fromEntries(kDocuments.map((d) => [d.file.replace('.htm', ''), d]));
const found = (...names) => [
  `${names.length}~|~~|~`,
  ...names.map((n) => documentLine(docs[n].title, docs[n].url)),
];
const messages = (...texts) => ['0~|~~|~', ...texts.map(messageLine)];

export const kLanguageCodes = Object.keys(kMessages);

/// One request: its form fields and the data lines of the answer.
export const kScenarios = [
  { name: 'an exact term finds its documents in document order',
    form: { volumeName: 'site', searchWords: 'banana', language: 'en' },
    lines: found('alpha', 'beta', 'delta') },
  { name: 'a Windows-1252 term finds its document',
    form: { volumeName: 'site', searchWords: 'caf\xe9', language: 'fr' },
    lines: found('cafe') },
  { name: 'a title holding the separator is written unchanged',
    form: { volumeName: 'site', searchWords: 'cherry', language: 'en' },
    lines: found('alpha', 'gamma') },
  { name: 'a broad wildcard finds every word it covers',
    form: { volumeName: 'site', searchWords: 'ban*', language: 'en' },
    lines: found('alpha', 'beta', 'delta') },
  { name: 'operator words combine the terms left to right',
    form: { volumeName: 'site', searchWords: 'banana NOT apple', language: 'en' },
    lines: found('beta', 'delta') },
  { name: 'a subfolder path with "/" reaches its index',
    form: { volumeName: 'data/site', searchWords: 'grape', language: 'en' },
    lines: found('gamma') },
  { name: 'a subfolder path with "\\" reaches its index',
    form: { volumeName: 'data\\site', searchWords: 'grape', language: 'en' },
    lines: found('gamma') },
  { name: 'a query that finds nothing gives the no-documents message',
    form: { volumeName: 'site', searchWords: 'zebra', language: 'en' },
    lines: messages(kMessages.en[3]) },
  { name: 'a missing index gives the file error message',
    form: { volumeName: 'nosuch', searchWords: 'banana', language: 'de' },
    lines: messages(kMessages.de[2]) },
  { name: 'a request without volumeName looks beside the program and finds no index',
    form: { searchWords: 'banana', language: 'it' },
    lines: messages(kMessages.it[2]) },
  { name: 'the wildcard rule wins over terms that found documents',
    form: { volumeName: 'site', searchWords: 'banana OR ca*', language: 'en' },
    lines: messages(kMessages.en[0], kMessages.en[1]) },
  ...kLanguageCodes.map((code) => ({
    name: `language "${code}" gives its wildcard message`,
    form: { volumeName: 'site', searchWords: 'dog ca*', language: code },
    lines: messages(kMessages[code][0], kMessages[code][1]) })),
  ...['EN', 'es', 'xx', ''].map((code) => ({
    name: `unknown language "${code}" gives English`,
    form: { volumeName: 'site', searchWords: 'zebra', language: code },
    lines: messages(kMessages.en[3]) })),
  { name: 'a missing language gives English',
    form: { volumeName: 'site', searchWords: 'dog ca*' },
    lines: messages(kMessages.en[0], kMessages.en[1]) },
];

/// volumeName values that would leave the program's folder tree: each gets
/// the file error message and one log line.
export const kEscapingVolumes = [
  '../cgi-bin/site',
  '..\\cgi-bin\\site',
  'data/../site',
  'data\\..\\..\\etc\\site',
  '/etc/site',
  '\\etc\\site',
  'C:site',
  'c:\\web\\site',
  '..',
];
