// The hostile requests of the web tests (hostile.test.mjs) sent as raw bytes
// to tarvocgi as a FastCGI server under nginx, lighttpd and Apache 2: every
// answer is a whole results page or the server's own refusal, none shows the
// canary index set, the server logs tell of no failed request, tarvocgi's
// log lines stay whole, and the one FastCGI server still runs afterwards.
import assert from 'node:assert/strict';
import { after, before, it } from 'node:test';
import { makeSite } from './lib/fixture.mjs';
import { fastcgiKinds, missingTools, startFastcgiServer } from './lib/fastcgi.mjs';
import { faultLines, hostileCases, kLogLine, placeCanary, placeLargeIndex, processesOf, sendCases,
  serverLogs } from './lib/hostile.mjs';
import { describeWithTools } from './lib/tools.mjs';

const kSuiteTimeoutMs = 120000;

let site;
let cases;
before(() => {
  site = makeSite();
  cases = hostileCases(placeCanary(site));
  placeLargeIndex(site);
});
after(() => { if (site) site.remove(); });

for (const kind of Object.keys(fastcgiKinds)) {
  describeWithTools(`hostile requests to tarvocgi as a FastCGI server under ${kind}`, missingTools(kind),
    { timeout: kSuiteTimeoutMs }, () => {
    let server;
    let pids;
    before(async () => {
      server = await startFastcgiServer(kind, site);
      pids = processesOf(site.program);
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

    it('logs no failed request; writes whole log lines; the same tarvocgi process still runs', () => {
      assert.deepEqual(faultLines(serverLogs(server)), []);
      const logLines = site.logLines();
      assert.deepEqual(logLines.filter((line) => !kLogLine.test(line)), []);
      assert.ok(logLines.some((line) => line.endsWith('refused, it leaves the index folder: site??X-Injected: yes')),
        logLines.join('\n'));
      assert.equal(pids.length, 1, `tarvocgi processes: ${pids}`);
      assert.deepEqual(processesOf(site.program), pids);
      for (const p of server.processes) assert.ok(p.running, `${p.name} has ended`);
    });
  });
}
