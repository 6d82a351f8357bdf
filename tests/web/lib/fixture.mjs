// Builds a throw-away web site in a temporary folder for the web tests: a few
// documents indexed with tarvo-index, a CGI folder holding a copy of tarvocgi
// beside the index file set, a document root with the search page, and a
// writable log folder. Also runs tarvocgi directly with a prepared environment.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { runsAsRoot } from './servers.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceRoot = path.resolve(here, '..', '..', '..');

/// Folder of the built programs: TARVO_BIN_DIR, else build/bin of the checkout.
export const binDir = process.env.TARVO_BIN_DIR || path.join(sourceRoot, 'build', 'bin');
export const tarvocgiPath = path.join(binDir, 'tarvocgi');
export const tarvoIndexPath = path.join(binDir, 'tarvo-index');

const kProcessTimeoutMs = 20000;

/// Text to Windows-1252 bytes: the test texts use only characters whose code
/// point is their byte value, so Latin-1 is exact here.
export function bytes(text) {
  return Buffer.from(text, 'latin1');
}

/// The documents of the test site: name, title, URL, body. Bodies and titles
/// are Windows-1252 text written as Latin-1 strings.
export const kDocuments = [
  { file: 'alpha.htm', title: 'Alpha page', url: 'http://site.test/alpha.htm',
    body: 'apple banana cherry search engine' },
  { file: 'beta.htm', title: 'Beta page', url: 'http://site.test/beta.htm',
    body: 'banana dog elephant' },
  { file: 'gamma.htm', title: 'Gamma ~|~ notes', url: 'http://site.test/gamma.htm',
    body: 'cherry grape honeydew' },
  { file: 'cafe.htm', title: 'Caf\xe9 cr\xe8me', url: 'http://site.test/caf%E9.htm',
    body: 'caf\xe9 cr\xe8me au lait' },
  { file: 'delta.htm', title: 'Delta page', url: 'http://site.test/delta.htm',
    body: 'kiwi lemon mango nectarine orange papaya banana' },
];

function htmlDocument(doc) {
  return `<html><head><title>${doc.title}</title></head>\r\n<body><p>${doc.body}</p></body></html>\r\n`;
}

function makeFolder(folder, writable = false) {
  fs.mkdirSync(folder, { recursive: true });
  if (runsAsRoot) fs.chmodSync(folder, writable ? 0o777 : 0o755);
  return folder;
}

/// The arguments of tarvo-index that index the documents indexDocuments
/// wrote into `docsDir` into the index file set `base` again.
export function indexArguments(docsDir, base) {
  return ['--filelist', path.join(docsDir, 'files.lst'), '--stopwords', path.join(docsDir, 'stopwords.txt'),
    '--database', base, '--quiet'];
}

/// Writes the documents, the file list and the stopwords into `docsDir` and
/// runs tarvo-index so that the index file set `base` (a full path) exists.
/// A document with `listTitle` gets that title from the file list (taken as
/// it stands, markup included).
export function indexDocuments(docsDir, base, documents = kDocuments) {
  makeFolder(docsDir);
  const list = [];
  for (const doc of documents) {
    fs.writeFileSync(path.join(docsDir, doc.file), bytes(htmlDocument(doc)));
    list.push(`${doc.file} F:${doc.url}` + (doc.listTitle === undefined ? '' : ` T: ${doc.listTitle}`));
  }
  fs.writeFileSync(path.join(docsDir, 'files.lst'), bytes(list.join('\r\n') + '\r\n'));
  fs.writeFileSync(path.join(docsDir, 'stopwords.txt'), bytes('THE\r\nAND\r\n'));
  const run = spawnSync(tarvoIndexPath, indexArguments(docsDir, base),
    { timeout: kProcessTimeoutMs, encoding: 'latin1' });
  if (run.status !== 0 || !fs.existsSync(base + '.toc')) {
    throw new Error(`tarvo-index failed (${run.status}): ${run.stdout}${run.stderr}${run.error || ''}`);
  }
  for (const ext of ['.toc', '.dct', '.ndx', '.hsh', '.ext']) {
    if (fs.existsSync(base + ext)) fs.chmodSync(base + ext, 0o644);
  }
}

/// Indexes the bundled sample site (its project samples/sample.tarvo) into the
/// index file set `base` (a full path).
export function indexSampleSite(base) {
  const run = spawnSync(tarvoIndexPath, [path.join(sourceRoot, 'samples', 'sample.tarvo'), '--database', base,
    '--quiet'], { timeout: kProcessTimeoutMs, encoding: 'latin1' });
  if (run.status !== 0 || !fs.existsSync(base + '.toc')) {
    throw new Error(`tarvo-index failed on the sample site (${run.status}): ${run.stdout}${run.stderr}`);
  }
  for (const ext of ['.toc', '.dct', '.ndx', '.hsh']) fs.chmodSync(base + ext, 0o644);
  for (const ext of ['.lst', '.temp']) fs.rmSync(base + ext, { force: true });
}

/// Indexes a bundled project of samples/ (such as "world.tarvo") into the
/// index file set `base` (a full path).
export function indexProject(project, base) {
  const run = spawnSync(tarvoIndexPath, [path.join(sourceRoot, 'samples', project), '--database', base, '--quiet'],
    { timeout: kProcessTimeoutMs, encoding: 'latin1' });
  if (run.status !== 0 || !fs.existsSync(base + '.toc')) {
    throw new Error(`tarvo-index failed on ${project} (${run.status}): ${run.stdout}${run.stderr}`);
  }
  for (const file of fs.readdirSync(path.dirname(base)).filter((f) => f.startsWith(`${path.basename(base)}.`))) {
    fs.chmodSync(path.join(path.dirname(base), file), 0o644);
  }
}

/// A copy of the search page in the site's document root named `file`, with
/// each [from, to] of `replacements` applied, as a site's own copy would be.
export function writeSearchPage(site, file, replacements) {
  let text = fs.readFileSync(path.join(sourceRoot, 'examples', 'search.html'), 'utf8');
  for (const [from, to] of replacements) {
    if (!text.includes(from)) throw new Error(`search.html holds no ${from}`);
    text = text.replace(from, to);
  }
  fs.writeFileSync(path.join(site.docRoot, file), text);
}

/// A complete test site under a new temporary folder:
///   root/cgi-bin/tarvocgi        copy of the built program
///   root/cgi-bin/site.*          the index file set (volumeName "site")
///   root/cgi-bin/data/site.*     the same set one folder down ("data/site")
///   root/htdocs/                 the search page and the documents
///   root/log/                    CGI_LOG_DIR, writable by the server's account
export function makeSite() {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'tarvo-web-'));
  makeFolder(root);
  const site = {
    root,
    docRoot: makeFolder(path.join(root, 'htdocs')),
    cgiDir: makeFolder(path.join(root, 'cgi-bin')),
    logDir: makeFolder(path.join(root, 'log'), true),
  };
  site.program = path.join(site.cgiDir, 'tarvocgi');
  fs.copyFileSync(tarvocgiPath, site.program);
  fs.chmodSync(site.program, 0o755);
  indexDocuments(path.join(site.docRoot, 'docs'), path.join(site.cgiDir, 'site'));
  makeFolder(path.join(site.cgiDir, 'data'));
  for (const ext of ['.toc', '.dct', '.ndx', '.hsh']) {
    fs.copyFileSync(path.join(site.cgiDir, 'site' + ext), path.join(site.cgiDir, 'data', 'site' + ext));
  }
  for (const file of ['search.html', 'search.js']) {
    fs.copyFileSync(path.join(sourceRoot, 'examples', file), path.join(site.docRoot, file));
  }
  site.logLines = () => readLogLines(site.logDir);
  site.remove = () => fs.rmSync(root, { recursive: true, force: true });
  // Also when a test file ends without its clean-up hooks.
  process.on('exit', site.remove);
  return site;
}

/// Every line of every log file in `folder`.
export function readLogLines(folder) {
  if (!fs.existsSync(folder)) return [];
  return fs.readdirSync(folder).flatMap((name) =>
    fs.readFileSync(path.join(folder, name), 'latin1').split('\r\n').filter((l) => l !== ''));
}

/// The environment of a standard CGI request as a web server would prepare it.
export function cgiEnvironment({ method = 'GET', query = '', body = null, logDir, extra = {} }) {
  const env = {
    PATH: '/usr/bin:/bin',
    GATEWAY_INTERFACE: 'CGI/1.1',
    SERVER_SOFTWARE: 'TestServer/1.0',
    SERVER_NAME: '127.0.0.1',
    SERVER_PORT: '80',
    SERVER_PROTOCOL: 'HTTP/1.1',
    REQUEST_METHOD: method,
    SCRIPT_NAME: '/cgi-bin/tarvocgi',
    QUERY_STRING: query,
    REMOTE_ADDR: '127.0.0.1',
  };
  if (logDir) env.CGI_LOG_DIR = logDir;
  if (body !== null) {
    env.CONTENT_LENGTH = String(body.length);
    env.CONTENT_TYPE = 'application/x-www-form-urlencoded';
  }
  return { ...env, ...extra };
}

/// Runs a program with the given environment, arguments and standard input;
/// resolves to {status, stdout (Buffer), stderr, inputError}; inputError is
/// set when the program ended before taking all of its standard input. With
/// keepInputOpen the input is written but never ended, as a server may do.
/// Killed after a time bound.
export function runProgram(program, { env = {}, args = [], input = null, keepInputOpen = false,
  timeoutMs = kProcessTimeoutMs } = {}) {
  return new Promise((resolve, reject) => {
    const child = spawn(program, args, { env, stdio: ['pipe', 'pipe', 'pipe'] });
    const out = [];
    const err = [];
    let inputError = null;
    const timer = setTimeout(() => child.kill('SIGKILL'), timeoutMs);
    child.stdout.on('data', (d) => out.push(d));
    child.stderr.on('data', (d) => err.push(d));
    child.on('error', (e) => { clearTimeout(timer); reject(e); });
    child.on('close', (status, signal) => {
      clearTimeout(timer);
      resolve({ status, signal, stdout: Buffer.concat(out), stderr: Buffer.concat(err).toString('latin1'),
        inputError });
    });
    child.stdin.on('error', (error) => { inputError = error; });
    if (keepInputOpen) child.stdin.write(input);
    else child.stdin.end(input === null ? undefined : input);
  });
}

/// Runs the site's tarvocgi as a standard CGI program.
export function runCgi(site, request) {
  const env = cgiEnvironment({ ...request, logDir: request.logDir ?? site.logDir });
  const input = request.body === undefined || request.body === null ? null : bytes(request.body);
  return runProgram(request.program || site.program, { env, input });
}
