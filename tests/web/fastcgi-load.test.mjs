// tarvocgi as a FastCGI server under nginx, under load: its index set is
// rebuilt 20 times while searches run without pause, and SIGTERM arrives
// while requests are in flight.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { after, before, it } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';
import { indexArguments, indexDocuments, makeSite, runProgram, tarvoIndexPath } from './lib/fixture.mjs';
import { missingTools, startFastcgiServer } from './lib/fastcgi.mjs';
import { faultLines, placeLargeIndex, serverLogs } from './lib/hostile.mjs';
import { dataLines, documentLine, searchForm } from './lib/page.mjs';
import { pageProblems } from './lib/raw.mjs';
import { describeWithTools } from './lib/tools.mjs';

const kSuiteTimeoutMs = 200000;
const kRebuilds = 20;
const kSearchClients = 4;
const kSignalClients = 8;
const kExitBoundMs = 15000;

/// One GET; resolves to {status, body, sentAt, headersAt, endedAt, error}
/// (times from performance.now()), never rejects.
function timedGet(url) {
  return new Promise((resolve) => {
    const result = { status: 0, body: '', sentAt: performance.now(), headersAt: null, endedAt: null, error: null };
    const finish = (error) => {
      if (result.endedAt !== null) return;
      result.endedAt = performance.now();
      result.error = error || null;
      resolve(result);
    };
    const req = http.get(url, { agent: false, timeout: 20000 }, (res) => {
      result.headersAt = performance.now();
      result.status = res.statusCode;
      const chunks = [];
      res.on('data', (c) => chunks.push(c));
      res.on('end', () => { result.body = Buffer.concat(chunks).toString('latin1'); finish(); });
      res.on('error', finish);
      res.on('aborted', () => finish(new Error('response aborted')));
    });
    req.on('timeout', () => req.destroy(new Error('timed out')));
    req.on('error', finish);
  });
}

/// Runs `clients` loops that each send the next of `urls` until stop() is
/// called; results() gives every answer.
function startLoad(clients, urls) {
  const results = [];
  let stopped = false;
  let next = 0;
  const loops = Array.from({ length: clients }, async () => {
    while (!stopped) {
      const url = urls[next++ % urls.length];
      results.push({ url, ...(await timedGet(url)) });
    }
  });
  return {
    results,
    async stop() {
      stopped = true;
      await Promise.all(loops);
    },
  };
}

/// Why a page is not the expected one: [] when it is exactly one of
/// `expectedPages` (lists of data lines).
function mismatch(result, expectedPages) {
  if (result.error) return [`${result.error.message}`];
  if (result.status !== 200) return [`status ${result.status}: ${result.body.slice(0, 200)}`];
  const problems = pageProblems(result.body);
  if (problems.length > 0) return problems;
  const lines = JSON.stringify(dataLines(result.body));
  if (!expectedPages.some((page) => JSON.stringify(page) === lines)) return [`a page of neither set: ${lines.slice(0, 300)}`];
  return [];
}

let site;
before(() => { site = makeSite(); });
after(() => { if (site) site.remove(); });

describeWithTools('tarvocgi as a FastCGI server under load', missingTools('nginx'), { timeout: kSuiteTimeoutMs }, () => {
  it(`answers from one whole set while the set is rebuilt ${kRebuilds} times`, async (t) => {
    // Two document sets under one base: each query's page differs between
    // them, but their files are of the same sizes, so that only the files'
    // identity tells a rebuilt set from the one before.
    const documentSet = (name, count) => Array.from({ length: count }, (_, i) => ({
      file: `${name}${i}.htm`, title: `Set ${name} document ${i}`, url: `http://${name}.test/d${i}.htm`,
      body: `shared ${name}only word${i}`,
    }));
    const sets = [documentSet('a', 300), documentSet('b', 300)];
    const base = path.join(site.cgiDir, 'live');
    const docsDirs = sets.map((_, i) => path.join(site.root, `live-docs-${i}`));
    indexDocuments(docsDirs[1], path.join(site.root, 'live-first-b'), sets[1]);
    indexDocuments(docsDirs[0], base, sets[0]);
    const queries = [['shared', () => true], ['word1*', (d) => /word1/.test(d.body)]];
    const pageOf = (set, keep) => {
      const found = set.filter(keep);
      return [`${found.length}~|~~|~`, ...found.map((d) => documentLine(d.title, d.url))];
    };
    const expected = queries.map(([, keep]) => sets.map((set) => pageOf(set, keep)));

    const server = await startFastcgiServer('nginx', site, { workers: 2 });
    try {
      const urls = queries.map(([words]) =>
        `${server.baseUrl}/cgi-bin/tarvocgi?${searchForm({ volumeName: 'live', searchWords: words, language: 'en' })}`);
      const load = startLoad(kSearchClients, urls);
      const afterRebuild = [];
      for (let run = 1; run <= kRebuilds; ++run) {
        const set = run % 2;
        // Files readable by the service account, whatever the test's umask.
        const rebuild = await runProgram('/bin/sh', { args: ['-c', 'umask 022 && exec "$0" "$@"', tarvoIndexPath,
          ...indexArguments(docsDirs[set], base)], env: { PATH: '/usr/bin:/bin' }, timeoutMs: 60000 });
        assert.equal(rebuild.status, 0, `rebuild ${run}: ${rebuild.stdout}${rebuild.stderr}`);
        // The set just published is the one the next request reads.
        const next = await timedGet(urls[0]);
        afterRebuild.push(...mismatch(next, [expected[0][set]]).map((p) => `after rebuild ${run}: ${p}`));
      }
      await load.stop();
      const problems = load.results.flatMap((r) =>
        mismatch(r, expected[urls.indexOf(r.url)]).map((p) => `${r.url.replace(/^.*\?/, '')}: ${p}`));
      const seen = expected.flat().map((page) =>
        load.results.filter((r) => r.status === 200 && JSON.stringify(dataLines(r.body)) === JSON.stringify(page)).length);
      t.diagnostic(`${load.results.length} searches during the rebuilds; pages of each set and query: ${seen}`);
      assert.deepEqual(problems.slice(0, 20), []);
      assert.deepEqual(afterRebuild, []);
      assert.ok(seen.every((count) => count > 0), `some page never seen: ${seen}`);
      assert.deepEqual(faultLines(serverLogs(server)), []);
    } finally {
      await server.stop();
    }
  });

  it('finishes the requests in flight at SIGTERM with whole pages, then exits 0', async (t) => {
    placeLargeIndex(site);
    const server = await startFastcgiServer('nginx', site, { workers: 2 });
    const url = (form) => `${server.baseUrl}/cgi-bin/tarvocgi?${searchForm(form)}`;
    const load = startLoad(kSignalClients, [
      url({ volumeName: 'big', searchWords: 'common', language: 'en' }),
      url({ volumeName: 'site', searchWords: 'banana', language: 'en' }),
    ]);
    try {
      while (load.results.length < 50) await sleep(20);
      const signalAt = performance.now();
      process.kill(server.program.child.pid, 'SIGTERM');
      const exited = await Promise.race([server.program.exited.then(() => true), sleep(kExitBoundMs).then(() => false)]);
      await sleep(200);
      await load.stop();
      assert.ok(exited, `tarvocgi still runs ${kExitBoundMs} ms after SIGTERM`);
      assert.deepEqual({ code: server.program.exitCode, signal: server.program.exitSignal }, { code: 0, signal: null });

      const inFlight = load.results.filter((r) => r.sentAt < signalAt && r.endedAt > signalAt);
      const problems = load.results.flatMap((r) => {
        const started = r.headersAt !== null && r.headersAt < signalAt;
        // A request tarvocgi never took is answered by nginx with 502.
        if (!started && !r.error && r.status === 502) return [];
        if (r.error) return [`${r.error.message} (sent ${Math.round(r.sentAt - signalAt)} ms from SIGTERM)`];
        if (r.status !== 200) return [`status ${r.status}`];
        return pageProblems(r.body);
      });
      const whole = inFlight.filter((r) => r.status === 200).length;
      t.diagnostic(`${load.results.length} requests, ${inFlight.length} in flight at SIGTERM, ${whole} of them ` +
        `answered with 200, ${load.results.filter((r) => r.status === 502).length} refused with 502`);
      assert.deepEqual(problems, []);
      assert.ok(whole > 0, 'no request was in flight at SIGTERM: the test proved nothing');
      // nginx had sent these requests to tarvocgi: a reset or a connection
      // closed without an answer (one still waiting in the listen queue, too)
      // is a response lost in flight.
      assert.deepEqual(faultLines(serverLogs(server)), [], 'requests sent to tarvocgi lost at SIGTERM');
    } finally {
      await load.stop();
      await server.stop();
    }
  });
});
