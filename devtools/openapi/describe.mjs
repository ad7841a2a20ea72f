// Builds the OpenAPI description: the routes in the order of the program's
// route table, each described by its declaration in api.mjs.
import { groups } from './api.mjs';
import { objectSchema } from './fields.mjs';
import { isNeeded, limitOf, limitText } from './limits.mjs';
import { walkOf, walkOperations } from './walks.mjs';
import { configMarks, configOf } from './config.mjs';

const marks = configMarks();
const usedMarks = new Set();

export const methods = ['GET', 'POST', 'DELETE', 'PUT'];
// What scripts/serve serves by default: HTTPS with the certificate it makes.
export const exampleServer = 'https://127.0.0.1:8443';
const exampleCacert = 'build/tls/cert.pem';

// The response codes this program answers, with their messages.
export const failureCodes = [
  [10000, 'General Failed', 'the switch failed, or has no such entry (also the end of a walk)'],
  [10003, 'Invalid argument', 'the body is missing or is not one JSON value, or the switch refused a value'],
  [10011, 'Object exist', 'the entry exists already'],
  [10023, 'Request api not found', 'the switch had nothing to report'],
  [17002, 'Unsupported Feature', 'the switch does not carry the feature'],
];

// registrations: how many routes the program registers; twice: the
// operations registered more than once, of which the later registration serves.
const about = (registrations, operations, twice) => `The version-2 management interface of a managed Ethernet switch, served by the CGI program
"management_v2.cgi": the web server runs the program once for every request under "/api/v2/". This
description is made from the program's own route table: ${registrations} registrations, ${operations} operations${
  twice.length ? ` (registered twice, the later registration serving: ${twice.join(', ')})` : ''}.

**Sessions.** Every request needs the login session's token in the \`Session\` header. A GET needs any
session; every other method needs a session that may write (the user "admin", or a read-write user):
a read-only session is refused. A refused request (no session, an unknown or expired token, or a
read-only session on a method other than GET) gets 403 with no body. Each request renews the session,
which expires after 7200 seconds without one, unless it carries a \`Refresh\` header with a value.

**Answers.** When the program answers, the HTTP status is 200 and the body is one JSON envelope,
printed with one member per line and tabs. On success a route that reads answers its data object
first, under the group name of its base path, and then \`resp\`; every other answer is \`resp\` alone:
\`respCode\` (0 for success), its message \`respMsg\`, and \`status\` ("success" or "fail"). The answers
of routes that change something end with a line end; those of routes that read do not. A path or
method that has no route gets no answer from the program (the web server reports 500).

**Requests.** A body is exactly one JSON value (white space may follow). Member names are found
without regard to letter case, the first of two equal names counting; keyword values ("enable",
"true", mode and type names) must match exactly, letter case included. A member that is missing or of
another JSON type is no error: its default goes to the switch, and the switch decides. Query
parameters are used as sent, without percent-decoding; a parameter is the first \`name=value\` piece
that contains the name, so a parameter whose name lies inside another's (such as "service" in
"serviceName") must come first. The web server refuses a GET that carries a body.

**Tables** (servers, keys, hosts, services, associations) are walked one entry at a time: ask for
the first entry (or the entry after none), then for the entry after each one answered. The program
keeps no position between requests; the walk ends with the first answer whose code is not 0.
Each walk's operations carry the extension \`x-walk\`: the table's name, the operations that start and
continue it, the entry's members, the cursor that the next request takes from an entry, the codes
that end it, how a walk cut short by a concurrent delete shows, and the per-entry reads that
complete an entry.

**Configuration.** The operations that read and write the switch's configuration carry the extension
\`x-config\`: the area (the first segment of the resource), the setting or table, the role (a
setting's read, write or clear; a table's walk, add or delete, and its entries' settings), the
entry's identity for tables, and the order in which changes are made (keys before the servers that
use them, authentication after its keys). Status values and actions carry none. A client builds a
whole configuration document from these, and the requests that make a switch equal to one.

**Values the switch takes.** Keyword inputs are given as \`enum\` of their meaningful values; the
program passes any other value on as its default (for example "Enable" is not "enable" and counts
as "disable"). Where the switch refuses values outside a range or length, the input says so and
carries it as \`x-switch\` (\`minimum\`/\`maximum\`, \`minLength\`/\`maxLength\`).

**The web server's own answers.** 403 (refused session, no body), 411 (a POST without a body: send
an empty one; a PUT without one reaches the program, which answers 10003), 500 (the program wrote nothing: no route for the path and method), and 501 to a
method written in lower case.
`;

const success = { respCode: 0, respMsg: 'Success', status: 'success' };

const privilegeText = {
  read: 'Needs a session: any user, read-only included.',
  write: 'Needs a session that may write: "admin" or a read-write user; a read-only session gets 403.',
};

function components() {
  const pairs = failureCodes.map(([code, message]) => ({
    type: 'object',
    required: ['respCode', 'respMsg', 'status'],
    additionalProperties: false,
    properties: { respCode: { const: code }, respMsg: { const: message }, status: { const: 'fail' } },
  }));
  return {
    securitySchemes: {
      session: {
        type: 'apiKey',
        in: 'header',
        name: 'Session',
        description: 'The token of a login session (a file in "/tmp/session/" on the switch). GET needs any ' +
          'session; the other methods need the role "read-write" ("admin" or a read-write user).',
      },
    },
    parameters: {
      Refresh: {
        name: 'Refresh',
        in: 'header',
        required: false,
        description: 'Any value: the request does not renew the session (an expired session is refused all the same).',
        schema: { type: 'string', minLength: 1 },
      },
    },
    schemas: {
      RespSuccess: {
        type: 'object',
        description: 'Success.',
        required: ['respCode', 'respMsg', 'status'],
        additionalProperties: false,
        properties: { respCode: { const: 0 }, respMsg: { const: 'Success' }, status: { const: 'success' } },
      },
      RespFailure: {
        description: 'A failure: ' + failureCodes.map(([code, message, when]) => `${code} "${message}", ${when}`)
          .join('; ') + '.',
        oneOf: pairs,
      },
      Failure: {
        type: 'object',
        description: 'A failure: the status alone.',
        required: ['resp'],
        additionalProperties: false,
        properties: { resp: { $ref: '#/components/schemas/RespFailure' } },
      },
      Status: {
        description: 'The status alone, success or failure.',
        oneOf: [
          {
            type: 'object',
            required: ['resp'],
            additionalProperties: false,
            properties: { resp: { $ref: '#/components/schemas/RespSuccess' } },
          },
          { $ref: '#/components/schemas/Failure' },
        ],
      },
      Unsupported: {
        type: 'object',
        description: 'Code 17002: the switch does not carry the feature.',
        required: ['resp'],
        additionalProperties: false,
        properties: { resp: pairs[failureCodes.findIndex(([code]) => code === 17002)] },
      },
    },
    responses: {
      Refused: {
        description: 'No session, an unknown or expired session, or a read-only session on a method other than ' +
          'GET. No body.',
      },
      LengthRequired: {
        description: 'Answered by the web server (lighttpd) to a POST without a body and without a ' +
          '"Content-Length" header; the program does not run. Send an empty body (curl -d \'\') instead.',
        content: { 'text/html': { schema: { type: 'string' } } },
      },
      NoAnswer: {
        description: 'Answered by the web server (lighttpd): the program wrote nothing (no route for the path and ' +
          'method) or did not end. An HTML page.',
        content: { 'text/html': { schema: { type: 'string' } } },
      },
      Status: {
        description: 'The status only; the body ends with a line end.',
        content: { 'application/json': { schema: { $ref: '#/components/schemas/Status' }, example: { resp: success } } },
      },
    },
  };
}

const camel = (text) => text.replace(/[-/]+([a-z0-9])/g, (_, c) => c.toUpperCase());

function operationId(method, basePath, resource) {
  const base = basePath.replace(/^\/api\/v2\/(mgmt|system)\//, '');
  return camel(`${method.toLowerCase()}-${base}-${resource}`);
}

// The JSON schema of one request input, with its description.
function inputSchema(field, where, id) {
  if (field.members)
    return { type: 'object', description: field.text(where), properties: inputProperties(field.members, where, id) };
  if (field.items) {
    return {
      type: 'array',
      description: field.text(where),
      items: { type: 'object', properties: inputProperties(field.items, where, id) },
    };
  }
  const limit = id ? limitOf(id, field.name) : null;
  return limit
    ? { ...field.schema, description: `${field.text(where)} ${limitText(id, field.name)}`, 'x-switch': limit }
    : { ...field.schema, description: field.text(where) };
}

function inputProperties(fields, where, id) {
  return Object.fromEntries(fields.map((f) => [f.name, inputSchema(f, where, id)]));
}

// Example values of reply members: an input's example of the same name
// where a route has one, else a value of the member's kind.
const inputExamples = new Map();
for (const group of groups) {
  for (const ops of Object.values(group.routes)) {
    for (const op of Object.values(ops)) {
      for (const f of op.inputs)
        if (f.schema && !inputExamples.has(f.name)) inputExamples.set(f.name, f.example);
    }
  }
}

function exampleValue(reply, schema) {
  // "pTimeout" answers what "timeout" sets.
  const name = !inputExamples.has(reply) && /^p[A-Z]/.test(reply) ? reply[1].toLowerCase() + reply.slice(2) : reply;
  if (schema.enum)
    return schema.enum.includes(inputExamples.get(name)) ? inputExamples.get(name) : schema.enum[0];
  if (schema.type === 'object')
    return Object.fromEntries(Object.entries(schema.properties).map(([n, s]) => [n, exampleValue(n, s)]));
  const known = inputExamples.get(name);
  if (schema.type === 'integer')
    return typeof known === 'number' && known <= schema.maximum ? known : 1;
  if (schema.type === 'boolean')
    return true;
  return typeof known === 'string' ? known : 'text';
}

function dataExample(outputs) {
  const first = outputs.oneOf ? outputs.oneOf[0] : outputs;
  return Object.fromEntries(first.map((m) => [m.name, exampleValue(m.name, m.schema)]));
}

function dataSchema(outputs) {
  return outputs.oneOf ? { oneOf: outputs.oneOf.map(objectSchema) } : objectSchema(outputs);
}

// What a route answers with status 200.
function okResponse(op, method, group) {
  if (op.reply === 'status')
    return { $ref: '#/components/responses/Status' };
  if (op.reply === 'unsupported') {
    return {
      description: `Always code 17002 "Unsupported Feature"; the request is not read and the switch is not asked. ${
        method === 'GET' ? 'No line end.' : 'The body ends with a line end.'}`,
      content: {
        'application/json': {
          schema: { $ref: '#/components/schemas/Unsupported' },
          example: { resp: { respCode: 17002, respMsg: 'Unsupported Feature', status: 'fail' } },
        },
      },
    };
  }
  const failure = op.failure === 'status' ? 'a failure answers "resp" alone, with a line end'
    : 'a failure answers "resp" alone, without a line end';
  const badBody = op.inputs.some((f) => f.where === 'body') && !op.bodyOptional
    ? ' A body that is not one JSON value answers 10003, with a line end.' : '';
  return {
    description: `On success the data under "${group}" and then "resp", without a line end; ${failure}.${badBody}`,
    content: {
      'application/json': {
        schema: {
          oneOf: [
            {
              type: 'object',
              required: [group, 'resp'],
              additionalProperties: false,
              properties: { [group]: dataSchema(op.outputs), resp: { $ref: '#/components/schemas/RespSuccess' } },
            },
            { $ref: '#/components/schemas/Failure' },
          ],
        },
        example: { [group]: dataExample(op.outputs), resp: success },
      },
    },
  };
}

function exampleOf(op, field) {
  return op.examples && field.name in op.examples ? op.examples[field.name] : field.example;
}

function curlSample(method, path, query, body) {
  const url = `${exampleServer}${path}${query.length ? '?' + query.map(([k, v]) => `${k}=${v}`).join('&') : ''}`;
  const verb = method === 'GET' ? '' : ` -X ${method}`;
  // lighttpd answers 411 to a POST without a body, and a PUT without one
  // gets 10003: send an empty one to a route that reads none.
  const empty = method === 'POST' || method === 'PUT' ? ` -d ''` : '';
  const data = body ? ` -d '${JSON.stringify(body)}'` : empty;
  return `curl -s --cacert ${exampleCacert}${verb} -H "Session: $TOKEN"${data} '${url}'`;
}

function operation(method, path, declared, op) {
  const query = op.inputs.filter((f) => f.where === 'query');
  const bodyFields = op.inputs.filter((f) => f.where === 'body');
  const write = method !== 'GET';
  const description = [
    op.notes,
    privilegeText[write ? 'write' : 'read'],
  ].filter(Boolean).join(' ');
  const body = bodyFields.length
    ? Object.fromEntries(bodyFields.map((f) => [f.name, exampleOf(op, f)]))
    : undefined;
  const id = operationId(method, declared.basePath, path.slice(declared.basePath.length + 1));
  const result = {
    tags: [declared.tag],
    summary: op.summary,
    description,
    operationId: id,
    security: [{ session: write ? ['read-write'] : [] }],
  };
  if (query.length) {
    result.parameters = query.map((f) => {
      const { description: text, ...schema } = inputSchema(f, 'query', id);
      return {
        name: f.name,
        in: 'query',
        required: isNeeded(id, f.name),
        description: text,
        schema,
        example: exampleOf(op, f),
      };
    });
  }
  if (bodyFields.length) {
    const schema = { type: 'object', properties: inputProperties(bodyFields, 'body', id) };
    const required = [...new Set([...(op.required ?? []),
      ...bodyFields.filter((f) => isNeeded(id, f.name)).map((f) => f.name)])];
    if (required.length)
      schema.required = required;
    result.requestBody = {
      required: !op.bodyOptional,
      description: op.bodyOptional ? 'Optional.' : 'One JSON value; members below.',
      content: { 'application/json': { schema, example: body } },
    };
  }
  result.responses = { 200: okResponse(op, method, declared.group), 403: { $ref: '#/components/responses/Refused' } };
  if (method === 'POST')
    result.responses[411] = { $ref: '#/components/responses/LengthRequired' };
  result.responses[500] = { $ref: '#/components/responses/NoAnswer' };
  const walk = walkOf(id);
  if (walk)
    result['x-walk'] = walk;
  const resource = path.replace(/^\/api\/v2\/(mgmt|system)\//, '');
  const config = configOf(marks, id, method, resource, walk?.step === 'first' ? walk.table : null);
  if (config) {
    result['x-config'] = config;
    usedMarks.add(config);
  }
  result['x-codeSamples'] = [{
    lang: 'Shell',
    label: 'curl',
    source: curlSample(method, path, query.map((f) => [f.name, exampleOf(op, f)]), body),
  }];
  return result;
}

// The routes of the program (from openapi_routes) in registration order:
// [{ basePath, resource, method }]. Every route needs a declaration, and
// every declaration a route.
export function describe(routes) {
  const problems = [];
  const declared = new Map();
  for (const group of groups) {
    for (const [resource, ops] of Object.entries(group.routes)) {
      for (const [method, op] of Object.entries(ops)) {
        if (!methods.includes(method))
          problems.push(`${group.basePath}/${resource}: no method ${method}`);
        declared.set(`${method} ${group.basePath}/${resource}`, { group, op });
      }
    }
  }
  const paths = {};
  const seen = new Set();
  const twice = [];
  for (const { basePath, resource, method } of routes) {
    const path = `${basePath}/${resource}`;
    const key = `${method} ${path}`;
    if (seen.has(key)) {
      twice.push(key); // the later registration serves the same operation
      continue;
    }
    seen.add(key);
    const found = declared.get(key);
    if (!found) {
      problems.push(`the program serves ${key}, which api.mjs does not declare`);
      continue;
    }
    paths[path] ??= { parameters: [{ $ref: '#/components/parameters/Refresh' }] };
    paths[path][method.toLowerCase()] = operation(method, path, found.group, found.op);
  }
  for (const key of declared.keys()) {
    if (!seen.has(key))
      problems.push(`api.mjs declares ${key}, which the program does not serve`);
  }
  const ids = new Set(Object.values(paths).flatMap((item) => Object.values(item).map((o) => o.operationId)));
  for (const id of walkOperations()) {
    if (!ids.has(id))
      problems.push(`walks.mjs names the operation ${id}, which the description does not have`);
  }
  for (const mark of [...marks.byRoute.values(), ...marks.byId.values()]) {
    if (!usedMarks.has(mark))
      problems.push(`config.mjs marks ${mark.area} ${mark.setting ?? mark.table} (${mark.role}), which no operation is`);
  }
  const document = {
    openapi: '3.1.0',
    info: {
      title: 'Switch management interface, version 2',
      version: '2.0.0',
      description: about(routes.length, seen.size, twice),
    },
    servers: [{ url: exampleServer, description: 'scripts/serve on this machine' }],
    security: [{ session: [] }],
    tags: groups.filter((g, i) => groups.findIndex((h) => h.tag === g.tag) === i)
      .map((g) => ({ name: g.tag, description: `${g.about} Base path "${g.basePath}".` })),
    paths,
    components: components(),
  };
  return { document, problems };
}
