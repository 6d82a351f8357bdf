// Starts Apache 2 (mod_cgi), lighttpd (mod_cgi) and nginx with fcgiwrap on a
// free 127.0.0.1 port, each with a configuration generated into a temporary
// folder, serving one document root and one CGI folder; and stops them again.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import path from 'node:path';

const kStartTimeoutMs = 15000;
const kStopTimeoutMs = 5000;

/// Root must hand the workers to an unprivileged account: Apache refuses to
/// serve as root, and nginx and lighttpd should not.
export const runsAsRoot = typeof process.getuid === 'function' && process.getuid() === 0;
const kServiceUser = 'www-data';
const kServiceGroup = 'www-data';

/// The ids of the unprivileged account, for a program the tests start
/// themselves as root: {uid, gid}, or {} when the tests do not run as root.
export function serviceAccount() {
  if (!runsAsRoot) return {};
  const entry = fs.readFileSync('/etc/passwd', 'latin1').split('\n')
    .map((line) => line.split(':')).find((fields) => fields[0] === kServiceUser);
  if (!entry) throw new Error(`no account ${kServiceUser}`);
  return { uid: Number(entry[2]), gid: Number(entry[3]) };
}

/// Asks the system for a free loopback port.
export function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer();
    probe.unref();
    probe.on('error', reject);
    probe.listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

/// Whether a connection to `target` (net.connect's {host, port} or {path}) succeeds.
function canConnect(target) {
  return new Promise((resolve) => {
    const socket = net.connect(target);
    socket.setTimeout(1000);
    socket.on('connect', () => { socket.destroy(); resolve(true); });
    socket.on('timeout', () => { socket.destroy(); resolve(false); });
    socket.on('error', () => resolve(false));
  });
}

// Process groups still running; they are killed when the test process ends
// in any way, so that no server outlives the tests.
const liveGroups = new Set();
function killLiveGroups() {
  for (const group of liveGroups) {
    try { process.kill(-group, 'SIGKILL'); } catch { /* already gone */ }
  }
  liveGroups.clear();
}
process.on('exit', killLiveGroups);
// SIGPIPE stays ignored, as Node.js leaves it: a handler would turn every
// write to a program that ended before taking its input into the end of the
// whole test file, where it is an error of one test.
for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
  process.on(signal, () => {
    killLiveGroups();
    process.exit(128 + (signal === 'SIGINT' ? 2 : signal === 'SIGHUP' ? 1 : 15));
  });
}

/// One started server process (its own process group), with its log file.
/// `options` go to spawn (env, uid, gid).
export class ServerProcess {
  constructor(name, command, args, logFile, options = {}) {
    this.name = name;
    this.logFile = logFile;
    const log = fs.openSync(logFile, 'a');
    this.child = spawn(command, args, { detached: true, stdio: ['ignore', log, log], ...options });
    fs.closeSync(log);
    const group = this.child.pid;
    liveGroups.add(group);
    this.exited = new Promise((resolve) => this.child.on('exit', resolve));
    this.child.on('exit', (code, signal) => { this.exitCode = code; this.exitSignal = signal; });
    this.running = true;
    this.exited.then(() => { this.running = false; });
    this.group = group;
  }

  async waitForPort(port) {
    await this.waitForConnection({ host: '127.0.0.1', port }, `127.0.0.1:${port}`);
  }

  /// Waits until the Unix socket `file` takes connections.
  async waitForSocket(file) {
    await this.waitForConnection({ path: file }, file);
  }

  async waitForConnection(target, where) {
    const deadline = Date.now() + kStartTimeoutMs;
    while (Date.now() < deadline) {
      if (!this.running) break;
      if (await canConnect(target)) return;
      await sleep(50);
    }
    const log = fs.existsSync(this.logFile) ? fs.readFileSync(this.logFile, 'latin1') : '';
    await this.stop();
    throw new Error(`${this.name} did not start on ${where}\n${log}`);
  }

  /// Ends the whole process group: TERM first, KILL when it lingers.
  async stop() {
    if (!this.running) {
      liveGroups.delete(this.group);
      return;
    }
    const group = -this.child.pid;
    try { process.kill(group, 'SIGTERM'); } catch { /* already gone */ }
    const done = await Promise.race([this.exited.then(() => true), sleep(kStopTimeoutMs).then(() => false)]);
    if (!done) {
      try { process.kill(group, 'SIGKILL'); } catch { /* already gone */ }
      await this.exited;
    }
    // Workers of the group may outlive the leader for a moment.
    try { process.kill(group, 'SIGKILL'); } catch { /* none left */ }
    liveGroups.delete(this.group);
  }
}

/// Makes a folder and every folder above it inside `root` enterable by the
/// unprivileged service account.
export function openUpForService(folder, writable = false) {
  if (!runsAsRoot) return;
  fs.chmodSync(folder, writable ? 0o777 : 0o755);
}

export function writeConfig(dir, name, text) {
  const file = path.join(dir, name);
  fs.writeFileSync(file, text);
  return file;
}

/// The first lines of every Apache 2 configuration of the tests: all its
/// run-time files in `dir`, the loopback port, the MPM, the modules and,
/// under root, the service account.
export function apacheHead(dir, port, mpm, modules) {
  const lib = '/usr/lib/apache2/modules';
  return [
    `ServerRoot "${dir}"`,
    'ServerName 127.0.0.1',
    `Listen 127.0.0.1:${port}`,
    `PidFile "${dir}/apache2.pid"`,
    `DefaultRuntimeDir "${dir}"`,
    `Mutex file:${dir} default`,
    `ErrorLog "${dir}/error.log"`,
    'LogLevel warn',
    `LoadModule mpm_${mpm}_module ${lib}/mod_mpm_${mpm}.so`,
    ...modules.map((m) => `LoadModule ${m}_module ${lib}/mod_${m}.so`),
    ...(runsAsRoot ? [`User ${kServiceUser}`, `Group ${kServiceGroup}`] : []),
  ];
}

/// The lines of an Apache 2 configuration of the tests that serve the site:
/// its documents, and Debian's stock mapping of /cgi-bin/ to its CGI folder.
export function apacheSiteLines(site) {
  return [
    'TypesConfig /etc/mime.types',
    'AddDefaultCharset Off',
    `DocumentRoot "${site.docRoot}"`,
    'DirectoryIndex index.html',
    '<Directory />',
    '  Require all granted',
    '</Directory>',
    `ScriptAlias /cgi-bin/ "${site.cgiDir}/"`,
  ];
}

/// nginx's temporary folders, all kept in the server's own folder.
export const kNginxTempFolders = ['client_body', 'fastcgi', 'proxy', 'uwsgi', 'scgi'];

/// An nginx configuration of the tests up to the lines inside its one server
/// block, which serves the site's documents on the loopback port.
export function nginxHead(dir, port, site, workerConnections) {
  return [
    'daemon off;',
    'worker_processes 2;',
    ...(runsAsRoot ? [`user ${kServiceUser} ${kServiceGroup};`] : []),
    `pid ${dir}/nginx.pid;`,
    `error_log ${dir}/error.log warn;`,
    `events { worker_connections ${workerConnections}; }`,
    'http {',
    '  access_log off;',
    ...kNginxTempFolders.map((t) => `  ${t}_temp_path ${dir}/${t};`),
    '  include /etc/nginx/mime.types;',
    '  default_type application/octet-stream;',
    '  server {',
    `    listen 127.0.0.1:${port};`,
    `    root ${site.docRoot};`,
    '    index index.html;',
  ];
}

/// The first lines of a lighttpd configuration of the tests.
export function lighttpdHead(dir, port, site, modules) {
  return [
    `server.document-root = "${site.docRoot}"`,
    'server.bind = "127.0.0.1"',
    `server.port = ${port}`,
    `server.modules = ( ${modules.map((m) => `"${m}"`).join(', ')} )`,
    `server.errorlog = "${dir}/error.log"`,
    ...(runsAsRoot ? [`server.username = "${kServiceUser}"`, `server.groupname = "${kServiceGroup}"`] : []),
    'index-file.names = ( "index.html" )',
  ];
}

/// The environment each server gives tarvocgi: the site's log folder and
/// `env`'s variables.
function programEnvironment(site, env) {
  return Object.entries({ CGI_LOG_DIR: site.logDir, ...env });
}

/// Apache 2 with the prefork MPM and mod_cgi, in the foreground.
async function startApache(site, env) {
  const port = await freePort();
  const dir = fs.mkdtempSync(path.join(site.root, 'apache-'));
  openUpForService(dir);
  const conf = writeConfig(dir, 'apache2.conf', [
    ...apacheHead(dir, port, 'prefork', ['authz_core', 'mime', 'alias', 'env', 'dir', 'cgi']),
    'StartServers 2',
    'MinSpareServers 2',
    'MaxSpareServers 4',
    'MaxRequestWorkers 16',
    ...apacheSiteLines(site),
    ...programEnvironment(site, env).map(([name, value]) => `SetEnv ${name} "${value}"`),
    '',
  ].join('\n'));
  const server = new ServerProcess('apache2', '/usr/sbin/apache2', ['-f', conf, '-DFOREGROUND'],
    path.join(dir, 'console.log'));
  await server.waitForPort(port);
  return { name: 'apache', port, baseUrl: `http://127.0.0.1:${port}`, processes: [server], dir };
}

/// lighttpd with mod_cgi, in the foreground.
async function startLighttpd(site, env) {
  const port = await freePort();
  const dir = fs.mkdtempSync(path.join(site.root, 'lighttpd-'));
  // lighttpd opens its error log after it has given up root.
  openUpForService(dir, true);
  const conf = writeConfig(dir, 'lighttpd.conf', [
    ...lighttpdHead(dir, port, site, ['mod_alias', 'mod_cgi', 'mod_setenv']),
    'mimetype.assign = ( ".html" => "text/html", ".htm" => "text/html", ".js" => "text/javascript",',
    '                    ".css" => "text/css", ".txt" => "text/plain" )',
    `alias.url = ( "/cgi-bin/" => "${site.cgiDir}/" )`,
    '$HTTP["url"] =~ "^/cgi-bin/" {',
    '  cgi.assign = ( "" => "" )',
    '}',
    `setenv.set-environment = ( ${programEnvironment(site, env).map(([name, value]) => `"${name}" => "${value}"`)
      .join(', ')} )`,
    '',
  ].join('\n'));
  const server = new ServerProcess('lighttpd', '/usr/sbin/lighttpd', ['-D', '-f', conf],
    path.join(dir, 'console.log'));
  await server.waitForPort(port);
  return { name: 'lighttpd', port, baseUrl: `http://127.0.0.1:${port}`, processes: [server], dir };
}

/// nginx in the foreground, handing /cgi-bin/ to fcgiwrap on its own loopback port.
async function startNginx(site, env) {
  const port = await freePort();
  const wrapPort = await freePort();
  const dir = fs.mkdtempSync(path.join(site.root, 'nginx-'));
  openUpForService(dir);
  for (const t of kNginxTempFolders) fs.mkdirSync(path.join(dir, t));
  const conf = writeConfig(dir, 'nginx.conf', [
    ...nginxHead(dir, port, site, 128),
    '    location ~ ^/cgi-bin/([^/]+)$ {',
    '      include /etc/nginx/fastcgi_params;',
    `      fastcgi_param SCRIPT_FILENAME ${site.cgiDir}/$1;`,
    ...programEnvironment(site, env).map(([name, value]) => `      fastcgi_param ${name} ${value};`),
    `      fastcgi_pass 127.0.0.1:${wrapPort};`,
    '    }',
    '  }',
    '}',
    '',
  ].join('\n'));
  // fcgiwrap runs the CGI programs as the account it runs as: the service
  // account, as the other servers' CGI programs.
  const wrapper = new ServerProcess('fcgiwrap', '/usr/sbin/fcgiwrap',
    ['-c', '4', '-s', `tcp:127.0.0.1:${wrapPort}`], path.join(dir, 'fcgiwrap.log'), serviceAccount());
  try {
    await wrapper.waitForPort(wrapPort);
  } catch (error) {
    throw error;
  }
  const server = new ServerProcess('nginx', '/usr/sbin/nginx',
    ['-p', dir, '-c', conf, '-e', `${dir}/error.log`], path.join(dir, 'console.log'));
  try {
    await server.waitForPort(port);
  } catch (error) {
    await wrapper.stop();
    throw error;
  }
  return { name: 'nginx', port, baseUrl: `http://127.0.0.1:${port}`, processes: [server, wrapper], dir };
}

export const serverKinds = {
  apache: { binary: '/usr/sbin/apache2', start: startApache },
  lighttpd: { binary: '/usr/sbin/lighttpd', start: startLighttpd },
  nginx: { binary: '/usr/sbin/nginx', start: startNginx },
};

/// Starts the named server kind over `site` ({root, docRoot, cgiDir, logDir}),
/// giving tarvocgi the variables of `env` besides CGI_LOG_DIR.
/// The result has baseUrl and stop().
export async function startServer(kind, site, env = {}) {
  return withControls(await serverKinds[kind].start(site, env));
}

/// Adds stop() and errorLog() to a started server {processes, dir}.
export function withControls(started) {
  started.stop = async () => {
    for (const p of started.processes) await p.stop();
  };
  started.errorLog = () => {
    const file = path.join(started.dir, 'error.log');
    return fs.existsSync(file) ? fs.readFileSync(file, 'latin1') : '';
  };
  return started;
}
