// The kinds of request inputs and reply members of the interface, each with
// its JSON schema, the words that tell a client how the program reads or
// writes it, and an example value. A route's declaration (api.mjs) names its
// inputs and reply members with these.

export const U32_MAX = 4294967295;

// ---- request inputs ----
// An input is { name, schema, text: (where) => description, example }, where
// is 'body' (a member of the JSON body) or 'query' (a query parameter).

const missingBody = 'A member that is missing, or of another JSON type,';

// An unsigned number: what the switch gets is an unsigned 32-bit integer.
export function num(name, note, { dflt = 0, min = 0, example = 1, bits = 32 } = {}) {
  const max = bits === 16 ? 65535 : U32_MAX;
  const body = bits === 16
    ? 'A JSON number, cut toward zero and held to 0..4294967295 (negative gives 0); the switch gets its low 16 bits (70000 gives 4464).'
    : 'A JSON number, cut toward zero and held to 0..4294967295: a negative number gives 0, 4294967296 or more gives 4294967295.';
  const missing = dflt === 0
    ? `${missingBody} gives 0.`
    : `A missing member gives ${dflt}; a member of another JSON type gives 0.`;
  const query = 'Decimal digits, cut to the low 32 bits (-1 gives 4294967295). Missing, or text that is not a number: 0.';
  return {
    name,
    schema: { type: 'integer', minimum: min, maximum: max, ...(dflt !== 0 ? { default: dflt } : {}) },
    text: (where) => `${note} ${where === 'body' ? `${body} ${missing}` : query}`,
    example,
  };
}

export const num16 = (name, note, options = {}) => num(name, note, { ...options, bits: 16 });

// A keyword: one of the names, compared exactly, letter case included.
// otherwise says what any other value, or none, stands for; dflt is the name
// that stands for the same, when one does.
export function word(name, note, names, otherwise, { dflt, example = names[0] } = {}) {
  return {
    name,
    schema: { type: 'string', enum: names, ...(dflt !== undefined ? { default: dflt } : {}) },
    text: (where) => `${note} Compared exactly, letter case included; ${where === 'body'
      ? 'any other value, a member of another JSON type or no member'
      : 'any other value, or no parameter'} ${otherwise}.`,
    example,
  };
}

export const mode = (name, note) =>
  word(name, note, ['enable', 'disable'], 'is "disable"', { dflt: 'disable' });
export const flag = (name, note) =>
  word(name, note, ['true', 'false'], 'is "false" (the JSON literal true is not a string and counts as "false")',
    { dflt: 'false' });

// A text copied into a buffer of max + 1 bytes: longer text is cut.
export function text(name, note, max, example = 'example') {
  const cut = max === undefined ? 'passed whole' : `cut to its first ${max} characters`;
  return {
    name,
    schema: { type: 'string', ...(max !== undefined ? { maxLength: max } : {}) },
    text: (where) => `${note} Text, ${cut}. ${where === 'body'
      ? `${missingBody} is the empty text.`
      : 'Missing: the empty text.'}`,
    example,
  };
}

// An address text that the program reads into an address record.
export function addr(name, note, example = '192.0.2.1') {
  return {
    name,
    schema: { type: 'string', 'x-format': 'ip-address' },
    text: (where) => `${note} An IPv6 address when the text holds ":", else a dotted IPv4 address; a text that does not parse gives the zero address of that family. ${where === 'body'
      ? `${missingBody} is no address (family 0).`
      : 'Missing or empty: no address (family 0).'}`,
    example,
  };
}

// An object member whose own members are inputs too.
export function object(name, note, members) {
  return {
    name,
    members,
    schema: null,
    text: () => note,
    example: Object.fromEntries(members.map((m) => [m.name, m.example])),
  };
}

// An array of objects whose members are inputs.
export function list(name, note, members) {
  return {
    name,
    items: members,
    schema: null,
    text: () => note,
    example: [Object.fromEntries(members.map((m) => [m.name, m.example]))],
  };
}

// ---- reply members ----
// A reply member is { name, schema }.

export const outNum = (name, description, bits = 32) =>
  ({ name, schema: { type: 'integer', minimum: 0, maximum: bits === 16 ? 65535 : U32_MAX, description } });
export const outNum16 = (name, description) => outNum(name, description, 16);
export const outText = (name, description) => ({ name, schema: { type: 'string', description } });
export const outNamed = (name, description, names) =>
  ({ name, schema: { type: 'string', enum: names, description } });
export const outMode = (name, description) =>
  outNamed(name, `${description} "enable" when the switch reports 1, else "disable".`, ['enable', 'disable']);
export const outFlag = (name, description) =>
  outNamed(name, `${description} The string "true" when the switch reports 1, else "false".`, ['true', 'false']);
export const outBool = (name, description) => ({ name, schema: { type: 'boolean', description } });
export const outObject = (name, description, members) => ({ name, schema: { ...objectSchema(members), description } });

// The schema of a reply object: exactly these members, in this order.
export function objectSchema(members) {
  return {
    type: 'object',
    required: members.map((m) => m.name),
    additionalProperties: false,
    properties: Object.fromEntries(members.map((m) => [m.name, m.schema])),
  };
}
