// Starts nginx, lighttpd and Apache 2 with tarvocgi as a FastCGI server on a
// free 127.0.0.1 port. Each configuration is the shipped example
// (examples/server/*-fastcgi.conf) with its system paths moved into the test
// site, inside a small generated server configuration:
//   nginx     fastcgi_pass to a Unix socket; the test starts
//             "tarvocgi --fastcgi SOCKET" itself
//   lighttpd  mod_fastcgi; lighttpd starts tarvocgi (bin-path), its standard
//             input a listening socket
//   Apache 2  mod_proxy_fcgi to a Unix socket; tarvocgi is started as the
//             example units tarvocgi.socket and tarvocgi.service say, under
//             systemd-socket-activate (socket activation, LISTEN_FDS)
import fs from 'node:fs';
import path from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { sourceRoot } from './fixture.mjs';
import { processesOf } from './hostile.mjs';
import { apacheHead, apacheSiteLines, freePort, lighttpdHead, nginxHead, openUpForService, runsAsRoot, ServerProcess,
  serviceAccount, withControls, writeConfig } from './servers.mjs';

const kExampleDir = path.join(sourceRoot, 'examples', 'server');
const kStartTimeoutMs = 15000;
export const kSocketActivate = '/usr/bin/systemd-socket-activate';

/// The example's system paths and what they become in a test whose server
/// keeps its files in `dir`. The index folder is the site's CGI folder, so
/// volumeName finds the same sets as under CGI, where the index lies beside
/// the program.
function examplePaths(site, dir) {
  const socket = path.join(dir, 'tarvocgi.sock');
  return [
    ['/run/tarvo/tarvocgi.sock', socket],
    ['/run/lighttpd/tarvocgi.socket', socket],
    ['/usr/lib/cgi-bin/tarvocgi', site.program],
    ['/var/lib/tarvo', site.cgiDir],
    ['/var/log/tarvo', site.logDir],
    ['/usr/share/tarvo/www', site.docRoot],
  ];
}

/// Lines of a configuration that are neither blank nor comments.
export function settingLines(text) {
  return text.split('\n').map((line) => line.trim()).filter((line) => line !== '' && !line.startsWith('#'));
}

/// The shipped example `name` with its paths moved into the test site. Throws
/// when a setting still names a system path afterwards: the test would then
/// not run what the example says.
export function exampleFile(name, site, dir) {
  let text = fs.readFileSync(path.join(kExampleDir, name), 'utf8');
  for (const [from, to] of examplePaths(site, dir)) text = text.split(from).join(to);
  const unmoved = settingLines(text).filter((line) => /(^|[\s"'=])\/(run|var|usr\/lib\/cgi-bin|usr\/share\/tarvo)\//.test(line));
  if (unmoved.length > 0) throw new Error(`${name}: settings with paths the test does not move: ${unmoved.join('; ')}`);
  return text;
}

/// The settings of a systemd unit file as {"Section.Key": [values...]}.
export function unitSettings(text) {
  const settings = {};
  let section = '';
  for (const line of settingLines(text)) {
    const header = /^\[(.+)\]$/.exec(line);
    if (header) {
      section = header[1];
      continue;
    }
    const equals = line.indexOf('=');
    const key = `${section}.${line.slice(0, equals)}`;
    (settings[key] ||= []).push(line.slice(equals + 1));
  }
  return settings;
}

/// The command line that runs tarvocgi as tarvocgi.socket and
/// tarvocgi.service say: systemd-socket-activate listening on the unit's
/// socket with the service's environment, running its ExecStart.
export function socketActivatedCommand(site, dir) {
  const service = unitSettings(exampleFile('tarvocgi.service', site, dir));
  const socket = unitSettings(exampleFile('tarvocgi.socket', site, dir));
  const [listen] = socket['Socket.ListenStream'];
  const environment = (service['Service.Environment'] || []).flatMap((value) => value.split(/\s+/));
  const [program, ...args] = service['Service.ExecStart'][0].split(/\s+/);
  return {
    socket: listen,
    user: service['Service.User'][0],
    args: ['--listen', listen, ...environment.map((assignment) => `--setenv=${assignment}`), program, ...args],
  };
}

/// A folder for one server's configuration, logs and socket, which the
/// service account may write (lighttpd and tarvocgi make their files there
/// after giving up root).
function serverFolder(site, prefix) {
  const dir = fs.mkdtempSync(path.join(site.root, prefix));
  openUpForService(dir, true);
  for (const t of ['client_body', 'fastcgi', 'proxy', 'uwsgi', 'scgi']) fs.mkdirSync(path.join(dir, t));
  return dir;
}

/// Starts "tarvocgi --fastcgi SOCKET" as the service account, as the nginx
/// example's command line does: the log folder in its environment, the index
/// folder from the web server's FastCGI parameters. Resolves once the socket
/// takes connections.
export async function startFastcgiProgram(site, dir, { workers = 2 } = {}) {
  const socket = path.join(dir, 'tarvocgi.sock');
  const program = new ServerProcess('tarvocgi', site.program, ['--fastcgi', socket, '--workers', String(workers)],
    path.join(dir, 'tarvocgi.log'), { env: { PATH: '/usr/bin:/bin', CGI_LOG_DIR: site.logDir }, ...serviceAccount() });
  await program.waitForSocket(socket);
  return program;
}

/// tarvocgi under systemd-socket-activate, as the example units start it.
async function startSocketActivated(site, dir) {
  const command = socketActivatedCommand(site, dir);
  if (runsAsRoot && command.user !== 'www-data') throw new Error(`tarvocgi.service runs as ${command.user}`);
  const program = new ServerProcess('tarvocgi', kSocketActivate, command.args, path.join(dir, 'tarvocgi.log'),
    { env: { PATH: '/usr/bin:/bin' }, ...serviceAccount() });
  await program.waitForSocket(command.socket);
  return program;
}

async function startNginx(site, { workers }) {
  const port = await freePort();
  const dir = serverFolder(site, 'nginx-fastcgi-');
  const program = await startFastcgiProgram(site, dir, { workers });
  // The example includes Debian's fastcgi_params from beside the configuration.
  fs.copyFileSync('/etc/nginx/fastcgi_params', path.join(dir, 'fastcgi_params'));
  writeConfig(dir, 'tarvo-fastcgi.conf', exampleFile('nginx-tarvo-fastcgi.conf', site, dir));
  const conf = writeConfig(dir, 'nginx.conf', [
    ...nginxHead(dir, port, site, 256),
    `    include ${dir}/tarvo-fastcgi.conf;`,
    '  }',
    '}',
    '',
  ].join('\n'));
  const server = new ServerProcess('nginx', '/usr/sbin/nginx', ['-p', dir, '-c', conf, '-e', `${dir}/error.log`],
    path.join(dir, 'console.log'));
  return serverBeside(program, server, port, dir);
}

/// Waits until `server`, the web server in front of the FastCGI `program`,
/// listens on `port`; stops the program when it never does.
async function serverBeside(program, server, port, dir) {
  try {
    await server.waitForPort(port);
  } catch (error) {
    await program.stop();
    throw error;
  }
  return { name: server.name, port, baseUrl: `http://127.0.0.1:${port}`, processes: [server, program], program, dir };
}

/// Waits until `server` has started `program` (lighttpd starts its FastCGI
/// programs once it listens).
async function programStartedBy(server, program) {
  const deadline = Date.now() + kStartTimeoutMs;
  while (Date.now() < deadline) {
    if (processesOf(program).some((pid) => parentOf(pid) === server.child.pid)) return;
    await sleep(50);
  }
  await server.stop();
  throw new Error(`${server.name} started no ${program}`);
}

function parentOf(pid) {
  try {
    return Number(/^PPid:\s*(\d+)$/m.exec(fs.readFileSync(`/proc/${pid}/status`, 'latin1'))[1]);
  } catch {
    return 0;
  }
}

async function startLighttpd(site) {
  const port = await freePort();
  const dir = serverFolder(site, 'lighttpd-fastcgi-');
  writeConfig(dir, 'tarvo-fastcgi.conf', exampleFile('lighttpd-tarvo-fastcgi.conf', site, dir));
  const conf = writeConfig(dir, 'lighttpd.conf', [
    ...lighttpdHead(dir, port, site, ['mod_alias']),
    'mimetype.assign = ( ".html" => "text/html", ".js" => "text/javascript" )',
    `include "${dir}/tarvo-fastcgi.conf"`,
    '',
  ].join('\n'));
  const server = new ServerProcess('lighttpd', '/usr/sbin/lighttpd', ['-D', '-f', conf], path.join(dir, 'console.log'));
  await server.waitForPort(port);
  await programStartedBy(server, site.program);
  return { name: 'lighttpd', port, baseUrl: `http://127.0.0.1:${port}`, processes: [server], program: null, dir };
}

async function startApache(site) {
  const port = await freePort();
  const dir = serverFolder(site, 'apache-fastcgi-');
  const program = await startSocketActivated(site, dir);
  writeConfig(dir, 'tarvo-fastcgi.conf', exampleFile('apache2-tarvo-fastcgi.conf', site, dir));
  const conf = writeConfig(dir, 'apache2.conf', [
    ...apacheHead(dir, port, 'event', ['authz_core', 'mime', 'alias', 'env', 'dir', 'proxy', 'proxy_fcgi']),
    // The example's handler must take tarvocgi over from Debian's stock
    // mapping of /cgi-bin/ (mod_cgi is not even loaded).
    ...apacheSiteLines(site),
    `Include "${dir}/tarvo-fastcgi.conf"`,
    '',
  ].join('\n'));
  const server = new ServerProcess('apache', '/usr/sbin/apache2', ['-f', conf, '-DFOREGROUND'],
    path.join(dir, 'console.log'));
  return serverBeside(program, server, port, dir);
}

/// The server kinds with tarvocgi as a FastCGI server, under the names of
/// their CGI counterparts in servers.mjs; `tools` are the programs each needs.
export const fastcgiKinds = {
  nginx: { tools: ['/usr/sbin/nginx'], start: startNginx },
  lighttpd: { tools: ['/usr/sbin/lighttpd'], start: startLighttpd },
  apache: { tools: ['/usr/sbin/apache2', kSocketActivate], start: startApache },
};

/// What of a kind's tools is missing, or false.
export function missingTools(kind) {
  const missing = fastcgiKinds[kind].tools.filter((tool) => !fs.existsSync(tool));
  return missing.length > 0 ? `${missing.join(', ')} not installed` : false;
}

/// Starts the named kind over `site`; the result is like startServer's, with
/// `program` the tarvocgi process the test started (null under lighttpd,
/// which starts its own) and `mode` "fastcgi".
export async function startFastcgiServer(kind, site, { workers = 2 } = {}) {
  const started = withControls(await fastcgiKinds[kind].start(site, { workers }));
  started.mode = 'fastcgi';
  return started;
}
