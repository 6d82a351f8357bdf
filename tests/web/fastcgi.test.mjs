// tarvocgi as a FastCGI server under nginx, lighttpd and Apache 2, each
// configured from the shipped example: every request gets the same status,
// content type and body bytes as from the same server running tarvocgi as a
// CGI program, and the same log lines; one tarvocgi process answers them
// all. The example systemd units pass systemd-analyze.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, it } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';
import { makeSite } from './lib/fixture.mjs';
import { exampleFile, fastcgiKinds, missingTools, startFastcgiServer } from './lib/fastcgi.mjs';
import { placeLargeIndex, processesOf } from './lib/hostile.mjs';
import { request, searchForm } from './lib/page.mjs';
import { kScenarios } from './lib/scenarios.mjs';
import { serverKinds, startServer } from './lib/servers.mjs';
import { describeWithTools } from './lib/tools.mjs';

const kSuiteTimeoutMs = 120000;
const kLogWaitMs = 5000;

/// The requests compared: every scenario by GET and by POST, the UTF-8
/// forms, a body over the read limit, a refused volumeName and a page of
/// 2,000 documents (several FastCGI records).
const kRequests = [
  ...kScenarios.flatMap((s) => [
    { name: `GET form: ${s.name}`, query: searchForm(s.form) },
    { name: `POST form: ${s.name}`, body: searchForm(s.form) },
  ]),
  { name: 'GET form in UTF-8 with _charset_', query: 'volumeName=site&searchWords=caf%C3%A9&_charset_=UTF-8' },
  { name: 'POST form whose content type names UTF-8', body: 'volumeName=site&searchWords=caf%C3%A9',
    contentType: 'application/x-www-form-urlencoded; charset=UTF-8' },
  { name: 'POST body over the read limit', logs: true,
    body: `${searchForm({ volumeName: 'site', searchWords: 'banana', language: 'fr' })}&pad=${'x'.repeat(100000)}` },
  { name: 'volumeName leaving the index folder', logs: true,
    query: searchForm({ volumeName: '../cgi-bin/site', searchWords: 'banana', language: 'nl' }) },
  { name: 'missing index set', logs: true, query: searchForm({ volumeName: 'nosuch', searchWords: 'banana' }) },
  { name: 'a page of 2,000 documents', query: 'volumeName=big&searchWords=common&language=en' },
];

function send(server, req) {
  const url = `${server.baseUrl}/cgi-bin/tarvocgi`;
  if (req.body === undefined) return request(`${url}?${req.query}`);
  return request(url, { method: 'POST', body: req.body, contentType: req.contentType });
}

/// What a client sees of an answer.
function visible(response) {
  return { status: response.status, contentType: response.headers['content-type'], body: response.body };
}

/// The log lines a request added, without time stamp and request number.
async function loggedBy(site, action) {
  const before = site.logLines().length;
  await action();
  const deadline = Date.now() + kLogWaitMs;
  while (site.logLines().length === before && Date.now() < deadline) await sleep(50);
  return site.logLines().slice(before).map((line) => line.slice(line.indexOf(' : ') + 3));
}

let site;
before(() => {
  site = makeSite();
  placeLargeIndex(site);
});
after(() => { if (site) site.remove(); });

for (const kind of Object.keys(fastcgiKinds)) {
  const missing = missingTools(kind) || (fs.existsSync(serverKinds[kind].binary) ? false : `${kind} is not installed`);
  describeWithTools(`tarvocgi as a FastCGI server under ${kind}`, missing, { timeout: kSuiteTimeoutMs }, () => {
    let cgi;
    let fastcgi;
    let fastcgiPids;
    before(async () => {
      // Both read the index sets from the CGI folder through TARVO_INDEX_DIR,
      // as the example configurations do, so the log lines name it alike.
      cgi = await startServer(kind, site, { TARVO_INDEX_DIR: site.cgiDir });
      fastcgi = await startFastcgiServer(kind, site);
      fastcgiPids = processesOf(site.program);
    });
    after(async () => {
      if (fastcgi) await fastcgi.stop();
      if (cgi) await cgi.stop();
    });

    for (const req of kRequests) {
      it(`answers as CGI does: ${req.name}`, async () => {
        const expected = visible(await send(cgi, req));
        assert.equal(expected.status, 200, expected.body);
        assert.deepEqual(visible(await send(fastcgi, req)), expected, fastcgi.errorLog());
      });
    }

    it('writes the log lines that CGI writes', async () => {
      for (const req of kRequests.filter((r) => r.logs)) {
        const expected = await loggedBy(site, () => send(cgi, req));
        assert.notDeepEqual(expected, [], req.name);
        assert.deepEqual(await loggedBy(site, () => send(fastcgi, req)), expected, req.name);
      }
    });

    it('answered every request from the one tarvocgi process it started with', () => {
      assert.equal(fastcgiPids.length, 1, `tarvocgi processes at the start: ${fastcgiPids}`);
      assert.ok(processesOf(site.program).includes(fastcgiPids[0]), 'the FastCGI server has ended');
    });
  });
}

describeWithTools('the example systemd units', fs.existsSync('/usr/bin/systemd-analyze') ? false :
  'systemd-analyze is not installed', {}, () => {
  it('pass systemd-analyze verify with the built tarvocgi in ExecStart', () => {
    const dir = fs.mkdtempSync(path.join(site.root, 'units-'));
    for (const unit of ['tarvocgi.socket', 'tarvocgi.service']) {
      fs.writeFileSync(path.join(dir, unit), exampleFile(unit, site, dir));
    }
    const run = spawnSync('systemd-analyze', ['verify', '--man=no', './tarvocgi.socket', './tarvocgi.service'],
      { cwd: dir, encoding: 'utf8' });
    assert.equal(run.status, 0, run.stdout + run.stderr);
    assert.equal(run.stderr, '');
  });
});
