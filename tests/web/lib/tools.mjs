// A suite whose tools are missing fails with one test that names them: a
// machine without a web server or the browser must not pass by running less.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';

/// Runs `body` as describe(name, options, body) when `missing` is false;
/// otherwise the suite holds one failing test that says what is missing.
export function describeWithTools(name, missing, options, body) {
  if (!missing) {
    describe(name, options, body);
    return;
  }
  describe(name, () => {
    it('has the tools it needs', () => {
      assert.fail(`${missing}: bash scripts/install-deps.sh installs what the tests need`);
    });
  });
}
