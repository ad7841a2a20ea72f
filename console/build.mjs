// Builds the browser console into a folder that lighttpd serves as it is:
// the page's own files (index.html, console.js, walk.mjs, console.css, favicon.svg) copied, and
// api.json, the page's reading of the API description: every operation with
// its group, parameters, body members, reply members, example and, for the
// operations that walk a table, how the walk goes on ("x-walk").
//
// Usage: node build.mjs --description docs/openapi.yaml --out DIR
//            [--overlay FILE]   x-walk objects to add, by operationId (tests)
import { readFileSync, writeFileSync, mkdirSync, copyFileSync } from 'node:fs';
import { dirname, join, resolve as absolute } from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';

const here = dirname(fileURLToPath(import.meta.url));
const pageFiles = ['index.html', 'console.js', 'walk.mjs', 'checks.mjs', 'console.css', 'favicon.svg'];
const methods = ['get', 'put', 'post', 'delete'];

// Groups with many routes are shown in sub-groups, by the route's resource
// (the last piece of its path); the first rule that matches wins, and a route
// that no rule matches goes into the group's first sub-group.
const subGroups = {
  NTP: [
    ['Global', null],
    ['Servers', /^(server|servers-.*|server-(first|next|max-addr-len|address-type|reference-string-length|current-entries)|active-ntp-server-.*)$/],
    ['Per-server settings', /^server-table-(max-poll|min-poll|prefer|burst|iburst|version|auth-key)$/],
    ['Keys', /^auth-table-.*$/],
    ['Status and associations', /^(ent-.*|assoc-.*|notify-peer-list)$/],
  ],
  'DNS client': [
    ['Settings', null],
    ['Name servers', /^ip-name-server.*$/],
    ['Static hosts', /^(static-host.*|domain-name-entry-next)$/],
    ['Lookups and cache', /^(client-inet-name-lookup|client-cache-.*)$/],
  ],
};

function args(argv) {
  const out = {};
  for (let i = 0; i < argv.length; i += 2) {
    const name = argv[i].replace(/^--/, '');
    if (!['description', 'out', 'overlay', 'modules'].includes(name) || i + 1 >= argv.length)
      throw new Error(`usage: build.mjs --description FILE --out DIR [--overlay FILE] [--modules DIR]`);
    out[name] = argv[i + 1];
  }
  if (!out.description || !out.out)
    throw new Error('build.mjs: --description and --out are needed');
  return out;
}

// Replaces every {"$ref": "#/..."} by what it names, so that the page sees
// each operation whole.
function resolve(doc, node, seen = []) {
  if (Array.isArray(node))
    return node.map((item) => resolve(doc, item, seen));
  if (node === null || typeof node !== 'object')
    return node;
  if (typeof node.$ref === 'string') {
    const ref = node.$ref;
    if (!ref.startsWith('#/') || seen.includes(ref))
      throw new Error(`cannot follow $ref ${ref}`);
    let target = doc;
    for (const piece of ref.slice(2).split('/'))
      target = target?.[piece.replace(/~1/g, '/').replace(/~0/g, '~')];
    if (target === undefined)
      throw new Error(`$ref ${ref} names nothing`);
    return resolve(doc, target, [...seen, ref]);
  }
  const out = {};
  for (const [key, value] of Object.entries(node))
    out[key] = resolve(doc, value, seen);
  return out;
}

const limitKeys = ['type', 'enum', 'const', 'minimum', 'maximum', 'minLength', 'maxLength', 'pattern', 'format', 'default',
  'x-switch', 'x-format'];

// A member's type and limits, as the page shows them.
function member(name, schema, required) {
  const out = { name, description: schema.description ?? '' };
  for (const key of limitKeys)
    if (schema[key] !== undefined)
      out[key] = schema[key];
  if (required)
    out.required = true;
  if (schema.properties)
    out.members = members(schema);
  return out;
}

function members(schema) {
  if (!schema || typeof schema.properties !== 'object')
    return [];
  const required = schema.required ?? [];
  return Object.entries(schema.properties).map(([name, s]) => member(name, s, required.includes(name)));
}

// The data of a success: the reply's first alternative, whose members are
// the group's data object and "resp".
function reply(responses) {
  const schema = responses?.['200']?.content?.['application/json']?.schema;
  const success = schema?.oneOf ? schema.oneOf[0] : schema;
  for (const [name, s] of Object.entries(success?.properties ?? {}))
    if (name !== 'resp')
      return { group: name, members: members(s) };
  return null;
}

function subGroupOf(tag, path) {
  const rules = subGroups[tag];
  if (!rules)
    return '';
  const resource = path.slice(path.lastIndexOf('/') + 1);
  const match = rules.find(([, pattern]) => pattern && pattern.test(resource));
  return (match ?? rules[0])[0];
}

function operation(path, method, pathItem, op) {
  const parameters = [...(pathItem.parameters ?? []), ...(op.parameters ?? [])].map((p) => ({
    ...member(p.name, { ...p.schema, description: p.description }, p.required),
    in: p.in,
    example: p.example,
  }));
  const body = op.requestBody?.content?.['application/json'];
  const write = (op.security ?? []).some((s) => (s.session ?? []).includes('read-write'));
  return {
    id: op.operationId,
    method: method.toUpperCase(),
    path,
    tag: op.tags?.[0] ?? '',
    subGroup: subGroupOf(op.tags?.[0] ?? '', path),
    summary: op.summary ?? '',
    description: op.description ?? '',
    write,
    parameters,
    body: body ? { members: members(body.schema), example: body.example } : null,
    reply: reply(op.responses),
    curl: op['x-codeSamples']?.[0]?.source ?? '',
    walk: op['x-walk'] ?? null,
  };
}

// The operations an x-walk object names.
function walkReferences(walk) {
  return [walk.first, walk.next, walk.cut?.check, walk.probe?.operation, walk.probe?.count?.operation,
          ...(walk.details ?? []).map((d) => (typeof d === 'string' ? d : d.operation))].filter((id) => id !== undefined);
}

// The tables that can be walked: one per x-walk table name, each starting
// at an operation that carries the walk.
function tables(operations) {
  const byId = new Map(operations.map((op) => [op.id, op]));
  const out = new Map();
  for (const op of operations) {
    const walk = op.walk;
    if (!walk)
      continue;
    for (const id of walkReferences(walk))
      if (!byId.has(id))
        throw new Error(`x-walk of ${op.id} names ${id}, which is no operation`);
    if (!byId.get(walk.first).walk || (!walk.next && !walk.probe))
      throw new Error(`x-walk of ${op.id}: the walk of ${walk.table} has no start or no next step`);
    if (!out.has(walk.table))
      out.set(walk.table, { table: walk.table, first: walk.first, tag: op.tag, subGroup: op.subGroup });
  }
  return [...out.values()];
}

function main() {
  const opts = args(process.argv.slice(2));
  // The YAML reader comes from the pinned packages in the build folder.
  const require = createRequire(join(absolute(opts.modules ?? join(here, 'node_modules')), 'x.js'));
  const YAML = require('yaml');
  const doc = YAML.parse(readFileSync(opts.description, 'utf8'), { maxAliasCount: 0 });
  if (opts.overlay) {
    const overlay = YAML.parse(readFileSync(opts.overlay, 'utf8'));
    for (const pathItem of Object.values(doc.paths))
      for (const method of methods)
        if (pathItem[method] && !pathItem[method]['x-walk'] && overlay[pathItem[method].operationId])
          pathItem[method]['x-walk'] = overlay[pathItem[method].operationId];
  }
  const operations = [];
  for (const [path, rawItem] of Object.entries(doc.paths)) {
    const pathItem = resolve(doc, rawItem);
    for (const method of methods)
      if (pathItem[method])
        operations.push(operation(path, method, pathItem, pathItem[method]));
  }
  const groups = (doc.tags ?? []).map((tag) => ({
    name: tag.name,
    description: tag.description ?? '',
    subGroups: (subGroups[tag.name] ?? [['', null]]).map(([name]) => name),
  }));
  const api = {
    title: doc.info?.title ?? '',
    version: doc.info?.version ?? '',
    groups,
    operations,
    tables: tables(operations),
  };
  mkdirSync(opts.out, { recursive: true });
  for (const file of pageFiles)
    copyFileSync(join(here, file), join(opts.out, file));
  writeFileSync(join(opts.out, 'api.json'), JSON.stringify(api));
  console.log(`console: ${operations.length} operations, ${api.tables.length} tables, into ${opts.out}`);
}

main();
