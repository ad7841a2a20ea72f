// Walks a table of the API to its end, as its operations' "x-walk" objects
// tell: the first request without a cursor, each next one with the cursor
// made from the entry just read, until a code that ends the walk. Each
// entry takes its fields from the reply, then the per-entry reads
// ("details"); a table without a next operation is probed identifier by
// identifier ("probe"). A table that a concurrent change could cut short
// is checked ("cut": the last entry still there, or two walks that agree).
//
// The requests go through send(op, {query, body}), which answers
// {status, envelope}; the page sends them to the program, the tests answer
// them themselves.

// A walk is given up after this many requests, or when the switch names an
// entry it named before.
export const stepLimit = 100000;

const isObject = (value) => value !== null && typeof value === 'object' && !Array.isArray(value);

// The data object of a success: the reply's member other than "resp".
export function dataOf(op, envelope) {
  const name = op.reply?.group ?? Object.keys(envelope ?? {}).find((key) => key !== 'resp');
  return isObject(envelope?.[name]) ? envelope[name] : {};
}

// The entry's fields from a step's reply data: field: member, or "*":
// member for the whole object member.
export function entryOf(walk, data) {
  if (!isObject(walk.entry))
    return { ...data };
  const entry = {};
  for (const [field, member] of Object.entries(walk.entry)) {
    if (field === '*')
      Object.assign(entry, isObject(data[member]) ? data[member] : {});
    else
      entry[field] = data[member];
  }
  return entry;
}

// The next request's cursor: parameter (or body member): entry field, or
// "*" for the whole entry.
export function cursorOf(walk, entry) {
  const cursor = {};
  for (const [param, field] of Object.entries(walk.cursor ?? {}))
    cursor[param] = field === '*' ? entry : entry[field];
  return cursor;
}

// A step's request: the cursor in the query, or in the body of an operation
// that takes one; a start without a cursor sends an empty object as body.
function request(op, walk, cursor, fixed) {
  const inBody = walk.in === 'body' && op.body;
  return {
    query: inBody ? { ...fixed } : { ...fixed, ...cursor },
    body: op.body ? JSON.stringify(inBody ? cursor : {}) : undefined,
  };
}

// One request that must succeed: its data, or an ending that says why not.
async function ask(send, op, req) {
  const reply = await send(op, req);
  const code = reply.envelope?.resp?.respCode;
  if (reply.status !== 200 || typeof code !== 'number')
    return { ending: { ok: false, op, reply } };
  return { code, reply, data: code === 0 ? dataOf(op, reply.envelope) : null };
}

// The query of a per-entry read: its parameters from the entry's fields of
// the same names.
function queryFor(op, entry, fixed = {}) {
  const query = { ...fixed };
  for (const p of op.parameters)
    if (p.in === 'query' && entry[p.name] !== undefined && !isObject(entry[p.name]))
      query[p.name] = entry[p.name];
  return query;
}

async function addDetails(byId, send, walk, entry) {
  for (const detail of walk.details ?? []) {
    const op = byId.get(typeof detail === 'string' ? detail : detail.operation);
    const got = await ask(send, op, { query: queryFor(op, entry) });
    if (got.code !== 0)
      continue;
    const members = typeof detail === 'string' ? null : detail.members;
    if (!isObject(members)) {
      Object.assign(entry, got.data);
      continue;
    }
    for (const [member, field] of Object.entries(members)) {
      if (member === '*' || field === '*') {
        const whole = got.data[member === '*' ? field : member];
        Object.assign(entry, isObject(whole) ? whole : {});
      } else {
        entry[field] = got.data[member];
      }
    }
  }
}

function endsWith(walk, got) {
  if (got.code !== 0)
    return (walk.end ?? [10000]).includes(got.code);
  const endData = walk.endData;
  return isObject(endData) && Object.entries(endData).every(([member, value]) => got.data[member] === value);
}

// One walk from the top. The result: {rows, ending}; ending.ok is true for
// a walk that reached the table's end, and then names the last request.
async function walkOnce(byId, send, first, fixed) {
  const rows = [];
  const seen = new Set();
  let op = first;
  let walk = op.walk;
  let req = request(op, walk, {}, fixed);
  for (let step = 0; step < stepLimit; step++) {
    const got = await ask(send, op, req);
    if (got.ending)
      return { rows, ending: got.ending };
    if (endsWith(walk, got))
      return { rows, ending: { ok: true, op, reply: got.reply, req } };
    if (got.code !== 0)
      return { rows, ending: { ok: false, op, reply: got.reply, req } };
    const entry = entryOf(walk, got.data);
    const key = JSON.stringify(entry);
    if (seen.has(key))
      return { rows, ending: { ok: false, repeated: true, op, req } };
    seen.add(key);
    await addDetails(byId, send, walk, entry);
    rows.push(entry);
    if (walk.probe)
      return probe(byId, send, walk, rows, entry, fixed);
    op = byId.get(walk.next);
    walk = op.walk ?? walk;
    req = request(op, walk, cursorOf(walk, entry), fixed);
  }
  return { rows, ending: { ok: false, tooLong: true } };
}

// A table without a next operation: the identifiers after the first entry's
// are tried one by one, until as many entries were found as the count
// says, or too many identifiers in a row were no entry.
async function probe(byId, send, walk, rows, first, fixed) {
  const p = walk.probe;
  const countOp = byId.get(p.count.operation);
  const counted = await ask(send, countOp, { query: { ...fixed } });
  if (counted.ending || counted.code !== 0)
    return { rows, ending: counted.ending ?? { ok: false, op: countOp, reply: counted.reply } };
  const count = Number(counted.data[p.count.member]);
  const op = byId.get(p.operation);
  let id = Number(first[p.from]);
  for (let misses = 0; rows.length < count;) {
    if (misses >= (p.limit ?? 4096))
      return { rows, ending: { ok: false, probeLimit: true, count } };
    id++;
    const got = await ask(send, op, { query: { ...fixed, [p.parameter]: id } });
    if (got.ending)
      return { rows, ending: got.ending };
    if (got.code !== 0 || got.data[p.exists] !== true) {
      misses++;
      continue;
    }
    misses = 0;
    const entry = { [p.from]: id };
    await addDetails(byId, send, walk, entry);
    rows.push(entry);
  }
  return { rows, ending: { ok: true, counted: count, op: countOp, reply: counted.reply } };
}

// Walks the table NAME of api (the page's api.json) to its end, with the
// query parameters FIXED for every step; {rows, ending, walks}.
export async function walkTable(api, name, send, fixed = {}) {
  const byId = new Map(api.operations.map((op) => [op.id, op]));
  const table = api.tables.find((t) => t.table === name);
  if (!table)
    return { rows: [], ending: { ok: false, unknown: true }, walks: 0 };
  const first = byId.get(table.first);
  const cut = first.walk.cut;
  let last = null;
  for (let walks = 1; walks <= 3; walks++) {
    const result = await walkOnce(byId, send, first, fixed);
    result.walks = walks;
    if (!result.ending.ok || !isObject(cut))
      return result;
    if (cut.rewalk) {
      // Whole when two walks in a row agree.
      if (last && JSON.stringify(last.rows) === JSON.stringify(result.rows))
        return result;
    } else {
      // Whole when the last entry is still there.
      const entry = result.rows[result.rows.length - 1];
      if (!entry || !cut.check)
        return result;
      const check = byId.get(cut.check);
      const got = await ask(send, check, { query: queryFor(check, entry, fixed) });
      if (got.code === 0)
        return result;
    }
    last = result;
  }
  return { rows: last?.rows ?? [], ending: { ok: false, unsettled: true }, walks: 3 };
}
