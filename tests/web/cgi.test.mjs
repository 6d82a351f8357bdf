// tarvocgi run directly as a CGI process, the way a web server starts it:
// standard CGI with a prepared environment and body, and Windows CGI with a
// profile file and an output file.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';
import { bytes, cgiEnvironment, indexDocuments, makeSite, readLogLines, runCgi, runProgram } from './lib/fixture.mjs';
import { dataLines, kMessages, messageLine, searchForm, splitCgiOutput, utf8Bytes } from './lib/page.mjs';
import { kEscapingVolumes, kScenarios } from './lib/scenarios.mjs';

let site;
before(() => { site = makeSite(); });
after(() => { if (site) site.remove(); });

/// Checks the whole page around the data lines and returns the data lines.
function pageLines(output, { statusLine = true } = {}) {
  const { headerLines, body } = splitCgiOutput(output);
  const expectedHeader = statusLine ? ['HTTP/1.0 200 OK', 'content-type:text/html'] : ['content-type:text/html'];
  assert.deepEqual(headerLines, expectedHeader);
  assert.ok(body.startsWith('<HTML><BODY>\r\n<!--start of data-->\r\n'), body);
  assert.ok(body.endsWith('<!--end of data-->\r\n</BODY></HTML>\r\n'), body);
  return dataLines(body);
}

describe('standard CGI requests', () => {
  for (const scenario of kScenarios) {
    it(`GET: ${scenario.name}`, async () => {
      const result = await runCgi(site, { method: 'GET', query: searchForm(scenario.form) });
      assert.equal(result.status, 0, result.stderr);
      assert.deepEqual(pageLines(result.stdout), scenario.lines);
    });
    it(`POST: ${scenario.name}`, async () => {
      const result = await runCgi(site, { method: 'POST', body: searchForm(scenario.form) });
      assert.equal(result.status, 0, result.stderr);
      assert.deepEqual(pageLines(result.stdout), scenario.lines);
    });
  }

  it('writes no status line under a server that names Apache', async () => {
    const result = await runCgi(site, {
      query: searchForm({ volumeName: 'site', searchWords: 'zebra' }),
      extra: { SERVER_SOFTWARE: 'Apache/2.4.71 (Debian)' },
    });
    assert.deepEqual(pageLines(result.stdout, { statusLine: false }), ['0~|~~|~', messageLine(kMessages.en[3])]);
  });

  it('takes the fields of a POST request from its body only', async () => {
    const result = await runCgi(site, {
      method: 'POST',
      query: searchForm({ volumeName: 'site', searchWords: 'banana' }),
      body: searchForm({ volumeName: 'site', searchWords: 'zebra', language: 'no' }),
    });
    assert.deepEqual(pageLines(result.stdout), ['0~|~~|~', messageLine(kMessages.no[3])]);
  });

  it('answers a body over the read limit with default fields and logs it', async () => {
    const logDir = fs.mkdtempSync(path.join(site.root, 'log-limit-'));
    const form = searchForm({ volumeName: 'site', searchWords: 'banana', language: 'de' });
    const result = await runCgi(site, { method: 'POST', body: form + '&pad=' + 'x'.repeat(10001), logDir });
    assert.deepEqual(pageLines(result.stdout), ['0~|~~|~', messageLine(kMessages.en[2])]);
    const log = readLogLines(logDir);
    assert.equal(log.filter((l) => l.endsWith('Content length exceeds AutoReadLimit')).length, 1, log.join('\n'));
  });
});

describe('requests in UTF-8', () => {
  function utf8PageLines(output) {
    assert.equal(splitCgiOutput(output).headerLines[1], 'content-type:text/html; charset=utf-8');
    return dataLines(splitCgiOutput(output).body);
  }

  it('writes the Slovenian messages from their ISO-8859-2 bytes', async () => {
    const result = await runCgi(site, { query: `${searchForm({ volumeName: 'site', searchWords: 'do*',
      language: 'sl' })}&_charset_=utf8` });
    assert.deepEqual(utf8PageLines(result.stdout), ['0~|~~|~', messageLine('Zvezdica pri iskanju se lahko'),
      messageLine(utf8Bytes('uporabi \u0161ele na tretjem mestu.'))]);
  });
});

describe('request bodies the CGI layer leaves unread', () => {
  // A body larger than a pipe holds: the program must take all of it, or the
  // web server's write fails (fcgiwrap then answers "502 Bad Gateway").
  const bigPad = 'x'.repeat(300000);

  it('takes and drops a body over the read limit before answering', async () => {
    const form = searchForm({ volumeName: 'site', searchWords: 'banana' });
    const result = await runCgi(site, { method: 'POST', body: `${form}&pad=${bigPad}` });
    assert.equal(result.inputError, null, String(result.inputError));
    assert.deepEqual(pageLines(result.stdout), ['0~|~~|~', messageLine(kMessages.en[2])]);
  });

  it('takes and drops a multipart body', async () => {
    const body = `--b\r\nContent-Disposition: form-data; name="searchWords"\r\n\r\nbanana ${bigPad}\r\n--b--\r\n`;
    const result = await runCgi(site, { method: 'POST', body,
      extra: { CONTENT_TYPE: 'multipart/form-data; boundary=b' } });
    assert.equal(result.inputError, null, String(result.inputError));
    assert.deepEqual(pageLines(result.stdout), ['0~|~~|~', messageLine(kMessages.en[2])]);
  });

  it('reads no more than the announced length', async () => {
    const form = searchForm({ volumeName: 'site', searchWords: 'banana' });
    const env = cgiEnvironment({ method: 'POST', body: form, logDir: site.logDir });
    env.CONTENT_LENGTH = '20000';
    // Standard input stays open: reading past the 20000 bytes would hang until the time bound.
    const result = await runProgram(site.program, { env, input: bytes(form + '&pad=' + 'y'.repeat(25000)),
      keepInputOpen: true, timeoutMs: 10000 });
    assert.equal(result.signal, null);
    assert.deepEqual(pageLines(result.stdout), ['0~|~~|~', messageLine(kMessages.en[2])]);
  });

  it('takes and drops a body whose announced length is beyond the int range', async () => {
    const form = searchForm({ volumeName: 'site', searchWords: 'banana' });
    const env = cgiEnvironment({ method: 'POST', body: form, logDir: site.logDir });
    env.CONTENT_LENGTH = '3000000000';
    // The body ends early (the input is closed): the program reads what there is.
    const result = await runProgram(site.program, { env, input: bytes(`${form}&pad=${bigPad}`) });
    assert.equal(result.inputError, null, String(result.inputError));
    assert.deepEqual(pageLines(result.stdout), ['0~|~~|~', messageLine(kMessages.en[2])]);
  });
});

describe('volumeName stays inside the program folder tree', () => {
  let outside;
  before(() => {
    // An index beside the CGI folder: every escaping value below would reach
    // it if it were passed on unchecked.
    outside = path.join(site.root, 'outside');
    indexDocuments(path.join(outside, 'docs'), path.join(outside, 'site'));
    indexDocuments(path.join(site.root, 'etc-docs'), path.join(site.root, 'site'));
  });

  const escaping = () => [
    ...kEscapingVolumes,
    '../outside/site',
    '..\\outside\\site',
    path.join(site.root, 'outside', 'site'),
    `${site.root}/cgi-bin/site`,
  ];

  it('refuses every escaping value with the file error in the request language and one log line', async () => {
    for (const volumeName of escaping()) {
      const logDir = fs.mkdtempSync(path.join(site.root, 'log-escape-'));
      const result = await runCgi(site, {
        query: searchForm({ volumeName, searchWords: 'banana', language: 'sp' }),
        logDir,
      });
      assert.deepEqual(pageLines(result.stdout), ['0~|~~|~', messageLine(kMessages.sp[2])], volumeName);
      const log = readLogLines(logDir);
      assert.equal(log.length, 1, `${volumeName}: ${log.join('\n')}`);
      assert.ok(log[0].includes(volumeName), log[0]);
    }
  });

  it('keeps plain names, subfolders and dotted names working without a log line', async () => {
    const logDir = fs.mkdtempSync(path.join(site.root, 'log-plain-'));
    for (const volumeName of ['site', 'data/site', 'data\\site', './site', 'data/./site', 'data//site']) {
      const result = await runCgi(site, { query: searchForm({ volumeName, searchWords: 'grape' }), logDir });
      assert.deepEqual(pageLines(result.stdout).length, 2, volumeName);
    }
    assert.deepEqual(readLogLines(logDir), []);
  });
});

describe('Windows CGI requests', () => {
  function profile(outputFile, form) {
    return bytes([
      '[CGI]',
      'Request Method=POST',
      'Executable Path=/cgi-bin/tarvocgi',
      '[System]',
      `Output File=${outputFile}`,
      '[Form Literal]',
      ...Object.entries(form).map(([k, v]) => `${k}=${v}`),
      '',
    ].join('\r\n'));
  }

  it('answers a profile request into its output file without a status line', async () => {
    const folder = fs.mkdtempSync(path.join(site.root, 'wincgi-'));
    const profilePath = path.join(folder, 'request.ini');
    const outputPath = path.join(folder, 'answer.out');
    fs.writeFileSync(profilePath, profile(outputPath, { volumeName: 'site', searchWords: 'banana NOT apple',
      language: 'da' }));
    const result = await runProgram(site.program, { env: { PATH: '/usr/bin:/bin' }, args: [profilePath] });
    assert.equal(result.status, 0, result.stderr);
    const lines = pageLines(fs.readFileSync(outputPath), { statusLine: false });
    assert.equal(lines[0], '2~|~~|~');
    assert.equal(lines.length, 3);
  });

  it('gives the wildcard message of the profile language', async () => {
    const folder = fs.mkdtempSync(path.join(site.root, 'wincgi-'));
    const profilePath = path.join(folder, 'request.ini');
    const outputPath = path.join(folder, 'answer.out');
    fs.writeFileSync(profilePath, profile(outputPath, { volumeName: 'site', searchWords: 'do*', language: 'sl' }));
    await runProgram(site.program, { env: { PATH: '/usr/bin:/bin' }, args: [profilePath] });
    assert.deepEqual(pageLines(fs.readFileSync(outputPath), { statusLine: false }),
      ['0~|~~|~', messageLine(kMessages.sl[0]), messageLine(kMessages.sl[1])]);
  });
});

describe('a search answered with the file error message explains it in the log', () => {
  function searchLog(form) {
    const logDir = fs.mkdtempSync(path.join(site.root, 'log-file-error-'));
    return runCgi(site, { query: searchForm(form), logDir }).then((result) => ({ result, log: readLogLines(logDir) }));
  }

  it('names the file that failed first and the system reason, in one line', async () => {
    const cases = [
      [{ volumeName: 'nosuch', searchWords: 'banana', language: 'de' }, 'nosuch.dct: No such file or directory'],
      [{ volumeName: 'nosuch', searchWords: '', language: 'de' }, 'nosuch.toc: No such file or directory'],
    ];
    for (const [form, reason] of cases) {
      const { result, log } = await searchLog(form);
      assert.deepEqual(pageLines(result.stdout), ['0~|~~|~', messageLine(kMessages.de[2])]);
      assert.equal(log.length, 1, log.join('\n'));
      assert.ok(log[0].endsWith(` : ${reason}`), log[0]);
    }
  });

  it('names a file of the set that is no readable file', async () => {
    const broken = path.join(site.cgiDir, 'broken');
    fs.mkdirSync(broken, { recursive: true });
    for (const ext of ['.toc', '.dct', '.ndx']) {
      fs.copyFileSync(path.join(site.cgiDir, 'site' + ext), path.join(broken, 'site' + ext));
    }
    fs.mkdirSync(path.join(broken, 'site.hsh'));
    const { result, log } = await searchLog({ volumeName: 'broken\\site', searchWords: 'banana' });
    assert.deepEqual(pageLines(result.stdout), ['0~|~~|~', messageLine(kMessages.en[2])]);
    assert.equal(log.length, 1, log.join('\n'));
    assert.ok(log[0].endsWith(' : broken/site.hsh: Is a directory'), log[0]);
  });
});

describe('TARVO_INDEX_DIR names the folder volumeName is taken from', () => {
  let indexes;
  before(() => {
    // Beside the CGI folder, so only the setting can reach it.
    indexes = path.join(site.root, 'indexes');
    fs.mkdirSync(indexes);
    indexDocuments(path.join(site.root, 'indexes-docs'), path.join(indexes, 'site'));
  });

  function search(form, setting) {
    const logDir = fs.mkdtempSync(path.join(site.root, 'log-index-dir-'));
    const extra = setting === undefined ? {} : { TARVO_INDEX_DIR: setting };
    return runCgi(site, { query: searchForm(form), logDir, extra })
      .then((result) => ({ lines: pageLines(result.stdout), log: readLogLines(logDir) }));
  }

  it('finds a set outside the program folder, named absolute or relative to the program', async () => {
    const expected = kScenarios[0].lines;
    for (const setting of [indexes, indexes + '/', '../indexes']) {
      const { lines, log } = await search(kScenarios[0].form, setting);
      assert.deepEqual(lines, expected, setting);
      assert.deepEqual(log, [], setting);
    }
    // The program folder's own sets are out of reach then.
    const { lines } = await search({ volumeName: 'data/site', searchWords: 'grape' }, indexes);
    assert.deepEqual(lines, ['0~|~~|~', messageLine(kMessages.en[2])]);
  });

  it('refuses values that leave it with the page of today and a log line naming the index folder', async () => {
    for (const volumeName of ['../x', '/etc/passwd', '../cgi-bin/site', '..\\indexes\\site', `${indexes}/site`]) {
      const { lines, log } = await search({ volumeName, searchWords: 'banana', language: 'sp' }, indexes);
      assert.deepEqual(lines, ['0~|~~|~', messageLine(kMessages.sp[2])], volumeName);
      assert.deepEqual(log.map((l) => l.replace(/^.* : /, '')),
        [`volumeName refused, it leaves the index folder: ${volumeName}`], volumeName);
    }
  });

  it('left empty, takes the program folder with the log line of today', async () => {
    const { lines: found } = await search(kScenarios[5].form, '');
    assert.deepEqual(found, kScenarios[5].lines);
    const { lines, log } = await search({ volumeName: '../x', searchWords: 'banana' }, '');
    assert.deepEqual(lines, ['0~|~~|~', messageLine(kMessages.en[2])]);
    assert.deepEqual(log.map((l) => l.replace(/^.* : /, '')),
      ['volumeName refused, it leaves the program folder: ../x']);
  });
});
