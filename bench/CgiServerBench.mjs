// tarvocgi through a real web server on loopback, loaded with ApacheBench:
// requests per second and median latency for the queries of CgiRequests,
// on the same 65,535-document index.
//
// Usage: node bench/CgiServerBench.mjs [--build DIR] [--server apache|lighttpd|nginx]
//                                      [--requests N] [--concurrency C]
//   --build        build tree with bin/tarvocgi and bench/CgiRequests (default: build)
//   --server       the web server (default: lighttpd)
//   --requests     requests per query (default 500)
//   --concurrency  requests in flight at once (default 2, the machine's cores)
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { startServer } from '../tests/web/lib/servers.mjs';

const kQueries = [
  ['no index (base)', 'volumeName=none&searchWords=quorin&language=en'],
  ['exact term', 'volumeName=bench&searchWords=quorin&language=en'],
  ['broad wildcard', 'volumeName=bench&searchWords=sta*&language=en'],
  ['5-term boolean', 'volumeName=bench&searchWords=quabel+OR+quidor+AND+qualis+OR+quemar+NOT+quofel&language=en'],
];

function options() {
  const args = process.argv.slice(2);
  const value = (name, fallback) => {
    const at = args.indexOf(name);
    return at >= 0 && at + 1 < args.length ? args[at + 1] : fallback;
  };
  return {
    build: path.resolve(value('--build', 'build')),
    server: value('--server', 'lighttpd'),
    requests: Number(value('--requests', '500')),
    concurrency: Number(value('--concurrency', '2')),
  };
}

function abFigures(output) {
  const perSecond = /Requests per second:\s+([\d.]+)/.exec(output);
  const median = /^\s*50%\s+(\d+)/m.exec(output);
  const failed = /Failed requests:\s+(\d+)/.exec(output);
  const non2xx = /Non-2xx responses:\s+(\d+)/.exec(output);
  return {
    perSecond: perSecond ? Number(perSecond[1]) : NaN,
    medianMs: median ? Number(median[1]) : NaN,
    failed: (failed ? Number(failed[1]) : 0) + (non2xx ? Number(non2xx[1]) : 0),
  };
}

async function main() {
  const opts = options();
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'tarvo-bench-'));
  fs.chmodSync(root, 0o755);
  const site = { root, docRoot: path.join(root, 'htdocs'), cgiDir: path.join(root, 'cgi-bin'),
    logDir: path.join(root, 'log') };
  for (const dir of [site.docRoot, site.cgiDir]) fs.mkdirSync(dir, { mode: 0o755 });
  fs.mkdirSync(site.logDir);
  fs.chmodSync(site.logDir, 0o777);
  console.log('Preparing the index ...');
  execFileSync(path.join(opts.build, 'bench', 'CgiRequests'), ['--prepare-only', '--work', site.cgiDir,
    '--tarvocgi', path.join(opts.build, 'bin', 'tarvocgi')], { stdio: 'inherit' });
  for (const name of fs.readdirSync(site.cgiDir)) fs.chmodSync(path.join(site.cgiDir, name), 0o755);

  const server = await startServer(opts.server, site);
  try {
    console.log(`${opts.server}: ${opts.requests} requests per query, ${opts.concurrency} at once`);
    for (const [label, query] of kQueries) {
      const url = `${server.baseUrl}/cgi-bin/tarvocgi?${query}`;
      const output = execFileSync('ab', ['-q', '-n', String(opts.requests), '-c', String(opts.concurrency), url],
        { encoding: 'latin1', timeout: 600000 });
      const f = abFigures(output);
      console.log(`${label.padEnd(16)} ${f.perSecond.toFixed(0).padStart(8)} req/s   median ${f.medianMs} ms` +
        `   failed ${f.failed}`);
    }
  } finally {
    await server.stop();
    fs.rmSync(root, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
