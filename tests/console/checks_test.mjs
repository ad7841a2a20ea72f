// The console's modules against cases played here. Without an argument:
// the table walks (console/walk.mjs), each case the shapes the description's
// x-walk objects take, the switch's answers, and what the walk must send and
// find. With a built console: its checks before sending (console/checks.mjs)
// against the operations of its api.json, and its route search.
// Usage: node checks_test.mjs [CONSOLE_DIR]
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { matchesWords, requestProblems } from '../../console/checks.mjs';
import { walkTable } from '../../console/walk.mjs';

let failures = 0;
async function check(what, fn) {
  try {
    await fn();
    console.log(`ok - ${what}`);
  } catch (error) {
    failures += 1;
    console.log(`not ok - ${what}\n  ${error.message.replace(/\n/g, '\n  ')}`);
  }
}

async function runWalks() {
  const ok = (group, data) => ({ status: 200, envelope: { [group]: data, resp: { respCode: 0 } } });
  const fail = (code) => ({ status: 200, envelope: { resp: { respCode: code } } });

  // An operation of the page's api.json: query parameters, a body or not.
  const op = (id, walk, { query = [], body = false } = {}) => ({
    id, method: body ? 'POST' : 'GET', parameters: query.map((name) => ({ name, in: 'query' })),
    body: body ? { members: [] } : null, reply: { group: 'g' }, walk });

  // A sorted key table: the entry after KEY (none: the first).
  const after = (keys, key) => (key === undefined ? keys[0] : keys[keys.indexOf(key) + 1]);

  // One operation that walks a table by its key k in the query, from none.
  const keyed = (walk = {}) => [op('n', { table: 't', first: 'n', next: 'n', entry: { k: 'k' }, cursor: { k: 'k' },
                                          end: [10000], ...walk })];
  // A switch whose table holds keys(walk) in walk 1, 2, ... (a walk begins
  // with no k); other(n) answers the nth request of any other operation.
  const table = (keys, other) => {
    let walk = 0, others = 0;
    return (id, { query }) => {
      if (id !== 'n') return other(++others);
      walk += query.k === undefined ? 1 : 0;
      const next = after(keys(walk), query.k);
      return next ? ok('g', { k: next }) : fail(10000);
    };
  };

  const firstNext = { table: 't', first: 'first', next: 'next', end: [10000] };
  const walks = [
    {
      name: 'query cursor from first to next, entry fields renamed, details joined',
      operations: (() => {
        const walk = { ...firstNext, cursor: { server: 'server' }, in: 'query',
                       details: [{ operation: 'poll', members: { interval: 'minPoll' } }] };
        return [op('first', { ...walk, step: 'first', entry: { server: 'server' } }),
                op('next', { ...walk, step: 'next', entry: { server: 'nextServer' } }),
                op('poll', null, { query: ['server'] })];
      })(),
      switch: (id, { query }) => {
        if (id === 'first') return ok('g', { server: 'a' });
        if (id === 'poll') return ok('g', { interval: query.server.charCodeAt(0) });
        const next = after(['a', 'b', 'c'], query.server);
        return next ? ok('g', { nextServer: next }) : fail(10000);
      },
      rows: [{ server: 'a', minPoll: 97 }, { server: 'b', minPoll: 98 }, { server: 'c', minPoll: 99 }],
      sent: ['first {}', 'poll {"server":"a"}', 'next {"server":"a"}', 'poll {"server":"b"}', 'next {"server":"b"}',
             'poll {"server":"c"}', 'next {"server":"c"}'],
    },
    {
      name: 'the whole entry object, sent back whole in the body',
      operations: [op('svc', { table: 't', first: 'svc', next: 'svc', entry: { '*': 'entry' }, cursor: { entry: '*' },
                               in: 'body', end: [10000] }, { body: true })],
      switch: (id, { body }) => {
        const next = after(['http', 'ssh'], JSON.parse(body).entry?.name);
        return next ? ok('g', { entry: { name: next, port: next.length } }) : fail(10000);
      },
      rows: [{ name: 'http', port: 4 }, { name: 'ssh', port: 3 }],
      sent: ['svc {} {}', 'svc {} {"entry":{"name":"http","port":4}}', 'svc {} {"entry":{"name":"ssh","port":3}}'],
    },
    {
      name: 'a GET starts it, then the cursor goes in a POST body',
      operations: [op('first', { ...firstNext, cursor: { keyNum: 'key' }, in: 'body', entry: { key: 'keyNumber' } }),
                   op('next', { ...firstNext, cursor: { keyNum: 'key' }, in: 'body', entry: { key: 'nextKeyNum' } },
                      { body: true })],
      switch: (id, { body }) => {
        if (id === 'first') return ok('g', { keyNumber: 1 });
        const key = JSON.parse(body).keyNum;
        return key < 3 ? ok('g', { nextKeyNum: key + 1 }) : fail(10000);
      },
      rows: [{ key: 1 }, { key: 2 }, { key: 3 }],
      sent: ['first {}', 'next {} {"keyNum":1}', 'next {} {"keyNum":2}', 'next {} {"keyNum":3}'],
    },
    { name: 'a success with the end data ends it; a second end code too', rows: [{ k: 'x' }],
      operations: keyed({ entry: { '*': 'e' }, end: [10000, 10023], endData: { empty: true } }),
      switch: (id, { query }) => (query.k === undefined ? ok('g', { e: { k: 'x' } }) : ok('g', { e: {}, empty: true })) },
    // One keyed table each, the walk ending as a failure.
    { name: 'a code that is no end stops the walk as a failure', operations: keyed(), rows: [{ k: 1 }],
      switch: (id, { query }) => (query.k === undefined ? ok('g', { k: 1 }) : fail(10003)), ending: { ok: false } },
    { name: 'a switch that names the same entry again does not walk forever', operations: keyed(), rows: [{ k: 7 }],
      switch: () => ok('g', { k: 7 }), ending: { ok: false, repeated: true } },
    { name: 'a refusal (403) ends it with the reply', operations: keyed(), rows: [],
      switch: () => ({ status: 403, envelope: null }), ending: { ok: false } },
    {
      name: 'probed identifiers, until the count is found',
      operations: [op('idNext', { table: 't', first: 'idNext', entry: { id: 'assocId' }, end: [10000],
                                  probe: { operation: 'id', parameter: 'assocID', from: 'id', exists: 'exists',
                                           count: { operation: 'count', member: 'n' }, limit: 10 } }),
                   op('id', null, { query: ['assocID'] }), op('count', null)],
      switch: (id, { query }) => {
        if (id === 'idNext') return ok('g', { assocId: 5 });
        if (id === 'count') return ok('g', { n: 3 });
        return ok('g', { exists: [7, 9].includes(query.assocID) });
      },
      rows: [{ id: 5 }, { id: 7 }, { id: 9 }],
    },
    { name: 'rewalked until two walks agree', operations: keyed({ cut: { rewalk: true } }), rows: [{ k: 'a' }, { k: 'b' }],
      switch: table((walk) => (walk === 1 ? ['a'] : ['a', 'b'])), walks: 3 },
    { name: 'walked again when its last entry went while it was walked', rows: [{ k: 'a' }, { k: 'b' }], walks: 2,
      operations: [...keyed({ cut: { check: 'exists' } }), op('exists', null, { query: ['k'] })],
      switch: table(() => ['a', 'b'], (n) => (n === 1 ? fail(10000) : ok('g', {}))) },
  ];

  for (const c of walks) {
    await check(c.name, async () => {
      const sent = [];
      const send = async (operation, { query, body }) => {
        sent.push(`${operation.id} ${JSON.stringify(query)}${body === undefined ? '' : ` ${body}`}`);
        return c.switch(operation.id, { query, body });
      };
      const result = await walkTable({ operations: c.operations, tables: [{ table: 't', first: c.operations[0].id }] },
                                     't', send);
      assert.deepEqual(result.rows, c.rows);
      for (const [key, value] of Object.entries(c.ending ?? { ok: true }))
        assert.equal(result.ending[key], value, `ending.${key}`);
      if (c.sent) assert.deepEqual(sent, c.sent);
      if (c.walks) assert.equal(result.walks, c.walks, 'walks');
    });
  }
}

async function runChecks(dir) {
  const api = JSON.parse(readFileSync(join(dir, 'api.json'), 'utf8'));
  const byId = new Map(api.operations.map((op) => [op.id, op]));
  // operation: [[body as typed, or the query as an object], a piece of the one problem ('' for none)]
  const cases = {
    putBonjourAdminMode: [
      ['{"mode": true}', 'mode: true is not one of "enable", "disable" (the switch would take it as "disable")'],
      ['{"mode": "Enable"}', 'write "enable", letter case included'], ['{"Mode": "enable"}', ''],
      ['{"mod": "enable"}', 'the route reads no such member'], ['{"mode": "enable"', 'the body is not JSON'],
      ['[1]', 'an object is wanted']],
    putWebmgmtSwDevCtrlWebMgmtPortNum: [['{"port": 8080, "flag": true}', 'flag: true is a JSON literal']],
    putWebmgmtCliWebHttpSessionSoftTimeOut: [['{"timeout": 0}', 'the switch takes 1 to 60'],
      ['{"timeout": "10"}', 'a whole number is wanted'], ['{"timeout": 2.5}', 'a whole number is wanted']],
    postDnsIpNameServer: [['{"ipAddr": "192.0.2.300"}', 'is not an IPv4 or IPv6 address'], ['{"ipAddr": "2001:db8::53"}', '']],
    postNtpServer: [[`{"ipAddr": "${'a'.repeat(256)}"}`, '256 characters are too many']],
    deleteDnsIpNameServer: [[{ ipAddr: 'nine' }, 'is not an IPv4 or IPv6 address']],
    getNtpAuthTableKeyValue: [[{ keyNumber: '7x' }, 'a whole number is wanted']],
    postBonjourPublishedServiceGetNext: [['{"pServiceEntry": {"servicePort": "80"}}', 'pServiceEntry.servicePort']],
  };
  for (const [id, rows] of Object.entries(cases)) for (const [typed, want] of rows) {
    const [query, body] = typeof typed === 'string' ? [{}, typed] : [typed, undefined];
    await check(`${id} ${JSON.stringify(query)} ${body ?? ''}`.slice(0, 120), () => {
      const op = byId.get(id);
      assert.ok(op, `no operation ${id}`);
      const problems = requestProblems(op, query, body);
      assert.ok(want ? problems.length === 1 && problems[0].includes(want) : problems.length === 0,
                `want ${want ? `one problem with "${want}"` : 'none'}, got ${JSON.stringify(problems)}`);
    });
  }

  // Every example the description gives passes the checks it is sent with.
  await check('every operation\'s example passes', () => {
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
  ];
  for (const [typed, fits, never] of searches) {
    await check(`search "${typed}"`, () => {
      const found = api.operations.filter((op) =>
        matchesWords(`${op.tag} ${op.subGroup} ${op.summary} ${op.path} ${op.method} ${op.id}`, typed.split(' ')));
      assert.ok(found.length > 0, 'finds nothing');
      assert.deepEqual(found.filter((op) => !fits(op) || never(op)).map((op) => op.id), []);
    });
  }
}

await (process.argv[2] ? runChecks(process.argv[2]) : runWalks());
process.exitCode = failures ? 1 : 0;
