// The members check: holds every operation of the OpenAPI description against
// the built program, run as the web server runs it, with the switch
// stand-in's trace as the witness of what reached the switch.
//
// For each operation:
// - read: every documented input (query parameter, body member, member of
//   a body object or of the objects of a body array), changed alone from one
//   value to another, changes what reaches the switch;
// - unread: every name documented anywhere else in the interface (inputs
//   and reply members), sent as a query parameter, as a body member and as
//   a member of each documented body object, changes nothing;
// - body: a body that is not JSON is refused with 10003 before any switch
//   call where a body is required, and changes nothing where none is read;
// - answers: with every switch call of the operation forced to succeed, to
//   report "exists not" or "nothing more", or to fail, each answer matches
//   the documented reply schema (members, their order and their types), and
//   each documented form of the data is answered.
// And for the handlers' sources: every name they spell in quotes (members,
// keywords, group names, resources) is one the description holds, so a
// member new to the interface cannot hide from the checks above.
//
// Usage (in a private /tmp, see private-tmp):
//   node members.mjs --routes OPENAPI_ROUTES --cgi PROGRAM --sources cgi/onboard [--only TEXT]
// --only checks just the operations whose "METHOD path" holds TEXT.
import { spawnSync } from 'node:child_process';
import { copyFileSync, mkdirSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';

import { build } from './generate.mjs';

const work = '/tmp/members';
const statePath = `${work}/state.json`;
const factoryState = `${work}/factory.json`;
const tracePath = `${work}/trace.jsonl`;
const token = 'members-check';
const header = 'Content-Type: application/json\r\n\r\n';
const frameCalls = new Set(['l7proc_crashlog_register', 'openapiClientRegister', 'rpcclt_openapiConnectivityCheck',
  'rpcclt_openapiNetworkOSVersionGet', 'rpcclt_openapiApiVersionGet', 'openapiClientTearDown']);

// ---- running the program ----

let program;

// One request, on the factory state: the reply body and the calls the
// handler made, each {call, args}.
function run({ method, path, query = [], body, faults }) {
  copyFileSync(factoryState, statePath);
  rmSync(tracePath, { force: true });
  const queryString = query.map(([k, v]) => `${k}=${v}`).join('&');
  const env = {
    PATH: process.env.PATH,
    TZ: 'UTC',
    REQUEST_URI: path + (queryString ? `?${queryString}` : ''),
    REQUEST_METHOD: method,
    HTTP_SESSION: token,
    HTTP_REFRESH: '1',
    SWSIM_STATE: statePath,
    SWSIM_TRACE: tracePath,
  };
  if (queryString)
    env.QUERY_STRING = queryString;
  if (body !== undefined)
    env.CONTENT_LENGTH = String(Buffer.byteLength(body));
  if (faults)
    env.SWSIM_FAULTS = JSON.stringify(faults);
  const result = spawnSync(program, [], { env, input: body ?? '', encoding: 'utf8', timeout: 30000 });
  let trace = '';
  try {
    trace = readFileSync(tracePath, 'utf8');
  } catch {
    // No call at all.
  }
  const calls = trace.split('\n').filter(Boolean).map((line) => JSON.parse(line))
    .filter((line) => !frameCalls.has(line.call));
  const out = result.stdout ?? '';
  return {
    status: result.status,
    reply: out.startsWith(header) ? out.slice(header.length) : null,
    raw: out,
    calls,
  };
}

// ---- what the description says ----

let components;

function resolve(schema) {
  while (schema && schema.$ref)
    schema = schema.$ref.split('/').slice(1).reduce((node, key) => node[key], { components });
  return schema;
}

// The inputs of an operation as paths to set: {where, path: [names], schema}.
function inputsOf(operation) {
  const inputs = (operation.parameters ?? []).filter((p) => p.in === 'query')
    .map((p) => ({ where: 'query', path: [p.name], schema: p.schema }));
  const body = operation.requestBody?.content['application/json'].schema;
  const walk = (properties, path) => {
    for (const [name, schema] of Object.entries(properties ?? {})) {
      if (schema.type === 'object')
        walk(schema.properties, [...path, name]);
      else if (schema.type === 'array')
        walk(schema.items.properties, [...path, name, 0]);
      else
        inputs.push({ where: 'body', path: [...path, name], schema });
    }
  };
  walk(body?.properties, []);
  return inputs;
}

// Two values of a documented input that the program must tell apart: for a
// keyword its first and last name, for a number two in its range, for a text
// two address texts (which also differ as plain texts).
function sample(schema, which) {
  if (schema.enum)
    return which === 0 ? schema.enum[0] : schema.enum[schema.enum.length - 1];
  if (schema.type === 'integer')
    return Math.max(schema.minimum ?? 0, 0) + 2 + which;
  return ['192.0.2.1', '192.0.2.2'][which];
}

// The values of an input that differ from what its absence stands for.
function shown(schema) {
  if (schema.enum)
    return schema.enum.filter((name) => name !== schema.default);
  if (schema.type === 'integer')
    return [schema.default === 7 ? 8 : 7];
  return ['192.0.2.2'];
}

function setAt(object, path, value) {
  let node = object;
  for (let i = 0; i < path.length - 1; ++i) {
    node[path[i]] ??= typeof path[i + 1] === 'number' ? [] : {};
    node = node[path[i]];
  }
  node[path[path.length - 1]] = value;
}

// The request of an operation with every input at its first value, except
// those in changed: {input: value}.
function request(op, changed = new Map(), extra = { query: [], body: [] }) {
  const query = [];
  let body;
  for (const input of op.inputs) {
    const value = changed.has(input) ? changed.get(input) : sample(input.schema, 0);
    if (input.where === 'query') {
      query.push([input.path[0], value]);
    } else {
      body ??= {};
      setAt(body, input.path, value);
    }
  }
  query.push(...extra.query);
  for (const { within, name, value } of extra.body) {
    body ??= {};
    const path = [...within, name];
    let node = body;
    for (const step of within)
      node = node?.[step];
    if (node?.[name] === undefined) // a name the object holds already would be no probe
      setAt(body, path, value);
  }
  return { method: op.method, path: op.path, query, body: body === undefined ? undefined : JSON.stringify(body) };
}

// ---- a small JSON schema check: the forms this description uses ----

function typeOf(value) {
  if (Array.isArray(value))
    return 'array';
  if (value === null)
    return 'null';
  if (typeof value === 'number')
    return Number.isInteger(value) ? 'integer' : 'number';
  return typeof value;
}

// Why value does not match schema, or '' when it does.
function mismatch(value, schema, at = '') {
  schema = resolve(schema);
  if (schema.oneOf) {
    const fits = schema.oneOf.filter((s) => mismatch(value, s, at) === '');
    return fits.length === 1 ? '' : `${at || 'the reply'} matches ${fits.length} of the forms it may take, not one`;
  }
  if ('const' in schema && value !== schema.const)
    return `${at} is ${JSON.stringify(value)}, not ${JSON.stringify(schema.const)}`;
  if (schema.enum && !schema.enum.includes(value))
    return `${at} is ${JSON.stringify(value)}, none of ${schema.enum.join(', ')}`;
  if (schema.type) {
    const type = typeOf(value);
    if (type !== schema.type && !(schema.type === 'number' && type === 'integer'))
      return `${at} is ${type}, not ${schema.type}`;
  }
  if (typeof value === 'number' && (value < (schema.minimum ?? -Infinity) || value > (schema.maximum ?? Infinity)))
    return `${at} is ${value}, out of ${schema.minimum}..${schema.maximum}`;
  if (schema.type === 'object') {
    const names = Object.keys(value);
    for (const name of schema.required ?? []) {
      if (!names.includes(name))
        return `${at} lacks "${name}"`;
    }
    const documented = Object.keys(schema.properties ?? {});
    for (const name of names) {
      if (schema.additionalProperties === false && !documented.includes(name))
        return `${at} has "${name}", which is not documented`;
    }
    const order = documented.filter((name) => names.includes(name));
    if (schema.additionalProperties === false && order.join() !== names.join())
      return `${at} has its members in the order ${names.join(', ')}, not ${order.join(', ')}`;
    for (const name of names) {
      if (schema.properties?.[name]) {
        const why = mismatch(value[name], schema.properties[name], `${at}.${name}`);
        if (why)
          return why;
      }
    }
  }
  return '';
}

// The forms of a success's data that the description allows, by their members.
function dataForms(schema, group) {
  const success = resolve(schema).oneOf?.find((s) => resolve(s).properties?.[group]);
  if (!success)
    return [];
  const data = success.properties[group];
  return (data.oneOf ?? [data]).map((form) => Object.keys(form.properties).join(','));
}

// ---- the checks ----

const results = [];
function check(name, why) {
  results.push({ name, why });
  console.log(why ? `not ok - ${name}: ${why}` : `ok - ${name}`);
}

const same = (a, b) => JSON.stringify(a.calls) === JSON.stringify(b.calls);
const label = (input) => `${input.where} ${input.path.filter((p) => typeof p === 'string').join('.')}`;

function checkRead(op, baseline) {
  for (const input of op.inputs) {
    const changed = run(request(op, new Map([[input, sample(input.schema, 1)]])));
    check(`${op.key}: reads ${label(input)}`, same(baseline, changed)
      ? `changing it from ${JSON.stringify(sample(input.schema, 0))} to ${JSON.stringify(sample(input.schema, 1))} ` +
        'changes nothing that reaches the switch'
      : '');
  }
}

// Where undocumented names are sent: the query string, the body, and each
// object the body documents (a body object member, the objects of a body
// array), each with the names documented there.
function containersOf(op) {
  const containers = [{ where: 'query', within: [], own: new Set() }];
  if (op.method === 'POST' || op.method === 'PUT')
    containers.push({ where: 'body', within: [], own: new Set() });
  for (const input of op.inputs) {
    const within = input.path.slice(0, -1);
    let container = containers.find((c) => c.where === input.where && c.within.join() === within.join());
    if (!container) {
      container = { where: input.where, within, own: new Set() };
      containers.push(container);
    }
    container.own.add(input.path[input.path.length - 1]);
  }
  return containers;
}

function checkUnread(op, baseline, probes) {
  const sent = (container, pick) => ({
    query: container.where === 'query' ? pick : [],
    body: container.where === 'body' ? pick.map(([name, value]) => ({ within: container.within, name, value })) : [],
  });
  for (const container of containersOf(op)) {
    const others = [...probes.keys()].filter((name) => !container.own.has(name));
    const rounds = Math.max(1, ...others.map((name) => probes.get(name).length));
    for (let round = 0; round < rounds; ++round) {
      const pick = others.map((name) => [name, probes.get(name)[round % probes.get(name).length]]);
      if (same(baseline, run(request(op, new Map(), sent(container, pick)))))
        continue;
      const culprits = pick.filter((p) => !same(baseline, run(request(op, new Map(), sent(container, [p])))))
        .map(([name]) => name);
      const where = [container.where, ...container.within.filter((p) => typeof p === 'string')].join(' ');
      check(`${op.key}: reads nothing undocumented`,
        `from the ${where} it reads ${culprits.join(', ') || 'a combination of names documented elsewhere'}`);
      return;
    }
  }
  check(`${op.key}: reads nothing undocumented`, '');
}

function checkBody(op, baseline) {
  const bad = { method: op.method, path: op.path, query: request(op).query, body: '{"not": json' };
  const requestBody = op.operation.requestBody;
  if (!(op.method === 'POST' || op.method === 'PUT'))
    return;
  const answer = run(bad);
  if (requestBody?.required) {
    const refused = answer.calls.length === 0 && /"respCode":\t10003,/.test(answer.reply ?? '');
    check(`${op.key}: a body that is not JSON is refused with 10003`, refused ? '' : 'it is not');
  } else if (requestBody) {
    check(`${op.key}: a body that is not JSON still reaches the switch`,
      answer.calls.length ? '' : 'no switch call was made');
  } else {
    check(`${op.key}: the body is not read`, same(baseline, answer) ? '' : 'a body that is not JSON changed the calls');
  }
}

function checkAnswers(op, baseline, group) {
  const response = resolve(op.operation.responses['200']);
  const schema = response.content['application/json'].schema;
  const names = [...new Set(baseline.calls.map((c) => c.call))];
  const forms = dataForms(schema, group);
  const unsupported = resolve(schema) === components.schemas.Unsupported;
  const seen = new Set();
  const problems = [];
  for (const result of [0, -24, -29, -26, -1]) {
    const faults = Object.fromEntries(names.map((name) => [name, { result }]));
    const answer = run({ ...request(op), faults });
    let reply;
    try {
      reply = JSON.parse(answer.reply);
    } catch {
      problems.push(`switch result ${result}: no JSON answer (exit ${answer.status}): ${JSON.stringify(answer.raw)}`);
      continue;
    }
    const why = mismatch(reply, schema);
    if (why)
      problems.push(`switch result ${result}: ${why}`);
    const code = reply.resp?.respCode;
    if (!unsupported && result === 0 && code !== 0)
      problems.push(`every switch call succeeding, the answer is code ${code}, not success`);
    if (names.length && result === -1 && code === 0)
      problems.push('every switch call failing, the answer is success');
    if (group && reply[group])
      seen.add(Object.keys(reply[group]).join(','));
  }
  for (const form of forms) {
    if (!seen.has(form))
      problems.push(`no answer carries the documented data {${form}}`);
  }
  if (unsupported && names.length)
    problems.push('a route documented as unsupported calls the switch');
  check(`${op.key}: answers as documented`, problems.join('; '));
}

// Every word of the description: names, keywords, paths' parts.
function toYamlWords(document) {
  return new Set(JSON.stringify(document).match(/[A-Za-z][A-Za-z0-9_-]*/g));
}

// The quoted names in the handlers' sources (the entry and its FastCGI loop
// aside). CGI variable names (capitals
// and underscores) are the web server's, not the interface's.
function checkSources(dir, words) {
  const missing = new Set();
  for (const file of readdirSync(dir).filter((f) => /\.(cpp|h)$/.test(f) && !['main.cpp', 'entry.cpp', 'entry.h', 'fastcgi.cpp', 'fastcgi.h'].includes(f))) {
    for (const [, name] of readFileSync(`${dir}/${file}`, 'utf8').matchAll(/"([A-Za-z][A-Za-z0-9_-]*)"/g)) {
      if (!/^[A-Z_]+$/.test(name) && !words.has(name))
        missing.add(`${name} (${file})`);
    }
  }
  check('the handlers spell no name the description lacks', missing.size ? [...missing].join(', ') : '');
}

function main(argv) {
  const arg = (name) => argv[argv.indexOf(name) + 1];
  program = arg('--cgi');
  let document;
  try {
    document = build(arg('--routes'));
  } catch (error) {
    check('the description can be made', error.message);
    console.log('0 passed, 1 failed');
    return 1;
  }
  components = document.components;

  mkdirSync('/tmp/session', { recursive: true });
  writeFileSync(`/tmp/session/${token}`, `admin\n0\n${token}`);
  mkdirSync(work, { recursive: true });
  // The stand-in writes its factory state on first use; every request then
  // starts from a copy of it.
  rmSync(statePath, { force: true });
  spawnSync(program, [], { env: { SWSIM_STATE: statePath, REQUEST_URI: '/', REQUEST_METHOD: 'GET' } });
  copyFileSync(statePath, factoryState);

  const only = argv.includes('--only') ? arg('--only') : '';
  const ops = [];
  for (const [path, item] of Object.entries(document.paths)) {
    for (const [method, operation] of Object.entries(item)) {
      if (method === 'parameters')
        continue;
      const op = { key: `${method.toUpperCase()} ${path}`, method: method.toUpperCase(), path, operation };
      op.inputs = inputsOf(operation);
      ops.push(op);
    }
  }
  // Every input name of the interface, with the values that would show it
  // read: those of each of its documented forms that differ from what a
  // missing input stands for.
  const probes = new Map();
  for (const op of ops) {
    for (const input of op.inputs) {
      const name = input.path[input.path.length - 1];
      const values = probes.get(name) ?? [];
      for (const value of shown(input.schema)) {
        if (!values.includes(value))
          values.push(value);
      }
      probes.set(name, values);
    }
  }
  // Reply members too: a cursor sent back is often read under its reply name.
  const replyNames = (schema) => {
    schema = resolve(schema);
    return [...(schema.oneOf ?? []).flatMap(replyNames), ...Object.entries(schema.properties ?? {})
      .flatMap(([name, member]) => [name, ...replyNames(member)])];
  };
  for (const op of ops) {
    for (const name of replyNames(resolve(op.operation.responses['200']).content['application/json'].schema)) {
      if (!probes.has(name))
        probes.set(name, [7, '192.0.2.2']);
    }
  }
  // The group name a success's data goes under, or none.
  const groupOf = (operation) => {
    const schema = resolve(resolve(operation.responses['200']).content['application/json'].schema);
    return schema.oneOf?.map(resolve).find((s) => s.required?.length === 2)?.required[0] ?? null;
  };

  for (const op of ops.filter((o) => o.key.includes(only))) {
    const baseline = run(request(op));
    if (op.inputs.length && !baseline.calls.length) {
      check(`${op.key}: reaches the switch`, 'the request with every documented input made no switch call');
      continue;
    }
    checkRead(op, baseline);
    checkUnread(op, baseline, probes);
    checkBody(op, baseline);
    checkAnswers(op, baseline, groupOf(op.operation));
  }
  checkSources(arg('--sources'), toYamlWords(document));
  const failed = results.filter((r) => r.why).length;
  console.log(`${results.length - failed} passed, ${failed} failed`);
  return failed ? 1 : 0;
}

process.exitCode = main(process.argv.slice(2));
