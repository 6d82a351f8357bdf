// The same index and the same requests answered by tarvocgi under Apache 2
// (mod_cgi), lighttpd (mod_cgi) and nginx with fcgiwrap, each on its own
// loopback port, checked as a client sees them.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { after, before, describe, it } from 'node:test';
import { makeSite } from './lib/fixture.mjs';
import { dataLines, documentLine, kMessages, messageLine, request, searchForm, utf8Bytes } from './lib/page.mjs';
import { kScenarios } from './lib/scenarios.mjs';
import { serverKinds, startServer } from './lib/servers.mjs';
import { describeWithTools } from './lib/tools.mjs';

const kSuiteTimeoutMs = 90000;

/// Checks what a client sees of one answer and returns its data lines.
function clientLines(response) {
  assert.equal(response.status, 200, response.body);
  assert.match(response.headers['content-type'], /^text\/html\b/);
  // Nothing of the CGI header may leak into the page or the header block.
  assert.ok(!response.body.includes('HTTP/1.0'), response.body);
  for (let i = 0; i < response.rawHeaders.length; i += 2) {
    assert.match(response.rawHeaders[i], /^[A-Za-z0-9-]+$/, `odd header name ${response.rawHeaders[i]}`);
  }
  assert.ok(response.body.startsWith('<HTML><BODY>\r\n<!--start of data-->\r\n'), response.body);
  assert.ok(response.body.endsWith('<!--end of data-->\r\n</BODY></HTML>\r\n'), response.body);
  return dataLines(response.body);
}

for (const kind of Object.keys(serverKinds)) {
  const installed = fs.existsSync(serverKinds[kind].binary);
  describeWithTools(`tarvocgi under ${kind}`, installed ? false : `${kind} is not installed`, { timeout: kSuiteTimeoutMs },
    () => {
      let site;
      let server;
      before(async () => {
        site = makeSite();
        server = await startServer(kind, site);
      });
      after(async () => {
        if (server) await server.stop();
        if (site) site.remove();
      });

      const cgiUrl = () => `${server.baseUrl}/cgi-bin/tarvocgi`;

      for (const scenario of kScenarios) {
        it(`GET form: ${scenario.name}`, async () => {
          const response = await request(`${cgiUrl()}?${searchForm(scenario.form)}`);
          assert.deepEqual(clientLines(response), scenario.lines, server.errorLog());
        });
        it(`POST form: ${scenario.name}`, async () => {
          const response = await request(cgiUrl(), { method: 'POST', body: searchForm(scenario.form) });
          assert.deepEqual(clientLines(response), scenario.lines, server.errorLog());
        });
      }

      it('answers a POST body over the read limit (larger than a pipe holds) with default fields and one log line', async () => {
        const logCountBefore = site.logLines().length;
        const body = searchForm({ volumeName: 'site', searchWords: 'banana', language: 'fr' }) +
          '&pad=' + 'x'.repeat(100000);
        const response = await request(cgiUrl(), { method: 'POST', body });
        assert.deepEqual(clientLines(response), ['0~|~~|~', messageLine(kMessages.en[2])]);
        const added = site.logLines().slice(logCountBefore);
        assert.equal(added.filter((l) => l.endsWith('Content length exceeds AutoReadLimit')).length, 1,
          added.join('\n'));
      });

      it('refuses a volumeName that leaves the program folder', async () => {
        const response = await request(`${cgiUrl()}?${searchForm({ volumeName: '../cgi-bin/site',
          searchWords: 'banana', language: 'nl' })}`);
        assert.deepEqual(clientLines(response), ['0~|~~|~', messageLine(kMessages.nl[2])]);
      });

      // "café" sent as UTF-8 finds the Windows-1252 document, whose title
      // and URL come back in UTF-8.
      const cafeInUtf8 = ['1~|~~|~', utf8Bytes(documentLine('Caf\xe9 cr\xe8me', 'http://site.test/caf%E9.htm'))];
      const utf8Form = (fields) => `${searchForm(fields)}&searchWords=caf%C3%A9`;

      it('answers a GET form with the _charset_ field in UTF-8', async () => {
        const response = await request(`${cgiUrl()}?${utf8Form({ volumeName: 'site' })}&_charset_=UTF-8`);
        assert.equal(response.headers['content-type'], 'text/html; charset=utf-8');
        assert.deepEqual(clientLines(response), cafeInUtf8, server.errorLog());
      });

      it('answers a POST form whose content type names UTF-8 in UTF-8', async () => {
        const response = await request(cgiUrl(), { method: 'POST', body: utf8Form({ volumeName: 'site' }),
          contentType: 'application/x-www-form-urlencoded; charset=UTF-8' });
        assert.equal(response.headers['content-type'], 'text/html; charset=utf-8');
        assert.deepEqual(clientLines(response), cafeInUtf8, server.errorLog());
      });

      it('serves the search page beside the program', async () => {
        const response = await request(`${server.baseUrl}/search.html`);
        assert.equal(response.status, 200);
        assert.match(response.headers['content-type'], /^text\/html/);
        assert.ok(response.body.includes('id="search-form"'));
      });
    });
}
