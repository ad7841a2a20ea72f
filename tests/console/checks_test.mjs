// The console's checks before sending (console/checks.mjs) against the
// operations of a built console's api.json, and its route search.
// Usage: node checks_test.mjs CONSOLE_DIR
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { matchesWords, requestProblems } from '../../console/checks.mjs';

const api = JSON.parse(readFileSync(join(process.argv[2], 'api.json'), 'utf8'));
const byId = new Map(api.operations.map((op) => [op.id, op]));
let failures = 0;
const check = (what, fn) => {
  try {
    fn();
    console.log(`ok - ${what}`);
  } catch (error) {
    failures += 1;
    console.log(`not ok - ${what}\n  ${error.message.replace(/\n/g, '\n  ')}`);
  }
};

// [operation, query, body as typed, a piece of the one problem ('' for none)]
const cases = [
  ['putBonjourAdminMode', {}, '{"mode": true}', 'mode: true is not one of "enable", "disable" (the switch would take it as "disable")'],
  ['putBonjourAdminMode', {}, '{"mode": "Enable"}', 'write "enable", letter case included'],
  ['putBonjourAdminMode', {}, '{"mode": "enable"}', ''],
  ['putBonjourAdminMode', {}, '{"Mode": "enable"}', ''],
  ['putBonjourAdminMode', {}, '{"mod": "enable"}', 'the route reads no such member'],
  ['putBonjourAdminMode', {}, '{"mode": "enable"', 'the body is not JSON'],
  ['putBonjourAdminMode', {}, '[1]', 'an object is wanted'],
  ['putWebmgmtSwDevCtrlWebMgmtPortNum', {}, '{"port": 8080, "flag": true}', 'flag: true is a JSON literal'],
  ['putWebmgmtCliWebHttpSessionSoftTimeOut', {}, '{"timeout": 0}', 'the switch takes 1 to 60'],
  ['putWebmgmtCliWebHttpSessionSoftTimeOut', {}, '{"timeout": "10"}', 'a whole number is wanted'],
  ['putWebmgmtCliWebHttpSessionSoftTimeOut', {}, '{"timeout": 2.5}', 'a whole number is wanted'],
  ['postDnsIpNameServer', {}, '{"ipAddr": "192.0.2.300"}', 'is not an IPv4 or IPv6 address'],
  ['postDnsIpNameServer', {}, '{"ipAddr": "2001:db8::53"}', ''],
  ['postNtpServer', {}, `{"ipAddr": "${'a'.repeat(256)}"}`, '256 characters are too many'],
  ['deleteDnsIpNameServer', { ipAddr: 'nine' }, undefined, 'is not an IPv4 or IPv6 address'],
  ['getNtpAuthTableKeyValue', { keyNumber: '7x' }, undefined, 'a whole number is wanted'],
  ['getNtpAuthTableKeyValue', { keyNumber: '7' }, undefined, ''],
  ['postBonjourPublishedServiceGetNext', {}, '{"pServiceEntry": {"servicePort": "80"}}', 'pServiceEntry.servicePort'],
];
for (const [id, query, body, want] of cases) {
  check(`${id} ${JSON.stringify(query)} ${body ?? ''}`.slice(0, 120), () => {
    const op = byId.get(id);
    assert.ok(op, `no operation ${id}`);
    const problems = requestProblems(op, query, body);
    if (!want)
      assert.deepEqual(problems, []);
    else
      assert.ok(problems.length === 1 && problems[0].includes(want), `want one problem with "${want}", got ${JSON.stringify(problems)}`);
  });
}

// Every example the description gives passes the checks it is sent with.
check('every operation\'s example passes', () => {
  const refused = api.operations.flatMap((op) => {
    const query = Object.fromEntries(op.parameters.filter((p) => p.in === 'query' && p.example !== undefined)
      .map((p) => [p.name, String(p.example)]));
    const body = op.body?.example !== undefined ? JSON.stringify(op.body.example) : undefined;
    return requestProblems(op, query, body).map((p) => `${op.id}: ${p}`);
  });
  assert.deepEqual(refused, []);
});

// [typed, what the operations it finds must hold, what none may hold]
const searches = [
  ['ping', (op) => op.tag === 'Ping', (op) => /mapping/i.test(op.path)],
  ['ntp mode', (op) => op.tag === 'NTP' && /mode/i.test(op.summary + op.path), () => false],
  ['name server', (op) => /name.?server/i.test(op.summary + op.path), () => false],
  ['trace', (op) => op.tag === 'Traceroute', () => false],
];
for (const [typed, fits, never] of searches) {
  check(`search "${typed}"`, () => {
    const found = api.operations.filter((op) =>
      matchesWords(`${op.tag} ${op.subGroup} ${op.summary} ${op.path} ${op.method} ${op.id}`, typed.split(' ')));
    assert.ok(found.length > 0, 'finds nothing');
    assert.deepEqual(found.filter((op) => !fits(op) || never(op)).map((op) => op.id), []);
  });
}
process.exitCode = failures ? 1 : 0;
