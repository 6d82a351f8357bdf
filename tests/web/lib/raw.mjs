// Raw HTTP over a loopback socket: sends request bytes exactly as given (so
// malformed request lines, NUL bytes and lying headers really reach the web
// server), reads the answer until the server closes, and judges whether the
// answer is complete and, for a results page, whether the page is whole.
import net from 'node:net';
import { dataLines } from './page.mjs';

const kDefaultTimeoutMs = 15000;

/// Sends `bytes` (Buffer) to 127.0.0.1:`port`, half-closing the socket after
/// them when `halfClose` is set, and reads until the server closes the
/// connection. Resolves to {raw (Buffer), timedOut, error, elapsedMs}; never
/// rejects. `timeoutMs` bounds the whole exchange: a server that neither
/// answers nor closes by then is a hang. With `abortAfterMs` the client drops
/// the connection that long after sending, as a visitor who gives up does.
export function rawExchange(port, bytes, { halfClose = false, abortAfterMs = null,
  timeoutMs = kDefaultTimeoutMs } = {}) {
  return new Promise((resolve) => {
    const started = process.hrtime.bigint();
    const chunks = [];
    let settled = false;
    let timedOut = false;
    let error = null;
    const socket = net.connect({ host: '127.0.0.1', port });
    const finish = () => {
      if (settled) return;
      settled = true;
      clearTimeout(timer);
      socket.destroy();
      resolve({
        raw: Buffer.concat(chunks),
        timedOut,
        error,
        elapsedMs: Number(process.hrtime.bigint() - started) / 1e6,
      });
    };
    const timer = setTimeout(() => { timedOut = true; finish(); }, timeoutMs);
    socket.on('connect', () => {
      socket.write(bytes, (writeError) => {
        // A server that refuses the request early may reset the connection
        // while a large request is still being sent; what it answered is read on.
        if (writeError) error = error || writeError;
        else if (halfClose) socket.end();
        if (abortAfterMs !== null) setTimeout(finish, abortAfterMs);
      });
    });
    socket.on('data', (d) => chunks.push(d));
    socket.on('error', (e) => { error = error || e; finish(); });
    socket.on('end', finish);
    socket.on('close', finish);
  });
}

function decodeChunked(body) {
  const parts = [];
  let at = 0;
  for (;;) {
    const lineEnd = body.indexOf('\r\n', at);
    if (lineEnd < 0) return { body: Buffer.concat(parts), complete: false };
    const size = parseInt(body.subarray(at, lineEnd).toString('latin1').split(';')[0], 16);
    if (!Number.isFinite(size)) return { body: Buffer.concat(parts), complete: false };
    at = lineEnd + 2;
    if (size === 0) return { body: Buffer.concat(parts), complete: true };
    if (at + size + 2 > body.length) {
      parts.push(body.subarray(at));
      return { body: Buffer.concat(parts), complete: false };
    }
    parts.push(body.subarray(at, at + size));
    at += size + 2;
  }
}

/// Splits a raw answer into {status, headers (lower-case names), body
/// (Latin-1 string), complete, problem}. `complete` is false when the
/// framing says more was to come (a Content-Length not reached, a chunked
/// body without its last chunk) or there is no status line at all.
export function parseResponse(raw, { head = false } = {}) {
  // Interim answers ("100 Continue") come before the real one.
  while (/^HTTP\/\d\.\d 1\d\d\b/.test(raw.subarray(0, 16).toString('latin1'))) {
    const interimEnd = raw.indexOf('\r\n\r\n');
    if (interimEnd < 0) break;
    raw = raw.subarray(interimEnd + 4);
  }
  const headerEnd = raw.indexOf('\r\n\r\n');
  if (headerEnd < 0) {
    return { status: 0, headers: {}, body: '', complete: false,
      problem: raw.length === 0 ? 'no answer at all' : `no complete header block: ${raw.toString('latin1').slice(0, 200)}` };
  }
  const headerLines = raw.subarray(0, headerEnd).toString('latin1').split('\r\n');
  const statusMatch = /^HTTP\/\d\.\d (\d{3})\b/.exec(headerLines[0]);
  if (!statusMatch) {
    return { status: 0, headers: {}, body: '', complete: false, problem: `no status line: ${headerLines[0]}` };
  }
  const headers = {};
  for (const line of headerLines.slice(1)) {
    const colon = line.indexOf(':');
    if (colon > 0) headers[line.slice(0, colon).trim().toLowerCase()] = line.slice(colon + 1).trim();
  }
  const status = Number(statusMatch[1]);
  let body = raw.subarray(headerEnd + 4);
  let complete = true;
  let problem = null;
  const noBody = head || status === 204 || status === 304 || (status >= 100 && status < 200);
  if (!noBody && /chunked/i.test(headers['transfer-encoding'] || '')) {
    const decoded = decodeChunked(body);
    body = decoded.body;
    if (!decoded.complete) { complete = false; problem = 'chunked body without its last chunk'; }
  } else if (!noBody && headers['content-length'] !== undefined) {
    const announced = Number(headers['content-length']);
    if (body.length < announced) {
      complete = false;
      problem = `body of ${body.length} bytes, ${announced} announced`;
    } else {
      body = body.subarray(0, announced);
    }
  }
  return { status, headers, body: body.toString('latin1'), complete, problem };
}

const kPageStart = '<HTML><BODY>\r\n<!--start of data-->\r\n';
const kPageEnd = '<!--end of data-->\r\n</BODY></HTML>\r\n';
const kCountLine = /^(\d+)~\|~~\|~$/;
const kMessageLineEnd = '~|~Not Applicable~|~~|~';

/// The problems of a results page body: both data markers in place, a count
/// line, and after it as many document lines as the count says, or one or
/// two message lines when the count is 0. Returns [] for a whole page.
export function pageProblems(body) {
  const problems = [];
  if (!body.startsWith(kPageStart)) problems.push('page does not start with the data marker');
  if (!body.endsWith(kPageEnd)) problems.push('page does not end with the end-of-data marker (truncated?)');
  if (problems.length > 0) return problems;
  const lines = dataLines(body);
  const count = kCountLine.exec(lines[0] || '');
  if (!count) return [`first data line is not a count line: ${lines[0]}`];
  const found = Number(count[1]);
  const rest = lines.slice(1);
  if (found >= 1) {
    if (rest.length !== found) problems.push(`count line says ${found}, page lists ${rest.length} documents`);
    const odd = rest.find((l) => !l.endsWith('~|~~|~') || l.endsWith(kMessageLineEnd));
    if (odd !== undefined) problems.push(`not a document line: ${odd}`);
  } else {
    if (rest.length < 1 || rest.length > 2) problems.push(`count 0 with ${rest.length} message lines`);
    const odd = rest.find((l) => !l.endsWith(kMessageLineEnd));
    if (odd !== undefined) problems.push(`not a message line: ${odd}`);
  }
  return problems;
}
