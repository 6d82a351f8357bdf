// Hostile requests sent as raw bytes to tarvocgi under Apache 2 (mod_cgi),
// lighttpd (mod_cgi) and nginx with fcgiwrap: path traversal, long and broken
// fields, NUL bytes, odd bodies, unknown methods, wildcard-only queries, a
// large page to clients that hang up. Every answer is a whole results page
// or the server's own refusal, no answer
// shows the canary index set placed beside the CGI folder, the server logs
// tell of no failed or crashed CGI process, and no tarvocgi process lingers.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';
import { makeSite } from './lib/fixture.mjs';
import { answerProblems, faultLines, hostileCases, kLogLine, lingeringProcesses, placeCanary, placeLargeIndex,
  rawRequest, sendCases, serverLogs } from './lib/hostile.mjs';
import { rawExchange } from './lib/raw.mjs';
import { serverKinds, startServer } from './lib/servers.mjs';
import { describeWithTools } from './lib/tools.mjs';

const kSuiteTimeoutMs = 120000;
const kLingerBoundMs = 10000;

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

/// Two CGI scripts beside tarvocgi that die of SIGSEGV, "dies-mid-page.sh"
/// after the start of a results page and "dies-at-once.sh" before any
/// output: the checks must call both answers unsound.
function placeDyingScripts(site) {
  const scripts = {
    'dies-mid-page.sh': 'printf \'Content-Type: text/html\\r\\n\\r\\n<HTML><BODY>\\r\\n' +
      '<!--start of data-->\\r\\n3~|~~|~\\r\\n\'\n',
    'dies-at-once.sh': '',
  };
  for (const [name, start] of Object.entries(scripts)) {
    const script = path.join(site.cgiDir, name);
    fs.writeFileSync(script, `#!/bin/sh\n${start}kill -SEGV $$\n`);
    fs.chmodSync(script, 0o755);
  }
}

// One site for the three servers, which run one after the other: the
// test site, the canary beside its CGI folder, the large index and the
// dying scripts.
let site;
let cases;
before(() => {
  site = makeSite();
  cases = hostileCases(placeCanary(site));
  placeLargeIndex(site);
  placeDyingScripts(site);
});
after(() => { if (site) site.remove(); });

for (const kind of Object.keys(serverKinds)) {
  const installed = fs.existsSync(serverKinds[kind].binary);
  describeWithTools(`hostile requests under ${kind}`, installed ? false : `${kind} is not installed`,
    { timeout: kSuiteTimeoutMs }, () => {
    let server;
    before(async () => {
      server = await startServer(kind, site);
    });
    after(async () => {
      if (server) await server.stop();
    });

    for (const group of Object.keys(hostileCases('/canary'))) {
      it(`answers ${group} with whole pages or its own errors`, async (t) => {
        const { problems, statuses } = await sendCases(server, cases[group]);
        t.diagnostic(`${cases[group].length} requests, statuses ${JSON.stringify(statuses)}`);
        assert.deepEqual(problems, []);
      });
    }

    it('logs no failed CGI process and no crash; leaves no tarvocgi process; the server still runs', async () => {
      assert.deepEqual(await lingeringProcesses(site.program, kLingerBoundMs), []);
      assert.deepEqual(faultLines(serverLogs(server)), []);
      const logLines = site.logLines();
      assert.deepEqual(logLines.filter((line) => /Unhandled exception/.test(line)), []);
      // Request text never breaks a log line: each starts with its time stamp.
      assert.deepEqual(logLines.filter((line) => !kLogLine.test(line)), []);
      assert.ok(logLines.some((line) => line.endsWith('refused, it leaves the program folder: site??X-Injected: yes')),
        logLines.join('\n'));
      for (const p of server.processes) assert.ok(p.running, `${p.name} has ended`);
    });

    it('sees a CGI process that dies: an unsound answer, and a fault in the log where the server logs one', async () => {
      for (const script of ['dies-mid-page.sh', 'dies-at-once.sh']) {
        const kase = { name: script, expect: 'answer', bytes: rawRequest('GET', `/cgi-bin/${script}`) };
        const exchange = await rawExchange(server.port, kase.bytes);
        assert.notDeepEqual(answerProblems(kase, exchange, server.name), [], exchange.raw.toString('latin1'));
      }
      if (server.name === 'nginx') return;  // fcgiwrap logs no crash of its CGI process
      // The server may write its log line a moment after the answer.
      const deadline = Date.now() + kLingerBoundMs;
      while (faultLines(serverLogs(server)).length === 0 && Date.now() < deadline) await sleep(100);
      assert.notDeepEqual(faultLines(serverLogs(server)), [], serverLogs(server));
    });
  });
}
