// Bounded load on loopback: ordinary searches mixed with the hostile requests
// of the web tests (raw bytes, so malformed request lines really go out),
// sent to tarvocgi under Apache (mod_cgi), lighttpd (mod_cgi) and nginx with
// fcgiwrap by a fixed number of connections for a fixed time per server.
// Reports per server: requests, errors (unsound answers: a status that is
// neither a whole results page nor the server's own refusal, a truncated
// page, socket errors, time-outs), latency percentiles, and afterwards the
// faults in the server logs and tarvocgi processes left running.
//
// Usage: node bench/hostile-load.mjs [--build DIR] [--servers apache,lighttpd,nginx]
//                                    [--seconds S] [--connections C] [--hostile-share F]
//   --build          build tree with bin/tarvocgi and bin/tarvo-index (default: build)
//   --servers        the web servers, comma-separated (default: all three)
//   --seconds        load time per server (default 30; at most 600)
//   --connections    requests in flight at once (default 4)
//   --hostile-share  share of hostile requests, 0 to 1 (default 0.5)
import path from 'node:path';

function options() {
  const args = process.argv.slice(2);
  const value = (name, fallback) => {
    const at = args.indexOf(name);
    return at >= 0 && at + 1 < args.length ? args[at + 1] : fallback;
  };
  return {
    build: path.resolve(value('--build', 'build')),
    servers: value('--servers', 'apache,lighttpd,nginx').split(',').filter((s) => s !== ''),
    seconds: Math.min(600, Math.max(1, Number(value('--seconds', '30')))),
    connections: Math.min(64, Math.max(1, Number(value('--connections', '4')))),
    hostileShare: Math.min(1, Math.max(0, Number(value('--hostile-share', '0.5')))),
  };
}

const kRequestTimeoutMs = 15000;

function percentile(sorted, fraction) {
  if (sorted.length === 0) return NaN;
  return sorted[Math.min(sorted.length - 1, Math.ceil(fraction * sorted.length) - 1)];
}

function latencyFigures(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return { p50: percentile(sorted, 0.5), p90: percentile(sorted, 0.9), p99: percentile(sorted, 0.99),
    max: sorted.length ? sorted[sorted.length - 1] : NaN };
}

/// One server under load for `seconds`: `connections` loops, each sending
/// the next request of a shared rotation that interleaves ordinary and
/// hostile requests in the asked share.
async function loadServer(lib, server, cases, opts) {
  const { answerProblems } = lib.hostile;
  const { rawExchange, parseResponse } = lib.raw;
  const ordinary = lib.hostile.kOrdinaryRequests;
  const stats = { requests: 0, ordinary: 0, hostile: 0, refused: 0, closedAsAllowed: 0,
    unsound: 0, socketErrors: 0, timeouts: 0, examples: new Map(),
    latency: { ordinary: [], hostile: [] } };
  let nextHostile = 0;
  let nextOrdinary = 0;
  let hostileCredit = 0;
  const pick = () => {
    hostileCredit += opts.hostileShare;
    if (hostileCredit >= 1) {
      hostileCredit -= 1;
      return { kase: cases[nextHostile++ % cases.length], kind: 'hostile' };
    }
    return { kase: ordinary[nextOrdinary++ % ordinary.length], kind: 'ordinary' };
  };
  const deadline = Date.now() + opts.seconds * 1000;
  const worker = async () => {
    while (Date.now() < deadline) {
      const { kase, kind } = pick();
      const exchange = await rawExchange(server.port, kase.bytes,
        { halfClose: kase.halfClose, abortAfterMs: kase.abortAfterMs ?? null, timeoutMs: kRequestTimeoutMs });
      stats.requests += 1;
      stats[kind] += 1;
      if (kase.abortAfterMs === undefined) stats.latency[kind].push(exchange.elapsedMs);
      const problems = answerProblems(kase, exchange, server.name);
      const status = parseResponse(exchange.raw, { head: kase.expect === 'head' }).status;
      if (problems.length > 0) {
        if (exchange.timedOut) stats.timeouts += 1;
        else if (exchange.raw.length === 0) stats.socketErrors += 1;
        else stats.unsound += 1;
        if (stats.examples.size < 10) stats.examples.set(kase.name, problems[0]);
      } else if (status === 0) {
        stats.closedAsAllowed += 1;
      } else if (status !== 200) {
        stats.refused += 1;
      }
    }
  };
  await Promise.all(Array.from({ length: opts.connections }, worker));
  return stats;
}

function ms(value) {
  return Number.isFinite(value) ? `${value.toFixed(1)} ms` : '-';
}

async function main() {
  const opts = options();
  // The web test library finds the programs through TARVO_BIN_DIR when it loads.
  process.env.TARVO_BIN_DIR = path.join(opts.build, 'bin');
  const lib = {
    fixture: await import('../tests/web/lib/fixture.mjs'),
    hostile: await import('../tests/web/lib/hostile.mjs'),
    raw: await import('../tests/web/lib/raw.mjs'),
    servers: await import('../tests/web/lib/servers.mjs'),
  };
  const site = lib.fixture.makeSite();
  const cases = Object.values(lib.hostile.hostileCases(lib.hostile.placeCanary(site))).flat();
  lib.hostile.placeLargeIndex(site);
  console.log(`${cases.length} hostile requests, ${lib.hostile.kOrdinaryRequests.length} ordinary searches; ` +
    `${opts.connections} connections, ${opts.seconds} s per server, hostile share ${opts.hostileShare}`);
  const rows = [];
  let failed = false;
  try {
    for (const kind of opts.servers) {
      const server = await lib.servers.startServer(kind, site);
      let stats;
      try {
        stats = await loadServer(lib, server, cases, opts);
        stats.lingering = await lib.hostile.lingeringProcesses(site.program);
        stats.logFaults = lib.hostile.faultLines(lib.hostile.serverLogs(server));
        stats.serverAlive = server.processes.every((p) => p.running);
      } finally {
        await server.stop();
      }
      const errors = stats.unsound + stats.socketErrors + stats.timeouts;
      if (errors > 0 || stats.lingering.length > 0 || stats.logFaults.length > 0 || !stats.serverAlive) failed = true;
      const all = latencyFigures([...stats.latency.ordinary, ...stats.latency.hostile]);
      const ord = latencyFigures(stats.latency.ordinary);
      rows.push({ kind, stats, errors, all, ord });
      console.log(`\n${kind}: ${stats.requests} requests (${(stats.requests / opts.seconds).toFixed(1)}/s): ` +
        `${stats.ordinary} ordinary, ${stats.hostile} hostile; ${stats.refused} refused by the server, ` +
        `${stats.closedAsAllowed} closed on a broken request`);
      console.log(`  errors ${errors}: unsound answers ${stats.unsound}, socket errors ${stats.socketErrors}, ` +
        `time-outs ${stats.timeouts}`);
      for (const [name, problem] of stats.examples) console.log(`    ${name}: ${problem.slice(0, 200)}`);
      console.log(`  latency, all:      p50 ${ms(all.p50)}  p90 ${ms(all.p90)}  p99 ${ms(all.p99)}  max ${ms(all.max)}`);
      console.log(`  latency, ordinary: p50 ${ms(ord.p50)}  p90 ${ms(ord.p90)}  p99 ${ms(ord.p99)}  max ${ms(ord.max)}`);
      console.log(`  after the run: ${stats.logFaults.length} fault lines in the server logs, ` +
        `${stats.lingering.length} tarvocgi processes left, server ${stats.serverAlive ? 'running' : 'ENDED'}`);
      for (const line of stats.logFaults.slice(0, 5)) console.log(`    ${line.slice(0, 200)}`);
    }
  } finally {
    site.remove();
  }
  console.log('\n| Server | Requests | Req/s | Hostile | Refused by server | Errors | p50 | p90 | p99 | max | Ordinary p50 / p99 |');
  console.log('|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|');
  for (const { kind, stats, errors, all, ord } of rows) {
    console.log(`| ${kind} | ${stats.requests} | ${(stats.requests / opts.seconds).toFixed(1)} | ${stats.hostile} | ` +
      `${stats.refused} | ${errors} | ${ms(all.p50)} | ${ms(all.p90)} | ${ms(all.p99)} | ${ms(all.max)} | ` +
      `${ms(ord.p50)} / ${ms(ord.p99)} |`);
  }
  process.exitCode = failed ? 1 : 0;
}

main().catch((error) => {
  console.error(error);
  process.exitCode = 2;
});
